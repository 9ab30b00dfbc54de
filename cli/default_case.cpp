#include "cli/default_case.h"

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "cli/pass_through_unit.h"
#include "cli/report.h"
#include "host/substitute_host.h"

namespace brixel::cli {

int RunDefaultCase(std::ostream& out) {
    host::SubstituteHost simulator;
    // Molecular weights in kg/kmol from the IUPAC standard atomic weights.
    simulator.AddComponent({.id = "N2",
                            .molecularWeight = 28.0134,
                            .boilingPoint = 77.355,
                            .formula = "N2",
                            .cas = "7727-37-9"});
    simulator.AddComponent({.id = "O2",
                            .molecularWeight = 31.9988,
                            .boilingPoint = 90.188,
                            .formula = "O2",
                            .cas = "7782-44-7"});
    simulator.AddComponent({.id = "H2O",
                            .molecularWeight = 18.01528,
                            .boilingPoint = 373.124,
                            .formula = "H2O",
                            .cas = "7732-18-5"});
    const int64_t streamClass = simulator.AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    const int64_t inlet = simulator.AddStream(streamClass);
    const int64_t outlet = simulator.AddStream(streamClass);
    host::SubstreamState feed;
    feed.flows = {0.0780, 0.0210, 0.0010};  // kmol/s: humid air
    feed.temperature = 298.15;
    feed.pressure = 101325.0;
    feed.vaporFraction = 1.0;
    feed.liquidFraction = 0.0;
    simulator.SetSubstream(inlet, 0, feed);
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

        out << "brixel default case: pass-through block " << unit.GetBlockName().GetString()
            << "\n\n";
        PrintStreamTable(out, "Inlet", inlet);
        out << "\n";
        PrintStreamTable(out, "Outlet", outlet);
        out << "\nBlock status: " << StatusName(status) << ", outcome word "
            << block.statusBlock[records::kStatusOutcome] << "\n\n";
    }
    PrintLines(out, "Messages", simulator.PrintedLines());
    out << "\n";
    PrintLines(out, "History", simulator.HistoryLines());
    return static_cast<int>(exitCode);
}

}  // namespace brixel::cli
