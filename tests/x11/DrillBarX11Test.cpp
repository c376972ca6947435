// The drill bar on a real X server with a window manager: it stays above
// other windows, moves when dragged, takes typing through the answer bar,
// takes its hot keys while another program has the focus and leaves the
// answer bar on the screen when minimised by one, and paints itself in the
// colour of what lies below it in see-through mode.
#include "drill/DrillBarFixture.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

// X11 last: its macros (None, KeyPress, Bool) would clash with Qt's names.
#include "OtherClient.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

using namespace drilltest;

namespace {

// The learner's mouse and keyboard (XTEST), and what the window manager
// reports.
class Learner : public OtherClient {
public:
    void MoveTo(QPoint p)
    {
        XTestFakeMotionEvent(display(), -1, p.x(), p.y(), CurrentTime);
        Flush();
    }
    void Button(bool down)
    {
        XTestFakeButtonEvent(display(), 1, down, CurrentTime);
        Flush();
    }
    void Click(QPoint p)
    {
        MoveTo(p);
        Button(true);
        Button(false);
    }
    void Drag(QPoint from, QPoint by)
    {
        MoveTo(from);
        Button(true);
        constexpr int kSteps = 10;
        for (int i = 1; i <= kSteps; ++i)
            MoveTo(from + by * i / kSteps);
        Button(false);
    }

    // A window of this other client in one colour, at the bottom of the
    // stack: another program's window under the bars. The server paints its
    // background itself, so what the bars leave bare shows the colour at once,
    // however late this process gets to repaint anything.
    void ShowPlainWindowBelow(QRect devicePixels, QColor colour)
    {
        Display* dpy = display();
        const int screen = DefaultScreen(dpy);
        XColor pixel{};
        pixel.red = static_cast<unsigned short>(colour.red() * 257);
        pixel.green = static_cast<unsigned short>(colour.green() * 257);
        pixel.blue = static_cast<unsigned short>(colour.blue() * 257);
        XAllocColor(dpy, DefaultColormap(dpy, screen), &pixel);
        XSetWindowAttributes attributes{};
        attributes.background_pixel = pixel.pixel;
        // Placed where asked, not where the manager would put it.
        attributes.override_redirect = True;
        const Window window = XCreateWindow(
            dpy, RootWindow(dpy, screen), devicePixels.x(), devicePixels.y(),
            static_cast<unsigned>(devicePixels.width()), static_cast<unsigned>(devicePixels.height()), 0,
            CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
        XMapWindow(dpy, window);
        XLowerWindow(dpy, window);
        Flush();
    }

    // Where the server has the window, in device pixels.
    QPoint Place(unsigned long window)
    {
        Display* dpy = display();
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
        return QPoint(x, y);
    }

    // Tells the window, as its manager would, that it sits at the screen's
    // corner while it stays where it is: Qt takes such a report as it
    // stands, and its idea of the window's place goes wrong as when it
    // misses the manager's first placing.
    void MisreportPlaceAsCorner(unsigned long window, QSize devicePixels)
    {
        XConfigureEvent event{};
        event.type = ConfigureNotify;
        event.display = display();
        event.event = window;
        event.window = window;
        event.width = devicePixels.width();
        event.height = devicePixels.height();
        event.above = None;
        XSendEvent(display(), window, False, StructureNotifyMask, reinterpret_cast<XEvent*>(&event));
        Flush();
    }

    // Client windows from bottom to top, as the window manager stacks them.
    std::vector<unsigned long> Stacking()
    {
        std::vector<unsigned long> windows;
        const Atom property = XInternAtom(display(), "_NET_CLIENT_LIST_STACKING", False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display(), DefaultRootWindow(display()), property, 0, 4096, False,
                               XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
            data && format == 32) {
            const auto* ids = reinterpret_cast<const unsigned long*>(data);
            windows.assign(ids, ids + count);
        }
        if (data)
            XFree(data);
        return windows;
    }

    bool Viewable(unsigned long window)
    {
        XWindowAttributes attributes;
        return XGetWindowAttributes(display(), window, &attributes) && attributes.map_state == IsViewable;
    }

private:
    void Flush()
    {
        XSync(display(), False);
        QTest::qWait(20);
    }
};

int StackIndex(const std::vector<unsigned long>& stacking, const QWidget& window)
{
    const auto found = std::find(stacking.begin(), stacking.end(), static_cast<unsigned long>(window.winId()));
    return found == stacking.end() ? -1 : static_cast<int>(found - stacking.begin());
}

// The drill bar's fixture of the offscreen tests, on the X server.
class DrillBarX11Test : public drillbar_test::DrillBarTest {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server and Qt's xcb platform";
        if (!learner.Usable())
            GTEST_SKIP() << "the X server has no XTEST extension";
        DrillBarTest::SetUp();
    }

