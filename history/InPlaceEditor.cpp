#include "history/InPlaceEditor.h"

#include "platform/WinMessages.h"
#include "history/CComboListCtrl.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

template <class Widget>
void InPlaceEditor<Widget>::BeginEdit(std::int32_t row, std::int32_t column, const QString& initialText)
{
    m_row = row;
    m_column = column;
    m_initialText = initialText;
    m_cancelled = false;
}

template <class Widget>
bool InPlaceEditor<Widget>::AttachToList(CComboListCtrl* list)
{
    if (!list)
        return false;
    m_list = list;
    m_ending = false;
    if (this->parentWidget() != list->viewport())
        this->setParent(list->viewport());
    this->setFont(list->font());
    return true;
}

template <class Widget>
void InPlaceEditor<Widget>::DestroyEditorWindow()
{
    if (!m_windowOpen)
        return;
    this->hide();
    m_windowOpen = false;
    m_ending = false;
}

template <class Widget>
void InPlaceEditor<Widget>::GiveFocusToList()
{
    if (m_windowOpen && !m_ending && m_list)
        m_list->setFocus(Qt::OtherFocusReason);
}

template <class Widget>
bool InPlaceEditor<Widget>::HandleEndKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        m_cancelled = true;
        [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        GiveFocusToList();
        return true;
    default:
        return false;
    }
}

template <class Widget>
bool InPlaceEditor<Widget>::event(QEvent* event)
{
    // Return and Escape belong to the editor: no shortcut and no default or
    // cancel button of the dialog may take them.
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    return Widget::event(event);
}

template <class Widget>
void InPlaceEditor<Widget>::focusOutEvent(QFocusEvent* event)
{
    Widget::focusOutEvent(event);
    // A pop-up takes the focus only in name: the combo's drop-down (some
    // platforms even activate its window) or the edit's context menu. The
    // edit goes on.
    if (event->reason() == Qt::PopupFocusReason || QApplication::activePopupWidget() || !m_windowOpen || m_ending)
        return;
    EndEdit();
}

template <class Widget>
void InPlaceEditor<Widget>::EndEdit()
{
    m_ending = true;
    const CellEditRecord record{m_row, m_column, m_cancelled ? m_initialText : EditedText()};
    if (m_list)
        m_list->OnEndLabelEdit(record);
    QMetaObject::invokeMethod(this, &InPlaceEditor::DestroyEditorWindow, Qt::QueuedConnection);
}

template class InPlaceEditor<QComboBox>;
template class InPlaceEditor<QLineEdit>;
