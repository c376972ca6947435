// The main dialog before a drill: what it shows at first, its fields, a list
// that is not listed or not registered, and the wait for the preload.
#include "MainDialogHarness.h"

namespace {

using namespace main_dialog_test;

TEST(MainDialog, Init_ListedFirstList_ShowsListsModesAndStoredRange)
{
    MainDialogHarness h;
    h.MakeListed("DUO", 5, 12);
    h.Run([&] {
        EXPECT_EQ(h.dlg.windowTitle(), QStringLiteral("Vokabo"));
        std::vector<QString> names;
        for (int i = 0; i < h.ListBox()->count(); ++i)
            names.push_back(h.ListBox()->item(i)->text());
        EXPECT_EQ(names, (std::vector<QString>{"DUO", "HS1", "HS2", "HS3", "MS1", "MS2", "MS3", "STEP_Lv1",
                                               "STEP_Lv2hard", "STEP_Lv2nom", "STEP_TokyoUniv", "TOEFL", "TOEIC"}));
        EXPECT_EQ(h.ListBox()->currentRow(), 0);
        EXPECT_EQ(ItemTexts(h.Combo("modeCombo")), (std::vector<QString>{"プレビュー", "フリー", "テスト"}));
        EXPECT_EQ(h.Combo("modeCombo")->currentIndex(), 1);
        EXPECT_EQ(ItemTexts(h.Combo("levelCombo")), (std::vector<QString>{"全部", "1", "2", "3", "4", "5"}));
        EXPECT_EQ(h.Combo("levelCombo")->currentIndex(), 0);
        EXPECT_EQ(h.CountText(), QStringLiteral("30"));
        EXPECT_EQ(h.Edit("firstEdit")->text(), QStringLiteral("5"));
        EXPECT_EQ(h.Edit("lastEdit")->text(), QStringLiteral("12"));
        EXPECT_TRUE(h.Button("historyButton")->isEnabled());
        EXPECT_TRUE(h.Combo("levelCombo")->isEnabled());
        EXPECT_FALSE(h.dlg.findChild<QCheckBox*>("spellCheck")->isChecked());
        EXPECT_FALSE(h.PreloadTimer()->isActive());
    });
    h.ExpectBoxes({});
}

// A click lands on whatever lies on top at that point: every control must be
// the one hit at its centre, and every text must fit its control.
TEST(MainDialog, Layout_EveryControlOnTopAtItsCentreAndTextsFit)
{
    MainDialogHarness h;
    h.Run([&] {
        for (const char* name : {"startButton", "modeCombo", "cancelButton", "wordListBox", "firstEdit", "lastEdit",
                                 "levelCombo", "historyButton", "spellCheck"}) {
            auto* control = h.dlg.findChild<QWidget*>(name);
            const QWidget* hit = h.dlg.childAt(control->geometry().center());
            EXPECT_TRUE(hit == control || control->isAncestorOf(hit)) << name;
        }
        for (auto* combo : {h.Combo("modeCombo"), h.Combo("levelCombo")})
            EXPECT_FALSE(combo->geometry().intersects(h.Edit("firstEdit")->geometry()) ||
                         combo->geometry().intersects(h.Button("startButton")->geometry()));
        for (auto* label : h.dlg.findChildren<QLabel*>()) {
            const QFontMetrics metrics = label->fontMetrics();
            EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
            EXPECT_LE(metrics.height(), label->height()) << label->text().toStdString();
        }
        for (auto* button : h.dlg.findChildren<QPushButton*>()) {
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width())
                << button->text().toStdString();
            EXPECT_LE(button->fontMetrics().height() + 4, button->height()) << button->text().toStdString();
        }
        auto* check = h.dlg.findChild<QCheckBox*>("spellCheck");
        EXPECT_LE(check->sizeHint().width(), check->width());
    });
}

