#pragma once

#include "keyhook/HotKeyBackend.h"
#include "keyhook/HotKeys.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <array>

class QDBusMessage;
class QDBusPendingCallWatcher;

// In Wayland sessions the hot keys come from the desktop portal's global
// shortcuts: only the desktop sees the keys while another program has the
// focus. The desktop keeps the shortcuts of a program from one start to the
// next, and may ask the learner to confirm them when they are bound: so the
// keys are bound only when the desktop does not list them already, once per
// process at most; listen and stop only open and close delivery. Nothing waits for the portal: until it has
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
    void shortcutsListed(uint response, const QVariantMap& results);
    void bindShortcuts();
    void shortcutsBound(uint response, const QVariantMap& results);
    void bound();
    void fail(const QString& why);
    Press* pressFor(const QDBusMessage& message, int* hotKey);
    quint64 timestampOf(const QDBusMessage& message) const;

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
    // For desktops whose signals carry no timestamp (KWin sends 0).
    QElapsedTimer m_clock;
};
