#include "keyhook/KeyHook.h"

#include "keyhook/HotKeyRouter.h"

#include <QGuiApplication>
#include <QPointer>
#include <QThread>

namespace {

// One router per application, a child of it. It goes in a post routine,
// while the application's windowing connection still exists to release the
// keys on; as a child alone it would outlive that connection.
QPointer<HotKeyRouter> router;
KeyHookSession session = KeyHookSession::Other;

void dropRouter()
{
    delete router.data();
}

bool onApplicationThread()
{
    return qGuiApp && QThread::currentThread() == qGuiApp->thread();
}

HotKeyRouter* routerForApplication()
{
    if (!router) {
        router = new HotKeyRouter(session, qGuiApp);
        qAddPostRoutine(dropRouter);
    }
    return router;
}

} // namespace

int SetKeyHook(int on, unsigned long /*threadId*/, QObject* target)
{
    if (!onApplicationThread())
        return 0;
    if (on == 0) {
        if (router)
            router->setTarget(nullptr);
        return 1;
    }
    if (!target) {
        if (router)
            router->setTarget(nullptr);
        return 0;
    }
    return routerForApplication()->setTarget(target) ? 1 : 0;
}

void OffKeyHook()
{
    if (onApplicationThread() && router)
        router->setSuspended(true);
}

void OnKeyHook()
{
    if (onApplicationThread() && router)
        router->setSuspended(false);
}

// The router picks its means when it is made; a router made for another
// session goes, and the hook with it.
void SetKeyHookSession(KeyHookSession kind)
{
    if (!onApplicationThread() || kind == session)
        return;
    session = kind;
    dropRouter();
}