// The range fields take ASCII digits alone, as the range check reads them:
// other characters are dropped as they are typed, and a paste that holds
// one is refused whole.
TEST(MainDialog, RangeFields_TakeAsciiDigitsOnly)
{
    const struct {
        const char* text;
        const char* typed;
        const char* pasted;
    } cases[] = {
        {"0123456789", "0123456789", "0123456789"},
        {"1a2", "12", ""},
        {"-5", "5", ""},
        {"+3 4", "34", ""},
        {"１٣7", "7", ""}, // full-width one, Arabic-Indic three
    };
    MainDialogHarness h;
    h.Run([&] {
        for (const auto& c : cases) {
            for (const char* name : {"firstEdit", "lastEdit"}) {
                SCOPED_TRACE(std::string(c.text) + " in " + name);
                QLineEdit* edit = h.Edit(name);
                edit->clear();
                for (QChar character : QString::fromUtf8(c.text))
                    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(character), Qt::NoModifier);
                EXPECT_EQ(edit->text(), QString::fromUtf8(c.typed));
                edit->clear();
                edit->insert(QString::fromUtf8(c.text));
                EXPECT_EQ(edit->text(), QString::fromUtf8(c.pasted));
            }
        }
    });
}

TEST(MainDialog, SelectList_NotListed_EmptyRangeDisabledHistoryAndStartAllowed)
{
    MainDialogHarness h;
    h.MakeListed("DUO", 5, 12);
    h.Run([&] {
        h.ClickList("HS1");
        EXPECT_EQ(h.CountText(), QStringLiteral("30"));
        EXPECT_EQ(h.Edit("firstEdit")->text(), QString());
        EXPECT_EQ(h.Edit("lastEdit")->text(), QString());
        EXPECT_FALSE(h.Button("historyButton")->isEnabled());
        EXPECT_FALSE(h.Combo("levelCombo")->isEnabled());
        EXPECT_EQ(h.Combo("levelCombo")->currentIndex(), 0);

        h.ClickStart();
    });
    h.ExpectBoxes({});
    ASSERT_EQ(h.drillRuns.size(), 1u);
    EXPECT_EQ(h.drillRuns[0].listName, "HS1");
    EXPECT_EQ(h.drillRuns[0].words, h.Words("HS1", 1, 30));
    EXPECT_EQ(h.drillRuns[0].levelFilter, 0);
    const WordListState* hs1 = FindWordList("HS1");
    EXPECT_EQ(hs1->beg, 1);
    EXPECT_EQ(hs1->end, 30);
    EXPECT_TRUE(hs1->listed.load());
    EXPECT_EQ(h.db.Rows("select * from control order by listname"),
              (Rows{{"DUO", "5", "12"}, {"HS1", "1", "30"}}));
}

TEST(MainDialog, Start_ListWithoutCards_WordlistEmptyAndNothingStored)
{
    MainDialogHarness h;
    FindWordList("DUO")->cards.clear();
    h.Run([&] { h.ClickStart(); });
    h.ExpectBoxes({kEmpty});
    EXPECT_TRUE(h.drillRuns.empty());
    EXPECT_FALSE(FindWordList("DUO")->listed.load());
    EXPECT_EQ(h.db.Rows("select * from control"), Rows{});
}

TEST(MainDialog, NameMissingFromRegistry_NoSuchWordlistOnSelectAndStart)
{
    MainDialogHarness h;
    WordListRegistry.erase("HS2");
    h.Run([&] {
        h.ClickList("HS2");
        // The refresh stops before it moves anything into the controls.
        EXPECT_EQ(h.CountText(), QStringLiteral("30"));
        h.ClickStart();
    });
    h.ExpectBoxes({kNoSuchList, kNoSuchList});
    EXPECT_TRUE(h.drillRuns.empty());
    EXPECT_EQ(h.db.Rows("select * from control"), Rows{});
}

