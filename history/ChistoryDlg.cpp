#include "history/ChistoryDlg.h"

#include "platform/ModalSeam.h"
#include "platform/SjisText.h"
#include "platform/WinMessages.h"
#include "res/Texts.h"
#include "history/CComboListCtrl.h"
#include "history/HistoryTables.h"
#include "store/Database.h"

#include <QStringList>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>

namespace {

constexpr char kCountFormat[] = "%d";
// Stored count, "+", what the drill added.
constexpr char kCountPlusFormat[] = "%d%s%d";
constexpr char kPlus[] = "+";

QString CountText(std::int32_t stored)
{
    char text[256];
    std::snprintf(text, sizeof text, kCountFormat, stored);
    return QString::fromLatin1(text);
}

QString CountPlusText(std::int32_t stored, std::int32_t added)
{
    char text[256];
    std::snprintf(text, sizeof text, kCountPlusFormat, stored, kPlus, added);
    return QString::fromLatin1(text);
}

} // namespace

ChistoryDlg::ChistoryDlg(QWidget* parent) : CDialog(134, parent)
{
    BuildControls({{1033, [](QWidget* p) -> QWidget* { return new CComboListCtrl(p); }}});
    m_list = Item<CComboListCtrl>(1033);
}

bool ChistoryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_entries.clear();
    m_list->DeleteAllItems();
    m_list->DeleteAllColumns();
    if (!m_wordCounts || m_wordCounts->empty())
        return false;

    InsertHistoryColumns(*m_list);
    for (const HistoryEntry& entry : DrillHistory)
        if (m_levelFilter == 0 || entry.level == m_levelFilter)
            m_entries.push_back(entry);
    for (std::size_t r = 0; r < m_entries.size(); ++r)
        InsertEntryRow(static_cast<int>(r), m_entries[r]);
    return true;
}

void ChistoryDlg::InsertEntryRow(int row, const HistoryEntry& entry)
{
    m_list->InsertItem(row, FromSjis(entry.word));
    const auto count = m_wordCounts->find(entry.word);
    const bool counted = count != m_wordCounts->end();
    const bool test = m_testMode == 1;
    m_list->SetItemText(row, 1, !test && counted ? CountPlusText(entry.free, count->second) : CountText(entry.free));
    m_list->SetItemText(row, 2, test && counted ? CountPlusText(entry.test_a, count->second) : CountText(entry.test_a));
    // Every answer but the last right one was wrong.
    m_list->SetItemText(row, 3,
                        test && counted ? CountPlusText(entry.test_w, count->second - 1) : CountText(entry.test_w));
    m_list->SetItemText(row, kLevelColumn, LevelText(entry.level));
}

long ChistoryDlg::OnComboItems(int column, QStringList* items)
{
    if (items)
        FillLevelItems(*m_list, column, *items);
    return 1;
}

bool ChistoryDlg::event(QEvent* event)
{
    if (event->type() == static_cast<QEvent::Type>(UWM_COMBO_ITEMS)) {
        if (auto* message = dynamic_cast<WinMessage*>(event))
            message->result = OnComboItems(static_cast<int>(message->wParam), static_cast<QStringList*>(message->lParam));
        return true;
    }
    return CDialog::event(event);
}

void ChistoryDlg::OnOK()
{
    WordListState* list = FindWordList(std::string_view(m_listName, strnlen(m_listName, sizeof m_listName)));
    if (!list) {
        ModalSeam::MessageBox(this, QString::fromUtf8(kNoSuchWordListText));
        return;
    }
    {
        // The list synchronisation reads card levels under this lock.
        std::lock_guard<std::mutex> lock(StoreLock);
        const int rows = std::min(static_cast<int>(m_entries.size()), m_list->GetItemCount());
        for (int r = 0; r < rows; ++r) {
            const HistoryEntry& entry = m_entries[r];
            const std::int32_t level = LevelFromText(m_list->GetItemText(r, kLevelColumn));
            if (level != entry.level && entry.index >= 0 && static_cast<std::size_t>(entry.index) < list->cards.size())
                list->cards[entry.index].level = level;
        }
    }
    CDialog::OnOK();
}
