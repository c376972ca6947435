// The hot keys on a real X server: grabbed from the whole desktop, so they
// reach the target while another program's window has the focus.
#include "support/HookRecorder.h"
#include "keyhook/KeyHook.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

using EventRecorder = HookRecorder<>;

// Another X client with a focused window of its own; it types through XTEST
// and records the key presses its window receives.
class ForeignClient {
public:
    ForeignClient()
        : m_display(XOpenDisplay(nullptr))
    {
        if (!m_display)
            return;
        const int screen = DefaultScreen(m_display.get());
        m_window = XCreateSimpleWindow(m_display.get(), RootWindow(m_display.get(), screen), 10, 10, 200, 100, 0,
            BlackPixel(m_display.get(), screen), WhitePixel(m_display.get(), screen));
        XSelectInput(m_display.get(), m_window, KeyPressMask | StructureNotifyMask | FocusChangeMask);
        XMapWindow(m_display.get(), m_window);
        XEvent event;
        XWindowEvent(m_display.get(), m_window, StructureNotifyMask, &event);
        while (event.type != MapNotify)
            XWindowEvent(m_display.get(), m_window, StructureNotifyMask, &event);
        XSetInputFocus(m_display.get(), m_window, RevertToParent, CurrentTime);
        XSync(m_display.get(), False);
    }

    ~ForeignClient()
    {
        if (!m_display)
            return;
        for (KeySym lock : m_locksOn)
            tap(lock);
        XUngrabKey(m_display.get(), AnyKey, AnyModifier, root());
        XDestroyWindow(m_display.get(), m_window);
        XSync(m_display.get(), False);
    }

    bool usable() const
    {
        int event, error, major, minor;
        return m_display && XTestQueryExtension(m_display.get(), &event, &error, &major, &minor);
    }

    bool hasFocus() const
    {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(m_display.get(), &focus, &revert);
        return focus == m_window;
    }

    KeyCode keycode(KeySym keysym) const { return XKeysymToKeycode(m_display.get(), keysym); }

    // Ctrl+Alt+Shift+key, pressed and released as a person would.
    void typeHotKey(KeySym key)
    {
        pressHotKey(key, true);
        pressHotKey(key, false);
    }

    // Ctrl+Alt+Shift+key held down (with the server's auto-repeat on) or let go.
    void pressHotKey(KeySym key, bool down)
    {
        if (down)
            XAutoRepeatOn(m_display.get());
        const KeySym keys[] = {XK_Control_L, XK_Alt_L, XK_Shift_L, key};
        for (int i = 0; i < 4; ++i)
            fake(keys[down ? i : 3 - i], down);
        XSync(m_display.get(), False);
    }

    void typeKey(KeySym key)
    {
        tap(key);
        XSync(m_display.get(), False);
    }

    // Switches NumLock or CapsLock on; the destructor switches it off again.
    void lockOn(KeySym lock)
    {
        tap(lock);
        m_locksOn.push_back(lock);
        XSync(m_display.get(), False);
    }

    // The key as another program holding it would: grabbed on the root
    // window without lock variants.
    void grabHotKey(KeySym key)
    {
        XGrabKey(m_display.get(), keycode(key), ControlMask | Mod1Mask | ShiftMask, root(), False, GrabModeAsync,
            GrabModeAsync);
        XSync(m_display.get(), False);
    }

    // Waits until a key press other than a modifier or lock key has arrived
    // at this client (its window or its root grab) and returns its keycode;
    // 0 if none came.
    KeyCode nextKeyPress()
    {
        const QDeadlineTimer deadline(5000);
        for (;;) {
            if (const KeyCode code = takeKeyPress())
                return code;
            if (deadline.hasExpired())
                return 0;
            QTest::qWait(5);
        }
    }

    // Whether such a key press is waiting that nextKeyPress has not taken.
    bool keyPressPending() { return takeKeyPress() != 0; }

private:
    Window root() const { return DefaultRootWindow(m_display.get()); }

    KeyCode takeKeyPress()
    {
        XSync(m_display.get(), False);
        XEvent event;
        while (XCheckTypedEvent(m_display.get(), KeyPress, &event)) {
            if (!IsModifierKey(XLookupKeysym(&event.xkey, 0)))
                return static_cast<KeyCode>(event.xkey.keycode);
        }
        return 0;
    }

    void fake(KeySym keysym, bool down) { XTestFakeKeyEvent(m_display.get(), keycode(keysym), down, CurrentTime); }

    void tap(KeySym keysym)
    {
        fake(keysym, true);
        fake(keysym, false);
    }

    std::unique_ptr<Display, DisplayCloser> m_display;
    Window m_window = 0;
    std::vector<KeySym> m_locksOn;
};

