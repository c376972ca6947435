#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "store/WordStore.h"

// The drill's words and bookkeeping, held by the drill bar and refilled at
// every Start.
class DrillSelection {
public:
    // first, last: 0-based, inclusive. 0: selected (possibly nothing);
    // 1: first is negative and nothing was selected.
    std::int32_t SelectCards(const std::vector<WordCard>& cards, std::int32_t first, std::int32_t last);
    std::int32_t SelectCardsAtLevel(const std::vector<WordCard>& cards, std::int32_t first, std::int32_t last,
                                    std::int32_t level);

    std::vector<WordCard> m_passCards;
    std::vector<WordCard> m_nextPassCards;
    std::set<std::string, UnsignedByteLess> m_knownWords;
    std::int32_t m_levelFilter = 0;
    WordCounts m_wordCounts;
};

// A number in 0 .. n - 1 for n >= 1.
using RandomSource = std::function<std::int32_t(std::int32_t n)>;
std::int32_t RandomBelow(std::int32_t n);
// The forward shuffle: for k = 1 .. n - 1, exchange k with RandomBelow(k + 1).
void ShuffleCards(std::vector<WordCard>& cards, const RandomSource& randomBelow = RandomBelow);
