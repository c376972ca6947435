#include "bars/AnswerFocus.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

namespace {

// Keeps "the next typing replaces the answer" true when the window manager
// activates the answer bar only after it was asked to (a box just closed, say):
// the late focus-in selects the text again. It goes with the first key typed.
class SelectAllOnFocusIn : public QObject {
public:
    static constexpr char kName[] = "selectAllOnFocusIn";
    explicit SelectAllOnFocusIn(QLineEdit* edit) : QObject(edit), m_edit(edit)
    {
        setObjectName(QLatin1String(kName));
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, m_edit, [edit = m_edit] { edit->selectAll(); });
        else if (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod)
            deleteLater();
        return false;
    }

private:
    QLineEdit* m_edit;
};

} // namespace

void FocusAnswerEdit(QLineEdit* edit)
{
    if (!edit)
        return;
    edit->window()->activateWindow();
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    // Found by name: the class has no meta-object for a typed search.
    if (!edit->findChild<QObject*>(QLatin1String(SelectAllOnFocusIn::kName), Qt::FindDirectChildrenOnly))
        new SelectAllOnFocusIn(edit);
}
