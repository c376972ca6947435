#include "history/CshowHistoryDlg.h"

#include "platform/ModalSeam.h"
#include "platform/ReadDecimal.h"
#include "platform/SjisText.h"
#include "platform/WinMessages.h"
#include "res/Texts.h"
#include "history/CComboListCtrl.h"
#include "history/HistoryTables.h"
#include "store/Database.h"
#include "store/WordStore.h"

#include <QPushButton>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace {

constexpr char kNumberFormat[] = "%d";

struct StoredCounters {
    std::int32_t free = 0;
    std::int32_t test_w = 0;
    std::int32_t test_a = 0;
};

std::string NumberText(std::int32_t value)
{
    char text[256];
    std::snprintf(text, sizeof text, kNumberFormat, value);
    return text;
}

// The counters of one page of the list's table, by word; a later row with
// the same word wins. A table that is missing yields nothing.
std::map<std::string, StoredCounters> ReadPageCounters(const std::string& listName, std::int64_t offset,
                                                       std::int32_t rows)
{
    std::map<std::string, StoredCounters> counters;
    const StatementText query =
        FormatStatement(sql::kSelectPage, TableNameForStatement(listName).c_str(),
                        static_cast<int>(std::clamp<std::int64_t>(offset, INT32_MIN, INT32_MAX)), rows);
    if (!query.fits)
        return counters;
    // A synchronisation of the same list may be rewriting the table.
    std::lock_guard<std::mutex> lock(StoreLock);
    const Statement statement = PrepareQuery(query.text);
    while (StepQuery(statement) == 100 /* SQLITE_ROW */) {
        StoredCounters& stored = counters[ColumnText(statement, 0)];
        stored.free = ColumnInt(statement, 1);
        stored.test_w = ColumnInt(statement, 2);
        stored.test_a = ColumnInt(statement, 3);
    }
    return counters;
}

} // namespace

CshowHistoryDlg::CshowHistoryDlg(QWidget* parent) : CDialog(135, parent)
{
    BuildControls({{1033, [](QWidget* p) -> QWidget* { return new CComboListCtrl(p); }}});
    m_nextButton = Item<QPushButton>(1026);
    m_prevButton = Item<QPushButton>(1025);
    m_list = Item<CComboListCtrl>(1033);
    connect(m_prevButton, &QPushButton::clicked, this, [this] { OnBnClickedPrev(); });
    connect(m_nextButton, &QPushButton::clicked, this, [this] { OnBnClickedNext(); });
    connect(Item<QPushButton>(1037), &QPushButton::clicked, this, [this] { OnBnClickedQuery(); });
    connect(Item<QPushButton>(1036), &QPushButton::clicked, this, [this] { OnBnClickedSave(); });
}

void CshowHistoryDlg::DoDataExchange(bool saveAndValidate)
{
    DDX_Text(saveAndValidate, 1035, m_pageText);
    DDX_Text(saveAndValidate, 1034, m_pageCountText);
}

std::string CshowHistoryDlg::ListName() const { return std::string(m_listName, strnlen(m_listName, sizeof m_listName)); }

bool CshowHistoryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_page = 1;
    m_pageCount = m_wordCount / kPageSize + (m_wordCount % kPageSize != 0 ? 1 : 0);
    m_prevButton->setEnabled(false);
    m_nextButton->setEnabled(true);
    m_pageText = NumberText(m_page);
    m_pageCountText = NumberText(m_pageCount);
    UpdateData(false);
    m_list->DeleteAllColumns();
    InsertHistoryColumns(*m_list);
    LoadPage();
    return true;
}

