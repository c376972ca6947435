#include "drill/DrillPass.h"

#include "drill/CardText.h"

#include <algorithm>

void DrillPass::BeginDrill(const RandomSource& randomBelow)
{
    m_judged = false;
    m_judgement = kWrong;
    m_awaitingAnswer = true;
    // Preview shows each card's word first; free and test its meaning.
    m_revealed = m_mode == kPreview;
    if (m_mode == kTest)
        ShuffleCards(m_passCards, randomBelow);
    m_position = 1;
    m_current = 0;
    // Preview and free: every card comes back until it is known. Test: only
    // the cards answered wrongly do.
    if (FreeMode())
        m_nextPassCards = m_passCards;
}

// A marked card's word is known from now on and leaves the next pass once:
// a word drilled twice in the pass keeps its other card there.
void DrillPass::Leave(bool markedKnown)
{
    if (markedKnown) {
        const std::string word = m_passCards[m_current].word;
        m_knownWords.insert(word);
        const auto known = std::find_if(m_nextPassCards.begin(), m_nextPassCards.end(),
                                        [&word](const WordCard& card) { return card.word == word; });
        if (known != m_nextPassCards.end())
            m_nextPassCards.erase(known);
    }
    m_judged = false;
    m_revealed = m_mode == kPreview;
}

DrillPass::Step DrillPass::Arrive()
{
    if (m_knownWords.contains(m_passCards[m_current].word)) {
        m_judged = true;
        m_judgement = kKnown;
    }
    return Step::NewCard;
}

DrillPass::Step DrillPass::Next(bool markedKnown)
{
    if (!FreeMode() || PastLastCard())
        return Step::Unchanged;
    Leave(markedKnown);
    ++m_current;
    ++m_position;
    if (PastLastCard())
        return Step::PassEnded;
    return Arrive();
}

DrillPass::Step DrillPass::Back(bool markedKnown)
{
    if (!FreeMode() || PastLastCard() || m_current == 0)
        return Step::Unchanged;
    Leave(markedKnown);
    --m_current;
    --m_position;
    return Arrive();
}

DrillPass::Step DrillPass::Spell(const std::string& typed)
{
    if (!FreeMode() || PastLastCard())
        return Step::Unchanged;
    m_judged = true;
    const WordCard& card = m_passCards[m_current];
    if (m_knownWords.contains(card.word))
        m_judgement = kKnown;
    else
        m_judgement = SameSpelling(typed, card.word) ? kRight : kWrong;
    return Step::ShowCard;
}

DrillPass::Step DrillPass::ShowMarked()
{
    if (!FreeMode() || PastLastCard())
        return Step::Unchanged;
    m_judgement = kKnown;
    m_judged = true;
    return Step::ShowCard;
}

DrillPass::Step DrillPass::Answer(const std::string& typed)
{
    if (m_mode != kTest || PastLastCard())
        return Step::Unchanged;
    m_revealed = true;
    if (m_awaitingAnswer) {
        const WordCard& card = m_passCards[m_current];
        ++m_wordCounts[card.word];
        m_awaitingAnswer = false;
        m_judged = true;
        if (SameSpelling(typed, card.word)) {
            m_judgement = kRight;
        } else {
            m_judgement = kWrong;
            m_nextPassCards.push_back(card);
        }
        return Step::ShowCard;
    }

    ++m_position;
    m_awaitingAnswer = true;
    m_judged = false;
    m_revealed = false;
    ++m_current;
    if (!PastLastCard())
        return Step::NewCard;
    // A pass without a wrong answer ends the drill without a box.
    return m_nextPassCards.empty() ? Step::DrillOver : Step::PassEnded;
}

DrillPass::Step DrillPass::EndPass(bool goOn, const RandomSource& randomBelow)
{
    // Only a pass that ran out with cards left for another one ends here:
    // after the drill's end there is nothing to go back to or on with.
    const bool cardsLeft = m_mode == kTest ? !m_nextPassCards.empty() : FreeMode();
    if (!PastLastCard() || m_passCards.empty() || !cardsLeft)
        return Step::Unchanged;
    if (m_mode == kTest) {
        m_passCards = m_nextPassCards;
        m_nextPassCards.clear();
        ShuffleCards(m_passCards, randomBelow);
        m_position = 1;
        m_current = 0;
        return Step::NewCard;
    }
    if (goOn) {
        // Each word counts the passes it took part in.
        for (const WordCard& card : m_passCards)
            ++m_wordCounts[card.word];
        // The next pass holds the cards not yet known, and starts as this
        // one: until a card is left marked, both hold the same.
        m_passCards = m_nextPassCards;
        m_position = 1;
        m_current = 0;
    } else {
        // The last card stays; the next Next asks again.
        --m_current;
        --m_position;
    }
    if (m_passCards.empty())
        return Step::DrillOver;
    return Arrive();
}

DrillPass::Step DrillPass::Reveal()
{
    if (PastLastCard())
        return Step::Unchanged;
    m_revealed = !m_revealed;
    return Step::ShowCard;
}
