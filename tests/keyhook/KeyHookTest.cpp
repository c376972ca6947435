// The hot keys where they cannot be taken from the desktop (offscreen, as
// here): caught in the program's own windows.
#include "support/HookRecorder.h"
#include "keyhook/KeyHook.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr Qt::KeyboardModifiers CtrlAltShift = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
constexpr int OtherDrillMessage = 0x401;

template <typename Base> using Recorder = HookRecorder<Base>;
using EventRecorder = Recorder<QObject>;

class KeyHookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            GTEST_SKIP() << "on X11 the keys are grabbed from the desktop; tests/x11 covers that";
        window.resize(200, 50);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void TearDown() override { SetKeyHook(0, 0, nullptr); }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = CtrlAltShift)
    {
        QTest::keyClick(&window, key, modifiers);
    }

    static void deliverPosted() { QCoreApplication::sendPostedEvents(); }

    EventRecorder target;
    KeyWindow window;
};

TEST_F(KeyHookTest, HotKey_EachCombination_PostsItsEventAndIsConsumed)
{
    struct Case {
        Qt::Key key;
        int type;
    };
    const Case cases[] = {
        {Qt::Key_F, KeyHookMessage::Reveal},
        {Qt::Key_M, KeyHookMessage::Mark},
        {Qt::Key_H, KeyHookMessage::Minimize},
        {Qt::Key_T, KeyHookMessage::SeeThrough},
    };
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        target.types.clear();
        press(c.key);
        // Posted, not sent: the target handles it in its own turn.
        EXPECT_TRUE(target.types.empty());
        deliverPosted();
        EXPECT_EQ(target.types, std::vector<int>{c.type});
    }
    EXPECT_TRUE(window.keys.empty());
}

TEST_F(KeyHookTest, HotKey_NearMissCombinations_ReachWindowAndPostNothing)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Case cases[] = {
        {Qt::Key_F, Qt::NoModifier},
        {Qt::Key_F, Qt::ShiftModifier},
        {Qt::Key_F, Qt::ControlModifier | Qt::AltModifier},
        {Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_H, Qt::AltModifier | Qt::ShiftModifier},
        {Qt::Key_T, CtrlAltShift | Qt::MetaModifier},
        {Qt::Key_G, CtrlAltShift},
        {Qt::Key_R, CtrlAltShift},
    };
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    std::vector<int> expected;
    for (const Case& c : cases) {
        press(c.key, c.modifiers);
        expected.push_back(c.key);
    }
    deliverPosted();
    EXPECT_EQ(window.keys, expected);
    EXPECT_TRUE(target.types.empty());
}

TEST_F(KeyHookTest, HotKey_HeldDown_CountsOnceAndRepeatsAreConsumed)
{
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    for (bool autoRepeat : {false, true, true}) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_F, CtrlAltShift, QString(), autoRepeat);
        QApplication::sendEvent(&window, &event);
    }
    deliverPosted();
    EXPECT_EQ(target.types, std::vector<int>{KeyHookMessage::Reveal});
    EXPECT_TRUE(window.keys.empty());
}

// Given a hot key whose event is still queued, when the hook is removed,
// suspended or set without a target, then that event is withdrawn while
// other queued events stay, and the keys reach the window until the hook is
// resumed or set again. A bar closed while the hook was suspended never
// resumes it; the next bar's hook must work all the same.
TEST_F(KeyHookTest, Stopped_QueuedKeyWithdrawnAndKeysReachWindowUntilRestarted)
{
    const auto set = [this] { EXPECT_EQ(SetKeyHook(1, 1, &target), 1); };
    struct Case {
        const char* name;
        std::function<void()> stop;
        std::function<void()> restart;
    };
    const Case cases[] = {
        {"removed", [] { EXPECT_EQ(SetKeyHook(0, 0, nullptr), 1); }, set},
        {"suspended", [] { OffKeyHook(); }, [] { OnKeyHook(); }},
        {"set without a target", [] { EXPECT_EQ(SetKeyHook(1, 1, nullptr), 0); }, set},
        {"removed while suspended", [] { OffKeyHook(); SetKeyHook(0, 0, nullptr); }, set},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        target.types.clear();
        window.keys.clear();
        ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
        press(Qt::Key_M);
        QCoreApplication::postEvent(&target, new QEvent(QEvent::Type(OtherDrillMessage)));
        c.stop();
        press(Qt::Key_H);
        deliverPosted();
        EXPECT_EQ(target.types, std::vector<int>{OtherDrillMessage});
        EXPECT_EQ(window.keys, std::vector<int>{Qt::Key_H});

        c.restart();
        press(Qt::Key_H);
        deliverPosted();
        EXPECT_EQ(target.types, (std::vector<int>{OtherDrillMessage, KeyHookMessage::Minimize}));
        EXPECT_EQ(window.keys, std::vector<int>{Qt::Key_H});
    }
}

TEST_F(KeyHookTest, SetKeyHook_NewTarget_ReplacesPrevious)
{
    EventRecorder second;
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    ASSERT_EQ(SetKeyHook(1, 1, &second), 1);
    press(Qt::Key_T);
    deliverPosted();
    EXPECT_TRUE(target.types.empty());
    EXPECT_EQ(second.types, std::vector<int>{KeyHookMessage::SeeThrough});
}

// Given a hooked target (plain object or widget, which announce their end at
// different points), when it is destroyed with an event queued, then nothing
// crashes and the keys are no longer taken from the window.
TEST_F(KeyHookTest, SetKeyHook_TargetDestroyed_KeysReachWindow)
{
    const std::pair<const char*, std::function<std::unique_ptr<QObject>()>> cases[] = {
        {"object", [] { return std::make_unique<EventRecorder>(); }},
        {"widget", [] { return std::make_unique<Recorder<QWidget>>(); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        window.keys.clear();
        std::unique_ptr<QObject> doomed = make();
        ASSERT_EQ(SetKeyHook(1, 1, doomed.get()), 1);
        press(Qt::Key_F);
        doomed.reset();
        deliverPosted();
        press(Qt::Key_F);
        deliverPosted();
        EXPECT_EQ(window.keys, std::vector<int>{Qt::Key_F});
        OffKeyHook();
        OnKeyHook();
        EXPECT_EQ(SetKeyHook(0, 0, nullptr), 1);
    }
}

TEST_F(KeyHookTest, SetKeyHook_FromAnotherThread_Refused)
{
    int result = -1;
    std::thread other([&] { result = SetKeyHook(1, 2, &target); });
    other.join();
    EXPECT_EQ(result, 0);
    press(Qt::Key_F);
    deliverPosted();
    EXPECT_TRUE(target.types.empty());
}

} // namespace
