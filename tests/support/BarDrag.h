#pragma once
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

// A learner's drag of a bar by the mouse, as Qt delivers it to the widget
// pressed. The pointer's screen positions do not follow the window while it
// moves.
inline void SendMouse(QWidget* target, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(local), QPointF(global), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// Press on `target`, move by `offset` with the button held, release there.
inline void PressMoveRelease(QWidget* target, QPoint offset)
{
    const QPoint start = target->rect().center();
    const QPoint global = target->mapToGlobal(start);
    SendMouse(target, QEvent::MouseButtonPress, start, global, Qt::LeftButton);
    SendMouse(target, QEvent::MouseMove, start + offset / 2, global + offset / 2, Qt::LeftButton);
    SendMouse(target, QEvent::MouseMove, start + offset, global + offset, Qt::LeftButton);
    SendMouse(target, QEvent::MouseButtonRelease, start + offset, global + offset, Qt::NoButton);
}
