#pragma once
// Placeholder of the statistics browser.
#include "app/CDialog.h"

#include <cstdint>

class CshowHistoryDlg : public CDialog {
    Q_OBJECT
public:
    explicit CshowHistoryDlg(QWidget* parent = nullptr);

    char m_listName[1024] = {};
    std::int32_t m_wordCount = 0;
};
