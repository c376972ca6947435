#include "platform/WinMessages.h"

#include <QCoreApplication>

long SendMessage(QObject* receiver, int message, quintptr wParam, void* lParam)
{
    if (!receiver)
        return 0;
    WinMessage event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.result;
}
