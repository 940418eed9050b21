// Cost of one step of the dialer's connection wait: the dialler search over
// the real process table (status and stat of every process, then the
// ancestry walk) and the read of the interface table, beside the shared
// single-instance scan, and as a share of the 500 ms poll interval.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "common/ProcessUtil.h"
#include "ringout/RoControl.h"

static void BM_CheckChatProcess(benchmark::State& state) {
    const ro::RoPaths paths;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ro::CheckChatProcess(1, paths));
    }
}
BENCHMARK(BM_CheckChatProcess);

static void BM_ReadPppLink(benchmark::State& state) {
    std::string text =
        "Inter-|   Receive\n face |bytes    packets\n    lo: 1200 12 0 0 0 0 0 0 1200 12 0 0\n";
    for (int i = 0; i < 8; ++i) {
        text += "  eth" + std::to_string(i) + ": 4000 40 0 0 0 0 0 0 300 3 0 0\n";
    }
    text += "  ppp0: 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ro::ReadPppLink(text));
    }
}
BENCHMARK(BM_ReadPppLink);

template <typename F>
static double PerCallMicros(int calls, F call) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) {
        call();
    }
    const auto took = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::micro>(took).count() / calls;
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const ro::RoPaths paths;
    const double chat =
        PerCallMicros(200, [&] { benchmark::DoNotOptimize(ro::CheckChatProcess(1, paths)); });
    const double shared = PerCallMicros(
        200, [] { benchmark::DoNotOptimize(suite::CheckDoubleStartup("NoSuchProgram")); });
    std::printf(
        "dialler search: %.1f us per poll; shared scan: %.1f us; ratio %.2f; share of the 500 ms "
        "poll interval %.4f%%\n",
        chat, shared, chat / shared, chat / 500000.0 * 100.0);
    return 0;
}
