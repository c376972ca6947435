#include "history/CInPlaceCombo.h"

#include "app/WinMessages.h"
#include "history/CComboListCtrl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>

CInPlaceCombo* CInPlaceCombo::s_instance = nullptr;

CInPlaceCombo* CInPlaceCombo::Instance()
{
    if (!s_instance)
        s_instance = new CInPlaceCombo;
    return s_instance;
}

void CInPlaceCombo::ReleaseInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

CInPlaceCombo::CInPlaceCombo() : QComboBox(nullptr)
{
    setObjectName(QStringLiteral("CInPlaceCombo"));
    hide();
    // Escape pressed in the open drop-down cancels the edit as well.
    view()->installEventFilter(this);
}

CInPlaceCombo::~CInPlaceCombo() = default;

bool CInPlaceCombo::Open(std::uint32_t /*style*/, const QRect& rect, CComboListCtrl* parent, int /*id*/,
                         std::int32_t row, std::int32_t column, const QStringList& items, const QString& text)
{
    m_row = row;
    m_column = column;
    m_cancelled = false;
    m_items = items;
    m_initialText = text;
    bool made = true;
    if (!m_windowOpen)
        made = CreateEditorWindow(rect, parent);
    setCurrentIndex(-1);
    return made;
}

bool CInPlaceCombo::CreateEditorWindow(const QRect& rect, CComboListCtrl* parent)
{
    if (!parent)
        return false;
    m_list = parent;
    m_windowRect = rect;
    m_ending = false;
    if (parentWidget() != parent->viewport())
        setParent(parent->viewport());
    setFont(parent->font());
    // The field keeps its natural height; the rest of the rectangle is the
    // drop-down's, one field height per row.
    const int fieldHeight = std::min(sizeHint().height(), rect.height());
    setGeometry(rect.left(), rect.top(), rect.width(), fieldHeight);
    setMaxVisibleItems(std::max(1, rect.height() / std::max(1, fieldHeight) - 1));
    m_windowOpen = true;
    show();
    setFocus(Qt::OtherFocusReason);
    clear();
    addItems(m_items);
    return true;
}

void CInPlaceCombo::DestroyEditorWindow()
{
    if (!m_windowOpen)
        return;
    hidePopup();
    hide();
    m_windowOpen = false;
    m_ending = false;
}

int CInPlaceCombo::SelectString(int startAfter, const QString& text)
{
    for (int i = std::max(startAfter + 1, 0); i < count(); ++i) {
        if (itemText(i).startsWith(text, Qt::CaseInsensitive)) {
            setCurrentIndex(i);
            return i;
        }
    }
    return -1;
}

void CInPlaceCombo::hidePopup()
{
    const bool wasShown = view()->isVisible();

    QComboBox::hidePopup();
    // The choice made in the drop-down is applied after the drop-down has
    // closed, so the focus moves (and the edit ends) only afterwards.
    if (wasShown && m_windowOpen && !m_ending)
        QMetaObject::invokeMethod(this, &CInPlaceCombo::GiveFocusToList, Qt::QueuedConnection);
}

void CInPlaceCombo::GiveFocusToList()
{
    if (m_windowOpen && !m_ending && m_list)
        m_list->setFocus(Qt::OtherFocusReason);
}

bool CInPlaceCombo::event(QEvent* event)
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
    return QComboBox::event(event);
}

bool CInPlaceCombo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        m_cancelled = true;
    return QComboBox::eventFilter(watched, event);
}

void CInPlaceCombo::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        m_cancelled = true;
        [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        GiveFocusToList();
        return;
    default:
        QComboBox::keyPressEvent(event);
    }
}

void CInPlaceCombo::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    // While the drop-down is open the focus only seems to move to it (some
    // platforms even activate its window); the edit goes on.
    if (event->reason() == Qt::PopupFocusReason || QApplication::activePopupWidget() || !m_windowOpen || m_ending)
        return;
    EndEdit();
}

void CInPlaceCombo::EndEdit()
{
    m_ending = true;
    const CellEditRecord record{m_row, m_column, m_cancelled ? m_initialText : currentText()};
    if (m_list)
        m_list->OnEndLabelEdit(record);
    QMetaObject::invokeMethod(this, &CInPlaceCombo::DestroyEditorWindow, Qt::QueuedConnection);
}
