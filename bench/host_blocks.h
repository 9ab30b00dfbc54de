#pragma once

#include <benchmark/benchmark.h>

#include "host/substitute_host.h"

namespace brixel::bench {

// Times one block calculation per iteration; the counter in_flash_us is the time spent inside
// the host's flash per block. `run` returns the block's status; a block that does not
// calculate before timing skips the benchmark with `failure`.
template <typename Run>
void RunHostBlocks(benchmark::State& state, host::SubstituteHost& host, Run run,
                   const char* failure) {
    if (run() < 0) {
        state.SkipWithError(failure);
        return;
    }
    host.ClearCaptures();
    for (auto _ : state) {
        benchmark::DoNotOptimize(run());
        state.PauseTiming();
        const double flash = host.FlashSeconds();
        host.ClearCaptures();  // the captures would grow with every block
        state.counters["in_flash_us"] += flash * 1e6;
        state.ResumeTiming();
    }
    state.counters["in_flash_us"] /= static_cast<double>(state.iterations());
}

}  // namespace brixel::bench
