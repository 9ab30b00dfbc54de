#include "cli/case_run.h"

#include <cmath>
#include <limits>
#include <sstream>

#include "brixel/framework/flash_kode.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/properties/phase_properties.h"
#include "cli/separator_unit.h"
#include "host/databank.h"
#include "host/substitute_host.h"

namespace brixel::cli {

namespace {

constexpr double kUnavailable = std::numeric_limits<double>::quiet_NaN();

std::vector<host::Substream> StreamClassOf(const SeparatorCase& input) {
    std::vector<host::Substream> substreams;
    for (const SubstreamCase& substream : input.substreams) {
        host::Substream entry{substream.id, substream.type == "MIXED" ? 1 : 2, {}};
        if (!substream.psdMesh.empty()) {
            entry.attributes.push_back(host::Psd(substream.psdMesh));
        }
        substreams.push_back(std::move(entry));
    }
    return substreams;
}

// Feed state of one substream: mass flows turned into kmol/s with the databank's molecular
// weights. T and P only; the flash supplies the rest.
host::SubstreamState FeedOf(const SeparatorCase& input, const SubstreamCase& substream) {
    host::SubstreamState state;
    state.flows.assign(input.components.size(), 0.0);
    for (const auto& [id, massFlow] : substream.massFlows) {
        for (std::size_t i = 0; i < input.components.size(); ++i) {
            if (input.components[i] == id) {
                state.flows[i] = massFlow / host::databank::FindSubstance(id)->molecularWeight;
            }
        }
    }
    state.temperature = input.temperature;
    state.pressure = input.pressure;
    state.psd = substream.psd;
    return state;
}

double PhaseMassFlow(SeparatorUnit& unit, int bead, int phase) {
    double value = 0.0;
    const long status =
        unit.GetSinglePhaseProp(bead, kPropertyTotalFlow, phase, &value, kBasisMass);
    return status < 0 ? kUnavailable : value;
}

StreamSummary Summarize(SeparatorUnit& unit, int bead, std::vector<double>* mesh) {
    StreamSummary summary;
    summary.vapour = PhaseMassFlow(unit, bead, kPhaseVapor);
    summary.liquid = PhaseMassFlow(unit, bead, kPhaseLiquid);
    summary.solid = PhaseMassFlow(unit, bead, kPhaseSolid);
    if (unit.GetTemperature(bead, &summary.temperature) < 0) {
        summary.temperature = kUnavailable;
    }
    if (unit.GetPressure(bead, &summary.pressure) < 0) {
        summary.pressure = kUnavailable;
    }
    CComBSTR unitName;
    CComSafeArray<VARIANT> boundaries;
    CComSafeArray<double> fractions;
    if (summary.solid > 0.0 && unit.GetSolidAttribute(bead, CComBSTR("PSD"), unitName, boundaries,
                                                      fractions, kPhaseSolid) >= 0) {
        for (uint32_t i = 0; i < fractions.GetCount(); ++i) {
            summary.psd.push_back(fractions.GetAt(fractions.GetLowerBound() + i));
        }
        if (mesh && mesh->empty()) {
            for (uint32_t i = 0; i < boundaries.GetCount(); ++i) {
                const VARIANT& boundary = boundaries.GetAt(boundaries.GetLowerBound() + i);
                mesh->push_back(boundary.vt == VT_R8 ? boundary.dblVal : kUnavailable);
            }
        }
    }
    return summary;
}

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
    int64_t inlet = 0;
    int64_t fluidOutlet = 0;
    int64_t solidOutlet = 0;
    host::Block* block = nullptr;
    try {
        for (const std::string& id : input.components) {
            simulator.AddDatabankComponent(id);
        }
        const int64_t streamClass =
            simulator.AddStreamClass(input.streamClassType, StreamClassOf(input));
        inlet = simulator.AddStream(streamClass);
        fluidOutlet = simulator.AddStream(streamClass);
        solidOutlet = simulator.AddStream(streamClass);
        for (std::size_t k = 0; k < input.substreams.size(); ++k) {
            simulator.SetSubstream(inlet, static_cast<int>(k), FeedOf(input, input.substreams[k]));
        }
        block = &simulator.AddBlock(input.blockId, {inlet}, {fluidOutlet, solidOutlet});
    } catch (const std::exception& error) {
        throw CaseRunError(std::string("the host refused the case: ") + error.what());
    }

    {
        SeparatorUnit unit(input.liquidIsFluid ? SeparatorUnit::Fluid::kLiquid
                                               : SeparatorUnit::Fluid::kGas);
        int64_t inletCount = static_cast<int64_t>(block->inlets.size());
        int64_t outletCount = static_cast<int64_t>(block->outlets.size());
        unit.SetStreamBeads(&inletCount, block->inlets.data(), &outletCount, block->outlets.data());
        unit.SetUnitBeads(block->intParameters.data(), block->realParameters.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
        unit.SetBlockID(block->id.data(), 1);
        unit.Initialize();
        ConfigureSeparator(input, *unit.GetSeparation());
        ConfigureOutletState(input, *unit.GetStateVariables());

        const int inletBead = static_cast<int>(inlet);
        if (!unit.FlashStream(inletBead, kFlashTP, input.temperature, input.pressure,
                              CBrixelBaseUnit::m_dblRMiss, true)) {
            std::ostringstream text;
            text << "the feed cannot be brought to equilibrium at " << input.temperature
                 << " K and " << input.pressure << " Pa";
            throw CaseRunError(text.str());
        }

        BSTR message = nullptr;
        VARIANT_BOOL valid = VARIANT_FALSE;
        const long validation = unit.Validate(&message, &valid);
        SysFreeString(message);
        result.valid = validation >= 0 && valid == VARIANT_TRUE;
        result.status =
            result.valid ? unit.Calculate() : (validation < 0 ? validation : kStatusCapeUnknown);
        if (result.status < 0) {
            unit.SetErrorExit();
            result.fallback = true;
        }
        unit.WriteReport();
        result.outcome = block->statusBlock[records::kStatusOutcome];

        result.inlet = Summarize(unit, inletBead, &result.psdMesh);
        result.fluidOutlet = Summarize(unit, static_cast<int>(fluidOutlet), &result.psdMesh);
        result.solidOutlet = Summarize(unit, static_cast<int>(solidOutlet), &result.psdMesh);

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
