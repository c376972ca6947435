// The drill bar as a window: the hot keys, see-through and minimised states,
// how every end of its run leaves the program, and the real boxes.
#include "DrillBarFixture.h"

namespace {

using namespace drillbar_test;

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
        // Window managers that iconify a window's transients with it (KWin,
        // mutter) would take the answer bar too; openbox does not show it.
        EXPECT_EQ(b.m_freeAnswerBar->windowHandle()->transientParent(), nullptr);

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
