#include "platform/OwnerModal.h"

#include <QDialog>
#include <QEventLoop>
#include <QList>
#include <QPointer>
#include <QWindow>

int RunOwnerModal(QDialog& dialog, QWidget* owner)
{
    QPointer<QWidget> guardedOwner(owner);
    QList<QPointer<QWidget>> spared;
    const bool ownerWasEnabled = owner->isEnabled();
    for (QWidget* child : owner->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow() && child != &dialog && child->isEnabled())
            spared.append(child);

    // Disabling a widget disables its owned windows too; windows (unlike
    // plain children) can be enabled again under a disabled owner. Disabling
    // takes the focus from the dialog's controls as well: the one the dialog
    // gave it (a message box's default button) gets it back.
    const QPointer<QWidget> focus = dialog.focusWidget();
    owner->setEnabled(false);
    for (const QPointer<QWidget>& window : spared)
        if (window)
            window->setEnabled(true);
    dialog.setEnabled(true);
    if (focus)
        focus->setFocus();

    dialog.setWindowModality(Qt::NonModal);
    // A dialog that is not the owner's child still belongs to it: stacked
    // above it (the drill bar stays on top of everything else) and not
    // blocked by the owner's own modal run.
    if (dialog.parentWidget() != owner) {
        dialog.winId();
        if (QWindow* ownerWindow = owner->window()->windowHandle())
            dialog.windowHandle()->setTransientParent(ownerWindow);
    }
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    if (dialog.isVisible())
        loop.exec(QEventLoop::DialogExec);

    if (guardedOwner)
        guardedOwner->setEnabled(ownerWasEnabled);
    return dialog.result();
}
