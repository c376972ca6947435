// The drill bar on screen: what it shows for each message and button, what
// its widgets hand the pass rules, its see-through and minimised states, and
// how every end of its run leaves the program.
#include "DrillBarHarness.h"
#include "support/BarDrag.h"

#include "bars/BarLook.h"
#include "platform/DrawingObjects.h"
#include "platform/ScreenCopy.h"
#include "platform/SharedValues.h"
#include "support/StandInScreen.h"
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

// Counts the paint events a widget receives.
class Paints : public QObject {
public:
    explicit Paints(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
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
    state.marked = bar.m_freeAnswerBar && Control<QCheckBox>(bar.m_freeAnswerBar, "markCheck")->isChecked();
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

TEST_F(DrillBarTest, HotKeys_ReachTheBarWhileItRuns)
{
    Select(CKadoDlg::kFree);
    harness.Run(bar, [&](CKadoDlg& b) {
        PressHotKey(Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit"), Qt::Key_F);
        EXPECT_TRUE(WaitUntil([&] { return b.m_revealed; }));
        PressHotKey(Control<CEditDescendant>(b.m_freeAnswerBar, "answerEdit"), Qt::Key_M);
        EXPECT_TRUE(WaitUntil([&] { return Control<QCheckBox>(b.m_freeAnswerBar, "markCheck")->isChecked(); }));
    });
}

TEST_F(DrillBarTest, SeeThrough_TwiceTakesOneCopyAndHidesThenShowsButtons)
{
    Select(CKadoDlg::kFree);
    StandInScreen screen;
    harness.Run(bar, [&](CKadoDlg& b) {
        CtestInputDlg* answerBar = b.m_freeAnswerBar;

        SendMessage(&b, WM_DRILL_SEETHROUGH);
        // While the screen repaints without the bars, both are hidden and a
        // drill message waits for the switch to complete.
        EXPECT_FALSE(b.isVisible());
        EXPECT_FALSE(answerBar->isVisible());
        SendMessage(&b, WM_DRILL_REVEAL);
        EXPECT_FALSE(b.m_revealed);
        EXPECT_EQ(screen.asked, 0);

        ASSERT_TRUE(WaitUntil([&] { return b.isVisible(); }));
        EXPECT_EQ(screen.asked, 1);
        EXPECT_TRUE(answerBar->isVisible());
        EXPECT_TRUE(b.m_look.SeeThrough());
        EXPECT_TRUE(Control<QPushButton>(&b, "revealButton")->isHidden());
        EXPECT_TRUE(answerBar->m_look.SeeThrough());
        EXPECT_TRUE(Control<QPushButton>(answerBar, "nextButton")->isHidden());
        EXPECT_TRUE(Control<CEditDescendant>(answerBar, "answerEdit")->m_seeThrough);
        EXPECT_TRUE(b.m_revealed);
        EXPECT_EQ(Shown(b), "apple[aepl]");
        const QColor sampled = ScreenCopyDC.PixelAt(b.m_look.SamplePoint());
        EXPECT_EQ(b.m_look.BackBrush().color(), sampled);
        EXPECT_TRUE(Control<QLabel>(&b, "cardLabel")->autoFillBackground());
        EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->palette().color(QPalette::Window), sampled);

        // Moving samples the same copy at the new place.
        b.move(b.pos() + QPoint(-40, 30));
        EXPECT_EQ(b.m_look.SamplePoint(), b.geometry().topLeft());
        EXPECT_EQ(b.m_look.BackBrush().color(), ScreenCopyDC.PixelAt(b.m_look.SamplePoint()));

        SendMessage(&b, WM_DRILL_SEETHROUGH);
        EXPECT_EQ(screen.asked, 1);
        EXPECT_FALSE(b.m_look.SeeThrough());
        EXPECT_FALSE(Control<QPushButton>(&b, "revealButton")->isHidden());
        EXPECT_FALSE(answerBar->m_look.SeeThrough());
        EXPECT_FALSE(Control<QPushButton>(answerBar, "nextButton")->isHidden());
        // The label fills its background in the bar's own colour again.
        EXPECT_EQ(Control<QLabel>(&b, "cardLabel")->palette().color(QPalette::Window),
                  b.palette().color(QPalette::Window));
        EXPECT_EQ(b.m_look.BackBrush().style(), Qt::NoBrush);
        EXPECT_TRUE(b.isVisible());
    });
    EXPECT_TRUE(harness.closedByHarness);
}

TEST_F(DrillBarTest, Show_EndsSeeThroughWithoutCopy)
{
    Select(CKadoDlg::kTest);
    StandInScreen screen;
    harness.Run(bar, [&](CKadoDlg& b) {
        SendMessage(&b, WM_DRILL_SEETHROUGH);
        ASSERT_TRUE(WaitUntil([&] { return b.isVisible(); }));
        const int copies = screen.asked;
        const DrillState before = StateOf(b);

        SendMessage(&b, WM_DRILL_SHOW);
        EXPECT_EQ(screen.asked, copies);
        EXPECT_FALSE(b.m_look.SeeThrough());
        EXPECT_FALSE(Control<QPushButton>(&b, "revealButton")->isHidden());
        EXPECT_FALSE(b.m_testAnswerBar->m_look.SeeThrough());
        EXPECT_FALSE(Control<QPushButton>(b.m_testAnswerBar, "okButton")->isHidden());
        EXPECT_EQ(StateOf(b), before);

        SendMessage(&b, WM_DRILL_SHOW);
        EXPECT_FALSE(b.m_look.SeeThrough());
        EXPECT_EQ(screen.asked, copies);
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
        EXPECT_FALSE(Control<QPushButton>(&b, "revealButton")->isHidden());
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
        // As the hot keys come: posted, handled later.
        QCoreApplication::postEvent(&bar, new QEvent(static_cast<QEvent::Type>(message)));
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
        CEditDescendant* edit = Control<CEditDescendant>(bar.m_freeAnswerBar, "answerEdit");
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
    const QString what[] = {kAskNextPass, kDrillOver, QStringLiteral("result")};
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
