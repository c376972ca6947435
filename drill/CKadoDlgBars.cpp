// The drill bar on the screen: the answer bar it shows beside itself, where
// the bar stands, the card's colours and font, minimising, and the
// see-through look with the screen copy it waits for.
#include "drill/CKadoDlg.h"

#include "bars/AnswerFocus.h"
#include "bars/BarLook.h"
#include "bars/CEditDescendant.h"
#include "bars/CinputDlg.h"
#include "bars/CtestInputDlg.h"
#include "bars/ReadableColour.h"
#include "platform/DrawingObjects.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr char kNoScreenCopyMessage[] =
    "vokabo: the desktop gave no copy of the screen; see-through stays off and the bars keep their plain look.\n";

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

} // namespace

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
    } else if (m_mode == kTest) {
        auto* bar = new CinputDlg;
        bar->Create(this);
        DetachFromBarWindow(bar);
        bar->show();
        m_testAnswerBar = bar;
    }
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
