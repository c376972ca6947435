// The drill bar's card: what it shows for each message and button, and what
// its widgets hand the pass rules.
#include "DrillBarFixture.h"

namespace {

using namespace drillbar_test;

TEST_F(DrillBarTest, InitDialog_NoCardSelected_SaysWordListEmptyAndNeverShows)
{
    Select(CKadoDlg::kFree, 2, 1);
    WindowEvents events(&bar);
    bool scriptRan = false;

    const int result = harness.Run(bar, [&](CKadoDlg&) { scriptRan = true; });

    EXPECT_EQ(result, 1);
    EXPECT_FALSE(scriptRan);
    EXPECT_EQ(events.shows, 0);
    ASSERT_EQ(harness.modal.Boxes().size(), 1u);
    const ModalSeam::MessageBoxCall& box = harness.modal.Boxes()[0];
    EXPECT_EQ(box.text, QString::fromUtf8(kDrillEmptyText));
    EXPECT_EQ(box.owner, &bar);
    EXPECT_EQ(box.icon, ModalSeam::Icon::Information);
    EXPECT_EQ(box.buttons, ModalSeam::Buttons::Ok);
    EXPECT_TRUE(bar.findChildren<CinputDlg*>().isEmpty());
    EXPECT_TRUE(bar.findChildren<CtestInputDlg*>().isEmpty());
    EXPECT_EQ(BarWindow, nullptr);
    EXPECT_TRUE(harness.resultRuns.empty());
}

TEST_F(DrillBarTest, InitDialog_EachMode_PlacesBarsAndShowsFirstCard)
{
    struct Case {
        int mode;
        bool revealed;
        bool freeBar;
        bool testBar;
    };
    const Case cases[] = {
        {CKadoDlg::kPreview, true, true, false},
        {CKadoDlg::kFree, false, true, false},
        {CKadoDlg::kTest, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Select(c.mode);
        harness.Run(bar, [&](CKadoDlg& b) {
            EXPECT_TRUE(b.isVisible());
            EXPECT_EQ(BarWindow, &b);
            EXPECT_EQ(b.geometry(), QRect(ScreenFractionPoint(5, 6, 1, 8), QSize(180, 26)));
            EXPECT_EQ(b.m_barRect, b.geometry());
            EXPECT_EQ(b.m_labelRect, QRect(21, 3, 144, 20));
            EXPECT_EQ(b.m_look.SamplePoint(), b.geometry().topLeft());
            EXPECT_TRUE(b.windowFlags().testFlag(Qt::FramelessWindowHint));
            EXPECT_TRUE(b.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            EXPECT_FALSE(b.windowIcon().isNull());
            EXPECT_EQ(bool(b.m_freeAnswerBar), c.freeBar);
            EXPECT_EQ(bool(b.m_testAnswerBar), c.testBar);
            QWidget* answerBar = c.freeBar ? static_cast<QWidget*>(b.m_freeAnswerBar.data())
                                           : static_cast<QWidget*>(b.m_testAnswerBar.data());
            ASSERT_NE(answerBar, nullptr);
            EXPECT_TRUE(answerBar->isVisible());
            EXPECT_EQ(answerBar->parentWidget(), &b);
            const WordCard& first = b.m_passCards[0];
            if (c.mode != CKadoDlg::kTest) {
                EXPECT_EQ(first.word, "apple");
            }
            EXPECT_EQ(Shown(b), c.revealed ? RevealedText(first) : MeaningText(first, 1, 3));
            EXPECT_EQ(b.m_cardText, c.revealed ? first.word + first.phonetic : first.meaning + "(1/3)");
            EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->font().family(),
                      (c.revealed ? PhoneticFont : GothicFont).family());
        });
        EXPECT_TRUE(harness.closedByHarness);
    }
}

TEST_F(DrillBarTest, RevealButtonAndEnter_ToggleBetweenMeaningAndWord)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        Control<QPushButton>(&b, "revealButton")->click();
        EXPECT_TRUE(b.m_revealed);
        EXPECT_EQ(Shown(b), "apple[aepl]");
        EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->font().family(), PhoneticFont.family());
        EXPECT_EQ(LabelTextColour(b), b.palette().color(QPalette::WindowText));

        QTest::keyClick(&b, Qt::Key_Return);
        EXPECT_FALSE(b.m_revealed);
        EXPECT_EQ(Shown(b), MeaningText(cards[0], 1, 3));
        EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->font().family(), GothicFont.family());

        SendMessage(&b, WM_DRILL_REVEAL);
        EXPECT_EQ(Shown(b), "apple[aepl]");
    });
}

