#include "drill/CKadoDlg.h"

#include "platform/AppIcon.h"
#include "platform/DrawingObjects.h"
#include "platform/ModalSeam.h"
#include "platform/SharedValues.h"
#include "platform/WinMessages.h"
#include "bars/BarLook.h"
#include "bars/CinputDlg.h"
#include "bars/CtestInputDlg.h"
#include "bars/ReadableColour.h"
#include "bars/AnswerFocus.h"
#include "drill/CardText.h"
#include "bars/CEditDescendant.h"
#include "keyhook/KeyHook.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <utility>

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

constexpr char kWordListEmpty[] = "word list empty";
constexpr char kNoScreenCopyMessage[] =
    "vokabo: the desktop gave no copy of the screen; see-through stays off and the bars keep their plain look.\n";

// Texts up to 16 bytes fit the label; every further byte widens bar and label.
constexpr int kPixelsPerByte = 8;
constexpr int kWideningStart = 128;

const QColor kWrongColour(128, 0, 0);
const QColor kRightColour(0, 128, 0);
const QColor kKnownColour(128, 128, 255);

QColor JudgementColour(std::uint8_t judgement)
{
    switch (judgement) {
    case CKadoDlg::kWrong:
        return kWrongColour;
    case CKadoDlg::kRight:
        return kRightColour;
    default:
        return kKnownColour;
    }
}

// Minimising the drill bar leaves the answer bar where it is; window
// managers iconify a window's transients with it, so the answer bar is no
// transient of the drill bar. It stays the drill bar's child object: it sends
// its messages there, and boxes owned by the drill bar spare it.
void DetachFromBarWindow(QWidget* answerBar)
{
    answerBar->winId();
    if (QWindow* window = answerBar->windowHandle())
        window->setTransientParent(nullptr);
}

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
    BuildControls();
    m_revealButton = Item<QPushButton>(kRevealButtonId);
    m_cardLabel = Item<QLabel>(kCardLabelId);
    // Meanings are data, never markup.
    m_cardLabel->setTextFormat(Qt::PlainText);
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
    m_judged = false;
    m_revealed = false;
    m_judgement = kWrong;
    m_minimized = false;
    m_shiftedLeft = 0;
    m_look.SetSeeThrough(false);
    m_awaitingAnswer = true;

    if (m_passCards.empty()) {
        ModalSeam::MessageBox(this, QString::fromUtf8(kWordListEmpty));
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

    m_position = 1;
    m_current = 0;
    m_barRect = geometry();
    m_labelRect = m_cardLabel->geometry();
    if (FreeMode())
        m_nextPassCards = m_passCards;
    ShowCard();
    // The learner types at once: when the window system first activates the
    // bar that the run shows, the answer bar's edit takes the keyboard (a
    // tool window never takes it by itself).
    m_focusAnswerOnActivation = true;
    return true;
}

void CKadoDlg::FocusAnswerBar()
{
    if (m_freeAnswerBar)
        FocusAnswerEdit(m_freeAnswerBar->m_answerEdit);
    else if (m_testAnswerBar)
        FocusAnswerEdit(m_testAnswerBar->m_answerEdit);
}

void CKadoDlg::CreateAnswerBar()
{
    if (FreeMode()) {
        auto* bar = new CtestInputDlg;
        bar->Create(this);
        DetachFromBarWindow(bar);
        bar->show();
        m_freeAnswerBar = bar;
        m_revealed = m_mode != kFree;
    } else if (m_mode == kTest) {
        ShuffleCards(m_passCards);
        auto* bar = new CinputDlg;
        bar->Create(this);
        DetachFromBarWindow(bar);
        bar->show();
        m_testAnswerBar = bar;
    }
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

// A long card can widen the bar past the screen's right edge, where the
// learner cannot read it and some window managers push it back in and leave
// it there. The bar moves left just enough, and back to its own place once
// the card is narrow again: the same on every desktop. A bar of its first
// width stays where it was put, even where a narrow screen cuts it.
void CKadoDlg::KeepOnScreen(bool widened)
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const int ownLeft = x() + m_shiftedLeft;
    const int overhang = ownLeft + width() - (area.x() + area.width());
    const int shift = widened ? std::clamp(overhang, 0, std::max(0, ownLeft - area.x())) : 0;
    if (shift == m_shiftedLeft)
        return;
    m_shiftedLeft = shift;
    move(ownLeft - shift, y());
}

