#pragma once
// Placeholder of the drill result dialog.
#include "app/CDialog.h"
#include "drill/DrillSelection.h"

#include <cstdint>
#include <map>
#include <string>

class ChistoryDlg : public CDialog {
    Q_OBJECT
public:
    explicit ChistoryDlg(QWidget* parent = nullptr);

    char m_listName[1024] = {};
    std::uint8_t m_testMode = 0;
    const std::map<std::string, std::int32_t, UnsignedByteLess>* m_wordCounts = nullptr;
    std::int32_t m_levelFilter = 0;
};
