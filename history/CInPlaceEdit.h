#pragma once
#include <QLineEdit>
#include <QPointer>
#include <cstdint>

class CComboListCtrl;

// The single-line edit that edits a text cell of a CComboListCtrl. One
// object serves the whole process; its window exists only while an edit
// runs, and the edit ends when it loses the focus (see CInPlaceCombo).
// With m_validChars set, only those characters can be typed (others beep)
// and a paste goes through only when every pasted character is one of them.
class CInPlaceEdit : public QLineEdit {
    Q_OBJECT
public:
    static CInPlaceEdit* Instance();
    static void ReleaseInstance();

    bool Open(std::uint32_t style, const QRect& rect, CComboListCtrl* parent, int id, std::int32_t row,
              std::int32_t column, const QString& validChars, const QString& text);
    bool IsWindowOpen() const { return m_windowOpen; }

    std::int32_t m_row = -1;
    std::int32_t m_column = -1;
    bool m_cancelled = false;
    QString m_initialText;
    QString m_validChars;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    CInPlaceEdit();
    ~CInPlaceEdit() override;

    bool CreateEditorWindow(const QRect& rect, CComboListCtrl* parent);
    void DestroyEditorWindow();
    void GiveFocusToList();
    void EndEdit();
    bool AllValid(const QString& text) const;
    void OnPaste();

    static CInPlaceEdit* s_instance;
    QPointer<CComboListCtrl> m_list;
    bool m_windowOpen = false;
    bool m_ending = false;
};
