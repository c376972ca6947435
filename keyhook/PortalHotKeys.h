#pragma once

#include "keyhook/HotKeyBackend.h"
#include "keyhook/HotKeys.h"

#include <QDBusConnection>
#include <QObject>
#include <array>

class QDBusMessage;
class QDBusPendingCallWatcher;

// The portal is spoken to over a connection of its own, by this name.
inline constexpr char PortalConnectionName[] = "vokabo-hotkeys";
// A program outside a sandbox tells the portal who it is by the name of its
// desktop entry, vokabo.desktop.
inline constexpr char PortalAppId[] = "vokabo";

// In Wayland sessions the hot keys come from the desktop portal's global
// shortcuts: only the desktop sees the keys while another program has the
// focus. The shortcuts are bound once per process, since the desktop may ask
// the learner to confirm them; the binding then stays, and listen and stop
// only open and close delivery. Nothing waits for the portal: until it has
// bound the keys, and for good once it has refused, turned out missing or
// gone away, the router takes the keys from the next backend.
class PortalHotKeys final : public QObject, public HotKeyBackend {
    Q_OBJECT
    // "binding", "bound" or "failed"; for diagnosis and the tests.
    Q_PROPERTY(QString state READ stateName NOTIFY stateChanged)

public:
    // parent only makes the backend findable by its name, KeyHookPortal;
    // the router owns it.
    PortalHotKeys(Sink sink, std::function<void()> readinessChanged, QObject* parent);
    ~PortalHotKeys() override;

    bool ready() const override;
    bool listen() override;
    void stop() override;

    QString stateName() const;

signals:
    void stateChanged();

private:
    enum class State { Binding, Bound, Failed };

    // How a held key is told from a new press.
    struct Press {
        bool down = false;
        quint64 last = 0;
    };

    void introspected(QDBusPendingCallWatcher* watcher);
    void createSession();
    void sessionCreated(uint response, const QVariantMap& results);
    void shortcutsBound(uint response, const QVariantMap& results);
    void fail(const QString& why);
    Press* pressFor(const QDBusMessage& message, int* hotKey);

private slots:
    void activated(const QDBusMessage& message);
    void deactivated(const QDBusMessage& message);
    void sessionClosed();
    void portalGone();

private:
    Sink m_sink;
    std::function<void()> m_readinessChanged;
    QDBusConnection m_bus;
    State m_state = State::Binding;
    bool m_listening = false;
    QString m_session;
    std::array<Press, HotKeys.size()> m_presses{};
};
