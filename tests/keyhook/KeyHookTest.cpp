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

// The focused window: records the keys that reach it. The modifier keys that
// QTest presses on the way are left out.
class KeyWindow : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
            return;
        default:
            keys.push_back(event->key());
        }
    }
};

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

TEST_F(KeyHookTest, SetKeyHook_Removed_PostsNothingAndKeysReachWindow)
{
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    EXPECT_EQ(SetKeyHook(0, 0, nullptr), 1);
    for (Qt::Key key : {Qt::Key_F, Qt::Key_M, Qt::Key_H, Qt::Key_T})
        press(key);
    deliverPosted();
    EXPECT_TRUE(target.types.empty());
    EXPECT_EQ(window.keys, (std::vector<int>{Qt::Key_F, Qt::Key_M, Qt::Key_H, Qt::Key_T}));
}

TEST_F(KeyHookTest, OffKeyHook_Suspended_PostsNothingUntilOnKeyHook)
{
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    OffKeyHook();
    press(Qt::Key_H);
    deliverPosted();
    EXPECT_TRUE(target.types.empty());
    EXPECT_EQ(window.keys, std::vector<int>{Qt::Key_H});

    OnKeyHook();
    press(Qt::Key_H);
    deliverPosted();
    EXPECT_EQ(target.types, std::vector<int>{KeyHookMessage::Minimize});
    EXPECT_EQ(window.keys, std::vector<int>{Qt::Key_H});
}

// Given a hot key whose event is still queued, when the hook is removed or
// suspended, then the event is withdrawn and other queued events stay.
TEST_F(KeyHookTest, RemovalOrSuspension_EventStillQueued_IsWithdrawn)
{
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"removed", [] { SetKeyHook(0, 0, nullptr); }},
        {"suspended", [] { OffKeyHook(); }},
    };
    for (const auto& [name, stop] : cases) {
        SCOPED_TRACE(name);
        target.types.clear();
        ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
        press(Qt::Key_M);
        QCoreApplication::postEvent(&target, new QEvent(QEvent::Type(OtherDrillMessage)));
        stop();
        deliverPosted();
        EXPECT_EQ(target.types, std::vector<int>{OtherDrillMessage});
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

// A bar closed while the hook was suspended never resumes it; the next bar's
// hook must work all the same.
TEST_F(KeyHookTest, SetKeyHook_AfterUnresumedSuspension_Delivers)
{
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    OffKeyHook();
    SetKeyHook(0, 0, nullptr);
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    press(Qt::Key_F);
    deliverPosted();
    EXPECT_EQ(target.types, std::vector<int>{KeyHookMessage::Reveal});
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

TEST_F(KeyHookTest, SetKeyHook_WithoutTarget_FailsAndRemovesHook)
{
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    EXPECT_EQ(SetKeyHook(1, 1, nullptr), 0);
    press(Qt::Key_F);
    deliverPosted();
    EXPECT_TRUE(target.types.empty());
    EXPECT_EQ(window.keys, std::vector<int>{Qt::Key_F});
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
