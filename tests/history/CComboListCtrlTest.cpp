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

namespace {

struct Notification {
    quintptr controlId;
    int row;
    int column;
    QString text;
    bool operator==(const Notification&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Notification& n)
{
    return out << "{" << n.controlId << ", " << n.row << ", " << n.column << ", '" << n.text.toStdString() << "'}";
}

const QStringList kLevels = {"none", "Level 1", "Level 2", "Level 3", "Level 4", "Level 5"};

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

    void Click(int row, int column, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, CellCentre(row, column));
    }

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
void Settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

class ComboListCtrl : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.list->MarkReadOnlyColumn(0, true);
        host.list->MarkReadOnlyColumn(1, true);
        host.list->MarkComboColumn(2, true);
        host.ShowActive();
    }
    CInPlaceCombo* OpenLevelCombo(int row, const QString& cellText)
    {
        host.list->SetItemText(row, 2, cellText);
        host.Click(row, 2);
        return CInPlaceCombo::Instance();
    }
    ListHost host;
};

QStringList ComboItems(const QComboBox& combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}

TEST(ComboListCtrlColumns, MarkTwiceAndUnmarkAbsent_KeepOneEntry)
{
    CComboListCtrl list;
    list.MarkComboColumn(4, true);
    list.MarkComboColumn(4, true);
    list.MarkComboColumn(2, false);
    list.MarkReadOnlyColumn(0, true);
    list.MarkReadOnlyColumn(1, true);
    list.MarkReadOnlyColumn(0, false);
    EXPECT_EQ(list.m_comboColumns, (std::list<std::int32_t>{4}));
    EXPECT_EQ(list.m_readOnlyColumns, (std::list<std::int32_t>{1}));
    EXPECT_TRUE(list.IsComboColumn(4));
    EXPECT_FALSE(list.IsComboColumn(0));
    EXPECT_TRUE(list.IsReadOnlyColumn(1));
    EXPECT_EQ(list.m_editStyle, 0x1C0u);
    EXPECT_EQ(list.m_comboStyle, 0x508008C3u);
}

TEST_F(ComboListCtrl, CellFromPoint_ColumnBordersBelongToLeftColumnAndOutsideIsNoCell)
{
    const QRect row1 = host.list->visualRect(host.list->model()->index(1, 0));
    const int y = row1.center().y();
    const struct {
        QPoint point;
        bool hit;
        int row, column;
    } cases[] = {
        {{0, y}, true, 1, 0},
        {{129, y}, true, 1, 0},
        {{130, y}, true, 1, 0}, // the border between 0 and 1
        {{131, y}, true, 1, 1},
        {{190, y}, true, 1, 1},
        {{191, y}, true, 1, 2},
        {{269, y}, true, 1, 2},
        {{270, y}, false, 1, 0}, // right of the last column
        {{50, host.CellCentre(3, 0).y() + 40}, false, -1, 0}, // below the last row
    };
    for (const auto& c : cases) {
        std::int32_t row = -7, column = -7;
        EXPECT_EQ(host.list->CellFromPoint(c.point, &row, &column), c.hit) << c.point.x() << "," << c.point.y();
        EXPECT_EQ(row, c.row) << c.point.x();
        EXPECT_EQ(column, c.column) << c.point.x();
    }
    std::int32_t row = 0;
    EXPECT_FALSE(host.list->CellFromPoint(QPoint(5, y), &row, nullptr));
    EXPECT_FALSE(host.list->CellFromPoint(QPoint(5, y), nullptr, &row));
}

TEST_F(ComboListCtrl, ClickOnComboCell_OpensParentItemsInOrderWithCellTextPreselected)
{
    const struct {
        const char* cellText;
        int selected;
    } cases[] = {
        {"Level 2", 2}, {"level 3", 3}, {"LEV", 1}, {"none", 0}, {"other", -1},
    };
    for (const auto& c : cases) {
        host.requests.clear();
        CInPlaceCombo* combo = OpenLevelCombo(1, QString::fromUtf8(c.cellText));
        SCOPED_TRACE(c.cellText);
        EXPECT_EQ(host.requests, std::vector<int>{2});
        ASSERT_TRUE(combo->IsWindowOpen());
        EXPECT_TRUE(combo->isVisible());
        EXPECT_TRUE(combo->hasFocus());
        EXPECT_EQ(ComboItems(*combo), kLevels);
        EXPECT_EQ(combo->currentIndex(), c.selected);
        EXPECT_EQ(combo->m_row, 1);
        EXPECT_EQ(combo->m_column, 2);
        EXPECT_EQ(combo->m_initialText, QString::fromUtf8(c.cellText));
        // The clicked row is the only selected one and holds the focus mark.
        EXPECT_EQ(host.SelectedRows(), std::vector<int>{1});
        EXPECT_EQ(host.list->currentIndex().row(), 1);
        host.field->setFocus();
        Settle();
        EXPECT_FALSE(combo->IsWindowOpen());
    }
}

