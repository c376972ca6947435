#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "drill/DrillSelection.h"

// The rules of a drill's passes, with no widget, box or store: which card
// shows and how, what leaving, answering or marking it does to the passes,
// the known words and the counts, and when a pass or the drill ends. The
// drill bar hands it what the learner did, as values (the mark ticked or
// not, the typed text, the answer to the box at a pass's end), and does what
// each step returns.
class DrillPass : public DrillSelection {
public:
    enum Mode : std::int32_t { kPreview = 0, kFree = 1, kTest = 2 };
    enum Judgement : std::uint8_t { kWrong = 0, kRight = 1, kKnown = 2 };

    // What the bar does after a step.
    enum class Step {
        Unchanged, // the step does not apply now; nothing to show
        ShowCard,  // the same card, judged or revealed anew
        NewCard,   // another card; the answer edit is made ready for new typing
        PassEnded, // past the last card: ask (preview, free) or announce (test), then EndPass
        DrillOver, // nothing left for another pass: write the counts back
    };

    // The first pass of a run, over the selected cards.
    void BeginDrill(const RandomSource& randomBelow = RandomBelow);
    // Preview and free: leave the card, with the mark as the learner left it.
    Step Next(bool markedKnown);
    Step Back(bool markedKnown);
    // Preview and free: the typed text against the card, at every change.
    Step Spell(const std::string& typed);
    // Preview and free: a card being marked shows as known at once; its word
    // joins the known words only when the card is left marked.
    Step ShowMarked();
    // Test: judge the typed answer, or go on after a judged one.
    Step Answer(const std::string& typed);
    // After PassEnded. goOn: the learner's answer to the box; the test
    // mode's box only announces, and its next pass always begins.
    Step EndPass(bool goOn, const RandomSource& randomBelow = RandomBelow);
    Step Reveal();

    bool FreeMode() const { return m_mode == kPreview || m_mode == kFree; }
    // While the box at a pass's end is up, and after the drill's end, no
    // step applies but EndPass after PassEnded.
    bool PastLastCard() const { return m_current >= m_passCards.size(); }

    bool m_judged = false;
    bool m_revealed = false;
    std::uint8_t m_judgement = kWrong;
    // The shown card's number in the pass, from 1.
    std::int32_t m_position = 0;
    // Test: the next Answer judges (true) or goes on (false).
    bool m_awaitingAnswer = true;
    std::int32_t m_mode = kFree;
    // Index into m_passCards; m_passCards.size() while a pass has run out.
    std::size_t m_current = 0;

private:
    void Leave(bool markedKnown);
    Step Arrive();
};
