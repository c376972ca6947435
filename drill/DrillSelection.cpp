#include "drill/DrillSelection.h"

#include <mutex>
#include <random>
#include <utility>

namespace {

// The drill bar object is reused for every drill, so nothing of the previous
// drill may survive a selection, not even after a failed one.
void ClearDrill(DrillSelection& drill)
{
    drill.m_passCards.clear();
    drill.m_nextPassCards.clear();
    drill.m_wordCounts.clear();
    drill.m_knownWords.clear();
}

template <typename Accept>
std::int32_t Select(DrillSelection& drill, const std::vector<WordCard>& cards, std::int32_t first,
                    std::int32_t last, Accept accept)
{
    ClearDrill(drill);
    if (first < 0)
        return 1;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const long long index = static_cast<long long>(i);
        if (index < first || index > last || !accept(cards[i]))
            continue;
        drill.m_passCards.push_back(cards[i]);
        drill.m_wordCounts.try_emplace(cards[i].word, 0);
    }
    return 0;
}

} // namespace

std::int32_t DrillSelection::SelectCards(const std::vector<WordCard>& cards, std::int32_t first, std::int32_t last)
{
    m_levelFilter = 0;
    return Select(*this, cards, first, last, [](const WordCard&) { return true; });
}

std::int32_t DrillSelection::SelectCardsAtLevel(const std::vector<WordCard>& cards, std::int32_t first,
                                                std::int32_t last, std::int32_t level)
{
    m_levelFilter = level;
    return Select(*this, cards, first, last, [level](const WordCard& card) { return card.level == level; });
}

std::int32_t RandomBelow(std::int32_t n)
{
    // Seeded once per process. Reseeding from the clock before every draw
    // made all draws of a shuffle equal, so the order depended only on the
    // second in which the shuffle ran.
    static std::mutex mutex;
    static std::mt19937 generator{std::random_device{}()};
    if (n <= 1)
        return 0;
    std::uniform_int_distribution<std::int32_t> below(0, n - 1);
    std::lock_guard lock(mutex);
    return below(generator);
}

void ShuffleCards(std::vector<WordCard>& cards, const RandomSource& randomBelow)
{
    for (std::size_t k = 1; k < cards.size(); ++k) {
        const auto bound = static_cast<std::int32_t>(k + 1);
        std::int32_t j = randomBelow(bound) % bound;
        if (j < 0)
            j += bound;
        if (static_cast<std::size_t>(j) != k)
            std::swap(cards[k], cards[static_cast<std::size_t>(j)]);
    }
}
