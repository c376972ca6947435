#include "maindlg/CmainDlg.h"

#include "bars/BarLook.h"
#include "drill/CKadoDlg.h"
#include "history/CshowHistoryDlg.h"
#include "maindlg/StartRange.h"
#include "platform/ModalSeam.h"
#include "platform/ScreenCopy.h"
#include "platform/SjisText.h"
#include "res/Texts.h"
#include "store/BuiltinLists.h"
#include "store/StoreWork.h"
#include "store/WordStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <cstdio>
#include <utility>

namespace {
constexpr int kStartButton = 1010;
constexpr int kModeCombo = 1011;
constexpr int kLevelCombo = 1013;
constexpr int kListBox = 1022;
constexpr int kHistoryButton = 1025;
constexpr int kFromEdit = 1026;
constexpr int kToEdit = 1027;
constexpr int kCountStatic = 1028;
constexpr int kSpellCheck = 1032;

constexpr int kFreeMode = 1;
constexpr int kAllLevels = 0;

bool PreloadFinished() { return listsLoaded.load(std::memory_order_acquire); }
} // namespace

CmainDlg::CmainDlg(QWidget* parent) : CDialog(129, parent), m_preloadTimer(this)
{
    BuildControls();
    m_spellCheck = Item<QCheckBox>(kSpellCheck);
    m_levelCombo = Item<QComboBox>(kLevelCombo);
    m_historyButton = Item<QPushButton>(kHistoryButton);
    m_listBox = Item<QListWidget>(kListBox);
    m_modeCombo = Item<QComboBox>(kModeCombo);

    m_preloadTimer.setObjectName(QStringLiteral("preloadTimer"));
    m_preloadTimer.setInterval(kPreloadPollMs);
    connect(&m_preloadTimer, &QTimer::timeout, this, &CmainDlg::RefreshListInfo);

    connect(Item<QPushButton>(kStartButton), &QPushButton::clicked, this, &CmainDlg::OnBnClickedStart);
    connect(m_historyButton, &QPushButton::clicked, this, &CmainDlg::OnBnClickedShowHistory);
    // Only a selection the learner makes counts; emptying the list box when
    // a run starts leaves no row and is not a change of list.
    connect(m_listBox, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            OnLbnSelchangeLists();
    });
}

CmainDlg::~CmainDlg() = default;

CKadoDlg& CmainDlg::DrillBar()
{
    if (!m_drillBar)
        m_drillBar = std::make_unique<CKadoDlg>();
    return *m_drillBar;
}

CshowHistoryDlg& CmainDlg::ShowHistoryDlg()
{
    if (!m_showHistoryDlg)
        m_showHistoryDlg = std::make_unique<CshowHistoryDlg>();
    return *m_showHistoryDlg;
}

void CmainDlg::DoDataExchange(bool saveAndValidate)
{
    DDX_Text(saveAndValidate, kFromEdit, m_fromText);
    DDX_Text(saveAndValidate, kToEdit, m_toText);
    DDX_Text(saveAndValidate, kCountStatic, m_countText);
}

bool CmainDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    {
        const QSignalBlocker quiet(m_listBox);
        for (const char* name : kBuiltinListNames)
            m_listBox->addItem(FromSjis(name));
        m_listBox->setCurrentRow(0);
    }
    m_modeCombo->setCurrentIndex(kFreeMode);
    m_levelCombo->setCurrentIndex(kAllLevels);
    RefreshListInfo();
    if (!PreloadFinished())
        m_preloadTimer.start();
    return true;
}

bool CmainDlg::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        AskScreenCopyPermission();
        ReturnToPlace();
    }
    return CDialog::event(event);
}

// The window comes back where the learner left it. mutter draws frames
// that Qt does not know of, and places a window shown again one title bar
// lower than it was: after every drill. By the time the window is active the
// manager has placed it, and the server says how far it went; Qt, which
// still believes it where it was, is asked to move it back by as much.
void CmainDlg::ReturnToPlace()
{
    const std::optional<QPoint> was = std::exchange(m_returningTo, std::nullopt);
    const std::optional<QPoint> now = was ? ClientPlaceOnServer(this) : std::nullopt;
    if (now && *now != *was)
        move(pos() - (*now - *was));
}

void CmainDlg::done(int result)
{
    // The window's timer ends with its run, as it would with the window.
    m_preloadTimer.stop();
    CDialog::done(result);
}

void CmainDlg::RefreshListInfo()
{
    m_fromText.clear();
    m_toText.clear();
    if (!PreloadFinished()) {
        m_countText = ToSjis(QString::fromUtf8(kLoadingText));
        m_historyButton->setEnabled(false);
        m_levelCombo->setEnabled(false);
        UpdateData(false);
        return;
    }
    m_preloadTimer.stop();

    const WordListState* list = FindWordList(SelectedListName());
    if (!list) {
        ShowMessage(kNoSuchWordListText);
        return;
    }
    m_countText = std::to_string(list->count);
    const bool listed = list->listed.load(std::memory_order_acquire);
    if (listed) {
        m_historyWordCount = list->count;
        m_fromText = std::to_string(list->beg);
        m_toText = std::to_string(list->end);
    }
    m_historyButton->setEnabled(listed);
    m_levelCombo->setEnabled(listed);
    UpdateData(false);
}

void CmainDlg::OnLbnSelchangeLists() { RefreshListInfo(); }

void CmainDlg::OnBnClickedStart()
{
    if (!controlLoaded.load(std::memory_order_acquire) || !PreloadFinished()) {
        ShowMessage(kWaitForLoadText);
        return;
    }
    UpdateData(true);

    const std::string name = SelectedListName();
    WordListState* list = FindWordList(name);
    if (!list) {
        ShowMessage(kNoSuchWordListText);
        return;
    }

    const StartRange range =
        StartRange::Check(m_fromText, m_toText, static_cast<std::int32_t>(list->cards.size()));
    for (const char* message : range.messages)
        if (message)
            ShowMessage(message);
    if (!range.accepted)
        return;

    StartListSyncWithRange(*list, name, range.first, range.last);

    CKadoDlg& drillBar = DrillBar();
    const int level = m_levelCombo->currentIndex();
    const std::int32_t failed =
        level != kAllLevels ? drillBar.SelectCardsAtLevel(list->cards, range.first - 1, range.last - 1, level)
                            : drillBar.SelectCards(list->cards, range.first - 1, range.last - 1);
    if (failed) {
        ShowMessage(kSelectionInvalidText);
        return;
    }

    drillBar.m_mode = m_modeCombo->currentIndex();
    std::snprintf(drillBar.m_listName, sizeof drillBar.m_listName, "%s", name.c_str());
    RunDrillBarHidden();
}

void CmainDlg::OnBnClickedShowHistory()
{
    const std::string name = SelectedListName();
    CshowHistoryDlg& browser = ShowHistoryDlg();
    std::snprintf(browser.m_listName, sizeof browser.m_listName, "%s", name.c_str());
    browser.m_wordCount = m_historyWordCount;
    browser.DoModal();
}

std::string CmainDlg::SelectedListName() const
{
    const QListWidgetItem* item = m_listBox->currentItem();
    return item ? ToSjis(item->text()) : std::string();
}

void CmainDlg::ShowMessage(const char* text) { ModalSeam::MessageBox(this, QString::fromUtf8(text)); }

void CmainDlg::RunDrillBarHidden()
{
    // The window goes away while this dialog's own run goes on.
    const std::optional<QPoint> client = ClientPlaceOnServer(this);
    hide();
    DrillBar().DoModal();
    m_returningTo = client;
    show();
}
