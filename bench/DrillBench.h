#pragma once

// Benchmarks that run the drill bar (offscreen).
void RegisterWriteBackBenchmarks();
void RegisterScalingBenchmarks();
void RegisterKeystrokeBenchmarks();
