#pragma once
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <cstdint>

class CComboListCtrl;

// What the in-place editors of a CComboListCtrl share. The editor's window
// exists only while an edit runs over a cell. Return hands the focus back to
// the list, Escape too after cancelling; the focus loss ends the edit: the
// list gets the text (the cell's old text when cancelled) once, and the
// window closes a moment later.
template <class Widget>
class InPlaceEditor : public Widget {
public:
    bool IsWindowOpen() const { return m_windowOpen; }

    std::int32_t m_row = -1;
    std::int32_t m_column = -1;
    bool m_cancelled = false;
    QString m_initialText;

protected:
    InPlaceEditor() : Widget(nullptr) {}

    // The text an edit that was not cancelled ends with.
    virtual QString EditedText() const = 0;

    void BeginEdit(std::int32_t row, std::int32_t column, const QString& initialText);
    // Moves the window onto the list's viewport; false when there is no list.
    bool AttachToList(CComboListCtrl* list);
    virtual void DestroyEditorWindow();
    void GiveFocusToList();
    // Takes Return, Enter and Escape; false for every other key.
    bool HandleEndKey(QKeyEvent* event);

    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    QPointer<CComboListCtrl> m_list;
    bool m_windowOpen = false;
    // Set from the end of an edit until the window is gone: one edit, one notification.
    bool m_ending = false;

private:
    void EndEdit();
};

extern template class InPlaceEditor<QComboBox>;
extern template class InPlaceEditor<QLineEdit>;
