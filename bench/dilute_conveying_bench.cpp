// One dilute-phase conveying block as a host model would run it: unit made, bound, line
// specified, calculated (the march over 100 m with three elbows, the outlet flash, the
// heat duty), profiles generated and the unit destroyed; for the Muschelknautz and the
// Siegel solids model. The counter in_flash_us is the time spent inside the host's flash per
// block; the rest of the time is the library's.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/host_blocks.h"
#include "brixel/framework/brixel_base_unit.h"
#include "brixel/models/conveying/dilute_phase_conveying.h"
#include "host/substitute_host.h"

namespace {

class ConveyingLine : public CBrixelBaseUnit {
  public:
    ConveyingLine() : line(this) { line.InitializePorts(&m_saPortNames); }
    const char* GetModelName() const override { return "DILCONV"; }
    long WriteReport() override { return 0; }
    void ValidateData() override { line.ValidateData(); }

    CDilutePhaseConveying line;
};

struct Case {
    brixel::host::SubstituteHost host;
    brixel::host::Block* block = nullptr;
    const char* model;

    explicit Case(const char* solidsModel) : model(solidsModel) {
        host.AddDatabankComponent("N2");
        host.AddDatabankComponent("SIO2");
        const int64_t streamClass = host.AddStreamClass(
            "MIXCISLD",
            {{"MIXED", 1, {}}, {"CISOLID", 2, {brixel::host::Psd({5e-5, 1e-4, 2e-4, 4e-4})}}});
        const int64_t inlet = host.AddStream(streamClass);
        const int64_t outlet = host.AddStream(streamClass);
        brixel::host::SubstreamState gas;
        gas.flows = {0.3 / 28.014, 0.0};  // 0.3 kg/s
        gas.temperature = 300.0;
        gas.pressure = 2e5;
        gas.vaporFraction = 1.0;
        gas.liquidFraction = 0.0;
        host.SetSubstream(inlet, 0, gas);
        brixel::host::SubstreamState sand;
        sand.flows = {0.0, 0.9 / 60.084};  // 0.9 kg/s
        sand.temperature = 300.0;
        sand.pressure = 2e5;
        sand.vaporFraction = 0.0;
        sand.liquidFraction = 0.0;
        sand.density = 2650.0;
        sand.psd = {0.3, 0.5, 0.2};
        host.SetSubstream(inlet, 1, sand);
        block = &host.AddBlock("LINE", {inlet}, {outlet});
    }

    long Run() {
        ConveyingLine unit;
        int64_t inlets = 1;
        int64_t outlets = 1;
        unit.SetStreamBeads(&inlets, block->inlets.data(), &outlets, block->outlets.data());
        unit.SetUnitBeads(block->intParameters.data(), block->realParameters.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
        unit.Initialize();
        CDilutePhaseConveying& line = unit.line;
        line.SetTubeDiameter(0.1);
        line.SetTubeLength(100.0);
        line.SetRiseAngle(0.0);
        line.SetNumberOfCurves(3);
        line.SetPressureDropCoefCurves(0.3);
        line.SetSolidsPressureDropModel(model);
        long status = unit.Calculate();
        if (status >= 0) {
            status = line.Calculate();
        }
        if (status >= 0) {
            status = line.GenerateProfiles(20);
        }
        return status;
    }
};

void RunBlocks(benchmark::State& state, const char* model) {
    Case c(model);
    brixel::bench::RunHostBlocks(
        state, c.host, [&c] { return c.Run(); }, "the conveying case does not calculate");
}
void BM_DiluteLineMuschelknautz(benchmark::State& state) {
    RunBlocks(state, "Muschelknautz");
}
void BM_DiluteLineSiegel(benchmark::State& state) {
    RunBlocks(state, "Siegel");
}
BENCHMARK(BM_DiluteLineMuschelknautz)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiluteLineSiegel)->Unit(benchmark::kMicrosecond);

}  // namespace