// Given the drill bar at its place near the screen's right edge (666 of
// 800), when a card of over 16 bytes widens it past the edge, then it moves
// left just enough and comes back with a short card; where the learner
// drags it meanwhile is its place from then on.
TEST_F(DrillBarTest, ShowCard_TextOverSixteenBytes_WidensBarAndLabel_KeepsBarOnTheScreen)
{
    // 15 bytes of meaning and "(1/3)": 20 bytes, 8 * 20 - 128 = 32 pixels wider.
    cards = {Card("長い意味の単語s", "long", "[l]"), Card("本", "book", "[b]"), Card("長い意味の単語t", "longer", "[l]")};
    ASSERT_EQ(Sjis("長い意味の単語s").size(), 15u);
    Select(CKadoDlg::kFree, 0, 2);
    harness.Run(bar, [&](CKadoDlg& b) {
        const QPoint own = ScreenFractionPoint(5, 6, 1, 8);
        ASSERT_EQ(b.screen()->geometry().right(), 799);
        const QRect wideLabel(21, 3, 144 + 32, 20);
        const QRect narrowLabel(21, 3, 144, 20);
        EXPECT_EQ(b.geometry(), QRect(QPoint(800 - 212, own.y()), QSize(212, 26)));
        EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->geometry(), wideLabel);

        PressNext(b);
        EXPECT_EQ(Shown(b), MeaningText(cards[1], 2, 3));
        EXPECT_EQ(b.geometry(), QRect(own, QSize(180, 26)));
        EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->geometry(), narrowLabel);

        PressNext(b);
        EXPECT_EQ(b.geometry(), QRect(QPoint(800 - 212, own.y()), QSize(212, 26)));
        const int far = QGuiApplication::styleHints()->startDragDistance() + 200;
        PressMoveRelease(&b, QPoint(-far, 0));
        const QPoint dragged(800 - 212 - far, own.y());
        EXPECT_EQ(b.pos(), dragged);
        PressPrev(b);
        EXPECT_EQ(b.geometry(), QRect(dragged, QSize(180, 26)));
        PressNext(b);
        EXPECT_EQ(b.geometry(), QRect(dragged, QSize(212, 26)));
        EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->geometry(), wideLabel);
    });
}

// What the pass rules leave to the bar on every step to another card: the
// check box feeds the mark and starts unticked on the new card, which shows
// its meaning, in the known colour once its word is known, and the answer
// edit takes the keyboard.
TEST_F(DrillBarTest, FreeSteps_MarkFromCheckBox_NewCardShownUntickedAndEditFocused)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        Control<QPushButton>(&b, "revealButton")->click();
        PressNext(b);
        EXPECT_EQ(Shown(b), MeaningText(cards[1], 2, 3));
        EXPECT_TRUE(WaitUntil([&] { return Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit")->hasFocus(); }));

        TickMark(b);
        PressNext(b);
        EXPECT_EQ(Shown(b), MeaningText(cards[2], 3, 3));
        EXPECT_EQ(b.m_knownWords, (std::set<std::string, UnsignedByteLess>{"book"}));
        EXPECT_FALSE(Control<QCheckBox>(b.m_freeAnswerBar, "markCheck")->isChecked());
        EXPECT_EQ(LabelTextColour(b), b.palette().color(QPalette::WindowText));

        PressPrev(b);
        EXPECT_EQ(Shown(b), MeaningText(cards[1], 2, 3));
        EXPECT_EQ(LabelTextColour(b), kKnownOnLight);
        EXPECT_TRUE(harness.modal.Boxes().empty());
    });
}

// Typing in the answer bar judges every change: dark red until the word is
// complete, then green; the revealed card keeps its colour but changes its font.
TEST_F(DrillBarTest, Spell_EveryChangeOfTheEdit_JudgedInTheCardsColour)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        QTest::keyClicks(Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit"), QStringLiteral("App"));
        EXPECT_EQ(LabelTextColour(b), kWrongOnLight);
        QTest::keyClicks(Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit"), QStringLiteral("le"));
        EXPECT_EQ(LabelTextColour(b), kRightOnLight);
        EXPECT_EQ(Shown(b), MeaningText(cards[0], 1, 3));
        Control<QPushButton>(&b, "revealButton")->click();
        EXPECT_EQ(LabelTextColour(b), kRightOnLight);
        EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->font().family(), PhoneticFont.family());
    });
}

// Each keystroke of the free answer bar recolours the card: the label
// repaints itself, in either look, and the bar beneath it is left alone.
TEST_F(DrillBarTest, Spell_Keystroke_RepaintsTheCardLabelAlone)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        for (bool seeThrough : {false, true}) {
            SCOPED_TRACE(seeThrough ? "see-through" : "plain");
            if (seeThrough) {
                SendMessage(&b, WM_DRILL_SEETHROUGH);
                ASSERT_TRUE(WaitUntil([&] { return b.isVisible(); }));
            }
            // The first keys judge the card for the first time and settle the
            // keyboard in the answer bar; the keys after them are the round
            // that repeats while the learner types.
            Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit")->clear();
            for (QChar key : QStringLiteral("ap")) {
                QTest::keyClicks(Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit"), QString(key));
                QCoreApplication::processEvents();
            }
            const Paints barPaints(&b);
            const Paints labelPaints(Control<QLabel>(&b, "cardLabel"));
            for (QChar key : QStringLiteral("ple")) {
                QTest::keyClicks(Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit"), QString(key));
                QCoreApplication::processEvents();
            }
            EXPECT_GE(labelPaints.count, 3);
            EXPECT_EQ(barPaints.count, 0);
        }
    });
}

