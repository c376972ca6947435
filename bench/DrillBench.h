#pragma once

// Benchmarks that run the drill bar (offscreen).
void RegisterWriteBackBenchmarks();
void RegisterScalingBenchmarks();
// rounds > 0: every keystroke benchmark runs exactly that many rounds, so
// that an instruction count over them repeats from run to run.
void RegisterKeystrokeBenchmarks(int rounds);
