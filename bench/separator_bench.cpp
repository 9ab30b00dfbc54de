// One separator block as the host calls it: unit made, bound, initialised, specified,
// calculated (inlet flash, split, cut-size search, class moves, outlet flashes) and
// destroyed. A gas cyclone classifies by particle size, a hydrocyclone by settling velocity.
// The counter in_flash_us is the time spent inside the host's flash per block; the rest of
// the time is the library's.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench/host_blocks.h"
#include "brixel/models/separation/separation_base_unit.h"
#include "host/substitute_host.h"

namespace {

class Cyclone : public CSeparationBaseUnit {
  public:
    explicit Cyclone(bool liquid) { m_nFluidType = liquid ? 1 : 0; }
    const char* GetModelName() const override { return "CYCLONE"; }
    long WriteReport() override { return 0; }
};

struct Case {
    brixel::host::SubstituteHost host;
    brixel::host::Block* block = nullptr;

    bool liquid;

    Case(int classes, bool liquidIsFluid) : liquid(liquidIsFluid) {
        host.AddDatabankComponent(liquid ? "WATER" : "N2");
        host.AddDatabankComponent("O2");
        host.AddDatabankComponent("CACO3");
        // Log-spaced boundaries from 0.5 um to 500 um; log-normal mass fractions around 20 um.
        std::vector<double> mesh{0.0};
        std::vector<double> fractions;
        double sum = 0.0;
        for (int i = 1; i <= classes; ++i) {
            mesh.push_back(0.5e-6 * std::pow(1000.0, static_cast<double>(i) / classes));
        }
        for (int i = 0; i < classes; ++i) {
            const double x = std::log(0.5 * (mesh[i] + mesh[i + 1]) / 20e-6);
            fractions.push_back(std::exp(-x * x / 2.0));
            sum += fractions.back();
        }
        for (double& f : fractions) {
            f /= sum;
        }
        const int64_t streamClass = host.AddStreamClass(
            "MIXCISLD", {{"MIXED", 1, {}}, {"CISOLID", 2, {brixel::host::Psd(mesh)}}});
        const int64_t inlet = host.AddStream(streamClass);
        const int64_t fluid = host.AddStream(streamClass);
        const int64_t solid = host.AddStream(streamClass);
        brixel::host::SubstreamState air;
        air.flows =
            liquid ? std::vector<double>{0.5, 0.0, 0.0} : std::vector<double>{0.079, 0.021, 0.0};
        air.temperature = 300.0;
        air.pressure = liquid ? 250000.0 : 101325.0;
        air.vaporFraction = liquid ? 0.0 : 1.0;
        air.liquidFraction = liquid ? 1.0 : 0.0;
        host.SetSubstream(inlet, 0, air);
        brixel::host::SubstreamState dust;
        dust.flows = {0.0, 0.0, 0.002};
        dust.temperature = 300.0;
        dust.pressure = air.pressure;
        dust.density = 2710.0;
        dust.vaporFraction = 0.0;
        dust.liquidFraction = 0.0;
        dust.psd = fractions;
        host.SetSubstream(inlet, 1, dust);
        block = &host.AddBlock("CYC", {inlet}, {fluid, solid});
    }

    long Run() {
        Cyclone unit(liquid);
        int64_t inlets = 1;
        int64_t outlets = 2;
        unit.SetStreamBeads(&inlets, block->inlets.data(), &outlets, block->outlets.data());
        unit.SetUnitBeads(block->intParameters.data(), block->realParameters.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
        unit.Initialize();
        CSeparation& separation = *unit.GetSeparation();
        separation.SetFlowSplit1(0.9);
        if (liquid) {
            separation.SetFlowSplit2(CString("fluid load of solid product"));
            separation.SetFlowSplit2(1.0);
            separation.SetAttributeForClass("particle settling velocity");
        }
        separation.SetSharpness(0.6);
        unit.GetStateVariables()->SetTemperatureChange(0.0);
        unit.GetStateVariables()->SetPressureChange(0.0);
        return unit.Calculate();
    }
};

void RunBlocks(benchmark::State& state, bool liquid) {
    Case c(static_cast<int>(state.range(0)), liquid);
    brixel::bench::RunHostBlocks(
        state, c.host, [&c] { return c.Run(); }, "the separator case does not calculate");
}
void BM_CycloneBySize(benchmark::State& state) {
    RunBlocks(state, false);
}
void BM_HydrocycloneBySettlingVelocity(benchmark::State& state) {
    RunBlocks(state, true);
}
BENCHMARK(BM_CycloneBySize)->Arg(20)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HydrocycloneBySettlingVelocity)
    ->Arg(20)
    ->Arg(100)
    ->Arg(500)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
