// The drill bar on screen: what it shows for each message and button, what
// it counts and remembers, its see-through and minimised states, and how
// every end of its run leaves the program.
#include "DrillBarHarness.h"
#include "support/BarDrag.h"

#include "platform/DrawingObjects.h"
#include "platform/SharedValues.h"
#include "bars/BarLook.h"
#include "support/TestDatabase.h"

#include <QMessageBox>
#include <QScreen>
#include <QStyleHints>
#include <QWindow>

using namespace drilltest;

namespace {

// The judgement colours on the default light bar (#efefef): dark red as it
// always was; green and light blue a shade darker, so that they read.
const QColor kWrongOnLight(128, 0, 0);
const QColor kRightOnLight(0, 127, 0);
const QColor kKnownOnLight(83, 83, 255);

// Counts the show and block events a window receives.
class WindowEvents : public QObject {
public:
    explicit WindowEvents(QWidget* window) { window->installEventFilter(this); }
    int shows = 0;
    int blocked = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        if (event->type() == QEvent::WindowBlocked)
            ++blocked;
        return false;
    }
};

struct DrillState {
    std::size_t current;
    std::int32_t position;
    bool judged;
    bool revealed;
    int judgement;
    bool awaitingAnswer;
    std::string shown;
    std::vector<std::string> nextPass;
    std::vector<std::string> known;
    bool marked;

    bool operator==(const DrillState&) const = default;
};

DrillState StateOf(const CKadoDlg& bar)
{
    DrillState state{bar.m_current, bar.m_position, bar.m_judged, bar.m_revealed, bar.m_judgement,
                     bar.m_awaitingAnswer, Shown(bar), {}, {}, false};
    for (const WordCard& card : bar.m_nextPassCards)
        state.nextPass.push_back(card.word);
    state.known.assign(bar.m_knownWords.begin(), bar.m_knownWords.end());
    state.marked = bar.m_freeAnswerBar && bar.m_freeAnswerBar->m_markCheck->isChecked();
    return state;
}

class DrillBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BarWindow = nullptr;
        cards = ThreeCards();
    }
    void Select(int mode, int first = 0, int last = 2)
    {
        ASSERT_EQ(bar.SelectCards(cards, first, last), 0);
        bar.m_mode = mode;
        std::snprintf(bar.m_listName, sizeof bar.m_listName, "%s", "TOEIC");
    }

    TestDatabase database;
    std::vector<WordCard> cards;
    CKadoDlg bar;
    DrillHarness harness;
};

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
    EXPECT_EQ(box.text, QStringLiteral("word list empty"));
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
        bool nextPassIsCopy;
    };
    const Case cases[] = {
        {CKadoDlg::kPreview, true, true, false, true},
        {CKadoDlg::kFree, false, true, false, true},
        {CKadoDlg::kTest, false, false, true, false},
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
            EXPECT_EQ(b.m_position, 1);
            EXPECT_EQ(b.m_current, 0u);
            EXPECT_EQ(b.m_revealed, c.revealed);
            EXPECT_FALSE(b.m_judged);
            EXPECT_TRUE(b.m_awaitingAnswer);
            EXPECT_EQ(b.m_nextPassCards.size(), c.nextPassIsCopy ? 3u : 0u);
            const WordCard& first = b.m_passCards[0];
            if (c.mode != CKadoDlg::kTest) {
                EXPECT_EQ(first.word, "apple");
            }
            EXPECT_EQ(Shown(b), c.revealed ? RevealedText(first) : MeaningText(first, 1, 3));
            EXPECT_EQ(b.m_cardText, c.revealed ? first.word + first.phonetic : first.meaning + "(1/3)");
            EXPECT_EQ(b.m_cardLabel->font().family(), (c.revealed ? PhoneticFont : GothicFont).family());
        });
        EXPECT_TRUE(harness.closedByHarness);
    }
}

