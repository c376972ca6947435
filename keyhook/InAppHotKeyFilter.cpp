#include "keyhook/InAppHotKeyFilter.h"

#include "keyhook/HotKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

// Keypad and group-switch flags say where a key sits, not what was pressed.
constexpr Qt::KeyboardModifiers ComparedModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

const HotKey* findHotKey(const QKeyEvent& event)
{
    for (const HotKey& hotKey : HotKeys) {
        if (event.key() == hotKey.key && (event.modifiers() & ComparedModifiers) == hotKey.modifiers)
            return &hotKey;
    }
    return nullptr;
}

} // namespace

InAppHotKeyFilter::InAppHotKeyFilter(Sink sink)
    : m_sink(std::move(sink))
{
}

InAppHotKeyFilter::~InAppHotKeyFilter()
{
    stop();
}

bool InAppHotKeyFilter::listen()
{
    if (!m_listening) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return false;
        app->installEventFilter(this);
        m_listening = true;
    }
    return true;
}

void InAppHotKeyFilter::stop()
{
    if (!m_listening)
        return;
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    m_listening = false;
}

bool InAppHotKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* keyEvent = static_cast<const QKeyEvent*>(event);
    const HotKey* hotKey = findHotKey(*keyEvent);
    if (!hotKey)
        return QObject::eventFilter(watched, event);
    // A held key would flip the card back and forth at the repeat rate; it
    // counts once, and its repeats are swallowed like the first press.
    if (!keyEvent->isAutoRepeat())
        m_sink(hotKey->message);
    return true;
}
