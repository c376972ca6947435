#include "history/CInPlaceCombo.h"

#include "history/CComboListCtrl.h"

#include <QAbstractItemView>
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

CInPlaceCombo::CInPlaceCombo()
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
    BeginEdit(row, column, text);
    m_items = items;
    bool made = true;
    if (!m_windowOpen)
        made = CreateEditorWindow(rect, parent);
    setCurrentIndex(-1);
    return made;
}

bool CInPlaceCombo::CreateEditorWindow(const QRect& rect, CComboListCtrl* parent)
{
    if (!AttachToList(parent))
        return false;
    // The field keeps its natural height; the rest of the rectangle is the
    // drop-down's: one row more than the items, up to the list's limit.
    setGeometry(rect.left(), rect.top(), rect.width(), std::min(sizeHint().height(), rect.height()));
    setMaxVisibleItems(static_cast<int>(std::min<qsizetype>(m_items.size(), CComboListCtrl::kMaxComboDropRows)) + 1);
    m_windowOpen = true;
    show();
    setFocus(Qt::OtherFocusReason);
    clear();
    addItems(m_items);
    return true;
}

void CInPlaceCombo::DestroyEditorWindow()
{
    if (m_windowOpen)
        hidePopup();
    InPlaceEditor::DestroyEditorWindow();
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

bool CInPlaceCombo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        m_cancelled = true;
    return QComboBox::eventFilter(watched, event);
}

void CInPlaceCombo::keyPressEvent(QKeyEvent* event)
{
    if (!HandleEndKey(event))
        QComboBox::keyPressEvent(event);
}