TEST_F(DrillBarTest, RevealButtonAndEnter_ToggleBetweenMeaningAndWord)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        b.m_revealButton->click();
        EXPECT_TRUE(b.m_revealed);
        EXPECT_EQ(Shown(b), "apple[aepl]");
        EXPECT_EQ(b.m_cardLabel->font().family(), PhoneticFont.family());
        EXPECT_EQ(LabelTextColour(b), b.palette().color(QPalette::WindowText));

        QTest::keyClick(&b, Qt::Key_Return);
        EXPECT_FALSE(b.m_revealed);
        EXPECT_EQ(Shown(b), MeaningText(cards[0], 1, 3));
        EXPECT_EQ(b.m_cardLabel->font().family(), GothicFont.family());

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
        EXPECT_EQ(b.m_cardLabel->geometry(), wideLabel);

        PressNext(b);
        EXPECT_EQ(Shown(b), MeaningText(cards[1], 2, 3));
        EXPECT_EQ(b.geometry(), QRect(own, QSize(180, 26)));
        EXPECT_EQ(b.m_cardLabel->geometry(), narrowLabel);

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
        EXPECT_EQ(b.m_cardLabel->geometry(), wideLabel);
    });
}

TEST_F(DrillBarTest, NextAndPrev_StepWithinPass_PrevOnFirstCardChangesNothing)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        const DrillState before = StateOf(b);
        SendMessage(&b, WM_DRILL_PREV);
        EXPECT_EQ(StateOf(b), before);

        b.m_revealButton->click();
        PressNext(b);
        EXPECT_EQ(b.m_position, 2);
        EXPECT_EQ(b.m_current, 1u);
        EXPECT_FALSE(b.m_revealed);
        EXPECT_EQ(Shown(b), MeaningText(cards[1], 2, 3));
        EXPECT_TRUE(WaitUntil([&] { return b.m_freeAnswerBar->m_answerEdit->hasFocus(); }));

        PressNext(b);
        EXPECT_EQ(Shown(b), MeaningText(cards[2], 3, 3));
        PressPrev(b);
        EXPECT_EQ(Shown(b), MeaningText(cards[1], 2, 3));
        EXPECT_EQ(b.m_position, 2);
        EXPECT_TRUE(harness.modal.Boxes().empty());
    });
}

TEST_F(DrillBarTest, PreviewMode_EveryCardStartsRevealed)
{
    Select(CKadoDlg::kPreview);
    harness.Run(bar, [&](CKadoDlg& b) {
        b.m_revealButton->click();
        EXPECT_EQ(Shown(b), MeaningText(cards[0], 1, 3));
        PressNext(b);
        EXPECT_EQ(Shown(b), "book[buk]");
        PressPrev(b);
        EXPECT_EQ(Shown(b), "apple[aepl]");
    });
}

TEST_F(DrillBarTest, Spell_TypedText_JudgedAgainstWordIgnoringCase)
{
    struct Case {
        const char* typed;
        int judgement;
    };
    const Case cases[] = {{"apple", CKadoDlg::kRight}, {"APPLE", CKadoDlg::kRight}, {"ApPlE", CKadoDlg::kRight},
                          {"appl", CKadoDlg::kWrong},  {"apple ", CKadoDlg::kWrong}, {"", CKadoDlg::kWrong},
                          {"apply", CKadoDlg::kWrong}};
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.typed);
            b.m_freeAnswerBar->m_answerText = c.typed;
            SendMessage(&b, WM_DRILL_SPELL);
            EXPECT_TRUE(b.m_judged);
            EXPECT_EQ(b.m_judgement, c.judgement);
            EXPECT_EQ(LabelTextColour(b), c.judgement == CKadoDlg::kRight ? kRightOnLight : kWrongOnLight);
            EXPECT_EQ(Shown(b), MeaningText(cards[0], 1, 3));
        }
        // Typing in the answer bar judges every change: dark red until the
        // word is complete, then green.
        b.m_freeAnswerBar->m_answerEdit->clear();
        QTest::keyClicks(b.m_freeAnswerBar->m_answerEdit, QStringLiteral("App"));
        EXPECT_EQ(b.m_judgement, CKadoDlg::kWrong);
        QTest::keyClicks(b.m_freeAnswerBar->m_answerEdit, QStringLiteral("le"));
        EXPECT_EQ(b.m_judgement, CKadoDlg::kRight);
        EXPECT_EQ(LabelTextColour(b), kRightOnLight);
        // The revealed card keeps its colour but changes its font.
        b.m_revealButton->click();
        EXPECT_EQ(LabelTextColour(b), kRightOnLight);
        EXPECT_EQ(b.m_cardLabel->font().family(), PhoneticFont.family());
    });
}

