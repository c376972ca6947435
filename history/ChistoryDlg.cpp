#include "history/ChistoryDlg.h"

ChistoryDlg::ChistoryDlg(QWidget* parent) : CDialog(134, parent) { BuildControls(); }
