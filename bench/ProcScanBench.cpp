// Cost of one single-instance check over the real process table, beside
// pgrep doing the same search, timed in the same run (pgrep's time includes
// starting it through the shell).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "common/ProcessUtil.h"

static void BM_CheckDoubleStartup(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(suite::CheckDoubleStartup("NoSuchProgram"));
    }
}
BENCHMARK(BM_CheckDoubleStartup);

static double PerCallMicros(int calls, bool usePgrep) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) {
        if (usePgrep) {
            if (std::system("pgrep -x NoSuchProgram > /dev/null") == -1)
                return -1;
        } else {
            benchmark::DoNotOptimize(suite::CheckDoubleStartup("NoSuchProgram"));
        }
    }
    const auto took = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::micro>(took).count() / calls;
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double ours = PerCallMicros(200, false);
    const double pgrep = PerCallMicros(50, true);
    std::printf("process scan: %.1f us per check; pgrep: %.1f us per run; ratio ours/pgrep %.2f\n",
                ours, pgrep, ours / pgrep);
    return 0;
}
