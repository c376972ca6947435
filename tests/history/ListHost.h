#pragma once
// What the list control's tests share: a dialog that hosts one list with a
// combo column and an edit column, and records what the list tells it; and
// what the two dialogs' tests share: reading a list and choosing a level in it.
#include "platform/CDialog.h"
#include "platform/WinMessages.h"
#include "history/CComboListCtrl.h"
#include "history/CInPlaceCombo.h"
#include "history/CInPlaceEdit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace listhost {

struct Notification {
    quintptr controlId;
    int row;
    int column;
    QString text;
    bool operator==(const Notification&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Notification& n)
{
    return out << "{" << n.controlId << ", " << n.row << ", " << n.column << ", '" << n.text.toStdString() << "'}";
}

const QStringList kLevels = {"none", "Level 1", "Level 2", "Level 3", "Level 4", "Level 5"};

using Table = std::vector<std::vector<QString>>;

// Every cell's text, row by row.
inline Table ListRows(const CComboListCtrl& list)
{
    Table rows;
    for (int r = 0; r < list.GetItemCount(); ++r) {
        std::vector<QString> row;
        for (int c = 0; c < list.columnCount(); ++c)
            row.push_back(list.GetItemText(r, c));
        rows.push_back(row);
    }
    return rows;
}

// A click on a cell, scrolled into view first, as the learner does it.
inline void ClickCell(CComboListCtrl& list, int row, int column, Qt::KeyboardModifiers modifiers = {})
{
    list.scrollToItem(list.topLevelItem(row));
    const QPoint centre = list.visualRect(list.model()->index(row, column)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, centre);
}

// Opens a combo cell's drop-down with a click, moves `steps` down and
// commits with Return.
inline void ChooseInDropDown(CComboListCtrl& list, int row, int column, int steps)
{
    ClickCell(list, row, column);
    CInPlaceCombo* combo = CInPlaceCombo::Instance();
    ASSERT_TRUE(combo->IsWindowOpen());
    for (int i = 0; i < steps; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Return);
    QCoreApplication::processEvents();
}

// A dialog holding one list as control 1033, with a default and a cancel
// button, a field that can hold the focus, and the list's parent side of
// the two messages: it answers item requests with `items` and records them
// and every edit notification.
class ListHost : public QDialog {
public:
    explicit ListHost(int rows = 4, const std::vector<int>& widths = {130, 60, 80})
    {
        resize(420, 260);
        list = new CComboListCtrl(this);
        CDialog::SetControlId(list, 1033);
        list->setGeometry(10, 10, 400, 200);
        list->setFocusPolicy(Qt::StrongFocus);
        for (int c = 0; c < int(widths.size()); ++c)
            list->InsertColumn(c, QStringLiteral("c%1").arg(c), widths[c]);
        for (int r = 0; r < rows; ++r) {
            list->InsertItem(r, QStringLiteral("word%1").arg(r));
            for (int c = 1; c < int(widths.size()); ++c)
                list->SetItemText(r, c, QStringLiteral("t%1%2").arg(r).arg(c));
        }
        field = new QLineEdit(this);
        field->setGeometry(10, 220, 100, 24);
        defaultButton = new QPushButton(QStringLiteral("OK"), this);
        defaultButton->setGeometry(200, 220, 80, 24);
        defaultButton->setDefault(true);
        connect(defaultButton, &QPushButton::clicked, this, [this] { ++defaultPressed; });
    }

    void reject() override { ++rejected; }

    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::Type(UWM_COMBO_ITEMS)) {
            auto* message = dynamic_cast<WinMessage*>(event);
            requests.push_back(int(message->wParam));
            *static_cast<QStringList*>(message->lParam) = items;
            return true;
        }
        if (event->type() == QEvent::Type(UWM_CELL_EDITED)) {
            auto* message = dynamic_cast<WinMessage*>(event);
            const auto* record = static_cast<const CellEditRecord*>(message->lParam);
            notifications.push_back({message->wParam, record->row, record->column, record->text});
            return true;
        }
        return QDialog::event(event);
    }

    void ShowActive()
    {
        show();
        activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(this));
    }

    QPoint CellCentre(int row, int column) const
    {
        return list->visualRect(list->model()->index(row, column)).center();
    }

    void Click(int row, int column, Qt::KeyboardModifiers modifiers = {}) { ClickCell(*list, row, column, modifiers); }

    std::vector<int> SelectedRows() const
    {
        std::vector<int> rows;
        for (int r = 0; r < list->GetItemCount(); ++r)
            if (list->topLevelItem(r)->isSelected())
                rows.push_back(r);
        return rows;
    }

    CComboListCtrl* list;
    QLineEdit* field;
    QPushButton* defaultButton;
    QStringList items = kLevels;
    std::vector<int> requests;
    std::vector<Notification> notifications;
    int defaultPressed = 0;
    int rejected = 0;
};

// Lets posted closes and focus moves run.
inline void Settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace listhost
