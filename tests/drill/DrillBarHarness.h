#pragma once
// Runs the drill bar's real modal run with a script that acts on it from
// inside the run, the way a learner would, with every message box and the
// result dialog answered by the test.
#include "platform/WinMessages.h"
#include "bars/CinputDlg.h"
#include "bars/CtestInputDlg.h"
#include "drill/CKadoDlg.h"
#include "bars/CEditDescendant.h"
#include "drill/DrillTexts.h"
#include "store/Cp932.h"
#include "support/Controls.h"
#include "support/ScriptedModal.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace drilltest {

inline std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8); }

// The boxes of a pass's and a drill's end, as the learner reads them.
inline const QString kAskNextPass = QString::fromUtf8(kAskNextPassText);
inline const QString kNextPass = QString::fromUtf8(kNextPassText);
inline const QString kDrillOver = QString::fromUtf8(kDrillOverText);

// The box of a write-back that failed, its cause in the middle.
inline QString NotSavedText(const QString& cause)
{
    return QString::fromUtf8(kNotSavedText) + u'\n' + cause + u'\n' + QString::fromUtf8(kKeptForLaterText);
}

inline WordCard Card(const char* meaningUtf8, const char* word, const char* phonetic)
{
    return WordCard{Sjis(meaningUtf8), word, phonetic, 0};
}

// Three short cards: apple, book, cat.
inline std::vector<WordCard> ThreeCards()
{
    return {Card("りんご", "apple", "[aepl]"), Card("本", "book", "[buk]"), Card("ねこ", "cat", "[kaet]")};
}

// What the learner sees on the card, as UTF-8.
inline std::string Shown(const CKadoDlg& bar) { return Control<QLabel>(&bar, "cardLabel")->text().toStdString(); }

inline std::string MeaningText(const WordCard& card, int position, int count)
{
    return Cp932ToUtf8(card.meaning) + "(" + std::to_string(position) + "/" + std::to_string(count) + ")";
}

inline std::string RevealedText(const WordCard& card) { return card.word + card.phonetic; }

inline const WordCard& CurrentCard(const CKadoDlg& bar) { return bar.m_passCards.at(bar.m_current); }

inline QColor LabelTextColour(const CKadoDlg& bar)
{
    return Control<QLabel>(&bar, "cardLabel")->palette().color(QPalette::WindowText);
}

// Waits, handling events, until the condition holds or a generous time has
// passed (which only a failing test ever reaches).
inline bool WaitUntil(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(10000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs what deleteLater scheduled.
inline void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// The result dialog's inputs as the drill bar set them when it ran it.
struct ResultRun {
    std::string listName;
    int testMode = -1;
    std::map<std::string, std::int32_t> counts;
    bool countsAreBars = false;
    std::int32_t levelFilter = -1;
};

class DrillHarness {
public:
    ScriptedModal modal;
    std::vector<ResultRun> resultRuns;
    // Called while the result dialog would be up.
    std::function<void()> onResultDialog;
    // True when the script left the drill running and the harness closed it.
    bool closedByHarness = false;
    // Run the real result dialog instead of recording it.
    bool realResultDialog = false;

    // The bar's modal run with `script` acting inside it; returns the run's result.
    int Run(CKadoDlg& bar, const std::function<void(CKadoDlg&)>& script)
    {
        closedByHarness = false;
        modal.SetDialogHandler([this, &bar](CDialog& dialog, const std::function<int()>& runModal) {
            if (&dialog == &bar)
                return runModal();
            if (&dialog == &bar.m_resultDlg) {
                if (realResultDialog)
                    return runModal();
                ResultRun run;
                run.listName = bar.m_resultDlg.m_listName;
                run.testMode = bar.m_resultDlg.m_testMode;
                run.countsAreBars = bar.m_resultDlg.m_wordCounts == &bar.m_wordCounts;
                if (bar.m_resultDlg.m_wordCounts)
                    run.counts.insert(bar.m_resultDlg.m_wordCounts->begin(), bar.m_resultDlg.m_wordCounts->end());
                run.levelFilter = bar.m_resultDlg.m_levelFilter;
                resultRuns.push_back(run);
                if (onResultDialog)
                    onResultDialog();
                return int(ModalSeam::IDOK);
            }
            ADD_FAILURE() << "unexpected modal run of template " << dialog.TemplateId();
            return int(ModalSeam::IDCANCEL);
        });
        // Owned here: a run that never starts its loop never fires it later.
        QTimer start;
        start.setSingleShot(true);
        QObject::connect(&start, &QTimer::timeout, &bar, [this, &bar, &script] {
            // As a learner would find it: shown and, where the window
            // system grants it, active.
            [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&bar, 2000);
            script(bar);
            if (bar.isVisible()) {
                closedByHarness = true;
                SendMessage(&bar, WM_DRILL_CLOSE);
            }
        });
        start.start(0);
        const int result = bar.DoModal();
        FlushDeletes();
        return result;
    }
};

// The test bar's path: type the answer and press "ok".
inline void TypeAnswer(CKadoDlg& bar, const std::string& text)
{
    auto* edit = Control<QLineEdit>(bar.m_testAnswerBar, "answerEdit");
    edit->clear();
    QTest::keyClicks(edit, QString::fromStdString(text));
    Control<QPushButton>(bar.m_testAnswerBar, "okButton")->click();
}

inline void PressOk(CKadoDlg& bar) { Control<QPushButton>(bar.m_testAnswerBar, "okButton")->click(); }
inline void PressNext(CKadoDlg& bar) { Control<QPushButton>(bar.m_freeAnswerBar, "nextButton")->click(); }
inline void PressPrev(CKadoDlg& bar) { Control<QPushButton>(bar.m_freeAnswerBar, "prevButton")->click(); }
inline void TickMark(CKadoDlg& bar) { Control<QCheckBox>(bar.m_freeAnswerBar, "markCheck")->setChecked(true); }

// A hot key as the hot-key library sees it in the program's own windows.
inline void PressHotKey(QWidget* where, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    QCoreApplication::sendEvent(where, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    QCoreApplication::sendEvent(where, &release);
}

} // namespace drilltest
