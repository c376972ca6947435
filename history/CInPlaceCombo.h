#pragma once
#include <QComboBox>
#include <QStringList>
#include <cstdint>

#include "history/InPlaceEditor.h"

class CComboListCtrl;

// The drop-down list that edits a combo cell of a CComboListCtrl. One object
// serves the whole process; its window exists only while an edit runs: it
// opens over the cell, and when it loses the focus the edit ends, the list
// gets the text (the cell's old text after Escape) and the window closes a
// moment later. An Open while the window still exists only retargets the
// object.
class CInPlaceCombo : public InPlaceEditor<QComboBox> {
    Q_OBJECT
public:
    static CInPlaceCombo* Instance();
    static void ReleaseInstance();

    // Returns false when the window could not be made, true when it was made
    // or already existed.
    bool Open(std::uint32_t style, const QRect& rect, CComboListCtrl* parent, int id, std::int32_t row,
              std::int32_t column, const QStringList& items, const QString& text);
    // Selects the first item after `startAfter` that begins with `text`,
    // ignoring case; returns its index, or -1 (selection unchanged) when none does.
    int SelectString(int startAfter, const QString& text);

    void hidePopup() override;

    QStringList m_items;

protected:
    QString EditedText() const override { return currentText(); }
    void DestroyEditorWindow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CInPlaceCombo();
    ~CInPlaceCombo() override;

    bool CreateEditorWindow(const QRect& rect, CComboListCtrl* parent);

    static CInPlaceCombo* s_instance;
};
