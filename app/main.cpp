#include "app/AppIcon.h"
#include "app/CKadoApp.h"
#include "app/QtTranslations.h"

#include <QApplication>
#include <QLocale>
#include <cstdio>
#include <cstdlib>

namespace {
bool HasDisplay()
{
    // An explicit platform (offscreen, wayland, ...) is the caller's choice.
    if (std::getenv("QT_QPA_PLATFORM"))
        return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}
} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay()) {
        std::fputs("vokabo: no display found (DISPLAY is not set); start Vokabo from a graphical desktop.\n", stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vokabo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vokabo"));
    QApplication::setWindowIcon(VokaboIcon());
    InstallQtTranslations(QLocale::system());
    CKadoApp theApp;
    return theApp.InitInstance();
}
