#include "keyhook/HotKeyRouter.h"

#include "keyhook/HotKeys.h"
#include "keyhook/InAppHotKeyFilter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QEvent>

#if KEYHOOK_HAVE_X11
#include "keyhook/X11HotKeyGrabber.h"
#include <QtGui/qguiapplication_platform.h>
#endif
#if KEYHOOK_HAVE_PORTAL
#include "keyhook/PortalHotKeys.h"
#endif

namespace {

// A Wayland compositor shows a program no key pressed while another
// program has the focus, and neither does XWayland's X server, whose key
// grabs work only while one of the program's own windows has it. So in a
// Wayland session the desktop portal is asked first, whichever platform
// the program's windows use.

// Best first: the portal in Wayland sessions, X11 key grabs where the
// program's windows are X11 windows, and the program's own windows as the
// last resort.
using Backends = std::vector<std::unique_ptr<HotKeyBackend>>;

Backends platformBackends([[maybe_unused]] KeyHookSession session, [[maybe_unused]] HotKeyRouter* router,
                          const HotKeyBackend::Sink& sink, [[maybe_unused]] const std::function<void()>& changed)
{
    Backends backends;
#if KEYHOOK_HAVE_PORTAL
    if (session == KeyHookSession::Wayland)
        backends.push_back(std::make_unique<PortalHotKeys>(sink, changed, router));
#endif
#if KEYHOOK_HAVE_X11
    if (qGuiApp) {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
            if (xcb_connection_t* connection = x11->connection())
                backends.push_back(std::make_unique<X11HotKeyGrabber>(connection, sink));
        }
    }
#endif
    backends.push_back(std::make_unique<InAppHotKeyFilter>(sink));
    return backends;
}

} // namespace

HotKeyRouter::HotKeyRouter(KeyHookSession session, QObject* parent)
    : QObject(parent)
    , m_backends(platformBackends(session, this, [this](int message) { deliver(message); }, [this] { update(); }))
{
}

HotKeyRouter::~HotKeyRouter()
{
    setTarget(nullptr);
}

bool HotKeyRouter::setTarget(QObject* target)
{
    if (m_target != target) {
        disconnect(m_targetWatch);
        withdrawPending();
        m_target = target;
        if (target)
            m_targetWatch = connect(target, &QObject::destroyed, this, &HotKeyRouter::targetDestroyed);
    }
    m_suspended = false;
    return update();
}

void HotKeyRouter::setSuspended(bool suspended)
{
    m_suspended = suspended;
    update();
}

// Only the backend switched on reports (HotKeyBackend), and one is on only
// while a target is set and delivery is not suspended, so every report has
// somewhere to go.
void HotKeyRouter::deliver(int message)
{
    QCoreApplication::postEvent(m_target, new QEvent(static_cast<QEvent::Type>(message)));
}

// A widget announces its end before QPointer lets go of it, so the target is
// dropped by hand.
void HotKeyRouter::targetDestroyed()
{
    disconnect(m_targetWatch);
    m_target = nullptr;
    update();
}

bool HotKeyRouter::update()
{
    const bool wanted = m_target && !m_suspended;
    HotKeyBackend* chosen = wanted ? readyBackend() : nullptr;
    if (m_listener != chosen) {
        if (m_listener)
            m_listener->stop();
        m_listener = chosen && chosen->listen() ? chosen : nullptr;
    }
    if (!wanted)
        withdrawPending();
    return m_listener != nullptr;
}

HotKeyBackend* HotKeyRouter::readyBackend() const
{
    for (const auto& backend : m_backends) {
        if (backend->ready())
            return backend.get();
    }
    return nullptr;
}

// A hot key pressed just before removal or suspension must not act after it:
// the bar suspends the hook while a message box is up, and removes it when
// the drill has ended.
void HotKeyRouter::withdrawPending()
{
    if (!m_target)
        return;
    for (const HotKey& hotKey : HotKeys)
        QCoreApplication::removePostedEvents(m_target, hotKey.message);
}
