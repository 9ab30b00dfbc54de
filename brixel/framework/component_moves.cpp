// Moving components between the substreams of a stream, the solid-flow test of a substream,
// and the host's moisture components.
#include <algorithm>
#include <string>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/component_table.h"
#include "brixel/framework/flow_arithmetic.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

using brixel::IsGiven;

namespace {

// Component IDs hold 8 characters; the buffers of the ID accessors one more for the NUL.

}  // namespace

void CBrixelBaseUnit::MoveComponentToSubstream(int port, int64_t c, int target) {
    const FlowTarget stream = FlowTargetOf(port);
    CheckComponent(c);
    const brixel::StreamClassView view(stream.streamClass);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    if (target < 0 || target >= view.SubstreamCount() ||
        brixel::ComponentPosition(c, view.Type(target), ncc, nncc) < 0) {
        throw brixel::kStatusFail;
    }
    if (view.SubstreamCount() == 1) {
        return;
    }
    const auto updateMolecularWeight = [&](int k) {
        const std::vector<double> weights = MolecularWeights(view.Type(k));
        const int64_t count =
            std::min<int64_t>(view.ComponentCount(k), static_cast<int64_t>(weights.size()));
        double* flows = stream.vector + view.Offset(k);
        double* state = flows + view.ComponentCount(k);
        state[sv::kMolecularWeight] =
            brixel::MeanMolecularWeight(flows, weights.data(), count, state[sv::kTotalFlow]);
    };

    const int64_t bead = stream.bead;
    const int64_t to = target + 1;
    double moved = 0.0;
    double temperature = m_dblRMiss;
    double pressure = m_dblRMiss;
    for (int k = 0; k < view.SubstreamCount(); ++k) {
        const int64_t position = brixel::ComponentPosition(c, view.Type(k), ncc, nncc);
        if (position < 0) {
            continue;
        }
        double* flows = stream.vector + view.Offset(k);
        const double* state = flows + view.ComponentCount(k);
        const double flow = flows[position];
        moved += flow;
        SetComponentFlow(stream, k, c, 0.0);
        if (flow > m_dblRMin && k != target) {
            const int64_t from = k + 1;
            const int64_t number = position + 1;
            HostMoveComponentAttributes(&bead, &from, &to, &number);
        }
        if (IsGiven(state[sv::kTemperature])) {
            temperature = state[sv::kTemperature];
        }
        if (IsGiven(state[sv::kPressure])) {
            pressure = state[sv::kPressure];
        }
        updateMolecularWeight(k);
    }
    SetComponentFlow(stream, target, c, moved);
    double* state = stream.vector + view.Offset(target) + view.ComponentCount(target);
    if (IsGiven(temperature)) {
        state[sv::kTemperature] = temperature;
    }
    if (IsGiven(pressure)) {
        state[sv::kPressure] = pressure;
    }
    updateMolecularWeight(target);
}

void CBrixelBaseUnit::MoveComponentToSubstream(int port, const CString& componentId, int target) {
    const std::string id = componentId.str();
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    int64_t c = -1;
    if (!id.empty() && id.size() <= static_cast<std::size_t>(rec::kIdChars)) {
        const std::vector<int64_t> packed = brixel::plex::Pack(id, rec::kIdChars);
        const int64_t number = HostComponentIndexFromId(packed.data());
        if (number >= 1 && number <= ncc) {
            c = number - 1;
        }
        for (int64_t i = 0; c < 0 && i < nncc; ++i) {
            if (id == brixel::NonconventionalComponentId(i)) {
                c = ncc + i;
            }
        }
    }
    if (c < 0) {
        throw brixel::kStatusInvalidArgument;
    }
    MoveComponentToSubstream(port, c, target);
}

