#include "platform/ModalSeam.h"

#include "platform/OwnerModal.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace ModalSeam {
namespace {
MessageBoxHandler& BoxHandler()
{
    static MessageBoxHandler handler;
    return handler;
}
DialogHandler& RunHandler()
{
    static DialogHandler handler;
    return handler;
}

int ShowRealBox(const MessageBoxCall& call)
{
    const bool question = call.buttons == Buttons::YesNo;
    QMessageBox box(call.icon == Icon::Question ? QMessageBox::Question : QMessageBox::Information, call.caption,
                    call.text, question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, call.owner);
    // Return answers Yes, as the classic Yes/No box did. Without a default
    // the focus goes to the first button in the desktop's order, which is No
    // under GNOME's.
    if (question)
        box.setDefaultButton(QMessageBox::Yes);
    // Modal to its owner only: while the drill bar asks, the answer bar
    // beside it stays usable.
    const int answer = call.owner ? RunOwnerModal(box, call.owner) : box.exec();
    if (!question)
        return IDOK;
    return answer == QMessageBox::Yes ? IDYES : IDNO;
}
} // namespace

int MessageBox(QWidget* owner, const QString& text, Icon icon, Buttons buttons)
{
    MessageBoxCall call{owner, text, QApplication::applicationDisplayName(), icon, buttons};
    if (BoxHandler())
        return BoxHandler()(call);
    return ShowRealBox(call);
}

int RunDialog(CDialog& dialog, const std::function<int()>& runModal)
{
    if (RunHandler())
        return RunHandler()(dialog, runModal);
    return runModal();
}

void SetMessageBoxHandler(MessageBoxHandler handler) { BoxHandler() = std::move(handler); }
void SetDialogHandler(DialogHandler handler) { RunHandler() = std::move(handler); }

} // namespace ModalSeam
