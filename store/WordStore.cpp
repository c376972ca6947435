#include "store/WordStore.h"

#include <cstring>

WordListMap WordListRegistry;
std::vector<HistoryEntry> DrillHistory;
std::atomic<bool> listsLoaded{false};
std::atomic<bool> controlLoaded{false};

WordListState* FindWordList(std::string_view name)
{
    auto it = WordListRegistry.find(name);
    return it == WordListRegistry.end() ? nullptr : &it->second;
}

WordListState& FindOrInsertWordList(const std::string& name)
{
    return WordListRegistry.try_emplace(name).first->second;
}

bool UnsignedByteLess::operator()(const std::string& a, const std::string& b) const
{
    // std::string compares through char_traits<char>, which compares as
    // unsigned char; spelled out so the order never depends on it.
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    const int c = std::memcmp(a.data(), b.data(), n);
    return c != 0 ? c < 0 : a.size() < b.size();
}
