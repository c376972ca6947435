// One WM_DRILL_SPELL round of the free drill: the answer bar takes the
// edit's new text and sends WM_DRILL_SPELL, the drill bar judges it and
// shows the card in the judgement's colour. Beside it the floor: a bare
// label showing the same text in the same font, set and repainted. Both
// then let the event loop run once, so paints that were only scheduled are
// counted too. The edit's own change and repaint come before the round and
// are not part of it; "keystroke" adds them, for information. Offscreen:
// the figures are the program's own work, without a window system's round
// trips. The rounds are functions of their own, so that callgrind can count
// their instructions alone (--toggle-collect=*SpellRound*, *LabelRound*).
#include "BenchSupport.h"
#include "DrillBench.h"
#include "DrillRunner.h"

#include "platform/DrawingObjects.h"
#include "platform/SjisText.h"
#include "bars/CtestInputDlg.h"
#include "drill/CKadoDlg.h"
#include "bars/CEditDescendant.h"
#include "store/BuiltinLists.h"

#include <QCoreApplication>
#include <QLabel>
#include <QSignalBlocker>

namespace {

// The word typed letter by letter: every keystroke changes the text, and
// the last one completes the word, which turns the card from wrong to right.
std::vector<QString> TypedPrefixes(const std::string& word)
{
    std::vector<QString> typed;
    for (std::size_t length = 1; length <= word.size(); ++length)
        typed.push_back(QString::fromStdString(word.substr(0, length)));
    return typed;
}

// The timed part of one keystroke: the edit's change is noticed (or, with
// `wholeKeystroke`, made), and the event loop paints what it scheduled.
[[gnu::noinline]] void SpellRound(QLineEdit* edit, const QString& text, bool wholeKeystroke)
{
    if (wholeKeystroke)
        edit->setText(text);
    else
        emit edit->textChanged(text);
    QCoreApplication::processEvents();
}

[[gnu::noinline]] void LabelRound(QLabel& label, const QString& text)
{
    label.setText(text);
    label.repaint();
    QCoreApplication::processEvents();
}

// Types the card's word letter by letter, over and over. SpellRound alone is
// timed: with `wholeKeystroke` false the edit takes each text unnoticed
// first, and the round is the notification of the change.
void TypeIntoFreeDrill(benchmark::State& state, bool wholeKeystroke)
{
    const std::vector<WordCard> cards = BuiltinCards(0);
    CKadoDlg bar;
    bar.SelectCards(cards, 0, kBuiltinWordsPerList - 1);
    bar.m_mode = CKadoDlg::kFree;
    std::snprintf(bar.m_listName, sizeof bar.m_listName, "%s", kBuiltinListNames[0]);
    DrillRunner runner;
    bool judged = false;
    runner.Run(bar, [&state, &judged, wholeKeystroke](CKadoDlg& bar) {
        QLineEdit* edit = bar.m_freeAnswerBar->m_answerEdit;
        const std::vector<QString> typed = TypedPrefixes(bar.m_passCards[bar.m_current].word);
        std::size_t next = 0;
        QString text;
        QCoreApplication::processEvents();
        TimeIterations(
            state,
            [&] {
                text = typed[next];
                next = (next + 1) % typed.size();
                if (!wholeKeystroke) {
                    const QSignalBlocker unnoticed(edit);
                    edit->setText(text);
                    QCoreApplication::processEvents();
                }
            },
            [&] { SpellRound(edit, text, wholeKeystroke); });
        judged = bar.m_judged;
    });
    if (!judged)
        state.SkipWithError("the drill bar never judged the typed text");
}

void Keystroke_Program(benchmark::State& state) { TypeIntoFreeDrill(state, false); }
void Keystroke_WithEdit(benchmark::State& state) { TypeIntoFreeDrill(state, true); }

void Keystroke_Floor(benchmark::State& state)
{
    const WordCard card = BuiltinCards(0).front();
    // The label shows the card's font. Whenever the drill bar's fonts are
    // measured, they are by the time a bar has been built.
    { const CKadoDlg bar; }
    QLabel label;
    label.setFont(GothicFont);
    label.resize(200, 20);
    label.show();
    const QString text = FromSjis(card.meaning) + QStringLiteral("(1/30)");
    QCoreApplication::processEvents();
    TimeIterations(
state, [] {}, [&] { LabelRound(label, text); });
}

} // namespace

void RegisterKeystrokeBenchmarks(int rounds)
{
    for (auto* registered :
         {benchmark::RegisterBenchmark("keystroke/spell_round/program", Keystroke_Program),
          benchmark::RegisterBenchmark("keystroke/spell_round/floor", Keystroke_Floor),
          benchmark::RegisterBenchmark("keystroke/with_edit/program", Keystroke_WithEdit)}) {
        registered->UseManualTime();
        if (rounds > 0)
            registered->Iterations(rounds);
    }
}
