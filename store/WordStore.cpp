#include "store/WordStore.h"

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