    Learner learner;
};

TEST_F(DrillBarX11Test, WindowOpenedLaterOverTheBar_StaysBelowIt)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        QWidget other;
        other.setWindowTitle(QStringLiteral("another program"));
        other.setGeometry(b.geometry().adjusted(-60, -30, 60, 30));
        other.show();
        other.raise();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
        ASSERT_TRUE(WaitUntil([&] { return StackIndex(learner.Stacking(), other) >= 0; }));
        QTest::qWait(200);
        const std::vector<unsigned long> stacking = learner.Stacking();
        EXPECT_GT(StackIndex(stacking, b), StackIndex(stacking, other));
        EXPECT_GT(StackIndex(stacking, *b.m_freeAnswerBar), StackIndex(stacking, other));
    });
}

// How far the window manager takes the bar is its own business; the bar
// has to go the pointer's way and keep its sample point.
bool MovedAlong(QPoint from, QPoint to, QPoint by)
{
    const QPoint moved = to - from;
    return moved != QPoint() && (moved.x() > 0) == (by.x() > 0) && (moved.y() > 0) == (by.y() > 0);
}

TEST_F(DrillBarX11Test, DragFromLabelOrButton_MovesBar_PlainClickStaysAClick)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        // The bar is up and the run has handed the keyboard to the answer
        // bar, as a learner finds it before grabbing the bar.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&b));
        ASSERT_TRUE(WaitUntil([&] { return Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit")->hasFocus(); }));
        // The learner grabs the bar where it is on the screen, even though
        // Qt has it elsewhere.
        const QPoint start = learner.Place(b.winId()) / b.devicePixelRatio();
        learner.MisreportPlaceAsCorner(b.winId(), b.size() * b.devicePixelRatio());
        ASSERT_TRUE(WaitUntil([&] { return b.pos() == QPoint(); }));
        learner.Drag(start + Control<QLabel>(&b, "cardLabel")->geometry().center(), QPoint(-120, 80));
        ASSERT_TRUE(WaitUntil([&] { return MovedAlong(start, b.pos(), QPoint(-120, 80)); }));
        QTest::qWait(200);
        // The bar keeps the point it was grabbed by under the pointer.
        EXPECT_EQ(b.pos() - start, QPoint(-120, 80));
        EXPECT_EQ(b.m_look.SamplePoint(), b.mapToGlobal(QPoint(0, 0)));

        // Dragging by the "?" button moves the bar without pressing it.
        const QPoint second = b.pos();
        const QPushButton* reveal = Control<QPushButton>(&b, "revealButton");
        learner.Drag(reveal->mapToGlobal(reveal->rect().center()), QPoint(-60, -50));
        ASSERT_TRUE(WaitUntil([&] { return MovedAlong(second, b.pos(), QPoint(-60, -50)); }));
        QTest::qWait(200);
        EXPECT_FALSE(b.m_revealed);

        const QPoint third = b.pos();
        learner.Click(reveal->mapToGlobal(reveal->rect().center()));
        EXPECT_TRUE(WaitUntil([&] { return b.m_revealed; }));
        EXPECT_EQ(b.pos(), third);
    });
}