void CBrixelBaseUnit::MoveSolidsToSubstream(int port, int target) {
    const FlowTarget stream = FlowTargetOf(port);
    const brixel::StreamClassView view(stream.streamClass);
    if (target < 0 || target >= view.SubstreamCount()) {
        throw brixel::kStatusFail;
    }
    const FlashOutputs results = PolymerFlashResults(stream.bead, true);
    const int count = results.count;
    const int64_t* components = results.components;
    const double* a = results.a;
    const double* c = results.c;
    const double* d = results.d;
    const double beta = results.beta;
    const int kind = results.kind;
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    const int64_t firstCount = view.ComponentCount(0);
    const double* first = stream.vector + view.Offset(0);
    const std::vector<double> saved(first, first + firstCount + sv::kStateWords);
    if (count < 1 || !components) {
        return;
    }

    const bool nonconventionalTarget = view.Type(target) == rec::kNonconventional;
    if (nonconventionalTarget) {
        // An NC substream can hold only the non-conventional components, all of them solid.
        for (int64_t i = ncc; i < ncc + nncc; ++i) {
            MoveComponentToSubstream(stream.bead, i, target);
        }
    } else {
        // Polymers and oligomers are split by the flash results below, not moved whole.
        for (int64_t i = 0; i < ncc; ++i) {
            if (IsSolidComp(i) && !IsPolymerOligomer(i)) {
                MoveComponentToSubstream(stream.bead, i, target);
            }
        }
    }
    if (!IsSolidmerPresent() || nonconventionalTarget || target == 0 || !a) {
        return;
    }

    // The polymer-rich phase of substream 0's liquid goes to the target.
    const double liquidFraction = saved[firstCount + sv::kLiquidFraction];
    const double total = saved[firstCount + sv::kTotalFlow];
    const double liquid = IsGiven(liquidFraction) && IsGiven(total) ? liquidFraction * total : 0.0;
    double polymerFraction = 0.0;
    for (int j = 0; j < count; ++j) {
        if (IsPolymerOligomer(components[j])) {
            polymerFraction += a[j];
        }
    }
    for (int j = 0; j < count; ++j) {
        const int64_t component = components[j];
        if (component < 0 || component >= firstCount || !IsPolymerOligomer(component)) {
            continue;
        }
        double amount = 0.0;
        if (kind == 1 && d) {
            amount = (1.0 - beta) * liquid * d[j];
        } else if (kind == 2 && c) {
            amount = beta * liquid * c[j];
        } else if (kind != 1 && kind != 2 && polymerFraction > m_dblPolymerParameter) {
            amount = liquid * a[j];
        }
        // Substream 0 cannot give more than it holds.
        amount = std::clamp(amount, 0.0, saved[static_cast<std::size_t>(component)]);
        if (amount <= 0.0) {
            continue;
        }
        const double held = stream.vector[view.Offset(target) + component];
        SetComponentFlow(stream, target, component, held + amount);
        SetComponentFlow(stream, 0, component, saved[static_cast<std::size_t>(component)] - amount);
    }
}

bool CBrixelBaseUnit::IsSolidFlowInSubStream(int port, int substream) {
    const FlowTarget stream = FlowTargetOf(port);
    const brixel::StreamClassView view(stream.streamClass);
    if (substream < 0 || substream >= view.SubstreamCount()) {
        return false;
    }
    const int64_t count = view.ComponentCount(substream);
    const double* flows = stream.vector + view.Offset(substream);
    const double* state = flows + count;
    if (!(state[sv::kTotalFlow] > m_dblRMin) || !IsGiven(state[sv::kTotalFlow])) {
        return false;
    }
    switch (view.Type(substream)) {
        case rec::kMixed: {
            const auto fraction = [](double value) { return IsGiven(value) ? value : 0.0; };
            if (fraction(state[sv::kVaporFraction]) + fraction(state[sv::kLiquidFraction]) <
                1.0 - m_dblRMin) {
                return true;
            }
            return IsSolidmerPresent() && GetPolymerRichPhaseMoleFlow(stream.bead) != 0.0;
        }
        case rec::kCiSolid: {
            double solids = 0.0;
            for (const int c : m_naSolidComps) {
                if (c < count && IsGiven(flows[c])) {
                    solids += flows[c];
                }
            }
            return solids > 0.0;
        }
        case rec::kNonconventional:
            return true;
        default:
            return false;
    }
}

int CBrixelBaseUnit::GetMoistureComps(CComSafeArray<BSTR>& ids) {
    int64_t location = 0;
    int64_t count = 0;
    HostMoistureComponents(&location, &count);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    std::vector<std::string> found;
    for (int64_t j = 0; j < count; ++j) {
        const int64_t* number = brixel::plex::IntAt(location + j);
        if (!number || *number < 1 || *number > ncc) {
            continue;  // not a conventional component: no ID to give
        }
        found.push_back(brixel::ConventionalComponentId(*number - 1));
    }
    const auto size = static_cast<uint32_t>(found.size());
    if (ids.Resize(size) != brixel::kStatusOk) {
        throw brixel::kStatusFail;
    }
    const long lowerBound = ids.GetLowerBound();
    for (uint32_t i = 0; i < size; ++i) {
        CComBSTR id(found[i].c_str());
        if (ids.SetAt(lowerBound + static_cast<long>(i), id.m_str) != brixel::kStatusOk) {
            throw brixel::kStatusFail;
        }
    }
    return static_cast<int>(size);
}
