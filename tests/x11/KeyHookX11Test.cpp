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

// X11 last: its macros (None, KeyPress, Bool) would clash with Qt's names.
#include "OtherClient.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using EventRecorder = HookRecorder<>;

// Another program with a focused window of its own; it records the key
// presses that reach it, through that window or a grab of its own.
class ForeignClient : public OtherClient {
public:
    ForeignClient()
    {
        if (Usable())
            m_window = FocusOwnWindow(QRect(10, 10, 200, 100));
    }

    ~ForeignClient()
    {
        if (!m_window)
            return;
        for (KeySym lock : m_locksOn)
            Type(lock);
        XUngrabKey(display(), AnyKey, AnyModifier, root());
        XDestroyWindow(display(), m_window);
        XSync(display(), False);
    }

    bool HasFocus() const
    {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display(), &focus, &revert);
        return focus == m_window;
    }

    // Ctrl+Alt+Shift+key held down (with the server's auto-repeat on) or let go.
    void HoldHotKey(KeySym key, bool down)
    {
        if (down)
            XAutoRepeatOn(display());
        const KeySym keys[] = {XK_Control_L, XK_Alt_L, XK_Shift_L, key};
        for (int i = 0; i < 4; ++i)
            Fake(keys[down ? i : 3 - i], down);
        XSync(display(), False);
    }

    // Switches NumLock or CapsLock on; the destructor switches it off again.
    void LockOn(KeySym lock)
    {
        Type(lock);
        m_locksOn.push_back(lock);
    }

    // The key as another program holding it would: grabbed on the root
    // window without lock variants.
    void GrabHotKey(KeySym key)
    {
        XGrabKey(display(), Keycode(key), ControlMask | Mod1Mask | ShiftMask, root(), False, GrabModeAsync,
            GrabModeAsync);
        XSync(display(), False);
    }

    // Waits until a key press other than a modifier or lock key has arrived
    // at this client (its window or its root grab) and returns its keycode;
    // 0 if none came.
    KeyCode NextKeyPress()
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

    // Whether such a key press is waiting that NextKeyPress has not taken.
    bool KeyPressPending() { return takeKeyPress() != 0; }

private:
    Window root() const { return DefaultRootWindow(display()); }

    KeyCode takeKeyPress()
    {
        XSync(display(), False);
        XEvent event;
        while (XCheckTypedEvent(display(), KeyPress, &event)) {
            if (!IsModifierKey(XLookupKeysym(&event.xkey, 0)))
                return static_cast<KeyCode>(event.xkey.keycode);
        }
        return 0;
    }

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
        if (!foreign->Usable())
            GTEST_SKIP() << "the X server has no XTEST extension";
        ASSERT_TRUE(foreign->HasFocus());
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
        ASSERT_TRUE(typist.HasFocus());
        for (KeySym lock : c.locks)
            typist.LockOn(lock);
        target.types.clear();
        for (KeySym key : {XK_f, XK_m, XK_h, XK_t})
            typist.Type(key, CtrlAltShift);
        ASSERT_TRUE(waitForEvents(expected.size()));
        QTest::qWait(20);
        EXPECT_EQ(target.types, expected);
        EXPECT_FALSE(typist.KeyPressPending());
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

    const int f = foreign->Keycode(XK_f);
    foreign->HoldHotKey(XK_f, true);
    const QDeadlineTimer repeats(5000);
    while (std::count(watch.keyPresses.begin(), watch.keyPresses.end(), f) < 3 && !repeats.hasExpired())
        QTest::qWait(5);
    foreign->HoldHotKey(XK_f, false);
    ASSERT_GE(std::count(watch.keyPresses.begin(), watch.keyPresses.end(), f), 3) << "the key did not repeat";
    foreign->Type(XK_g);
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
    foreign->GrabHotKey(XK_m);

    EXPECT_EQ(SetKeyHook(1, 1, &target), 1);
    for (KeySym key : {XK_f, XK_m, XK_h, XK_t})
        foreign->Type(key, CtrlAltShift);
    EXPECT_EQ(foreign->NextKeyPress(), foreign->Keycode(XK_m));
    ASSERT_TRUE(waitForEvents(3));
    const std::vector<int> taken{KeyHookMessage::Reveal, KeyHookMessage::Minimize, KeyHookMessage::SeeThrough};
    EXPECT_EQ(target.types, taken);

    SetKeyHook(0, 0, nullptr);
    for (KeySym key : {XK_f, XK_m}) {
        foreign->Type(key, CtrlAltShift);
        EXPECT_EQ(foreign->NextKeyPress(), foreign->Keycode(key));
    }

    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(target.types, taken);
    EXPECT_EQ(errors.errorCodes, std::vector<int>{});
}

} // namespace
