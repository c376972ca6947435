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

namespace {

std::unique_ptr<HotKeyBackend> platformBackend(HotKeyBackend::Sink sink)
{
#if KEYHOOK_HAVE_X11
    if (qGuiApp) {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
            if (xcb_connection_t* connection = x11->connection())
                return std::make_unique<X11HotKeyGrabber>(connection, std::move(sink));
        }
    }
#endif
    return std::make_unique<InAppHotKeyFilter>(std::move(sink));
}

} // namespace

HotKeyRouter::HotKeyRouter(QObject* parent)
    : QObject(parent)
    , m_backend(platformBackend([this](int message) { deliver(message); }))
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

void HotKeyRouter::deliver(int message)
{
    if (m_target && !m_suspended)
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
    if (wanted && !m_listening)
        m_listening = m_backend->listen();
    else if (!wanted && m_listening) {
        m_backend->stop();
        m_listening = false;
    }
    if (!wanted)
        withdrawPending();
    return m_listening;
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