TEST_F(DrillBarTest, Mark_Twice_TicksThenUnticksWhileCardKeepsKnownColour)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        SendMessage(&b, WM_DRILL_MARK);
        EXPECT_TRUE(Control<QCheckBox>(b.m_freeAnswerBar, "markCheck")->isChecked());
        EXPECT_TRUE(b.m_judged);
        EXPECT_EQ(b.m_judgement, CKadoDlg::kKnown);
        EXPECT_EQ(LabelTextColour(b), kKnownOnLight);
        EXPECT_TRUE(b.m_knownWords.empty());

        SendMessage(&b, WM_DRILL_MARK);
        EXPECT_FALSE(Control<QCheckBox>(b.m_freeAnswerBar, "markCheck")->isChecked());
        EXPECT_EQ(LabelTextColour(b), kKnownOnLight);
        EXPECT_TRUE(b.m_knownWords.empty());
    });
}

TEST_F(DrillBarTest, TestMode_OkShowsTheJudgedWordThenTheNextMeaning)
{
    Select(CKadoDlg::kTest);
    harness.Run(bar, [&](CKadoDlg& b) {
        // The test bar has no mark to tick: the mark key changes nothing.
        const DrillState before = StateOf(b);
        SendMessage(&b, WM_DRILL_MARK);
        EXPECT_EQ(StateOf(b), before);

        const WordCard first = CurrentCard(b);
        TypeAnswer(b, "wrong");
        EXPECT_EQ(Shown(b), RevealedText(first));
        EXPECT_EQ(LabelTextColour(b), kWrongOnLight);
        EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->font().family(), PhoneticFont.family());
        EXPECT_EQ(Control<CEditDescendant>(b.m_testAnswerBar, "answerEdit")->text(), QStringLiteral("wrong"));

        PressOk(b);
        EXPECT_EQ(Shown(b), MeaningText(CurrentCard(b), 2, 3));
        EXPECT_EQ(LabelTextColour(b), b.palette().color(QPalette::WindowText));
        EXPECT_EQ(Control<CEditDescendant>(b.m_testAnswerBar, "answerEdit")->selectedText(), QStringLiteral("wrong"));

        // "?" works before an answer is given, too.
        SendMessage(&b, WM_DRILL_REVEAL);
        EXPECT_EQ(Shown(b), RevealedText(CurrentCard(b)));
        TypeAnswer(b, QString::fromStdString(CurrentCard(b).word).toUpper().toStdString());
        EXPECT_EQ(LabelTextColour(b), kRightOnLight);
    });
}

TEST_F(DrillBarTest, EndOfPassBoxUp_MessagesOfTheCardAndHotKeysDoNothing)
{
    Select(CKadoDlg::kFree, 0, 1);
    bool sawBox = false;
    harness.modal.QueueAnswer(ModalSeam::IDNO);
    harness.modal.onBox = [&](const ModalSeam::MessageBoxCall& box) {
        if (box.text != kAskNextPass)
            return;
        sawBox = true;
        const DrillState before = StateOf(bar);
        EXPECT_EQ(before.current, 2u);
        for (int message : {WM_DRILL_PREV, WM_DRILL_NEXT, WM_DRILL_SPELL, WM_DRILL_REVEAL, WM_DRILL_MARK,
                            WM_DRILL_ANSWER})
            SendMessage(&bar, message);
        Control<QPushButton>(&bar, "revealButton")->click();
        // The hook is suspended while the box is up.
        PressHotKey(bar.m_freeAnswerBar, Qt::Key_F);
        EXPECT_EQ(StateOf(bar), before);
    };
    harness.Run(bar, [&](CKadoDlg& b) {
        PressNext(b);
        PressNext(b);
        QCoreApplication::processEvents();
        EXPECT_TRUE(sawBox);
        // No: the last card stays shown.
        EXPECT_EQ(Shown(b), MeaningText(cards[1], 2, 2));
        // Resumed after the box.
        PressHotKey(b.m_freeAnswerBar, Qt::Key_F);
        EXPECT_TRUE(WaitUntil([&] { return b.m_revealed; }));
    });
    const auto& boxes = harness.modal.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, &bar);
    EXPECT_EQ(boxes[0].icon, ModalSeam::Icon::Question);
    EXPECT_EQ(boxes[0].buttons, ModalSeam::Buttons::YesNo);
}

} // namespace
