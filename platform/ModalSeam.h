#pragma once
#include <QString>
#include <functional>

class QWidget;
class CDialog;

// Every message box and every modal run of a dialog goes through here, so
// tests can answer them without a person and see what was asked.
namespace ModalSeam {

enum class Icon { Information, Question };
enum class Buttons { Ok, YesNo };

// The results of the classic dialog API, which callers compare against.
enum Result : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageBoxCall {
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
};

using MessageBoxHandler = std::function<int(const MessageBoxCall&)>;
// Receives the dialog and the real modal run; a handler may run it (after
// scheduling its own actions) or answer without showing anything.
using DialogHandler = std::function<int(CDialog&, const std::function<int()>& runModal)>;

// A box owned by `owner` (modal to that window only), captioned with the
// application's title. Returns IDOK, IDYES or IDNO.
int MessageBox(QWidget* owner, const QString& text, Icon icon = Icon::Information, Buttons buttons = Buttons::Ok);
int RunDialog(CDialog& dialog, const std::function<int()>& runModal);

// Install a handler (an empty function restores the real boxes and runs).
void SetMessageBoxHandler(MessageBoxHandler handler);
void SetDialogHandler(DialogHandler handler);

} // namespace ModalSeam
