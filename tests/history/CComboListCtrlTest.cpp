// The editable list control and its in-place drop-down: which cell a point
// is, opening, committing and cancelling, the drop-down's size, the editors' lifetime.
#include "ListHost.h"

namespace {

using namespace listhost;

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