TEST_F(ComboListCtrl, ParentGivesNoItems_DropDownOpensEmpty)
{
    host.items.clear();
    CInPlaceCombo* combo = OpenLevelCombo(0, "Level 1");
    ASSERT_TRUE(combo->IsWindowOpen());
    EXPECT_EQ(combo->count(), 0);
    EXPECT_EQ(combo->currentIndex(), -1);
}

TEST_F(ComboListCtrl, EscapeInCombo_RestoresCellNotifiesAndKeepsDialogOpen)
{
    CInPlaceCombo* combo = OpenLevelCombo(2, "Level 1");
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentText(), "Level 2");
    QTest::keyClick(combo, Qt::Key_Escape);
    Settle();
    EXPECT_EQ(host.list->GetItemText(2, 2), "Level 1");
    EXPECT_EQ(host.notifications, (std::vector<Notification>{{1033, 2, 2, "Level 1"}}));
    EXPECT_EQ(host.rejected, 0);
    EXPECT_TRUE(host.list->hasFocus());
    EXPECT_FALSE(combo->IsWindowOpen());
    EXPECT_FALSE(combo->isVisible());
}

TEST_F(ComboListCtrl, ReturnInCombo_CommitsWithoutPressingDefaultButton)
{
    CInPlaceCombo* combo = OpenLevelCombo(0, "none");
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Return);
    Settle();
    EXPECT_EQ(host.list->GetItemText(0, 2), "Level 2");
    EXPECT_EQ(host.notifications, (std::vector<Notification>{{1033, 0, 2, "Level 2"}}));
    EXPECT_EQ(host.defaultPressed, 0);
    EXPECT_FALSE(combo->IsWindowOpen());
}