TEST_F(DrillBarTest, Spell_DoubleByteText_FoldsOnlySingleByteLetters)
{
    // The second bytes of katakana A (83 41) and DI (83 61) differ only by
    // the ASCII case bit; they are different characters all the same.
    ASSERT_EQ(Sjis("ア"), std::string("\x83\x41"));
    ASSERT_EQ(Sjis("ヂ"), std::string("\x83\x61"));
    cards = {WordCard{Sjis("片仮名"), "x" + Sjis("ア"), "[x]", 0}};
    Select(CKadoDlg::kFree, 0, 0);
    harness.Run(bar, [&](CKadoDlg& b) {
        b.m_freeAnswerBar->m_answerText = "X" + Sjis("ア");
        SendMessage(&b, WM_DRILL_SPELL);
        EXPECT_EQ(b.m_judgement, CKadoDlg::kRight);
        b.m_freeAnswerBar->m_answerText = "x" + Sjis("ヂ");
        SendMessage(&b, WM_DRILL_SPELL);
        EXPECT_EQ(b.m_judgement, CKadoDlg::kWrong);
    });
}

TEST_F(DrillBarTest, Mark_Twice_TicksThenUnticksWhileCardKeepsKnownColour)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        SendMessage(&b, WM_DRILL_MARK);
        EXPECT_TRUE(b.m_freeAnswerBar->m_markCheck->isChecked());
        EXPECT_TRUE(b.m_judged);
        EXPECT_EQ(b.m_judgement, CKadoDlg::kKnown);
        EXPECT_EQ(LabelTextColour(b), kKnownOnLight);
        EXPECT_TRUE(b.m_knownWords.empty());

        SendMessage(&b, WM_DRILL_MARK);
        EXPECT_FALSE(b.m_freeAnswerBar->m_markCheck->isChecked());
        EXPECT_EQ(LabelTextColour(b), kKnownOnLight);
        EXPECT_TRUE(b.m_knownWords.empty());
    });
}

TEST_F(DrillBarTest, LeavingMarkedCard_KnownAndOutOfNextPass_EvenWhenLeftAgainUnmarked)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        PressNext(b);
        TickMark(b);
        PressNext(b);
        EXPECT_EQ(b.m_knownWords, (std::set<std::string, UnsignedByteLess>{"book"}));
        EXPECT_EQ(StateOf(b).nextPass, (std::vector<std::string>{"apple", "cat"}));
        EXPECT_FALSE(b.m_freeAnswerBar->m_markCheck->isChecked());
        EXPECT_FALSE(b.m_judged);

        PressPrev(b);
        EXPECT_EQ(Shown(b), MeaningText(cards[1], 2, 3));
        EXPECT_TRUE(b.m_judged);
        EXPECT_EQ(b.m_judgement, CKadoDlg::kKnown);
        EXPECT_EQ(LabelTextColour(b), kKnownOnLight);
        // Whatever is typed, a known word stays known.
        b.m_freeAnswerBar->m_answerText = "wrong";
        SendMessage(&b, WM_DRILL_SPELL);
        EXPECT_EQ(b.m_judgement, CKadoDlg::kKnown);

        PressPrev(b);
        EXPECT_EQ(StateOf(b).nextPass, (std::vector<std::string>{"apple", "cat"}));
        EXPECT_EQ(b.m_knownWords.size(), 1u);
    });
}

