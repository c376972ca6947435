#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>
#include <functional>

class QDBusPendingCallWatcher;

// Where the desktop portal lives on the session bus.
inline constexpr char PortalService[] = "org.freedesktop.portal.Desktop";
inline constexpr char PortalPath[] = "/org/freedesktop/portal/desktop";
// The program's own connection to the portal, by this name.
inline constexpr char PortalConnectionName[] = "vokabo-portal";

// The connection the program speaks to the portal on, made at the first
// call and shared by name, so the hot keys and the screen copy are one
// program to the desktop. A connection of its own: the portal takes a
// program's name only before its first request on a connection, and Qt's
// shared connection may have asked the portal something already (the
// platform theme reads its settings).
QDBusConnection PortalConnection();

// Tells the portal the program's name, its app id, before bus's first request:
// what the desktop asks the learner to allow (the hot keys, a screen copy)
// is then remembered for Vokabo. Then next runs, whatever the answer: a
// portal without the registry (before 1.19), one that has the name already,
// or a desktop without the installed entry refuses, and serves unnamed.
void RegisterAppId(const QDBusConnection& bus, QObject* owner, std::function<void()> next);

// One call of a desktop portal method that answers later, through the
// Response signal of a Request object. The Request's path follows from the
// connection's unique name and the handle_token the call passes, so the
// answer is listened for before the call goes out: an answer that comes at
// once cannot be missed. Nothing here waits; the answer goes to done, once,
// unless owner is gone by then.
class PortalRequest final : public QObject {
    Q_OBJECT

public:
    // The portal's response codes; a call the portal rejects outright (no
    // such method, a bad argument) is reported as Failed.
    enum Response : uint { Success = 0, Cancelled = 1, Failed = 2 };
    using Done = std::function<void(uint response, const QVariantMap& results)>;

    // options is the method's last argument; the handle token is added to it.
    static void send(const QDBusConnection& bus, const QString& interface, const QString& method,
                     QVariantList arguments, QVariantMap options, QObject* owner, Done done);

private:
    PortalRequest(const QDBusConnection& bus, QObject* owner, Done done);

    void listenAt(const QString& path);
    void replied(QDBusPendingCallWatcher* watcher);
    void finish(uint response, const QVariantMap& results);

private slots:
    void responded(uint response, const QVariantMap& results);

private:
    QDBusConnection m_bus;
    Done m_done;
    QString m_path;
};
