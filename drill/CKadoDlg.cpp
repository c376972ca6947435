// The drill bar's run: set up for each drill, the messages that drive it
// from the answer bar, the hot keys and a second start, and its end.
#include "drill/CKadoDlg.h"

#include "bars/BarLook.h"
#include "bars/CinputDlg.h"
#include "bars/CtestInputDlg.h"
#include "drill/CardText.h"
#include "drill/DrillTexts.h"
#include "keyhook/KeyHook.h"
#include "platform/AppIcon.h"
#include "platform/DrawingObjects.h"
#include "platform/ModalSeam.h"
#include "platform/SharedValues.h"
#include "platform/WinMessages.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>

// The hot-key library posts its events with the numbers of the drill messages.
static_assert(KeyHookMessage::Reveal == WM_DRILL_REVEAL);
static_assert(KeyHookMessage::Mark == WM_DRILL_MARK);
static_assert(KeyHookMessage::Minimize == WM_DRILL_MINIMIZE);
static_assert(KeyHookMessage::SeeThrough == WM_DRILL_SEETHROUGH);

namespace {

constexpr int kTemplate = 102;
constexpr int kRevealButtonId = 1002;
constexpr int kCardLabelId = 1005;
constexpr QSize kBarSize(180, 26);

// Texts up to 16 bytes fit the label; every further byte widens bar and label.
constexpr int kPixelsPerByte = 8;
constexpr int kWideningStart = 128;

template <class Bar> void DestroyAnswerBar(QPointer<Bar>& bar)
{
    if (bar) {
        bar->hide();
        bar->deleteLater();
    }
    bar = nullptr;
}

} // namespace

CKadoDlg::CKadoDlg(QWidget* parent)
    : CDialog(kTemplate, parent), m_icon(VokaboIcon()),
      m_screenCopyWait({[this] { HideBars(); }, [this](bool copied) { ShowBarsWithCopy(copied); }, [this](int message) { Dispatch(message); }})
{
    CreateBarFonts();
    BuildControls();
    m_revealButton = Item<QPushButton>(kRevealButtonId);
    m_cardLabel = Item<QLabel>(kCardLabelId);
    // Meanings are data, never markup.
    m_cardLabel->setTextFormat(Qt::PlainText);
    // The label fills its own background, in the bar's colour or in the
    // sampled one: a widget that paints all of itself is repainted alone,
    // where a label that leaves its background to the bar has Qt repaint the
    // bar beneath it first, at every keystroke of the free answer bar.
    m_cardLabel->setAutoFillBackground(true);
    connect(m_revealButton, &QPushButton::clicked, this, [this] { OnReveal(); });
    // Where the learner puts the bar is its own place from then on.
    InstallBarDragging(this, [this] { m_shiftedLeft = 0; });
    // Modal to the bar alone: the answer bar stays usable meanwhile.
    m_resultDlg.SetModalOwner(this);
}

CKadoDlg::~CKadoDlg() = default;

bool CKadoDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    setWindowIcon(m_icon);

    m_testAnswerBar = nullptr;
    m_freeAnswerBar = nullptr;
    m_minimized = false;
    m_shiftedLeft = 0;
    m_look.SetSeeThrough(false);

    if (m_passCards.empty()) {
        ModalSeam::MessageBox(this, QString::fromUtf8(kDrillEmptyText));
        EndDialog(1);
        return true;
    }

    SetUpBarWindow(this, ScreenFractionPoint(5, 6, 1, 8), kBarSize);
    // A drill that ended minimised does not start the next one so.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    // The answer bar is no window of the bar's family (see
    // DetachFromBarWindow); a run modal to the whole application would block
    // it. Nothing else needs blocking: the main dialog hides meanwhile.
    setWindowModality(Qt::WindowModal);
    m_look.Reset();
    m_running = true;

    SetKeyHook(1, static_cast<unsigned long>(reinterpret_cast<quintptr>(QThread::currentThreadId())), this);
    BarWindow = this;

    CreateAnswerBar();

    BeginDrill();
    m_barRect = geometry();
    m_labelRect = m_cardLabel->geometry();
    ShowCard();
    // The learner types at once: when the window system first activates the
    // bar that the run shows, the answer bar's edit takes the keyboard (a
    // tool window never takes it by itself).
    m_focusAnswerOnActivation = true;
    return true;
}