TEST_F(DrillBarX11Test, TestDrill_TypedAnswerAndEnterInAnswerBar_JudgedByBar)
{
    Select(CKadoDlg::kTest);
    harness.Run(bar, [&](CKadoDlg& b) {
        CEditDescendant* edit = Control<CEditDescendant>(b.m_testAnswerBar, "answerEdit");
        learner.Click(edit->mapToGlobal(edit->rect().center()));
        ASSERT_TRUE(WaitUntil([&] { return edit->hasFocus(); }));
        const std::string word = CurrentCard(b).word;
        for (char c : word)
            learner.Type(XStringToKeysym(std::string(1, c).c_str()));
        learner.Type(XK_Return);
        ASSERT_TRUE(WaitUntil([&] { return b.m_judged; }));
        EXPECT_EQ(b.m_judgement, CKadoDlg::kRight);
        EXPECT_EQ(Shown(b), RevealedText(CurrentCard(b)));

        // Enter again goes on, and the answer is selected for the next typing.
        learner.Type(XK_Return);
        ASSERT_TRUE(WaitUntil([&] { return b.m_position == 2; }));
        EXPECT_TRUE(WaitUntil([&] { return edit->hasFocus(); }));
        EXPECT_EQ(edit->selectedText(), QString::fromStdString(word));
    });
}

TEST_F(DrillBarX11Test, HotKeysWhileAnotherProgramHasFocus_ReachTheBar_MinimiseLeavesAnswerBarUp)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        // The run hands the keyboard to the answer bar first; only then does
        // the learner turn to another program.
        ASSERT_TRUE(WaitUntil([&] { return Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit")->hasFocus(); }));
        learner.FocusOwnWindow(QRect(20, 20, 300, 200));
        ASSERT_TRUE(WaitUntil([&] { return !QGuiApplication::focusWindow(); }));
        learner.Type(XK_f, CtrlAltShift);
        EXPECT_TRUE(WaitUntil([&] { return b.m_revealed; }));
        learner.Type(XK_m, CtrlAltShift);
        EXPECT_TRUE(WaitUntil([&] { return Control<QCheckBox>(b.m_freeAnswerBar, "markCheck")->isChecked(); }));
        // Minimised, the bar goes alone: the answer bar stays on the screen.
        learner.Type(XK_h, CtrlAltShift);
        EXPECT_TRUE(WaitUntil([&] { return b.m_minimized && !learner.Viewable(b.winId()); }));
        QTest::qWait(200);
        EXPECT_TRUE(learner.Viewable(b.m_freeAnswerBar->winId()));
        learner.Type(XK_h, CtrlAltShift);
        EXPECT_TRUE(WaitUntil([&] { return !b.m_minimized && learner.Viewable(b.winId()); }));
        EXPECT_TRUE(learner.Viewable(b.m_freeAnswerBar->winId()));
    });
}

TEST_F(DrillBarX11Test, SeeThrough_PaintsBarInColourOfWindowBelow)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        // At a scale of 2 the bar's start place runs off the screen's right
        // edge; one bar's width further left it is whole, and still on the
        // right half, where device and logical coordinates differ most.
        // Counted from where the server has the bar: Qt may have missed the
        // manager's first placing (see SyncBarPosition).
        const qreal ratio = b.devicePixelRatio();
        const QPoint place = learner.Place(b.winId()) / ratio - QPoint(b.width(), 0);
        b.move(place);
        ASSERT_TRUE(WaitUntil([&] { return learner.Place(b.winId()) == place * ratio; }));
        const QRect below = QRect(place, b.size()).adjusted(-80, -40, 80, 40);
        learner.ShowPlainWindowBelow(QRect(below.topLeft() * ratio, below.size() * ratio), QColor(200, 30, 40));
        // The colour comes from where the bar is, not from where Qt has it.
        learner.MisreportPlaceAsCorner(b.winId(), b.size() * ratio);
        ASSERT_TRUE(WaitUntil([&] { return b.pos() == QPoint(); }));

        SendMessage(&b, WM_DRILL_SEETHROUGH);
        const QPushButton* reveal = Control<QPushButton>(&b, "revealButton");
        ASSERT_TRUE(WaitUntil([&] { return b.m_look.SeeThrough() && b.isVisible() && reveal->isHidden(); }));
        EXPECT_EQ(b.m_look.BackBrush().color(), QColor(200, 30, 40));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&b));
        QTest::qWait(200);
        // What the screen shows inside the bar, away from the text; the
        // grab is in device pixels.
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const QPoint inside = b.mapToGlobal(QPoint(b.width() - 3, b.height() / 2));
        EXPECT_EQ(shot.pixelColor(inside * shot.devicePixelRatio()), QColor(200, 30, 40));
    });
}

} // namespace
