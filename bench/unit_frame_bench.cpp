// Cost of the unit frame steps a host calls for every block: construction and binding,
// the inlet checks of Calculate, and stream copies.
#include <benchmark/benchmark.h>

#include "brixel/framework/brixel_base_unit.h"
#include "host/substitute_host.h"

namespace {

class BenchUnit : public CBrixelBaseUnit {
  public:
    const char* GetModelName() const override { return "BENCH"; }
    long WriteReport() override { return 0; }
};

struct Case {
    brixel::host::SubstituteHost host;
    int64_t inlet = 0;
    int64_t outlet = 0;
    brixel::host::Block* block = nullptr;

    explicit Case(int components) {
        std::vector<double> flows;
        for (int i = 0; i < components; ++i) {
            std::string id =
                std::to_string(i);  // "C" + to_string trips a GCC 12 -Wrestrict false alarm
            id.insert(0, 1, 'C');
            host.AddComponent({.id = id, .molecularWeight = 10.0 + i});
            flows.push_back(0.01 * (i + 1));
        }
        const int64_t streamClass = host.AddStreamClass("MIXED", {{"MIXED", 1, {}}});
        inlet = host.AddStream(streamClass);
        outlet = host.AddStream(streamClass);
        brixel::host::SubstreamState state;
        state.flows = flows;
        state.temperature = 300.0;
        state.pressure = 1e5;
        state.vaporFraction = 1.0;
        state.liquidFraction = 0.0;
        host.SetSubstream(inlet, 0, state);
        block = &host.AddBlock("B1", {inlet}, {outlet});
    }

    void Bind(BenchUnit& unit) {
        int64_t inlets = 1;
        int64_t outlets = 1;
        unit.SetStreamBeads(&inlets, block->inlets.data(), &outlets, block->outlets.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
    }
};

void BM_ConstructBindCalculate(benchmark::State& state) {
    Case c(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        BenchUnit unit;
        c.Bind(unit);
        benchmark::DoNotOptimize(unit.Calculate());
    }
}
BENCHMARK(BM_ConstructBindCalculate)->Arg(5)->Arg(50);

void BM_CopyStream(benchmark::State& state) {
    Case c(static_cast<int>(state.range(0)));
    BenchUnit unit;
    c.Bind(unit);
    for (auto _ : state) {
        unit.CopyStream(0, 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyStream)->Arg(5)->Arg(50);

}  // namespace
