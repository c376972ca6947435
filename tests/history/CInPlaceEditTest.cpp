// The list control's in-place edit: opening with the text selected, Return
// and Escape, and the characters it lets through, typed or pasted.
#include "ListHost.h"

namespace {

using namespace listhost;

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

// The edit opens on a click with the cell's text selected; Return keeps what
// was typed, Escape the text it opened with. Either closes it with one
// notification and reaches neither the default button nor the dialog.
TEST_F(InPlaceEdit, ClickOnEditCell_OpensWithTextSelected_ReturnCommitsEscapeRestores)
{
    const struct {
        Qt::Key key;
        const char* cell;
    } cases[] = {{Qt::Key_Return, "new"}, {Qt::Key_Escape, "old"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        host.notifications.clear();
        CInPlaceEdit* edit = OpenEdit(QString(), "old");
        ASSERT_TRUE(edit->IsWindowOpen());
        EXPECT_TRUE(edit->hasFocus());
        EXPECT_EQ(edit->selectedText(), "old");
        QTest::keyClicks(edit, "new");
        QTest::keyClick(edit, c.key);
        Settle();
        EXPECT_EQ(host.notifications, (std::vector<Notification>{{1033, 1, 1, c.cell}}));
        EXPECT_EQ(host.list->GetItemText(1, 1), c.cell);
        EXPECT_EQ(host.defaultPressed, 0);
        EXPECT_EQ(host.rejected, 0);
        EXPECT_FALSE(edit->IsWindowOpen());
    }
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

} // namespace
