#include "history/CInPlaceEdit.h"

#include "history/CComboListCtrl.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace {

// Control characters that always pass the character filter: copy,
// backspace, paste and cut.
constexpr char16_t kCopyChar = 3;
constexpr char16_t kBackspaceChar = 8;
constexpr char16_t kPasteChar = 22;
constexpr char16_t kCutChar = 24;

// The characters a key press types, as the classic character messages
// would carry them: Ctrl with a letter is its control character, Backspace
// is 8; keys that type nothing (arrows, Delete, function keys) give none.
QString TypedCharacters(const QKeyEvent& event)
{
    const int key = event.key();
    if (key == Qt::Key_Backspace)
        return QString(QChar(kBackspaceChar));
    if (key == Qt::Key_Delete)
        return QString();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier)) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            return QString(QChar(char16_t(key - Qt::Key_A + 1)));
        return QString();
    }
    return event.text();
}

bool AlwaysPasses(QChar c)
{
    const char16_t u = c.unicode();
    return u == kCopyChar || u == kBackspaceChar || u == kPasteChar || u == kCutChar;
}

} // namespace

CInPlaceEdit* CInPlaceEdit::s_instance = nullptr;

CInPlaceEdit* CInPlaceEdit::Instance()
{
    if (!s_instance)
        s_instance = new CInPlaceEdit;
    return s_instance;
}

void CInPlaceEdit::ReleaseInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

CInPlaceEdit::CInPlaceEdit()
{
    setObjectName(QStringLiteral("CInPlaceEdit"));
    setAcceptDrops(false);
    hide();
}

CInPlaceEdit::~CInPlaceEdit() = default;

bool CInPlaceEdit::Open(std::uint32_t /*style*/, const QRect& rect, CComboListCtrl* parent, int /*id*/,
                        std::int32_t row, std::int32_t column, const QString& validChars, const QString& text)
{
    BeginEdit(row, column, text);
    m_validChars = validChars;
    if (m_windowOpen)
        return true;
    return CreateEditorWindow(rect, parent);
}

bool CInPlaceEdit::CreateEditorWindow(const QRect& rect, CComboListCtrl* parent)
{
    if (!AttachToList(parent))
        return false;
    setGeometry(rect);
    m_windowOpen = true;
    show();
    setText(m_initialText);
    selectAll();
    setFocus(Qt::OtherFocusReason);
    return true;
}

bool CInPlaceEdit::AllValid(const QString& text) const
{
    for (QChar c : text)
        if (!m_validChars.contains(c))
            return false;
    return true;
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* event)
{
    if (HandleEndKey(event))
        return;
    if (!m_validChars.isEmpty()) {
        const QString typed = TypedCharacters(*event);
        for (QChar c : typed) {
            if (!AlwaysPasses(c) && !m_validChars.contains(c)) {
                event->accept();
                QApplication::beep();
                return;
            }
        }
    }
    if (event->matches(QKeySequence::Paste)) {
        event->accept();
        OnPaste();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CInPlaceEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (!m_validChars.isEmpty() && !AllValid(event->commitString())) {
        QInputMethodEvent dropped(event->preeditString(), event->attributes());
        QApplication::beep();
        QLineEdit::inputMethodEvent(&dropped);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void CInPlaceEdit::OnPaste()
{
    if (!m_validChars.isEmpty()) {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        if (!data || !data->hasText() || !AllValid(data->text()))
            return;
    }
    paste();
}

void CInPlaceEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    // The menu's Paste obeys the same rule as the keyboard's.
    if (auto* pasteAction = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
        disconnect(pasteAction, &QAction::triggered, nullptr, nullptr);
        connect(pasteAction, &QAction::triggered, this, [this] { OnPaste(); });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CInPlaceEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // The selection paste of the middle button is a paste as well.
    if (event->button() == Qt::MiddleButton && !m_validChars.isEmpty() &&
        QApplication::clipboard()->supportsSelection() &&
        !AllValid(QApplication::clipboard()->text(QClipboard::Selection))) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}
