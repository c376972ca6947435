#include "store/ListSync.h"

#include "store/WordStore.h"

#include <thread>

namespace {
std::thread& SyncThread()
{
    static std::thread thread;
    return thread;
}
} // namespace

int ListSyncThread(WordListState* entry, std::string)
{
    // Placeholder until the synchronisation lands.
    entry->listed.store(true, std::memory_order_release);
    return 0;
}

void StartListSync(WordListState& entry, const std::string& listName)
{
    WaitForListSync();
    SyncThread() = std::thread(ListSyncThread, &entry, listName);
}

void WaitForListSync()
{
    if (SyncThread().joinable())
        SyncThread().join();
}