class KeyHookX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server and Qt's xcb platform";
        foreign = std::make_unique<ForeignClient>();
        if (!foreign->usable())
            GTEST_SKIP() << "the X server has no XTEST extension";
        ASSERT_TRUE(foreign->hasFocus());
    }

    void TearDown() override
    {
        SetKeyHook(0, 0, nullptr);
        foreign.reset();
    }

    // Lets Qt read what the server sent until the target holds count events.
    bool waitForEvents(std::size_t count)
    {
        const QDeadlineTimer deadline(5000);
        while (target.types.size() < count && !deadline.hasExpired())
            QTest::qWait(5);
        return target.types.size() >= count;
    }

    EventRecorder target;
    std::unique_ptr<ForeignClient> foreign;
};

TEST_F(KeyHookX11Test, HotKey_OtherClientFocused_ReachesTargetUnderEveryLockState)
{
    struct Case {
        const char* name;
        std::vector<KeySym> locks;
    };
    const Case cases[] = {
        {"no lock", {}},
        {"NumLock", {XK_Num_Lock}},
        {"CapsLock", {XK_Caps_Lock}},
        {"NumLock and CapsLock", {XK_Num_Lock, XK_Caps_Lock}},
    };
    const std::vector<int> expected{
        KeyHookMessage::Reveal, KeyHookMessage::Mark, KeyHookMessage::Minimize, KeyHookMessage::SeeThrough};
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForeignClient typist;
        ASSERT_TRUE(typist.hasFocus());
        for (KeySym lock : c.locks)
            typist.lockOn(lock);
        target.types.clear();
        for (KeySym key : {XK_f, XK_m, XK_h, XK_t})
            typist.typeHotKey(key);
        ASSERT_TRUE(waitForEvents(expected.size()));
        QTest::qWait(20);
        EXPECT_EQ(target.types, expected);
        EXPECT_FALSE(typist.keyPressPending());
    }
}

// Sees the X errors and key presses that reach Qt's event stream. Made after
// the hook, it sees them before the hook does.
class XEventWatch : public QAbstractNativeEventFilter {
public:
    XEventWatch() { QCoreApplication::instance()->installNativeEventFilter(this); }
    ~XEventWatch() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (eventType == "xcb_generic_event_t" && event->response_type == 0)
            errorCodes.push_back(reinterpret_cast<const xcb_generic_error_t*>(event)->error_code);
        if (eventType == "xcb_generic_event_t" && (event->response_type & ~0x80) == XCB_KEY_PRESS)
            keyPresses.push_back(reinterpret_cast<const xcb_key_press_event_t*>(event)->detail);
        return false;
    }

    std::vector<int> errorCodes;
    std::vector<int> keyPresses;
};

// The usual case: the program's own answer bar has the focus. The hot key
// still goes to the target and never reaches the widget; other keys do.
// Held until the server repeats it, it acts once.
TEST_F(KeyHookX11Test, HotKey_OwnWindowFocusedAndHeld_ReachesTargetOnceNotWidget)
{
    KeyWindow window;
    window.resize(200, 50);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    XEventWatch watch;

    const int f = foreign->keycode(XK_f);
    foreign->pressHotKey(XK_f, true);
    const QDeadlineTimer repeats(5000);
    while (std::count(watch.keyPresses.begin(), watch.keyPresses.end(), f) < 3 && !repeats.hasExpired())
        QTest::qWait(5);
    foreign->pressHotKey(XK_f, false);
    ASSERT_GE(std::count(watch.keyPresses.begin(), watch.keyPresses.end(), f), 3) << "the key did not repeat";
    foreign->typeKey(XK_g);
    const QDeadlineTimer deadline(5000);
    while (window.keys.empty() && !deadline.hasExpired())
        QTest::qWait(5);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(target.types, std::vector<int>{KeyHookMessage::Reveal});
    EXPECT_EQ(window.keys, std::vector<int>{Qt::Key_G});
}

// Given another program holding one of the keys, the hook takes the other
// three without a word. Removed, it lets go of its own keys, which reach the
// focused window again, and leaves that program's grab intact.
TEST_F(KeyHookX11Test, SetKeyHook_KeyHeldByOtherProgram_OthersWorkSilentlyAndAreLetGo)
{
    XEventWatch errors;
    foreign->grabHotKey(XK_m);

    EXPECT_EQ(SetKeyHook(1, 1, &target), 1);
    for (KeySym key : {XK_f, XK_m, XK_h, XK_t})
        foreign->typeHotKey(key);
    EXPECT_EQ(foreign->nextKeyPress(), foreign->keycode(XK_m));
    ASSERT_TRUE(waitForEvents(3));
    const std::vector<int> taken{KeyHookMessage::Reveal, KeyHookMessage::Minimize, KeyHookMessage::SeeThrough};
    EXPECT_EQ(target.types, taken);

    SetKeyHook(0, 0, nullptr);
    for (KeySym key : {XK_f, XK_m}) {
        foreign->typeHotKey(key);
        EXPECT_EQ(foreign->nextKeyPress(), foreign->keycode(key));
    }

    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(target.types, taken);
    EXPECT_EQ(errors.errorCodes, std::vector<int>{});
}

} // namespace
