#include "cli/case_run.h"

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "cli/separator_unit.h"
#include "host/substitute_host.h"

namespace brixel::cli {

namespace {

void ConfigureSeparator(const SeparatorCase& input, CSeparation& separation) {
    separation.SetFlowSplit1(CString(input.specifications.at(0).name));
    separation.SetFlowSplit1(input.specifications.at(0).value);
    separation.SetFlowSplit2(CString(input.specifications.at(1).name));
    separation.SetFlowSplit2(input.specifications.at(1).value);
    separation.SetSharpness(input.sharpness);
    separation.SetOffset(input.offset);
    separation.SetAttributeForClass(CString(input.classAttribute));
}

void ConfigureOutletState(const SeparatorCase& input, CSetStateVariables& state) {
    // Values first: a heat duty is only stored while "heat duty" is not yet selected.
    for (const NamedValue& variable : input.outletState) {
        if (variable.name == "temperature") {
            state.SetTemperature(variable.value);
        } else if (variable.name == "pressure") {
            state.SetPressure(variable.value);
        } else if (variable.name == "heat duty") {
            state.SetHeatDuty(variable.value);
        } else if (variable.name == "temperature change") {
            state.SetTemperatureChange(variable.value);
        } else if (variable.name == "pressure change") {
            state.SetPressureChange(variable.value);
        }
    }
    state.SetNumberOfVariables(static_cast<int>(input.outletState.size()));
    state.SetState1(CString(input.outletState.at(0).name));
    if (input.outletState.size() > 1) {
        state.SetState2(CString(input.outletState.at(1).name));
    }
}

std::vector<std::pair<double, double>> EfficiencyCurveOf(const CSeparation& separation) {
    std::vector<std::pair<double, double>> rows;
    const CComSafeArray<double>& curve = separation.GetEfficiencyCurve();
    if (curve.GetDimensions() != 2 || curve.GetCount(1) != 2) {
        return rows;
    }
    for (uint32_t row = 0; row < curve.GetCount(0); ++row) {
        const long first = curve.GetLowerBound(0) + static_cast<long>(row);
        const long column = curve.GetLowerBound(1);
        const long valueAt[2] = {first, column};
        const long efficiencyAt[2] = {first, column + 1};
        double value = 0.0;
        double efficiency = 0.0;
        if (curve.MultiDimGetAt(valueAt, value) >= 0 &&
            curve.MultiDimGetAt(efficiencyAt, efficiency) >= 0) {
            rows.emplace_back(value, efficiency);
        }
    }
    return rows;
}

}  // namespace

CaseResult RunSeparatorCase(const SeparatorCase& input) {
    CaseResult result;
    result.input = input;
    host::SubstituteHost simulator;
    const FeedStreams streams = BuildFeed(simulator, input, 2);
    const int64_t inlet = streams.feed;
    {
        SeparatorUnit unit(input.liquidIsFluid ? SeparatorUnit::Fluid::kLiquid
                                               : SeparatorUnit::Fluid::kGas);
        BindUnit(unit, *streams.block);
        unit.Initialize();
        ConfigureSeparator(input, *unit.GetSeparation());
        ConfigureOutletState(input, *unit.GetStateVariables());
        FlashFeed(unit, input, inlet);

        const UnitRun run = ValidateAndCalculate(unit);
        result.valid = run.valid;
        result.status = run.status;
        result.fallback = run.fallback;
        unit.WriteReport();
        result.outcome = streams.block->statusBlock[records::kStatusOutcome];

        result.inlet = Summarize(unit, inlet, &result.psdMesh);
        result.fluidOutlet = Summarize(unit, streams.outlets[0], &result.psdMesh);
        result.solidOutlet = Summarize(unit, streams.outlets[1], &result.psdMesh);

        const CSeparation& separation = *unit.GetSeparation();
        result.fluidSplit = separation.GetFluidSplit();
        result.solidSplit = separation.GetSolidSplit();
        result.solidSplitAchieved = separation.GetSolidSplitCalc();
        result.solidLoadOfFluid = separation.GetSolidLoadOfFluid();
        result.fluidLoadOfSolid = separation.GetFluidLoadOfSolid();
        result.d50 = separation.GetD50();
        result.efficiencyCurve = EfficiencyCurveOf(separation);
    }
    result.messages = simulator.PrintedLines();
    result.history = simulator.HistoryLines();
    return result;
}

}  // namespace brixel::cli
