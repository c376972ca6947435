#pragma once
// Placeholder of the main dialog: shows the window until the real one lands.
#include "app/CDialog.h"
#include "drill/CKadoDlg.h"
#include "history/CshowHistoryDlg.h"

class CmainDlg : public CDialog {
    Q_OBJECT
public:
    explicit CmainDlg(QWidget* parent = nullptr);

    CKadoDlg m_drillBar;
    CshowHistoryDlg m_showHistoryDlg;
};
