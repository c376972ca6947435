// gtest main for tests that need widgets: one QApplication for the whole run.
#include <QApplication>
#include <gtest/gtest.h>

#include "platform/DrawingObjects.h"
#include "platform/FontSetup.h"
#include "platform/ScreenCopy.h"
#include "platform/SessionKind.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A developer's Wayland session must not reach the tests: its desktop
    // would be asked to bind the hot keys and to take screenshots. The
    // portal tests bring a session of their own.
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("XDG_SESSION_TYPE");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vokabo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vokabo"));
    RegisterPhoneticFont(QStringLiteral("./res/triphibian.ttf"));
    InstallFontSubstitutions();
    CreateDrawingObjects();
    ScreenDC = ScreenCopySourceForSession(SessionKind::X11);
    const int rc = RUN_ALL_TESTS();
    ReleaseScreenCopy();
    ReleaseDrawingObjects();
    return rc;
}
