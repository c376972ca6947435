#include "drill/CKadoDlg.h"

CKadoDlg::CKadoDlg(QWidget* parent) : CDialog(102, parent) { BuildControls(); }