TEST_F(DrillBarTest, MessagesOfTheOtherMode_ChangeNothing)
{
    struct Case {
        int mode;
        std::vector<int> messages;
    };
    const Case cases[] = {
        {CKadoDlg::kTest, {WM_DRILL_MARK, WM_DRILL_NEXT, WM_DRILL_PREV, WM_DRILL_SPELL}},
        {CKadoDlg::kFree, {WM_DRILL_ANSWER}},
        {CKadoDlg::kPreview, {WM_DRILL_ANSWER}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Select(c.mode);
        harness.Run(bar, [&](CKadoDlg& b) {
            if (c.mode != CKadoDlg::kTest)
                PressNext(b); // PREV has a card to go back to
            const DrillState before = StateOf(b);
            for (int message : c.messages)
                SendMessage(&b, message);
            EXPECT_EQ(StateOf(b), before);
            EXPECT_EQ(b.m_wordCounts.at("apple"), 0);
        });
    }
    EXPECT_TRUE(harness.modal.Boxes().empty());
}

TEST_F(DrillBarTest, TestMode_OkJudgesThenMovesOn)
{
    Select(CKadoDlg::kTest);
    harness.Run(bar, [&](CKadoDlg& b) {
        const WordCard first = CurrentCard(b);
        TypeAnswer(b, "wrong");
        EXPECT_FALSE(b.m_awaitingAnswer);
        EXPECT_TRUE(b.m_judged);
        EXPECT_TRUE(b.m_revealed);
        EXPECT_EQ(b.m_judgement, CKadoDlg::kWrong);
        EXPECT_EQ(Shown(b), RevealedText(first));
        EXPECT_EQ(LabelTextColour(b), kWrongOnLight);
        EXPECT_EQ(b.m_cardLabel->font().family(), PhoneticFont.family());
        EXPECT_EQ(b.m_wordCounts.at(first.word), 1);
        ASSERT_EQ(b.m_nextPassCards.size(), 1u);
        EXPECT_EQ(b.m_nextPassCards[0].word, first.word);
        EXPECT_EQ(b.m_testAnswerBar->m_answerEdit->text(), QStringLiteral("wrong"));

        PressOk(b);
        EXPECT_TRUE(b.m_awaitingAnswer);
        EXPECT_FALSE(b.m_judged);
        EXPECT_EQ(Shown(b), MeaningText(CurrentCard(b), 2, 3));
        EXPECT_EQ(LabelTextColour(b), b.palette().color(QPalette::WindowText));
        EXPECT_EQ(b.m_testAnswerBar->m_answerEdit->selectedText(), QStringLiteral("wrong"));

        // "?" works before an answer is given, too.
        SendMessage(&b, WM_DRILL_REVEAL);
        EXPECT_EQ(Shown(b), RevealedText(CurrentCard(b)));
        TypeAnswer(b, QString::fromStdString(CurrentCard(b).word).toUpper().toStdString());
        EXPECT_EQ(b.m_judgement, CKadoDlg::kRight);
        EXPECT_EQ(b.m_nextPassCards.size(), 1u);
    });
}

// A test drill asks every pass in an order of its own. Thirty cards come
// out of a shuffle in the order they went in once in 30! times: never.
TEST_F(DrillBarTest, TestMode_EveryPassShuffled)
{
    cards.clear();
    for (int i = 0; i < 30; ++i)
        cards.push_back(Card("語", ("w" + std::to_string(i)).c_str(), "[p]"));
    Select(CKadoDlg::kTest, 0, 29);
    const auto words = [](const std::vector<WordCard>& pass) {
        std::vector<std::string> words;
        for (const WordCard& card : pass)
            words.push_back(card.word);
        return words;
    };
    std::vector<std::string> selected = words(cards), firstPass, secondPass;
    harness.Run(bar, [&](CKadoDlg& b) {
        firstPass = words(b.m_passCards);
        // Every answer wrong: the next pass holds the cards in this pass's order.
        for (int n = 0; n < 30; ++n) {
            TypeAnswer(b, "zzz");
            PressOk(b);
        }
        secondPass = words(b.m_passCards);
    });

    EXPECT_EQ(harness.modal.Texts(), std::vector<QString>{QStringLiteral("次回に行きます。")});
    EXPECT_NE(firstPass, selected);
    EXPECT_NE(secondPass, firstPass);
    std::sort(selected.begin(), selected.end());
    std::sort(firstPass.begin(), firstPass.end());
    std::sort(secondPass.begin(), secondPass.end());
    EXPECT_EQ(firstPass, selected);
    EXPECT_EQ(secondPass, selected);
}

TEST_F(DrillBarTest, EndOfPassBoxUp_MessagesOfTheCardAndHotKeysDoNothing)
{
    Select(CKadoDlg::kFree, 0, 1);
    bool sawBox = false;
    harness.modal.QueueAnswer(ModalSeam::IDNO);
    harness.modal.onBox = [&](const ModalSeam::MessageBoxCall& box) {
        if (box.text != QStringLiteral("次回に行きますか。"))
            return;
        sawBox = true;
        const DrillState before = StateOf(bar);
        EXPECT_EQ(before.current, 2u);
        for (int message : {WM_DRILL_PREV, WM_DRILL_NEXT, WM_DRILL_SPELL, WM_DRILL_REVEAL, WM_DRILL_MARK,
                            WM_DRILL_ANSWER})
            SendMessage(&bar, message);
        bar.m_revealButton->click();
        // The hook is suspended while the box is up.
        PressHotKey(bar.m_freeAnswerBar, Qt::Key_F);
        EXPECT_EQ(StateOf(bar), before);
    };
    harness.Run(bar, [&](CKadoDlg& b) {
        PressNext(b);
        PressNext(b);
        QCoreApplication::processEvents();
        EXPECT_TRUE(sawBox);
        // No: the last card stays shown and nothing is counted.
        EXPECT_EQ(b.m_current, 1u);
        EXPECT_EQ(b.m_position, 2);
        EXPECT_FALSE(b.m_revealed);
        EXPECT_EQ(Shown(b), MeaningText(cards[1], 2, 2));
        EXPECT_EQ(b.m_wordCounts.at("apple"), 0);
        EXPECT_EQ(b.m_wordCounts.at("book"), 0);
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

TEST_F(DrillBarTest, HotKeys_ReachTheBarWhileItRuns)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        PressHotKey(b.m_freeAnswerBar->m_answerEdit, Qt::Key_F);
        EXPECT_TRUE(WaitUntil([&] { return b.m_revealed; }));
        PressHotKey(b.m_freeAnswerBar->m_answerEdit, Qt::Key_M);
        EXPECT_TRUE(WaitUntil([&] { return b.m_freeAnswerBar->m_markCheck->isChecked(); }));
    });
}

TEST_F(DrillBarTest, SeeThrough_TwiceTakesOneCopyAndHidesThenShowsButtons)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        const int copies = ScreenCopyDC.TakenCount();
        CtestInputDlg* answerBar = b.m_freeAnswerBar;

        SendMessage(&b, WM_DRILL_SEETHROUGH);
        // While the screen repaints without the bars, both are hidden and a
        // drill message waits for the switch to complete.
        EXPECT_FALSE(b.isVisible());
        EXPECT_FALSE(answerBar->isVisible());
        SendMessage(&b, WM_DRILL_REVEAL);
        EXPECT_FALSE(b.m_revealed);
        EXPECT_EQ(ScreenCopyDC.TakenCount(), copies);

        ASSERT_TRUE(WaitUntil([&] { return b.isVisible(); }));
        EXPECT_EQ(ScreenCopyDC.TakenCount(), copies + 1);
        EXPECT_TRUE(answerBar->isVisible());
        EXPECT_TRUE(b.m_look.SeeThrough());
        EXPECT_TRUE(b.m_revealButton->isHidden());
        EXPECT_TRUE(answerBar->m_look.SeeThrough());
        EXPECT_TRUE(answerBar->m_nextButton->isHidden());
        EXPECT_TRUE(answerBar->m_answerEdit->m_seeThrough);
        EXPECT_TRUE(b.m_revealed);
        EXPECT_EQ(Shown(b), "apple[aepl]");
        const QColor sampled = ScreenCopyDC.PixelAt(b.m_look.SamplePoint());
        EXPECT_EQ(b.m_look.BackBrush().color(), sampled);
        EXPECT_TRUE(b.m_cardLabel->autoFillBackground());
        EXPECT_EQ(b.m_cardLabel->palette().color(QPalette::Window), sampled);

        // Moving samples the same copy at the new place.
        b.move(b.pos() + QPoint(-40, 30));
        EXPECT_EQ(b.m_look.SamplePoint(), b.geometry().topLeft());
        EXPECT_EQ(b.m_look.BackBrush().color(), ScreenCopyDC.PixelAt(b.m_look.SamplePoint()));

        SendMessage(&b, WM_DRILL_SEETHROUGH);
        EXPECT_EQ(ScreenCopyDC.TakenCount(), copies + 1);
        EXPECT_FALSE(b.m_look.SeeThrough());
        EXPECT_FALSE(b.m_revealButton->isHidden());
        EXPECT_FALSE(answerBar->m_look.SeeThrough());
        EXPECT_FALSE(answerBar->m_nextButton->isHidden());
        EXPECT_FALSE(b.m_cardLabel->autoFillBackground());
        EXPECT_EQ(b.m_look.BackBrush().style(), Qt::NoBrush);
        EXPECT_TRUE(b.isVisible());
    });
    EXPECT_TRUE(harness.closedByHarness);
}

