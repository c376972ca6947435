#pragma once
#include "platform/CDialog.h"
#include "store/WordStore.h"

#include <cstdint>
#include <string>
#include <vector>

class CComboListCtrl;

// The drill result dialog: the words of the drill's range with the counters
// stored at Start and what the drill added, and a level drop-down per word.
// OK writes changed levels into the list's cards (memory only). Built once
// by the drill bar and run again at the end of every drill; each run builds
// its columns and rows anew from the members the drill bar set.
class ChistoryDlg : public CDialog {
    Q_OBJECT
public:
    explicit ChistoryDlg(QWidget* parent = nullptr);

    char m_listName[1024] = {};
    // 1 after a test drill, 0 after preview or free practice.
    std::uint8_t m_testMode = 0;
    // The drill's counts per word (the drill bar's map; read only).
    const WordCounts* m_wordCounts = nullptr;
    // 0: all levels; 1..5: only words that had this level at Start.
    std::int32_t m_levelFilter = 0;
    CComboListCtrl* m_list = nullptr;
    // Row r shows m_entries[r].
    std::vector<HistoryEntry> m_entries;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool event(QEvent* event) override;

private:
    long OnComboItems(int column, QStringList* items);
    void InsertEntryRow(int row, const HistoryEntry& entry);
};
