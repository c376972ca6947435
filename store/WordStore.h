#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Words compare as unsigned bytes, shorter prefix first; this is also the
// order in which a drill's results are written back.
struct UnsignedByteLess {
    using is_transparent = void;
    bool operator()(const std::string& a, const std::string& b) const;
};

// A drill's count per word; what a count means depends on the drill's mode.
using WordCounts = std::map<std::string, std::int32_t, UnsignedByteLess>;

// One word of a list in memory. Texts are CP932 bytes.
struct WordCard {
    std::string meaning;
    std::string word;
    std::string phonetic;
    // 0 none, 1..5 "Level 1".."Level 5"; lives in memory only, never in save.db.
    std::int32_t level = 0;
};

// One list's record in the registry.
struct WordListState {
    std::int32_t count = 0;
    // True once save.db holds the list's control row and word table. The
    // synchronisation thread writes it while the main dialog reads it.
    std::atomic<bool> listed{false};
    std::int32_t beg = 0;
    std::int32_t end = 0;
    // What the last synchronisation returned (0 when none ran); a drill's
    // write-back that finds no table names this as the cause. Written and
    // read under StoreLock.
    int lastSyncResult = 0;
    std::vector<WordCard> cards;
};

// Name -> list, compared byte by byte. Filled by the preload alone until the
// completion flags are set; afterwards its set of names never changes.
using WordListMap = std::map<std::string, WordListState, std::less<>>;
extern WordListMap WordListRegistry;

WordListState* FindWordList(std::string_view name);
WordListState& FindOrInsertWordList(const std::string& name);

// One word of the current drill's range with the counters stored for it at Start.
struct HistoryEntry {
    std::string word;
    std::int32_t free = 0;
    std::int32_t test_w = 0;
    std::int32_t test_a = 0;
    std::int32_t level = 0;
    std::int32_t index = 0;
};
extern std::vector<HistoryEntry> DrillHistory;

// Set by the preload as its last step, listsLoaded first. Release/acquire:
// a reader that sees a flag set also sees every registry write before it.
extern std::atomic<bool> listsLoaded;
extern std::atomic<bool> controlLoaded;
