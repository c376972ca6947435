#pragma once
// What the drill bar's tests share: the judgement colours on the light bar,
// event counters, the whole state of a drill, and a bar with three cards.
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

namespace drillbar_test {

using namespace drilltest;

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

inline DrillState StateOf(const CKadoDlg& bar)
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

} // namespace drillbar_test
