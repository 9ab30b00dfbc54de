// Stream-vector arithmetic of the phase-property operations.
#include "brixel/properties/phase_properties.h"

#include "brixel/framework/records.h"
#include "brixel/framework/stream_vector.h"

namespace sv = brixel::stream_vector;

namespace brixel {

namespace {

bool Given(double value, double missing) {
    return value < missing;
}

}  // namespace

std::vector<SubstreamSlice> SliceStream(const StreamClassView& view, double* vector) {
    std::vector<SubstreamSlice> substreams;
    if (!vector) {
        return substreams;
    }
    for (int64_t k = 0; k < view.SubstreamCount(); ++k) {
        SubstreamSlice slice;
        slice.flows = vector + view.Offset(k);
        slice.count = view.ComponentCount(k);
        slice.type = view.Type(k);
        slice.state = slice.flows + slice.count;
        substreams.push_back(slice);
    }
    return substreams;
}

bool IsTwoPhaseFraction(double fraction) {
    return fraction >= 1e-10 && fraction <= 0.9999999999;
}

double OverallTotalFlow(const std::vector<SubstreamSlice>& substreams, int basis, double missing) {
    double sum = 0.0;
    for (const SubstreamSlice& s : substreams) {
        const double flow = s.state[sv::kTotalFlow];
        const double weight = s.state[sv::kMolecularWeight];
        if (!Given(flow, missing)) {
            continue;
        }
        if (basis == kBasisMass) {
            if (Given(weight, missing)) {
                sum += flow * weight;
            }
        } else {
            sum += flow;
        }
    }
    return sum;
}

double OverallSpecific(const std::vector<SubstreamSlice>& substreams, int64_t entry, int basis,
                       double missing) {
    double weighted = 0.0;  // sum of h m
    double mass = 0.0;
    double moles = 0.0;
    for (const SubstreamSlice& s : substreams) {
        const double flow = s.state[sv::kTotalFlow];
        const double weight = s.state[sv::kMolecularWeight];
        const double h = s.state[entry];
        if (!Given(flow, missing) || !Given(weight, missing) || !Given(h, missing)) {
            continue;
        }
        weighted += h * flow * weight;
        mass += flow * weight;
        moles += flow;
    }
    if (basis == kBasisTotal) {
        return weighted;
    }
    const double divisor = basis == kBasisMass ? mass : moles;
    return divisor != 0.0 ? weighted / divisor : 0.0;
}

double SubstreamSpecific(double h, double molecularWeight, double flow, double phaseFraction,
                         int basis) {
    switch (basis) {
        case kBasisMass:
            return h;
        case kBasisMole:
            return h * molecularWeight / 1000.0;  // J/kg times kg/kmol is J/kmol; J/mol here
        default:
            return h * molecularWeight * flow * phaseFraction;
    }
}

double StoredSpecific(double value, double molecularWeight, double flow, int basis) {
    switch (basis) {
        case kBasisMass:
            return value;
        case kBasisMole:
            return molecularWeight != 0.0 ? value * 1000.0 / molecularWeight : 0.0;
        default: {
            const double mass = molecularWeight * flow;
            return mass != 0.0 ? value / mass : 0.0;
        }
    }
}

std::vector<double> WriteComposition(const SubstreamSlice& substream, const std::vector<double>& w,
                                     const std::vector<double>& weights, double amount, int basis) {
    const auto ncc = static_cast<int64_t>(weights.size());
    std::vector<double> old(substream.flows, substream.flows + substream.count);
    double conventional = 0.0;
    for (int64_t i = 0; i < ncc && i < static_cast<int64_t>(w.size()); ++i) {
        conventional += w[static_cast<std::size_t>(i)];
    }
    double* state = substream.state;
    if (substream.type == records::kNonconventional) {
        const double rest = 1.0 - conventional;
        for (int64_t j = 0; j < substream.count; ++j) {
            const auto at = static_cast<std::size_t>(ncc + j);
            const double share = at < w.size() && rest != 0.0 ? w[at] / rest : 0.0;
            substream.flows[j] = amount * share;
        }
        state[sv::kTotalFlow] = amount;
        state[sv::kMolecularWeight] = 1.0;
        return old;
    }
    double meanWeight = 0.0;   // sum of MW_i w_i / S
    double inverseMass = 0.0;  // sum of (w_i / S) / MW_i, kmol/kg
    for (int64_t i = 0; i < substream.count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const double share =
            conventional != 0.0 && at < w.size() && i < ncc ? w[at] / conventional : 0.0;
        const double weight = i < ncc ? weights[at] : 0.0;
        meanWeight += weight * share;
        const double perKilogram = weight > 0.0 ? share / weight : 0.0;
        inverseMass += perKilogram;
        substream.flows[i] = basis == kBasisMass ? amount * perKilogram : amount * share;
    }
    if (basis == kBasisMass) {
        state[sv::kMolecularWeight] = inverseMass != 0.0 ? 1.0 / inverseMass : 0.0;
        state[sv::kTotalFlow] = amount * inverseMass;
    } else {
        state[sv::kMolecularWeight] = meanWeight;
        state[sv::kTotalFlow] = amount;
    }
    return old;
}

}  // namespace brixel
