#pragma once
#include "app/UnixSocket.h"

#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;

// What every running instance of the program sees: whether one instance
// already runs (a per-user lock held for the process's life; the system
// drops it when the process ends, also after a crash) and a per-user local
// socket through which a second start wakes the running instance's drill bar.
// Lock and socket live side by side in one private folder of the user, so
// every start that finds the lock also finds the socket.
class InstanceGuard : public QObject {
    Q_OBJECT
public:
    enum class Claim { Held, OtherInstance, Unavailable };

    // How long a second start waits for the running instance's answer. A
    // stopped or hung instance must not hold the second start up for longer.
    static constexpr int kWakeTimeoutMs = 2000;

    // `folder` holds the lock and the socket; empty when there is none to
    // use, which leaves the lock unavailable.
    explicit InstanceGuard(QString folder = RuntimeFolder());
    ~InstanceGuard() override;

    // Where the lock and the socket may go, in the order they are tried.
    struct Places {
        QString session = {};   // XDG_RUNTIME_DIR
        QString shared = {};    // the folder that holds "vokabo-UID": /tmp
        QString cacheHome = {}; // XDG_CACHE_HOME
        QString home = {};      // HOME: its .cache when XDG_CACHE_HOME is unset or relative
        QString data = {};      // the data folder, where save.db lies
    };

    // The first of these that is a folder of this user's that nobody else
    // may write to, short enough for a socket's path: the session's runtime
    // folder; "vokabo-UID" under `shared`, made private if missing and taken
    // only as it is, without following a link; the cache folder, made if
    // missing; the data folder. Empty when none is.
    static QString RuntimeFolder(const Places& places);
    static QString RuntimeFolder();

    // Held: this process is now the running instance. OtherInstance: another
    // process holds the lock. Unavailable: the lock cannot be had at all, and
    // Problem() says why.
    Claim TryAcquire();
    bool IsHeld() const { return m_lockFd >= 0; }
    QString Problem() const { return m_problem; }
    // Starts answering wakes: each one is delivered to BarWindow, if a bar is
    // open, before the waiting second start gets its answer.
    bool Listen();
    // Run by a second start: connects (retrying while the running instance is
    // still starting up), asks for the wake and waits until it was delivered.
    // False when no running instance answered within `timeoutMs`.
    bool SendWake(int timeoutMs = kWakeTimeoutMs) const;

private:
    void OnNewConnection();

    QString m_folder;
    QString m_problem;
    int m_lockFd = -1;
    UnixSocket m_listener;
    std::unique_ptr<QSocketNotifier> m_listenerNotifier; // goes before the descriptor it watches
};