void CKadoDlg::DoDataExchange(bool saveAndValidate) { DDX_Text(saveAndValidate, kCardLabelId, m_cardText); }

bool CKadoDlg::event(QEvent* event)
{
    const int message = event->type();
    // The desktop switched between light and dark: the card's colours were
    // made for the old background.
    if (message == QEvent::PaletteChange && m_cardLabel)
        RefreshCardLook();
    if (message == QEvent::WindowActivate && m_focusAnswerOnActivation && m_running) {
        m_focusAnswerOnActivation = false;
        // Activated by a press on the bar itself (a drag, a click on "?"):
        // the learner chose the bar, and moving the focus away mid-press
        // would cut the drag short.
        QTimer::singleShot(0, this, [this] {
            if (QGuiApplication::mouseButtons() == Qt::NoButton)
                FocusAnswerBar();
        });
    }
    if (message < WM_DRILL_NEXT || message > WM_DRILL_SHOW)
        return CDialog::event(event);
    // Between runs the bar has no window that a message could reach.
    if (m_running) {
        if (m_screenCopyWait.Waiting())
            m_screenCopyWait.Defer(message);
        else
            Dispatch(message);
    }
    if (auto* sent = dynamic_cast<WinMessage*>(event))
        sent->result = 0;
    return true;
}

void CKadoDlg::Dispatch(int message)
{
    switch (message) {
    case WM_DRILL_NEXT:
        OnNext();
        break;
    case WM_DRILL_ANSWER:
        OnAnswer();
        break;
    case WM_DRILL_PREV:
        OnPrev();
        break;
    case WM_DRILL_SPELL:
        OnSpell();
        break;
    case WM_DRILL_CLOSE:
        EndDialog(0);
        break;
    case WM_DRILL_REVEAL:
        OnReveal();
        break;
    case WM_DRILL_MARK:
        OnMark();
        break;
    case WM_DRILL_MINIMIZE:
        OnMinimize();
        break;
    case WM_DRILL_SEETHROUGH:
        OnSeeThrough();
        break;
    case WM_DRILL_SHOW:
        OnShowBar();
        break;
    default:
        break;
    }
}

// Every end of the run takes the hot keys, the answer bar and the shared
// handle with it, so no key stays grabbed while the main dialog shows and a
// second start never addresses a bar that is gone.
void CKadoDlg::done(int result)
{
    CDialog::done(result);
    EndOfRun();
}

void CKadoDlg::EndOfRun()
{
    m_running = false;
    m_screenCopyWait.Stop();
    SetKeyHook(0, 0, nullptr);
    DestroyAnswerBar(m_testAnswerBar);
    DestroyAnswerBar(m_freeAnswerBar);
    if (BarWindow == this)
        BarWindow = nullptr;
}

void CKadoDlg::ShowCard()
{
    if (PastLastCard())
        return;
    m_cardLabel->setGeometry(m_labelRect);
    setFixedSize(m_barRect.width(), height());

    m_cardText = CardText(m_passCards[m_current], m_revealed, m_position, static_cast<int>(m_passCards.size()));

    UpdateData(false);
    RefreshCardLook();
    if (m_judged)
        m_cardLabel->repaint();

    const int widening = kPixelsPerByte * static_cast<int>(m_cardText.size()) - kWideningStart;
    if (widening > 0) {
        setFixedSize(m_barRect.width() + widening, height());
        m_cardLabel->resize(m_labelRect.width() + widening, m_labelRect.height());
    }
    KeepOnScreen(widening > 0);
}
