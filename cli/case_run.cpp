#include "cli/case_run.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "cli/host_values.h"
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

namespace {

// The curve of the solid outlet against the inlet, from their records. Substreams share the
// class sizes of the first PSD when the overall curve exists; without it the table stays empty.
void StreamCurve(SeparatorUnit& unit, const SeparatorCase& input, int64_t inlet,
                 int64_t solidOutlet, CaseResult& result) {
    const auto substreams = static_cast<int>(input.substreams.size());
    int widest = 0;
    for (int s = 0; s < substreams; ++s) {
        double* fractions = nullptr;
        double* mesh = nullptr;
        widest = std::max(widest, unit.GetPSDPointer(static_cast<int>(inlet), s, fractions, mesh));
    }
    if (widest == 0) {
        return;
    }
    const int stride = 2 * widest;
    const double unset = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> table(static_cast<std::size_t>((substreams + 1) * stride), unset);
    if (unit.GenerateSeparationEfficiencyCurves(static_cast<int>(inlet),
                                                static_cast<int>(solidOutlet), stride, 0, widest,
                                                table.data(), -1) != 0) {
        return;
    }
    const auto at = [&](int row, int column) {
        const double value = table[static_cast<std::size_t>(row * stride + column)];
        return value >= kHostMissing ? unset : value;
    };
    if (std::isnan(at(substreams, 0))) {
        return;  // meshes differ or no feed mass: no common class sizes
    }
    std::vector<int> rows;
    for (int s = 0; s < substreams; ++s) {
        if (!std::isnan(at(s, 0))) {
            rows.push_back(s);
            result.streamCurveSubstreams.push_back(
                input.substreams[static_cast<std::size_t>(s)].id);
        }
    }
    for (int i = 0; i < widest; ++i) {
        std::vector<double> row = {at(substreams, i)};
        for (const int s : rows) {
            row.push_back(at(s, widest + i));
        }
        row.push_back(at(substreams, widest + i));
        result.streamCurve.push_back(std::move(row));
    }
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

        const BlockOutcome outcome = RunBlock(unit, *streams.block);
        result.valid = outcome.valid;
        result.status = outcome.status;
        result.fallback = outcome.fallback;
        result.outcome = outcome.outcome;
        unit.WriteReport();

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
        if (input.streamCurve) {
            StreamCurve(unit, input, inlet, streams.outlets[1], result);
        }
    }
    result.messages = simulator.PrintedLines();
    result.history = simulator.HistoryLines();
    return result;
}

}  // namespace brixel::cli
