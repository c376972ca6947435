// Preloaded into a Qt Widgets program (LD_PRELOAD), ends the process as soon
// as its first top-level window has been painted in full, so that a whole-
// process count (callgrind's instructions, the CPU time and peak RSS from
// wait4) covers exactly the start-up: from the first instruction to the
// first complete picture of the window. The program itself is not changed.
//
// The first paint is the one the window system asks for: a widget window's
// first exposure repaints its whole backing store and flushes it, inside
// QWidgetWindow's expose handling. The filter lets that handling run, makes
// sure the X server has taken the picture (one round trip, the same for
// every program measured), and leaves with _exit, skipping destructors.
//
// Environment: VOKABO_FIRST_PAINT_TITLE, the title the painted window must
// have. Exit status 0 when it had that title; 3 when another window was
// painted first (its title goes to stderr), which the caller reports.
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

class EndAtFirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Expose || !watched->isWindowType())
            return false;
        auto* window = static_cast<QWindow*>(watched);
        // A widget window paints when exposed; other windows (a QML scene, an
        // offscreen helper) are not the dialog this is waiting for.
        if (!window->isTopLevel() || !watched->inherits("QWidgetWindow"))
            return false;
        // Handled here, so that the end comes after the paint; event filters
        // installed on the window itself are skipped, and programs measured
        // here install none.
        watched->event(event);
        if (!window->isExposed())
            return true;
        QGuiApplication::sync();
        const QByteArray wanted = qgetenv("VOKABO_FIRST_PAINT_TITLE");
        const QByteArray title = window->title().toUtf8();
        if (title != wanted) {
            std::fprintf(stderr, "first_paint_exit: the first window painted was \"%s\", not \"%s\"\n",
                         title.constData(), wanted.constData());
            std::fflush(stderr);
            _exit(3);
        }
        _exit(0);
    }
};

void InstallFilter()
{
    QCoreApplication::instance()->installEventFilter(new EndAtFirstPaint(QCoreApplication::instance()));
}

} // namespace

// Runs while the application object is made, before any window exists.
Q_COREAPP_STARTUP_FUNCTION(InstallFilter)
