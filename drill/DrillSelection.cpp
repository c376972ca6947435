#include "drill/DrillSelection.h"

#include <cstring>

bool UnsignedByteLess::operator()(const std::string& a, const std::string& b) const
{
    // std::string compares through char_traits<char>, which compares as
    // unsigned char; spelled out so the order never depends on it.
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    const int c = std::memcmp(a.data(), b.data(), n);
    return c != 0 ? c < 0 : a.size() < b.size();
}

// Placeholders until selection lands.
std::int32_t DrillSelection::SelectCards(const std::vector<WordCard>&, std::int32_t, std::int32_t) { return 1; }
std::int32_t DrillSelection::SelectCardsAtLevel(const std::vector<WordCard>&, std::int32_t, std::int32_t,
                                                std::int32_t)
{
    return 1;
}
std::int32_t RandomBelow(std::int32_t) { return 0; }
void ShuffleCards(std::vector<WordCard>&, const RandomSource&) {}