TEST_F(DrillBarTest, Show_EndsSeeThroughWithoutCopy)
{
    Select(CKadoDlg::kTest);
    harness.Run(bar, [&](CKadoDlg& b) {
        SendMessage(&b, WM_DRILL_SEETHROUGH);
        ASSERT_TRUE(WaitUntil([&] { return b.isVisible(); }));
        const int copies = ScreenCopyDC.TakenCount();
        const DrillState before = StateOf(b);

        SendMessage(&b, WM_DRILL_SHOW);
        EXPECT_EQ(ScreenCopyDC.TakenCount(), copies);
        EXPECT_FALSE(b.m_look.SeeThrough());
        EXPECT_FALSE(b.m_revealButton->isHidden());
        EXPECT_FALSE(b.m_testAnswerBar->m_look.SeeThrough());
        EXPECT_FALSE(b.m_testAnswerBar->m_okButton->isHidden());
        EXPECT_EQ(StateOf(b), before);

        SendMessage(&b, WM_DRILL_SHOW);
        EXPECT_FALSE(b.m_look.SeeThrough());
        EXPECT_EQ(ScreenCopyDC.TakenCount(), copies);
    });
}

TEST_F(DrillBarTest, Minimize_TwiceMinimisesThenRestoresBarOnly)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        SendMessage(&b, WM_DRILL_MINIMIZE);
        EXPECT_TRUE(b.m_minimized);
        EXPECT_TRUE(b.isMinimized());
        EXPECT_TRUE(b.isVisible());
        EXPECT_FALSE(b.m_freeAnswerBar->isMinimized());
        EXPECT_TRUE(b.m_freeAnswerBar->isVisible());

        SendMessage(&b, WM_DRILL_MINIMIZE);
        EXPECT_FALSE(b.m_minimized);
        EXPECT_FALSE(b.isMinimized());
        EXPECT_TRUE(b.isVisible());
    });
    EXPECT_TRUE(harness.closedByHarness);
}