TEST_F(ComboListCtrl, MouseChoiceInDropDown_CommitsAtOnce)
{
    CInPlaceCombo* combo = OpenLevelCombo(3, "none");
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(view->isVisible());
    const QPoint item = view->visualRect(view->model()->index(4, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item);
    Settle();
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(host.list->GetItemText(3, 2), "Level 4");
    EXPECT_EQ(host.notifications, (std::vector<Notification>{{1033, 3, 2, "Level 4"}}));
    EXPECT_FALSE(combo->IsWindowOpen());
    EXPECT_EQ(host.focusWidget(), host.list);
}

TEST_F(ComboListCtrl, EscapeInOpenDropDown_CancelsEdit)
{
    CInPlaceCombo* combo = OpenLevelCombo(1, "Level 5");
    combo->showPopup();
    QTest::keyClick(combo->view(), Qt::Key_Up);
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    Settle();
    EXPECT_EQ(host.notifications, (std::vector<Notification>{{1033, 1, 2, "Level 5"}}));
    EXPECT_FALSE(combo->IsWindowOpen());
    EXPECT_EQ(host.rejected, 0);
}

TEST_F(ComboListCtrl, ClickBesideCells_ChangesNeitherSelectionNorFocus)
{
    host.Click(1, 1);
    host.list->topLevelItem(0)->setSelected(true);
    host.list->topLevelItem(2)->setSelected(true);
    host.field->setFocus();
    const int currentBefore = host.list->currentIndex().row();
    const std::vector<int> selectedBefore = host.SelectedRows();
    const QPoint points[] = {
        {300, host.CellCentre(1, 0).y()},                   // right of the last column
        {host.CellCentre(0, 2).x(), host.CellCentre(3, 0).y() + 40}, // below the last row
    };
    for (const QPoint& point : points) {
        // A drag from beside the cells over them selects nothing either.
        QTest::mousePress(host.list->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseMove(host.list->viewport(), host.CellCentre(3, 1));
        QTest::mouseRelease(host.list->viewport(), Qt::LeftButton, {}, host.CellCentre(3, 1));
        Settle();
        EXPECT_EQ(host.SelectedRows(), selectedBefore);
        EXPECT_EQ(host.list->currentIndex().row(), currentBefore);
        EXPECT_TRUE(host.field->hasFocus());
        EXPECT_TRUE(host.requests.empty());
        EXPECT_FALSE(CInPlaceCombo::Instance()->IsWindowOpen());
    }
}

TEST_F(ComboListCtrl, ShiftOrCtrlClick_OnlySelects)
{
    host.Click(0, 0);
    host.Click(2, 2, Qt::ShiftModifier);
    EXPECT_EQ(host.SelectedRows(), (std::vector<int>{0, 1, 2}));
    host.Click(1, 2, Qt::ControlModifier);
    EXPECT_EQ(host.SelectedRows(), (std::vector<int>{0, 2}));
    EXPECT_TRUE(host.requests.empty());
    EXPECT_FALSE(CInPlaceCombo::Instance()->IsWindowOpen());
}

TEST_F(ComboListCtrl, ClickOnReadOnlyCell_OpensNothing)
{
    host.Click(1, 0);
    host.Click(1, 1);
    EXPECT_TRUE(host.requests.empty());
    EXPECT_FALSE(CInPlaceCombo::Instance()->IsWindowOpen());
    EXPECT_FALSE(CInPlaceEdit::Instance()->IsWindowOpen());
    EXPECT_EQ(host.list->currentIndex().row(), 1);
}

TEST_F(ComboListCtrl, ClickOnOtherCellWhileEditing_OnlyCommitsTheOpenEdit)
{
    CInPlaceCombo* combo = OpenLevelCombo(0, "none");
    QTest::keyClick(combo, Qt::Key_Down);
    host.Click(2, 2);
    Settle();
    EXPECT_EQ(host.notifications, (std::vector<Notification>{{1033, 0, 2, "Level 1"}}));
    EXPECT_FALSE(combo->IsWindowOpen());
    EXPECT_EQ(host.list->currentIndex().row(), 2);
    host.Click(2, 2);
    EXPECT_TRUE(combo->IsWindowOpen());
    EXPECT_EQ(combo->m_row, 2);
}

TEST(ComboListCtrlGeometry, ComboDropDown_ShowsOneRowMoreThanItemsUpToEleven)
{
    ListHost host(3, {130, 60, 80});
    host.list->MarkComboColumn(2, true);
    host.ShowActive();
    const QRect cell = host.list->visualRect(host.list->model()->index(1, 2));
    const struct {
        int items;
        int rows;
    } cases[] = {{0, 1}, {3, 4}, {9, 10}, {10, 11}, {25, 11}};
    for (const auto& c : cases) {
        QStringList items;
        for (int i = 0; i < c.items; ++i)
            items << QStringLiteral("item%1").arg(i);
        CInPlaceCombo* combo = host.list->OpenComboEditor(1, 2, items, QString());
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->maxVisibleItems(), c.rows) << c.items;
        EXPECT_EQ(combo->geometry().topLeft(), cell.topLeft());
        host.list->setFocus();
        Settle();
    }
}

TEST(ComboListCtrlGeometry, NarrowOrMissingComboColumn_GetsNoEditorButNarrowEditColumnDoes)
{
    ListHost host(2, {130, 9, 10, 5});
    host.list->MarkComboColumn(1, true);
    host.list->MarkComboColumn(2, true);
    host.ShowActive();
    EXPECT_EQ(host.list->OpenComboEditor(0, 1, kLevels, "none"), nullptr);
    EXPECT_EQ(host.list->OpenComboEditor(0, 4, kLevels, "none"), nullptr);
    EXPECT_EQ(host.list->OpenComboEditor(5, 2, kLevels, "none"), nullptr);
    EXPECT_FALSE(CInPlaceCombo::Instance()->IsWindowOpen());
    CInPlaceCombo* combo = host.list->OpenComboEditor(0, 2, kLevels, "none");
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->IsWindowOpen());
    host.list->setFocus();
    Settle();
    host.Click(0, 3);
    EXPECT_TRUE(CInPlaceEdit::Instance()->IsWindowOpen());
    EXPECT_EQ(CInPlaceEdit::Instance()->geometry().width(), 5);
}