void CshowHistoryDlg::LoadPage()
{
    m_list->DeleteAllItems();
    const std::int64_t first = (std::int64_t(m_page) - 1) * kPageSize;
    const std::map<std::string, StoredCounters> counters = ReadPageCounters(ListName(), first, kPageSize);
    const WordListState* list = FindWordList(ListName());
    if (!list) {
        ModalSeam::MessageBox(this, QString::fromUtf8(kNoSuchWordListText));
        return;
    }
    const std::int64_t cardCount = static_cast<std::int64_t>(list->cards.size());
    int row = 0;
    for (std::int64_t i = std::max<std::int64_t>(first, 0); i < first + kPageSize && i < cardCount; ++i, ++row) {
        const WordCard& card = list->cards[static_cast<std::size_t>(i)];
        m_list->InsertItem(row, FromSjis(card.word));
        const auto found = counters.find(card.word);
        const StoredCounters stored = found != counters.end() ? found->second : StoredCounters{};
        m_list->SetItemText(row, 1, QString::fromStdString(NumberText(stored.free)));
        m_list->SetItemText(row, 2, QString::fromStdString(NumberText(stored.test_a)));
        m_list->SetItemText(row, 3, QString::fromStdString(NumberText(stored.test_w)));
        m_list->SetItemText(row, kLevelColumn, LevelText(card.level));
    }
}

void CshowHistoryDlg::OnBnClickedPrev()
{
    if (m_page <= 1) {
        m_prevButton->setEnabled(false);
        return;
    }
    m_nextButton->setEnabled(true);
    --m_page;
    if (m_page <= 1)
        m_prevButton->setEnabled(false);
    m_pageText = NumberText(m_page);
    UpdateData(false);
    LoadPage();
}

void CshowHistoryDlg::OnBnClickedNext()
{
    if (m_page >= m_pageCount) {
        m_nextButton->setEnabled(false);
        return;
    }
    m_prevButton->setEnabled(true);
    ++m_page;
    if (m_page >= m_pageCount)
        m_nextButton->setEnabled(false);
    m_pageText = NumberText(m_page);
    UpdateData(false);
    LoadPage();
}

void CshowHistoryDlg::OnBnClickedQuery()
{
    UpdateData(true);
    const std::int32_t wanted = ReadDecimal(m_pageText);
    if (wanted <= 1) {
        m_page = 1;
        m_prevButton->setEnabled(false);
        m_nextButton->setEnabled(true);
    } else if (wanted < m_pageCount) {
        m_page = wanted;
        m_prevButton->setEnabled(true);
        m_nextButton->setEnabled(true);
    } else {
        m_page = m_pageCount;
        m_prevButton->setEnabled(true);
        m_nextButton->setEnabled(false);
    }
    // The field keeps what was typed.
    LoadPage();
}

void CshowHistoryDlg::OnBnClickedSave()
{
    WordListState* list = FindWordList(ListName());
    if (!list) {
        ModalSeam::MessageBox(this, QString::fromUtf8(kNoSuchWordListText));
        return;
    }
    // The list synchronisation reads card levels under this lock.
    std::lock_guard<std::mutex> lock(StoreLock);
    const std::int64_t first = (std::int64_t(m_page) - 1) * kPageSize;
    for (int r = 0; r < m_list->GetItemCount(); ++r) {
        const std::int64_t i = first + r;
        if (i < 0 || i >= static_cast<std::int64_t>(list->cards.size()))
            continue;
        const std::int32_t level = LevelFromText(m_list->GetItemText(r, kLevelColumn));
        WordCard& card = list->cards[static_cast<std::size_t>(i)];
        if (level != card.level)
            card.level = level;
    }
}

long CshowHistoryDlg::OnComboItems(int column, QStringList* items)
{
    if (items)
        FillLevelItems(*m_list, column, *items);
    return 1;
}

bool CshowHistoryDlg::event(QEvent* event)
{
    if (event->type() == static_cast<QEvent::Type>(UWM_COMBO_ITEMS)) {
        if (auto* message = dynamic_cast<WinMessage*>(event))
            message->result = OnComboItems(static_cast<int>(message->wParam), static_cast<QStringList*>(message->lParam));
        return true;
    }
    return CDialog::event(event);
}
