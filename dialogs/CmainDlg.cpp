#include "dialogs/CmainDlg.h"

CmainDlg::CmainDlg(QWidget* parent) : CDialog(129, parent) { BuildControls(); }