TEST_F(ComboListCtrl, ScrollingWhileEditing_CommitsTheEdit)
{
    for (int r = 4; r < 40; ++r)
        host.list->InsertItem(r, QStringLiteral("word%1").arg(r));
    host.list->scrollToTop();
    CInPlaceCombo* combo = OpenLevelCombo(0, "none");
    QTest::keyClick(combo, Qt::Key_Down);
    host.list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Settle();
    EXPECT_EQ(host.notifications, (std::vector<Notification>{{1033, 0, 2, "Level 1"}}));
    EXPECT_FALSE(combo->IsWindowOpen());
    EXPECT_TRUE(host.list->hasFocus());
}

class InPlaceEdit : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.list->MarkReadOnlyColumn(0, true);
        host.ShowActive();
    }
    CInPlaceEdit* OpenEdit(const QString& validChars, const QString& text)
    {
        host.list->m_validChars = validChars;
        host.list->SetItemText(1, 1, text);
        host.Click(1, 1);
        return CInPlaceEdit::Instance();
    }
    ListHost host;
};

TEST_F(InPlaceEdit, ClickOnEditCell_OpensWithTextSelectedAndReturnCommits)
{
    CInPlaceEdit* edit = OpenEdit(QString(), "old");
    ASSERT_TRUE(edit->IsWindowOpen());
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->selectedText(), "old");
    QTest::keyClicks(edit, "new");
    QTest::keyClick(edit, Qt::Key_Return);
    Settle();
    EXPECT_EQ(host.notifications, (std::vector<Notification>{{1033, 1, 1, "new"}}));
    EXPECT_EQ(host.list->GetItemText(1, 1), "new");
    EXPECT_EQ(host.defaultPressed, 0);
    EXPECT_FALSE(edit->IsWindowOpen());
}

TEST_F(InPlaceEdit, Escape_RestoresInitialTextAndNotifies)
{
    CInPlaceEdit* edit = OpenEdit(QString(), "old");
    QTest::keyClicks(edit, "xyz");
    QTest::keyClick(edit, Qt::Key_Escape);
    Settle();
    EXPECT_EQ(host.notifications, (std::vector<Notification>{{1033, 1, 1, "old"}}));
    EXPECT_EQ(host.list->GetItemText(1, 1), "old");
    EXPECT_EQ(host.rejected, 0);
}

TEST_F(InPlaceEdit, ValidChars_DropOtherTypedCharactersButKeepEditingKeys)
{
    CInPlaceEdit* edit = OpenEdit("abc", "");
    QTest::keyClicks(edit, "axb1c");
    EXPECT_EQ(edit->text(), "abc");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "ab");
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "ab");
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "abab");
}

TEST_F(InPlaceEdit, PasteWithInvalidCharacter_PastesNothing)
{
    const struct {
        const char* clipboard;
        const char* validChars;
        const char* result;
    } cases[] = {
        {"cab", "abc", "cab"},
        {"cxb", "abc", ""},
        {"a b", "abc", ""},
        {"x1!", "", "x1!"}, // no restriction
    };
    for (const auto& c : cases) {
        QApplication::clipboard()->setText(QString::fromUtf8(c.clipboard));
        CInPlaceEdit* edit = OpenEdit(QString::fromUtf8(c.validChars), "");
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), QString::fromUtf8(c.result)) << c.clipboard << " / " << c.validChars;
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(edit->text(), QString::fromUtf8(c.result) + QString::fromUtf8(c.result));
        host.field->setFocus();
        Settle();
    }
}

TEST(ComboListCtrlLifetime, DestroyingAList_ReleasesTheEditors)
{
    {
        ListHost host;
        host.list->MarkComboColumn(2, true);
        host.ShowActive();
        host.Click(0, 2);
        ASSERT_TRUE(CInPlaceCombo::Instance()->IsWindowOpen());
    }
    // A fresh object: no window, nothing left of the old edit.
    CInPlaceCombo* combo = CInPlaceCombo::Instance();
    EXPECT_FALSE(combo->IsWindowOpen());
    EXPECT_EQ(combo->m_row, -1);
    CInPlaceCombo::ReleaseInstance();
}

} // namespace
