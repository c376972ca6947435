#include "history/CshowHistoryDlg.h"

CshowHistoryDlg::CshowHistoryDlg(QWidget* parent) : CDialog(135, parent) { BuildControls(); }