TEST_F(DrillBarTest, EveryEndOfRun_RemovesAnswerBarHotKeysAndBarWindow)
{
    struct Case {
        const char* name;
        std::function<void(CKadoDlg&)> end;
        int result;
    };
    const Case cases[] = {
        {"close the answer bar", [](CKadoDlg& b) { b.m_freeAnswerBar->close(); }, 0},
        {"WM_DRILL_CLOSE", [](CKadoDlg& b) { SendMessage(&b, WM_DRILL_CLOSE); }, 0},
        {"Escape on the bar", [](CKadoDlg& b) { QTest::keyClick(&b, Qt::Key_Escape); }, ModalSeam::IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Select(CKadoDlg::kFree);
        QPointer<CtestInputDlg> answerBar;
        const int result = harness.Run(bar, [&](CKadoDlg& b) {
            answerBar = b.m_freeAnswerBar;
            c.end(b);
            EXPECT_FALSE(b.isVisible());
        });
        EXPECT_EQ(result, c.result);
        EXPECT_FALSE(harness.closedByHarness);
        EXPECT_TRUE(answerBar.isNull());
        EXPECT_TRUE(bar.m_freeAnswerBar.isNull());
        EXPECT_EQ(BarWindow, nullptr);
        // No hot key reaches the bar after its run.
        const bool revealed = bar.m_revealed;
        QWidget probe;
        PressHotKey(&probe, Qt::Key_F);
        QCoreApplication::processEvents();
        EXPECT_EQ(bar.m_revealed, revealed);
        EXPECT_TRUE(harness.modal.Boxes().empty());
        EXPECT_TRUE(harness.resultRuns.empty());
    }
}

TEST_F(DrillBarTest, NextRun_AfterDrillEndedSeeThroughAndMinimised_StartsFromScratch)
{
    Select(CKadoDlg::kFree);
    QPointer<CtestInputDlg> firstBar;
    harness.Run(bar, [&](CKadoDlg& b) {
        firstBar = b.m_freeAnswerBar;
        PressNext(b);
        SendMessage(&b, WM_DRILL_MARK);
        SendMessage(&b, WM_DRILL_SEETHROUGH);
        ASSERT_TRUE(WaitUntil([&] { return b.isVisible(); }));
        SendMessage(&b, WM_DRILL_MINIMIZE);
    });
    EXPECT_TRUE(firstBar.isNull());

    Select(CKadoDlg::kTest);
    harness.Run(bar, [&](CKadoDlg& b) {
        EXPECT_FALSE(b.m_look.SeeThrough());
        EXPECT_FALSE(b.m_minimized);
        EXPECT_FALSE(b.isMinimized());
        EXPECT_FALSE(b.m_revealButton->isHidden());
        EXPECT_FALSE(b.m_judged);
        EXPECT_FALSE(b.m_revealed);
        EXPECT_TRUE(b.m_freeAnswerBar.isNull());
        ASSERT_FALSE(b.m_testAnswerBar.isNull());
        EXPECT_FALSE(b.m_testAnswerBar->m_look.SeeThrough());
        EXPECT_EQ(b.geometry(), QRect(ScreenFractionPoint(5, 6, 1, 8), QSize(180, 26)));
        EXPECT_EQ(Shown(b), MeaningText(CurrentCard(b), 1, 3));
        EXPECT_EQ(LabelTextColour(b), b.palette().color(QPalette::WindowText));
    });
}

TEST_F(DrillBarTest, MessagesBetweenRuns_ChangeNothingAndShowNothing)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [](CKadoDlg& b) { PressNext(b); });
    const DrillState after = StateOf(bar);
    WindowEvents events(&bar);
    for (int message = WM_DRILL_NEXT; message <= WM_DRILL_SHOW; ++message) {
        SendMessage(&bar, message);
        PostMessage(&bar, message);
    }
    QTest::qWait(100);
    EXPECT_EQ(StateOf(bar), after);
    EXPECT_FALSE(bar.m_look.SeeThrough());
    EXPECT_EQ(events.shows, 0);
    EXPECT_FALSE(bar.isVisible());
    EXPECT_TRUE(harness.modal.Boxes().empty());
}

