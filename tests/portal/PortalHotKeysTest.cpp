// The hot keys in a Wayland session, through Debian's portal frontend with
// the stand-in desktop behind it. The keys are bound once per process, so
// each test needs a process of its own, as ctest runs them.
#include "support/HookRecorder.h"
#include "PrivatePortal.h"
#include "keyhook/KeyHook.h"
#include "keyhook/PortalHotKeys.h"
#include "keyhook/PortalRequest.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <iostream>
#include <vector>

namespace {

constexpr Qt::KeyboardModifiers CtrlAltShift = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
constexpr int WaitMs = 10000;
const QString ShortcutsPortal = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

using EventRecorder = HookRecorder<>;

// Counts the shortcut activations that reach the program's own portal
// connection (see settle for when the program has handled them too).
class ActivationWatch : public QObject {
    Q_OBJECT

public:
    int seen = 0;

    ActivationWatch()
    {
        QDBusConnection(QLatin1String(PortalConnectionName))
            .connect(QLatin1String(PortalService), QLatin1String(PortalPath), ShortcutsPortal,
                     QStringLiteral("Activated"), this, SLOT(activated(QDBusMessage)));
    }

private slots:
    void activated(const QDBusMessage&) { ++seen; }
};

class PortalHotKeysTest : public ::testing::Test {
protected:
    virtual PrivatePortal::Parts parts() const { return {}; }

    void SetUp() override
    {
        static bool used = false;
        if (used)
            GTEST_SKIP() << "the hot keys are bound once per process; run each test in a process of its own";
        used = true;
        if (!QFileInfo::exists(QLatin1String(PrivatePortal::Frontend)))
            GTEST_SKIP() << PrivatePortal::Frontend << " is missing (Debian's xdg-desktop-portal; tools/setup installs it)";
        const PrivatePortal::Parts wanted = parts();
        const QString error = portal.start(wanted);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        if (wanted.frontend && wanted.shortcuts && !portal.offers(ShortcutsPortal))
            GTEST_SKIP() << "this xdg-desktop-portal has no GlobalShortcuts (1.16 or later has)";
        SetKeyHookSession(KeyHookSession::Wayland);
    }

    void TearDown() override
    {
        SetKeyHook(0, 0, nullptr);
        if (HasFailure())
            std::cerr << "xdg-desktop-portal said:\n" << portal.frontendOutput().toStdString();
    }

    static bool waitForPortal(const QString& state)
    {
        return QTest::qWaitFor(
            [&] {
                const QObject* hotKeys = qApp->findChild<QObject*>(QStringLiteral("KeyHookPortal"));
                return hotKeys && hotKeys->property("state").toString() == state;
            },
            WaitMs);
    }

    void signal(const char* what, const char* id, quint64 at)
    {
        portal.control(QLatin1String(what), {QLatin1String(id), QVariant::fromValue<qulonglong>(at)});
    }
    void activate(const char* id, quint64 at) { signal("Activate", id, at); }
    void deactivate(const char* id, quint64 at) { signal("Deactivate", id, at); }

    // Waits until the program has seen count activations in all, and has
    // delivered what it was going to. QtDBus's own thread hands a signal to
    // each receiver as an event of its own, one after the other: the
    // watch's may come before the program's is posted. Once a later reply
    // has come back on the same connection, that thread has posted them all.
    bool settle(const ActivationWatch& watch, int count)
    {
        const bool seen = QTest::qWaitFor([&] { return watch.seen >= count; }, WaitMs);
        QDBusConnection(QLatin1String(PortalConnectionName)).interface()->isServiceRegistered(QLatin1String(PortalService));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        return seen;
    }

