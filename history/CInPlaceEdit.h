#pragma once
#include <QLineEdit>
#include <cstdint>

#include "history/InPlaceEditor.h"

class CComboListCtrl;

// The single-line edit that edits a text cell of a CComboListCtrl. One
// object serves the whole process; its window exists only while an edit
// runs, and the edit ends when it loses the focus (see CInPlaceCombo).
// With m_validChars set, only those characters can be typed (others beep)
// and a paste goes through only when every pasted character is one of them.
class CInPlaceEdit : public InPlaceEditor<QLineEdit> {
    Q_OBJECT
public:
    static CInPlaceEdit* Instance();
    static void ReleaseInstance();

    bool Open(std::uint32_t style, const QRect& rect, CComboListCtrl* parent, int id, std::int32_t row,
              std::int32_t column, const QString& validChars, const QString& text);

    QString m_validChars;

protected:
    QString EditedText() const override { return text(); }
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CInPlaceEdit();
    ~CInPlaceEdit() override;

    bool CreateEditorWindow(const QRect& rect, CComboListCtrl* parent);
    bool AllValid(const QString& text) const;
    void OnPaste();

    static CInPlaceEdit* s_instance;
};