// Given the preload has not finished, Start only asks to wait: nothing is
// stored, synchronised or drilled, and the fields keep what was typed.
TEST(MainDialog, Start_WhilePreloadRuns_OnlyTheWaitingMessage)
{
    const struct {
        const char* name;
        bool listsDone;
    } cases[] = {{"nothing loaded", false}, {"lists loaded, control not yet", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainDialogHarness h(false);
        TestDatabase::LoadBuiltinRegistry();
        listsLoaded.store(c.listsDone, std::memory_order_release);
        h.Run([&] {
            const QString countBefore = h.CountText();
            h.Type("firstEdit", "3");
            h.Type("lastEdit", "9");
            h.ClickStart();
            EXPECT_EQ(h.CountText(), countBefore);
            EXPECT_EQ(h.Edit("firstEdit")->text(), QStringLiteral("3"));
            EXPECT_EQ(h.Edit("lastEdit")->text(), QStringLiteral("9"));
            EXPECT_TRUE(h.dlg.isVisible());
        });
        h.ExpectBoxes({kWaitText});
        // Closing the window ends its polling.
        EXPECT_FALSE(h.PreloadTimer()->isActive());
        EXPECT_TRUE(h.drillRuns.empty());
        EXPECT_EQ(FindWordList("DUO")->beg, 0);
        EXPECT_FALSE(FindWordList("DUO")->listed.load());
        EXPECT_EQ(h.db.Rows("select * from control"), Rows{});
    }
}

// Given the dialog waiting for the preload, when the real preload finishes,
// then the first tick after it shows the list and stops the polling.
TEST(MainDialog, Waiting_PreloadFinishes_FirstTickShowsListAndStopsTimer)
{
    MainDialogHarness h(false);
    h.db.Exec("INSERT INTO control VALUES('DUO', 5, 12)");
    int ticks = 0;
    QObject::connect(h.PreloadTimer(), &QTimer::timeout, [&] { ++ticks; });
    h.Run([&] {
        EXPECT_EQ(h.CountText(), kLoadingText);
        EXPECT_FALSE(h.Button("historyButton")->isEnabled());
        EXPECT_FALSE(h.Combo("levelCombo")->isEnabled());
        EXPECT_TRUE(h.PreloadTimer()->isActive());
        EXPECT_EQ(h.PreloadTimer()->interval(), 1000);

        std::thread preload(PreloadThread);
        preload.join();
        if (ticks == 0) {
            EXPECT_EQ(h.CountText(), kLoadingText);
        }

        EXPECT_TRUE(QTest::qWaitFor([&] { return h.CountText() != kLoadingText; }, 5000));
        EXPECT_EQ(ticks, 1);
        EXPECT_FALSE(h.PreloadTimer()->isActive());
        EXPECT_EQ(h.CountText(), QStringLiteral("30"));
        EXPECT_EQ(h.Edit("firstEdit")->text(), QStringLiteral("5"));
        EXPECT_EQ(h.Edit("lastEdit")->text(), QStringLiteral("12"));
        EXPECT_TRUE(h.Button("historyButton")->isEnabled());
        EXPECT_TRUE(h.Combo("levelCombo")->isEnabled());
    });
    h.ExpectBoxes({});
}

TEST(MainDialog, CancelEscapeAndCloseBox_EndTheRunWithCancel)
{
    const struct {
        const char* name;
        std::function<void(MainDialogHarness&)> close;
    } cases[] = {
        {"Cancel button", [](MainDialogHarness& h) { QTest::mouseClick(h.Button("cancelButton"), Qt::LeftButton); }},
        {"Escape", [](MainDialogHarness& h) { QTest::keyClick(h.Edit("firstEdit"), Qt::Key_Escape); }},
        {"close box", [](MainDialogHarness& h) { h.dlg.close(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainDialogHarness h;
        bool closedByScript = false;
        const int result = h.Run([&] {
            c.close(h);
            closedByScript = !h.dlg.isVisible();
        });
        EXPECT_TRUE(closedByScript);
        EXPECT_EQ(result, ModalSeam::IDCANCEL);
        EXPECT_TRUE(h.drillRuns.empty());
        h.ExpectBoxes({});
    }
}

} // namespace
