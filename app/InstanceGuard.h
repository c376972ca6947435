#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

// What every running instance of the program sees: whether one instance
// already runs (a per-user lock held for the process's life; the system
// drops it when the process ends, also after a crash) and a per-user local
// socket through which a second start wakes the running instance's drill bar.
class InstanceGuard : public QObject {
    Q_OBJECT
public:
    // `name` keys the lock and the socket; the program uses DefaultName().
    explicit InstanceGuard(QString name = DefaultName(), QObject* parent = nullptr);
    ~InstanceGuard() override;

    static QString DefaultName();

    // True when this process is now the running instance.
    bool TryAcquire();
    bool IsHeld() const { return m_lockFd >= 0; }
    // Starts answering wakes: each one is delivered to BarWindow, if a bar is
    // open, before the waiting second start gets its answer.
    bool Listen();
    // Run by a second start: connects (retrying while the running instance is
    // still starting up), asks for the wake and waits until it was delivered.
    // False when no running instance answered within `timeoutMs`.
    bool SendWake(int timeoutMs = 10000) const;

private:
    void OnNewConnection();

    QString m_name;
    int m_lockFd = -1;
    QLocalServer* m_server = nullptr;
};