// Real message boxes and a real result dialog: modal to the drill bar alone,
// so the answer bar beside it stays usable.
TEST_F(DrillBarTest, RealBoxesAndResultDialog_BlockTheBarButNotTheAnswerBar)
{
    ModalSeam::SetMessageBoxHandler({});
    harness.realResultDialog = true;
    // A table to write into, so that no box about unsaved results comes between.
    database.Exec("CREATE TABLE TOEIC(word, free)");
    Select(CKadoDlg::kFree, 0, 0);
    struct Seen {
        QString what;
        bool barEnabled;
        QString typed;
    };
    std::vector<Seen> seen;
    std::unique_ptr<WindowEvents> answerEvents;
    // What a learner can do with the answer bar while a box or the result dialog is up.
    auto typeIntoAnswerBar = [&] {
        CEditDescendant* edit = bar.m_freeAnswerBar->m_answerEdit;
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("ok"));
        return edit->text();
    };
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!answerEvents)
            return;
        for (QMessageBox* box : bar.findChildren<QMessageBox*>()) {
            if (!box->isVisible())
                continue;
            seen.push_back({box->text(), bar.isEnabled(), typeIntoAnswerBar()});
            box->button(box->standardButtons().testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok)
                ->click();
            return;
        }
        if (bar.m_resultDlg.isVisible()) {
            seen.push_back({QStringLiteral("result"), bar.isEnabled(), typeIntoAnswerBar()});
            bar.m_resultDlg.EndDialog(ModalSeam::IDCANCEL);
        }
    });
    watcher.start(20);
    const int result = harness.Run(bar, [&](CKadoDlg& b) {
        answerEvents = std::make_unique<WindowEvents>(b.m_freeAnswerBar);
        TickMark(b);
        PressNext(b);
    });
    watcher.stop();

    EXPECT_EQ(result, 0);
    ASSERT_EQ(seen.size(), 3u);
    const QString what[] = {QStringLiteral("次回に行きますか。"), QStringLiteral("終わり！"), QStringLiteral("result")};
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].what, what[i]);
        EXPECT_FALSE(seen[i].barEnabled);
        EXPECT_EQ(seen[i].typed, QStringLiteral("ok"));
    }
    EXPECT_EQ(answerEvents->blocked, 0);
    EXPECT_TRUE(bar.isEnabled());
}

} // namespace