    PrivatePortal portal;
    EventRecorder target;
};

// Given the keys bound through the portal, when the desktop reports each
// key, held keys, repeats, a desktop that never reports the end of a press,
// and one that stamps its signals 0 (KWin), then each press reaches the
// target once.
TEST_F(PortalHotKeysTest, Bound_EachPressReachesTargetOnce)
{
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    ASSERT_TRUE(waitForPortal(QStringLiteral("bound")));
    // Where the portal takes a program's name, the desktop shows it by it.
    const QString appId = portal.offers(QStringLiteral("org.freedesktop.host.portal.Registry")) ? VOKABO_APP_ID : "";
    EXPECT_EQ(portal.log(),
              (QStringList{QStringLiteral("CreateSession app_id=") + appId, "ListShortcuts",
                           "BindShortcuts reveal=CTRL+ALT+SHIFT+f (Flip the card), "
                           "mark=CTRL+ALT+SHIFT+m (Mark the word as known, or unmark it), "
                           "minimise=CTRL+ALT+SHIFT+h (Hide the drill bar, or bring it back), "
                           "see-through=CTRL+ALT+SHIFT+t (See-through look on or off)"}));

    ActivationWatch watch;
    quint64 at = 1000;
    for (const char* id : {"reveal", "mark", "minimise", "see-through"}) {
        activate(id, at);
        deactivate(id, at + 80);
        at += 1000;
    }
    // Held: the same activation twice, the keyboard's repeats, the release,
    // and a new press just after it.
    for (quint64 repeat : {10000, 10000, 10500, 10530})
        activate("reveal", repeat);
    deactivate("reveal", 10600);
    activate("reveal", 10700);
    // A desktop that never reports a release: a repeat, then a press long
    // after.
    for (quint64 press : {20000, 20040, 30000})
        activate("mark", press);
    // No timestamps and no release: the program's own clock tells the
    // repeat from the press a second later.
    activate("see-through", 0);
    activate("see-through", 0);
    ASSERT_TRUE(settle(watch, 14));
    QTest::qWait(1100);
    activate("see-through", 0);

    ASSERT_TRUE(settle(watch, 15));
    using namespace KeyHookMessage;
    EXPECT_EQ(target.types, (std::vector<int>{Reveal, Mark, Minimize, SeeThrough, Reveal, Reveal, Mark, Mark,
                                              SeeThrough, SeeThrough}));
}

// Given the keys bound through the portal, when the hook is suspended,
// removed and set again, then nothing arrives meanwhile, a key held through
// the suspension does not act after it, and the keys stay bound: the
// desktop is asked once.
TEST_F(PortalHotKeysTest, SuspendedOrRemoved_NothingArrives_BindingStays)
{
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    ASSERT_TRUE(waitForPortal(QStringLiteral("bound")));
    const QStringList bound = portal.log();
    ActivationWatch watch;

    OffKeyHook();
    activate("mark", 1000);
    deactivate("mark", 1100);
    activate("reveal", 2000);
    ASSERT_TRUE(settle(watch, 2));
    OnKeyHook();
    activate("reveal", 2040);
    activate("mark", 3000);
    ASSERT_TRUE(settle(watch, 4));
    EXPECT_EQ(target.types, std::vector<int>{KeyHookMessage::Mark});

    SetKeyHook(0, 0, nullptr);
    activate("minimise", 5000);
    ASSERT_TRUE(settle(watch, 5));
    EXPECT_EQ(target.types, std::vector<int>{KeyHookMessage::Mark});

    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    activate("see-through", 7000);
    ASSERT_TRUE(settle(watch, 6));
    EXPECT_EQ(target.types, (std::vector<int>{KeyHookMessage::Mark, KeyHookMessage::SeeThrough}));
    EXPECT_EQ(portal.log(), bound);
}

// How a desktop answers where the keys are bound already, or binds them
// while it answers otherwise.
struct Binding {
    const char* name;
    QVariantMap desktop;
    QStringList asked;
};

void PrintTo(const Binding& binding, std::ostream* out)
{
    *out << binding.name;
}

class PortalBindingTest : public PortalHotKeysTest, public ::testing::WithParamInterface<Binding> {};

// Given a desktop that lists the four keys from an earlier start, or GNOME's
// answer of 2 to a binding that it made, then the keys are bound, nothing is
// bound again, and a key reaches the target.
TEST_P(PortalBindingTest, DesktopHasTheKeys_KeysWork)
{
    portal.control(QStringLiteral("Configure"), {GetParam().desktop});
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);
    ASSERT_TRUE(waitForPortal(QStringLiteral("bound")));
    QStringList asked = portal.log();
    for (QString& line : asked)
        line = line.section(u' ', 0, 0);
    EXPECT_EQ(asked, GetParam().asked);