// The card's colour and font follow the drill state; in see-through mode the
// label takes the colour of the screen copy under the bar. A judgement
// colour keeps its hue but changes its lightness where it would not read on
// what lies behind the card: lighter on a dark palette or screen, a shade
// darker for the green and the light blue even on the light grey bar.
void CKadoDlg::RefreshCardLook()
{
    QPalette labelPalette = m_look.BackgroundPalette(palette());
    if (m_judged)
        labelPalette.setColor(QPalette::WindowText,
                              ReadableOn(JudgementColour(m_judgement), labelPalette.color(QPalette::Window)));
    // Every keystroke of the free bar comes through here; setting an equal
    // palette or font still makes Qt re-resolve and re-lay out the label.
    m_cardLabel->setAutoFillBackground(m_look.SeeThrough());
    if (m_cardLabel->palette() != labelPalette)
        m_cardLabel->setPalette(labelPalette);
    const QFont& font = m_revealed ? PhoneticFont : GothicFont;
    if (m_cardLabel->font() != font)
        m_cardLabel->setFont(font);
}

// Where the window manager will not minimise the bar, it hides instead: the
// learner wants it out of the way, and the same key brings it back, without
// taking the keyboard from the program the learner is typing in (a window
// manager gives the focus to a window newly shown).
void CKadoDlg::OnMinimize()
{
    m_minimized = !m_minimized;
    if (m_minimized) {
        if (WindowManagerMinimises(this))
            showMinimized();
        else
            hide();
    } else if (isHidden()) {
        ShowBarWithoutFocus(this);
    } else {
        showNormal();
    }
}

void CKadoDlg::OnSeeThrough()
{
    if (m_look.SeeThrough()) {
        m_look.SetSeeThrough(false);
        ApplySeeThrough();
        return;
    }
    // The colour comes from where the learner sees each bar, which Qt may
    // not know since the bar's first showing. Asked now, with no move of
    // the bar's own still on its way to the window manager, and before the
    // look switches, so that a corrected place is not sampled from the old copy.
    SyncBarPosition(this);
    if (m_testAnswerBar)
        SyncBarPosition(m_testAnswerBar);
    if (m_freeAnswerBar)
        SyncBarPosition(m_freeAnswerBar);
    m_look.SetSeeThrough(true);
    // The bar's run goes on while the bars are hidden for the copy.
    m_screenCopyWait.Start();
}

void CKadoDlg::HideBars()
{
    m_barsHadFocus = QGuiApplication::focusWindow() != nullptr;
    hide();
    if (m_testAnswerBar)
        m_testAnswerBar->hide();
    if (m_freeAnswerBar)
        m_freeAnswerBar->hide();
}

void CKadoDlg::ShowBarsWithCopy(bool copied)
{
    // Without a copy the see-through look would paint whatever the last copy
    // or none held (black): the bars keep the look they had.
    if (!copied) {
        m_look.SetSeeThrough(false);
        static bool said = false;
        if (!std::exchange(said, true))
            std::fputs(kNoScreenCopyMessage, stderr);
    }
    // A switch pressed while the learner types elsewhere leaves the keyboard
    // there; one pressed in Vokabo's own windows gives it back to them.
    const auto showAgain = [this](QWidget* bar) {
        if (!bar)
            return;
        if (m_barsHadFocus)
            bar->showNormal();
        else
            ShowBarWithoutFocus(bar);
    };
    showAgain(m_testAnswerBar);
    showAgain(m_freeAnswerBar);
    showAgain(this);
    // Shown normal means no longer minimised: the next minimise key must
    // minimise again, not "restore" a bar that is already up.
    m_minimized = false;
    ApplySeeThrough();
}

// The drill bar's state is the master; the answer bar follows it.
void CKadoDlg::ApplySeeThrough()
{
    const bool on = m_look.SeeThrough();
    m_revealButton->setVisible(!on);
    if (m_testAnswerBar)
        m_testAnswerBar->SetSeeThrough(on);
    if (m_freeAnswerBar)
        m_freeAnswerBar->SetSeeThrough(on);
    m_look.Refresh();
}

void CKadoDlg::OnShowBar()
{
    m_look.SetSeeThrough(false);
    ApplySeeThrough();
}

void CKadoDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (isMinimized()) {
        const int size = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
        const QPoint corner((width() - size + 1) / 2, (height() - size + 1) / 2);
        m_icon.paint(&painter, QRect(corner, QSize(size, size)));
        return;
    }
    m_look.Paint(painter);
}
