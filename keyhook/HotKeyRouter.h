#pragma once

#include "keyhook/KeyHook.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

class HotKeyBackend;

// Routes the hot keys to the one target of the hook. It owns the backends
// the session it is made for offers, best first, and keeps the first ready
// one switched on exactly while a target is set and delivery is not
// suspended, so that no key is taken from the user while nobody would
// receive it.
class HotKeyRouter final : public QObject {
    Q_OBJECT

public:
    explicit HotKeyRouter(KeyHookSession session, QObject* parent = nullptr);
    ~HotKeyRouter() override;

    // nullptr removes the hook. A new target also ends a suspension. True
    // when the keys are being caught for the target afterwards.
    bool setTarget(QObject* target);
    void setSuspended(bool suspended);

private:
    void deliver(int message);
    void targetDestroyed();
    bool update();
    HotKeyBackend* readyBackend() const;
    void withdrawPending();

    QPointer<QObject> m_target;
    QMetaObject::Connection m_targetWatch;
    bool m_suspended = false;
    std::vector<std::unique_ptr<HotKeyBackend>> m_backends;
    // The backend switched on, if any.
    HotKeyBackend* m_listener = nullptr;
};