    ActivationWatch watch;
    activate("mark", 1000);
    ASSERT_TRUE(settle(watch, 1));
    EXPECT_EQ(target.types, std::vector<int>{KeyHookMessage::Mark});
}

INSTANTIATE_TEST_SUITE_P(
    Portal, PortalBindingTest,
    ::testing::Values(
        Binding{"ListedFromAnEarlierStart",
                {{QStringLiteral("Remembered"), QStringList{"reveal", "mark", "minimise", "see-through"}}},
                {"CreateSession", "ListShortcuts"}},
        Binding{"OneMissing_BoundAgain",
                {{QStringLiteral("Remembered"), QStringList{"reveal", "mark", "minimise"}}},
                {"CreateSession", "ListShortcuts", "BindShortcuts"}},
        Binding{"BoundWithResponse2",
                {{QStringLiteral("BindShortcuts"), 2u}, {QStringLiteral("BindAnyway"), true}},
                {"CreateSession", "ListShortcuts", "BindShortcuts"}}),
    [](const ::testing::TestParamInfo<Binding>& info) { return std::string(info.param.name); });

// How the portal fails the program.
struct Failure {
    const char* name;
    PrivatePortal::Parts parts;
    uint sessionResponse;
    uint bindResponse;
    enum { Never, FrontendQuits, DesktopClosesSession } afterBinding;
};

void PrintTo(const Failure& failure, std::ostream* out)
{
    *out << failure.name;
}

class PortalFallbackTest : public PortalHotKeysTest, public ::testing::WithParamInterface<Failure> {
protected:
    PrivatePortal::Parts parts() const override { return GetParam().parts; }
};

// Given a portal that is missing, lacks global shortcuts, refuses, or goes
// away after binding, then the keys come from the next backend: here, with
// no X display, the program's own windows.
TEST_P(PortalFallbackTest, PortalFails_NextBackendTakesTheKeys)
{
    const Failure& failure = GetParam();
    portal.control(QStringLiteral("Configure"), {QVariantMap{{QStringLiteral("CreateSession"), failure.sessionResponse},
                                                             {QStringLiteral("BindShortcuts"), failure.bindResponse}}});
    QWidget window;
    window.resize(200, 50);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(SetKeyHook(1, 1, &target), 1);

    if (failure.afterBinding != Failure::Never) {
        ASSERT_TRUE(waitForPortal(QStringLiteral("bound")));
        if (failure.afterBinding == Failure::FrontendQuits)
            portal.stopFrontend();
        else
            portal.control(QStringLiteral("CloseSessions"));
    }
    ASSERT_TRUE(waitForPortal(QStringLiteral("failed")));
    QTest::keyClick(&window, Qt::Key_F, CtrlAltShift);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(target.types, std::vector<int>{KeyHookMessage::Reveal});
}

INSTANTIATE_TEST_SUITE_P(
    Portal, PortalFallbackTest,
    ::testing::Values(Failure{"NoFrontend", {.frontend = false}, 0, 0, Failure::Never},
                      Failure{"NoGlobalShortcuts", {.shortcuts = false}, 0, 0, Failure::Never},
                      Failure{"SessionRefused", {}, 1, 0, Failure::Never},
                      Failure{"ShortcutsRefused", {}, 0, 2, Failure::Never},
                      Failure{"FrontendQuits", {}, 0, 0, Failure::FrontendQuits},
                      Failure{"DesktopClosesSession", {}, 0, 0, Failure::DesktopClosesSession}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

} // namespace

#include "PortalHotKeysTest.moc"
