#pragma once
// Placeholder of the drill bar: its real window, messages and passes land
// with the drill on screen.
#include "app/CDialog.h"
#include "drill/DrillSelection.h"

class CKadoDlg : public CDialog, public DrillSelection {
    Q_OBJECT
public:
    explicit CKadoDlg(QWidget* parent = nullptr);

    std::int32_t m_mode = 1;
    char m_listName[1024] = {};
};
