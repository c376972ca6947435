#pragma once
// Runs the drill bar's real modal run with a script acting inside it, the
// way the answer bar's buttons would, with every message box answered at
// once (OK, Yes) and the result dialog answered without being shown. It
// also times the write-back: from the moment its BEGIN reaches the store
// to the modal run of the result dialog that follows it.
#include <chrono>
#include <functional>
#include <optional>

class CKadoDlg;

class DrillRunner {
public:
    using Clock = std::chrono::steady_clock;

    DrillRunner();
    ~DrillRunner();
    DrillRunner(const DrillRunner&) = delete;
    DrillRunner& operator=(const DrillRunner&) = delete;

    // Returns the bar's modal result once the run and its clean-up are over.
    int Run(CKadoDlg& bar, const std::function<void(CKadoDlg&)>& script);

    // Of the last run: the script from its first action to its return,
    // which includes the end of the drill and the write-back.
    double ScriptSeconds() const;
    double ScriptCpuSeconds() const { return m_scriptEndCpu - m_scriptStartCpu; }
    // Of the last run; 0 when it wrote nothing.
    double WriteBackSeconds() const;
    // The user-interface thread's CPU time over the same span.
    double WriteBackCpuSeconds() const;
    bool ResultDialogRan() const { return m_resultAt.has_value(); }

private:
    static void Observe(const char* text, void* self);

    std::optional<Clock::time_point> m_beginAt;
    std::optional<Clock::time_point> m_resultAt;
    double m_beginCpu = 0;
    double m_resultCpu = 0;
    double m_scriptStartCpu = 0;
    double m_scriptEndCpu = 0;
    Clock::time_point m_scriptStart;
    Clock::time_point m_scriptEnd;
};

// The scripts: what a learner does with the answer bar.
// Test drill: types every word right and presses "ok" twice per card.
void AnswerEveryCardRight(CKadoDlg& bar);
// The same up to the judging of the last card; the runner then closes the
// bar, so the drill ends without its end: nothing is written.
void AnswerEveryCardRightWithoutEnding(CKadoDlg& bar);
// Free drill: ticks the known mark on every card and presses ">" through
// one pass; the closing "次回に行きますか。" is answered Yes.
void MarkEveryCardKnown(CKadoDlg& bar);
