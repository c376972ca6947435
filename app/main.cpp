#include "app/CKadoApp.h"
#include "app/QtTranslations.h"
#include "keyhook/KeyHook.h"
#include "platform/AppIcon.h"
#include "platform/ScreenCopy.h"
#include "platform/SessionKind.h"

#include <QApplication>
#include <QLocale>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // Asked once: the platform, the screen copy and the hot keys all follow
    // this one answer.
    const SessionKind session = CurrentSessionKind();
    switch (session) {
    case SessionKind::NoDisplay:
        std::fputs(kNoDisplayMessage, stderr);
        return 1;
    case SessionKind::X11Silent:
        std::fprintf(stderr, kX11SilentMessage, std::getenv("DISPLAY"));
        return 1;
    case SessionKind::WaylandSilent:
        std::fprintf(stderr, kWaylandSilentMessage, std::getenv("WAYLAND_DISPLAY"));
        return 1;
    case SessionKind::WaylandWithXWayland:
        // Qt reads its platform once, when the application object is made.
        qputenv("QT_QPA_PLATFORM", "xcb");
        break;
    case SessionKind::WaylandOnly:
        std::fputs(kNoXWaylandMessage, stderr);
        break;
    case SessionKind::PlatformChosen:
    case SessionKind::PlatformChosenInWayland:
    case SessionKind::X11:
        break;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vokabo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vokabo"));
    // Desktops match the windows to the menu entry, its name and icon, by this.
    QGuiApplication::setDesktopFileName(QStringLiteral(VOKABO_APP_ID));
    QApplication::setWindowIcon(VokaboIcon());
    InstallQtTranslations(QLocale::system());
    SetKeyHookSession(IsWaylandKind(session) ? KeyHookSession::Wayland : KeyHookSession::Other);
    ScreenDC = ScreenCopySourceForSession(session);
    CKadoApp theApp;
    const int exitCode = theApp.InitInstance();
    ReleaseScreenCopy();
    return exitCode;
}
