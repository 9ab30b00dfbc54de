#include "cli/default_case.h"

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "cli/pass_through_unit.h"
#include "cli/report.h"
#include "host/substitute_host.h"

namespace brixel::cli {

int RunDefaultCase(std::ostream& out) {
    host::SubstituteHost simulator;
    simulator.AddDatabankComponent("N2");
    simulator.AddDatabankComponent("O2");
    simulator.AddDatabankComponent("WATER");
    simulator.AddDatabankComponent("SIO2");
    const int64_t streamClass = simulator.AddStreamClass(
        "MIXCISLD",
        {{"MIXED", 1, {}}, {"CISOLID", 2, {host::Psd({0.0, 50e-6, 100e-6, 200e-6, 500e-6})}}});
    const int64_t inlet = simulator.AddStream(streamClass);
    const int64_t outlet = simulator.AddStream(streamClass);
    // Warm, wet air carrying cold sand: the substreams disagree in temperature, so the
    // calculation frame brings the inlet to equilibrium with a PQ flash at zero duty.
    host::SubstreamState air;
    air.flows = {0.0780, 0.0210, 0.0100, 0.0};  // kmol/s
    air.temperature = 330.0;
    air.pressure = 101325.0;
    air.vaporFraction = 1.0;
    air.liquidFraction = 0.0;
    simulator.SetSubstream(inlet, 0, air);
    host::SubstreamState sand;
    sand.flows = {0.0, 0.0, 0.0, 0.0500};  // kmol/s of SiO2, about 3 kg/s
    sand.temperature = 293.15;
    sand.pressure = 101325.0;
    sand.vaporFraction = 0.0;
    sand.liquidFraction = 0.0;
    sand.psd = {0.1, 0.3, 0.4, 0.2};
    simulator.SetSubstream(inlet, 1, sand);
    host::Block& block = simulator.AddBlock("B1", {inlet}, {outlet});

    int64_t exitCode = 0;
    {
        PassThroughUnit unit;
        int64_t inletCount = static_cast<int64_t>(block.inlets.size());
        int64_t outletCount = static_cast<int64_t>(block.outlets.size());
        unit.SetStreamBeads(&inletCount, block.inlets.data(), &outletCount, block.outlets.data());
        unit.SetUnitBeads(block.intParameters.data(), block.realParameters.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block.methodSet.data(), &unused, block.statusBlock.data());
        unit.SetBlockID(block.id.data(), 1);
        unit.Initialize();

        BSTR message = nullptr;
        VARIANT_BOOL valid = VARIANT_FALSE;
        unit.Validate(&message, &valid);
        const long status = valid == VARIANT_TRUE ? unit.Calculate() : kStatusCapeUnknown;
        if (status < 0) {
            unit.SetErrorExit();
            exitCode = 1;
        }
        unit.WriteReport();

        out << "brixel default case: wet air with sand through pass-through block "
            << unit.GetBlockName().GetString() << "\n\n";
        PrintStreamTable(out, "Outlet (inlet after the equilibrium flash)", outlet);
        out << "\nBlock status: " << StatusName(status) << ", outcome word "
            << block.statusBlock[records::kStatusOutcome] << "\n\n";
    }
    // The unit is gone: the host's inlet is back as it was given.
    out << "\n";
    PrintStreamTable(out, "Inlet as given", inlet);
    out << "\n";
    PrintLines(out, "Messages", simulator.PrintedLines());
    out << "\n";
    PrintLines(out, "History", simulator.HistoryLines());
    return static_cast<int>(exitCode);
}

}  // namespace brixel::cli
