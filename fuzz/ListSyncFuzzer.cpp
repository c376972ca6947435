// The list synchronisation against the reference model in
// tests/support/ListSyncModel.h, on cases drawn from the fuzzer's input.
#include "tests/support/ListSyncModel.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool opened = [] {
        return OpenDatabase(":memory:") == SQLITE_OK && listsync::Run("CREATE TABLE control(listname, beg, end)");
    }();
    if (!opened)
        std::abort();

    FuzzedDataProvider input(data, size);
    const listsync::Case c =
        listsync::DrawCase([&](int low, int high) { return input.ConsumeIntegralInRange(low, high); });
    const std::string disagreement = listsync::Check(c);
    if (!disagreement.empty()) {
        std::fprintf(stderr, "synchronisation and model disagree on %s\n%s\n", disagreement.c_str(),
                     listsync::Describe(c).c_str());
        std::abort();
    }
    return 0;
}
