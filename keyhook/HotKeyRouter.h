#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

class HotKeyBackend;

// Routes the hot keys to the one target of the hook. It owns the backend of
// the running platform and keeps it switched on exactly while a target is set
// and delivery is not suspended, so that no key is taken from the user while
// nobody would receive it.
class HotKeyRouter final : public QObject {
    Q_OBJECT

public:
    explicit HotKeyRouter(QObject* parent = nullptr);
    ~HotKeyRouter() override;

    // nullptr removes the hook. A new target also ends a suspension. True
    // when the keys are being caught for the target afterwards.
    bool setTarget(QObject* target);
    void setSuspended(bool suspended);

private:
    void deliver(int message);
    void targetDestroyed();
    bool update();
    void withdrawPending();

    QPointer<QObject> m_target;
    QMetaObject::Connection m_targetWatch;
    bool m_suspended = false;
    bool m_listening = false;
    std::unique_ptr<HotKeyBackend> m_backend;
};
