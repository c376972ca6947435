// The store's benchmarks need no window system.
#include "BenchSupport.h"
#include "StoreBench.h"

int main(int argc, char** argv)
{
    TakeBenchFolders(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RegisterStoreBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
