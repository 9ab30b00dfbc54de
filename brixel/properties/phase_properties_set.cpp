// Writing overall and single-phase properties into a stream vector, with the component flows,
// totals and dependent entries kept consistent and the host told of every flow change.
#include <algorithm>
#include <cmath>

#include "brixel/framework/flow_checks.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/property_stream.h"

namespace sv = brixel::stream_vector;
using namespace brixel;

namespace brixel {

// Writes a component flow and tells the host of the change.
void WriteComponentFlow(const SubstreamSlice& sub, int64_t i, double flow) {
    const double old = sub.flows[i];
    sub.flows[i] = flow;
    const int64_t type = sub.type;
    const int64_t number = i + 1;
    HostUpdateClassData(&type, &number, sub.flows, &old, &sub.flows[i]);
}

// Multiplies the substream's total and component flows by `ratio`.
void ScaleSubstream(const SubstreamSlice& sub, double ratio) {
    for (int64_t i = 0; i < sub.count; ++i) {
        if (IsGiven(sub.flows[i])) {
            WriteComponentFlow(sub, i, sub.flows[i] * ratio);
        }
    }
    sub.state[sv::kTotalFlow] *= ratio;
}

// Total, molecular weight (kg/kmol) from the component flows; NC components weigh 1.
void RecomputeSubstreamTotals(const SubstreamSlice& sub, const std::vector<double>& weights) {
    double total = 0.0;
    double mass = 0.0;
    for (int64_t i = 0; i < sub.count; ++i) {
        const double f = sub.flows[i];
        total += f;
        const bool conventional = sub.type != records::kNonconventional;
        mass += f * (conventional ? weights[static_cast<std::size_t>(i)] : 1.0);
    }
    sub.state[sv::kTotalFlow] = total;
    sub.state[sv::kMolecularWeight] = total != 0.0 ? mass / total : CBrixelBaseUnit::m_dblRMiss;
}

}  // namespace brixel

namespace {

// Solid flows closer than this (relative) to the present one are left as they are.
constexpr double kSameSolidFlow = 1e-10;

bool Finite(double value) {
    return std::isfinite(value);
}

double AmountOf(const SubstreamSlice& sub, int basis) {
    const double f = sub.state[sv::kTotalFlow];
    return basis == kBasisMass ? f * sub.state[sv::kMolecularWeight] : f;
}

bool CarriesAmount(const SubstreamSlice& sub, int basis) {
    const double f = sub.state[sv::kTotalFlow];
    const double mw = sub.state[sv::kMolecularWeight];
    return IsGiven(f) && IsGiven(mw) && AmountOf(sub, basis) > 0.0;
}

}  // namespace

// ---- overall --------------------------------------------------------------------------

long CBrixelBaseUnit::SetOverallProp(int64_t stream, int propertyId, double value, int basis) {
    return brixel::GuardedCall([&]() -> long {
        CheckBasis(basis);
        const PropertyStream s = ResolvePropertyStream(*this, stream);
        switch (propertyId) {
            case kPropertyTemperature:
            case kPropertyPressure:
                return WriteStateEverywhere(
                    s.bead, propertyId == kPropertyTemperature ? sv::kTemperature : sv::kPressure,
                    value);
            case kPropertyEnthalpy:
            case kPropertyEntropy: {
                if (!Finite(value)) {
                    return kStatusInvalidArgument;
                }
                double mass = 0.0;
                double moles = 0.0;
                for (const SubstreamSlice& sub : s.substreams) {
                    const double f = sub.state[sv::kTotalFlow];
                    const double mw = sub.state[sv::kMolecularWeight];
                    if (IsGiven(f) && IsGiven(mw)) {
                        mass += f * mw;
                        moles += f;
                    }
                }
                double h = value;
                if (basis == kBasisTotal) {
                    h = mass != 0.0 ? value / mass : 0.0;
                } else if (basis == kBasisMole) {
                    h = mass != 0.0 ? value * moles / mass : 0.0;
                }
                const int64_t entry =
                    propertyId == kPropertyEnthalpy ? sv::kEnthalpy : sv::kEntropy;
                for (const SubstreamSlice& sub : s.substreams) {
                    sub.state[entry] = h;
                }
                return kStatusOk;
            }
            case kPropertyTotalFlow: {
                if (!Finite(value) || value < 0.0) {
                    return kStatusInvalidArgument;
                }
                const double present = OverallTotalFlow(s.substreams, basis, m_dblRMiss);
                if (present == 0.0) {
                    return kStatusFail;  // nothing to scale
                }
                for (const SubstreamSlice& sub : s.substreams) {
                    if (IsGiven(sub.state[sv::kTotalFlow])) {
                        ScaleSubstream(sub, value / present);
                    }
                }
                return kStatusOk;
            }
            case kPropertyFraction:
                if (!Finite(value) || value < 0.0) {
                    return kStatusInvalidArgument;
                }
                for (const SubstreamSlice& sub : s.substreams) {
                    if (CarriesAmount(sub, basis)) {
                        ScaleSubstream(sub, value);
                    }
                }
                return kStatusOk;
            case kPropertyFlow:
                return kStatusInvalidArgument;
            default:
                return kStatusOk;
        }
    });
}

void CBrixelBaseUnit::WriteStreamComposition(int bead, const std::vector<double>& w, int basis) {
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const int64_t ncc = ConventionalCount();
    double conventional = 0.0;
    for (std::size_t i = 0; i < w.size(); ++i) {
        if (!Finite(w[i]) || w[i] < 0.0) {
            throw kStatusInvalidArgument;
        }
        if (static_cast<int64_t>(i) < ncc) {
            conventional += w[i];
        }
    }
    // A substream with material needs a share of its kind in the composition; refuse before
    // anything is written.
    for (const SubstreamSlice& sub : s.substreams) {
        if (!CarriesAmount(sub, basis)) {
            continue;
        }
        const bool nc = sub.type == records::kNonconventional;
        if ((nc && !(1.0 - conventional > 0.0)) || (!nc && !(conventional > 0.0))) {
            throw kStatusInvalidArgument;
        }
    }
    const std::vector<double> weights = ConventionalWeights();
    for (const SubstreamSlice& sub : s.substreams) {
        if (!CarriesAmount(sub, basis)) {
            continue;
        }
        const std::vector<double> old =
            WriteComposition(sub, w, weights, AmountOf(sub, basis), basis);
        for (int64_t i = 0; i < sub.count; ++i) {
            const int64_t type = sub.type;
            const int64_t number = i + 1;
            HostUpdateClassData(&type, &number, sub.flows, &old[static_cast<std::size_t>(i)],
                                &sub.flows[i]);
        }
    }
}

long CBrixelBaseUnit::SetOverallProp(int64_t stream, int propertyId,
                                     const CComSafeArray<double>& values, int basis) {
    return brixel::GuardedCall([&]() -> long {
        const std::vector<double> given = ReadArray(values);
        if (propertyId != kPropertyFlow && propertyId != kPropertyFraction) {
            if (given.empty()) {
                return kStatusInvalidArgument;
            }
            return SetOverallProp(stream, propertyId, given[0], basis);
        }
        CheckBasis(basis);
        const PropertyStream s = ResolvePropertyStream(*this, stream);
        if (static_cast<int64_t>(given.size()) != ConventionalCount() + NonconventionalCount()) {
            return kStatusInvalidArgument;
        }
        if (propertyId == kPropertyFraction) {
            WriteStreamComposition(s.bead, given, basis);
            return kStatusOk;
        }
        double sum = 0.0;
        for (const double f : given) {
            if (!Finite(f) || f < 0.0) {
                return kStatusInvalidArgument;
            }
            sum += f;
        }
        std::vector<double> w(given.size(), 0.0);
        for (std::size_t i = 0; i < given.size() && sum > 0.0; ++i) {
            w[i] = given[i] / sum;
        }
        if (sum > 0.0) {
            // Checked on a copy first, so that a refused composition leaves the flows alone.
            const std::vector<double> before(s.vector, s.vector + s.view.VectorLength());
            const long status = SetOverallProp(s.bead, kPropertyTotalFlow, sum, basis);
            if (status < 0) {
                throw status;
            }
            try {
                WriteStreamComposition(s.bead, w, basis);
            } catch (...) {
                std::copy(before.begin(), before.end(), s.vector);
                throw;
            }
            return kStatusOk;
        }
        const long status = SetOverallProp(s.bead, kPropertyTotalFlow, 0.0, basis);
        if (status < 0) {
            throw status;
        }
        return kStatusOk;
    });
}

std::vector<double> CBrixelBaseUnit::ReadArray(const CComSafeArray<double>& values) {
    std::vector<double> read;
    if (values.GetDimensions() > 1) {
        throw kStatusInvalidArgument;
    }
    for (long i = values.GetLowerBound(); i <= values.GetUpperBound(); ++i) {
        read.push_back(values.GetAt(i));
    }
    return read;
}

// ---- single phase ---------------------------------------------------------------------

void CBrixelBaseUnit::SetSolidPhaseFlow(int bead, double value, int basis) {
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const double present = SolidPhaseFlow(s.bead, basis);
    if (present == 0.0) {
        if (value != 0.0) {
            throw kStatusFail;  // no solids whose flow could be scaled
        }
        return;
    }
    // Relative: an absolute margin would keep any solid flow below it from being set to 0.
    if (std::fabs(value - present) <= kSameSolidFlow * present) {
        return;
    }
    const double ratio = value / present;
    if (s.substreams[0].type == records::kMixed && IsSolidFlowInSubStream(s.bead, 0)) {
        ScaleSubstreamSolids(s, 0, ratio);
    }
    const int first = GetSubstreamNumberFromPhaseID(kPhaseSolid, s.view.record, 0);
    for (int k = first; first > 0 && k < static_cast<int>(s.substreams.size()); ++k) {
        ScaleSubstreamSolids(s, k, ratio);
    }
}

void CBrixelBaseUnit::ScaleSubstreamSolids(const PropertyStream& s, int substream, double ratio) {
    const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(substream)];
    if (sub.type != records::kMixed) {
        if (IsGiven(sub.state[sv::kTotalFlow])) {
            ScaleSubstream(sub, ratio);
        }
        return;
    }
    const double oldTotal = sub.state[sv::kTotalFlow];
    const double vf = sub.state[sv::kVaporFraction];
    const double lf = sub.state[sv::kLiquidFraction];
    const double vapour = IsGiven(vf) && IsGiven(oldTotal) ? vf * oldTotal : 0.0;
    double liquid = IsGiven(lf) && IsGiven(oldTotal) ? lf * oldTotal : 0.0;
    const std::vector<double> rich = GetPolymerRichPhaseFlows(s.bead, sub.count);
    for (int n = 0; n < GetNumberOfSolidComps(); ++n) {
        const int c = GetSolidCompIDs()[n];
        if (c >= 0 && c < sub.count && !IsPolymerOligomer(c) && IsGiven(sub.flows[c])) {
            WriteComponentFlow(sub, c, sub.flows[c] * ratio);
        }
    }
    // The polymer-rich phase counts as solid but sits in the liquid.
    for (int64_t c = 0; c < sub.count; ++c) {
        const double change = (ratio - 1.0) * rich[static_cast<std::size_t>(c)];
        if (change != 0.0) {
            WriteComponentFlow(sub, c, std::max(sub.flows[c] + change, 0.0));
            liquid = std::max(liquid + change, 0.0);
        }
    }
    RecomputeSubstreamTotals(sub, ConventionalWeights());
    const double total = sub.state[sv::kTotalFlow];
    if (total > 0.0 && (IsMissing(vf) || IsMissing(lf))) {
        // Phases never known stay unknown: a split of 0 would send the fluid nowhere.
    } else if (total > 0.0) {
        const double ceiling = 1.0 - m_dblRMin;
        sub.state[sv::kVaporFraction] = std::min(vapour / total, ceiling);
        sub.state[sv::kLiquidFraction] = std::min(liquid / total, ceiling);
    } else {
        sub.state[sv::kVaporFraction] = m_dblRMiss;
        sub.state[sv::kLiquidFraction] = m_dblRMiss;
        sub.state[sv::kMolecularWeight] = m_dblRMiss;
    }
    sub.state[sv::kEnthalpy] = m_dblRMiss;
    sub.state[sv::kEntropy] = m_dblRMiss;
    sub.state[sv::kDensity] = m_dblRMiss;
    const int64_t word = s.bead;
    HostUpdateMixed(&word);
}

void CBrixelBaseUnit::SetFluidPhaseFlows(int bead, int phaseId, const std::vector<double>& named) {
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const SubstreamSlice& mixed = s.substreams[0];
    if (IsMissing(mixed.state[sv::kVaporFraction]) || IsMissing(mixed.state[sv::kLiquidFraction])) {
        // Without a phase split every fluid flow would count as neither phase and be lost.
        for (int64_t c = 0; c < mixed.count; ++c) {
            if ((!IsSolidComp(c) || IsPolymerOligomer(c)) && mixed.flows[c] > 0.0) {
                throw kStatusFail;
            }
        }
    }
    const int otherPhase = phaseId == kPhaseVapor ? kPhaseLiquid : kPhaseVapor;
    const double otherAmount = FluidPhaseFlow(s.bead, otherPhase, kBasisMole);
    const FluidComposition other = PhaseComposition(s.bead, otherPhase);
    const double oldTotal =
        IsGiven(mixed.state[sv::kTotalFlow]) ? mixed.state[sv::kTotalFlow] : 0.0;
    const double oldNamed = FluidPhaseFlow(s.bead, phaseId, kBasisMole);
    std::vector<double> fluid(static_cast<std::size_t>(mixed.count), 0.0);
    for (std::size_t j = 0; j < other.components.size(); ++j) {
        const int64_t c = other.components[j] - 1;
        if (c >= 0 && c < mixed.count) {
            fluid[static_cast<std::size_t>(c)] += otherAmount * other.x[j];
        }
    }
    double newAmount = 0.0;
    for (std::size_t c = 0; c < named.size() && c < fluid.size(); ++c) {
        fluid[c] += named[c];
        newAmount += named[c];
    }
    // The polymer-rich phase belongs to neither fluid phase and stays as it is.
    const std::vector<double> rich = GetPolymerRichPhaseFlows(s.bead, mixed.count);
    double richAmount = 0.0;
    for (std::size_t c = 0; c < fluid.size(); ++c) {
        fluid[c] += rich[c];
        richAmount += rich[c];
    }
    for (int64_t c = 0; c < mixed.count; ++c) {
        // Solids carried in the mixed substream are no part of either fluid phase.
        if (!IsSolidComp(c) || IsPolymerOligomer(c)) {
            WriteComponentFlow(mixed, c, fluid[static_cast<std::size_t>(c)]);
        }
    }
    const double total = oldTotal - oldNamed + newAmount;
    const double vapour = phaseId == kPhaseVapor ? newAmount : otherAmount;
    const double liquid = (phaseId == kPhaseVapor ? otherAmount : newAmount) + richAmount;
    mixed.state[sv::kTotalFlow] = total;
    mixed.state[sv::kVaporFraction] = total != 0.0 ? vapour / total : 0.0;
    mixed.state[sv::kLiquidFraction] = total != 0.0 ? liquid / total : 0.0;
    double mass = 0.0;
    double moles = 0.0;
    const std::vector<double> weights = ConventionalWeights();
    for (int64_t c = 0; c < mixed.count; ++c) {
        mass += mixed.flows[c] * weights[static_cast<std::size_t>(c)];
        moles += mixed.flows[c];
    }
    mixed.state[sv::kMolecularWeight] = moles != 0.0 ? mass / moles : m_dblRMiss;
    mixed.state[sv::kEnthalpy] = m_dblRMiss;
    mixed.state[sv::kEntropy] = m_dblRMiss;
    mixed.state[sv::kDensity] = m_dblRMiss;
    // The flash results no longer describe the substream.
    RemoveFlashResults(s.bead);
    const int64_t word = s.bead;
    HostUpdateMixed(&word);
}

void CBrixelBaseUnit::SetFluidPhaseFlow(int bead, int phaseId, double value, int basis) {
    const FluidComposition phase = PhaseComposition(bead, phaseId);
    double amount = value;
    if (basis == kBasisMass && value != 0.0) {
        if (!(phase.molecularWeight > 0.0)) {
            throw kStatusFail;
        }
        amount = value / phase.molecularWeight;
    }
    std::vector<double> named(static_cast<std::size_t>(ConventionalCount()), 0.0);
    for (std::size_t j = 0; j < phase.components.size(); ++j) {
        const int64_t c = phase.components[j] - 1;
        if (c >= 0 && c < static_cast<int64_t>(named.size())) {
            named[static_cast<std::size_t>(c)] += amount * phase.x[j];
        }
    }
    if (amount != 0.0 && phase.components.empty()) {
        throw kStatusFail;  // no composition known for the phase
    }
    SetFluidPhaseFlows(bead, phaseId, named);
}

long CBrixelBaseUnit::SetSinglePhaseProp(int64_t stream, int propertyId, int phaseId, double value,
                                         int basis) {
    return brixel::GuardedCall([&]() -> long {
        CheckBasis(basis);
        const PropertyStream s = ResolvePropertyStream(*this, stream);
        int substream = GetSubstreamNumberFromPhaseID(phaseId, s.view.record, 0);
        if (substream == kNoPhase) {
            if (phaseId < kPhaseSolid) {
                return kStatusInvalidArgument;
            }
            substream = 0;  // beyond the last substream, or no solid substream: the mixed one
        }
        const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(substream)];
        switch (propertyId) {
            case kPropertyTemperature:
            case kPropertyPressure: {
                const bool temperature = propertyId == kPropertyTemperature;
                const long status = CheckTemperaturePressureRange(temperature, value);
                if (status < 0) {
                    return status;
                }
                sub.state[temperature ? sv::kTemperature : sv::kPressure] = value;
                return kStatusOk;
            }
            case kPropertyEnthalpy:
            case kPropertyEntropy: {
                if (!Finite(value)) {
                    return kStatusInvalidArgument;
                }
                const double mw = sub.state[sv::kMolecularWeight];
                const double f = sub.state[sv::kTotalFlow];
                sub.state[propertyId == kPropertyEnthalpy ? sv::kEnthalpy : sv::kEntropy] =
                    StoredSpecific(value, IsGiven(mw) ? mw : 0.0, IsGiven(f) ? f : 0.0, basis);
                return kStatusOk;
            }
            case kPropertyFlow:
            case kPropertyFraction:
                return kStatusInvalidArgument;
            case kPropertyTotalFlow:
                break;
            default:
                return kStatusOk;
        }
        if (!Finite(value) || value < 0.0) {
            return kStatusInvalidArgument;
        }
        if (phaseId == kPhaseSolid) {
            SetSolidPhaseFlow(s.bead, value, basis);
            return kStatusOk;
        }
        if (phaseId == kPhaseVapor || phaseId == kPhaseLiquid) {
            SetFluidPhaseFlow(s.bead, phaseId, value, basis);
            return kStatusOk;
        }
        double flow = value;
        if (basis == kBasisMass) {
            const double mw = sub.state[sv::kMolecularWeight];
            if (!IsGiven(mw) || !(mw > 0.0)) {
                return kStatusFail;  // no molecular weight to convert the mass flow
            }
            flow = value / mw;
        }
        const double old = IsGiven(sub.state[sv::kTotalFlow]) ? sub.state[sv::kTotalFlow] : 0.0;
        for (int64_t i = 0; i < sub.count; ++i) {
            if (flow == 0.0) {
                WriteComponentFlow(sub, i, 0.0);
            } else if (old == 0.0) {
                WriteComponentFlow(sub, i, flow / static_cast<double>(sub.count));
            } else {
                WriteComponentFlow(sub, i, sub.flows[i] * flow / old);
            }
        }
        sub.state[sv::kTotalFlow] = flow;
        return kStatusOk;
    });
}

long CBrixelBaseUnit::SetSinglePhaseProp(int64_t stream, int propertyId, int phaseId,
                                         const CComSafeArray<double>& values, int basis,
                                         int /*wet*/) {
    return brixel::GuardedCall([&]() -> long {
        const std::vector<double> given = ReadArray(values);
        if (propertyId != kPropertyFlow && propertyId != kPropertyFraction) {
            if (given.empty()) {
                return kStatusInvalidArgument;
            }
            return SetSinglePhaseProp(stream, propertyId, phaseId, given[0], basis);
        }
        CheckBasis(basis);
        const PropertyStream s = ResolvePropertyStream(*this, stream);
        for (const double v : given) {
            if (!Finite(v) || v < 0.0) {
                return kStatusInvalidArgument;
            }
        }
        const std::vector<double> weights = ConventionalWeights();
        const int64_t ncc = ConventionalCount();
        // Requested component flows in the basis, from flows or from a composition of the
        // phase's present amount.
        const auto requested = [&](const std::vector<double>& present) {
            if (given.size() != present.size()) {
                throw kStatusInvalidArgument;
            }
            if (propertyId == kPropertyFlow) {
                return given;
            }
            double amount = 0.0;
            double sum = 0.0;
            for (std::size_t i = 0; i < given.size(); ++i) {
                amount += present[i];
                sum += given[i];
            }
            std::vector<double> flows(given.size(), 0.0);
            for (std::size_t i = 0; i < given.size() && sum > 0.0; ++i) {
                flows[i] = amount * given[i] / sum;
            }
            return flows;
        };
        // kmol/s of component c (index within its kind) from a value in the basis.
        const auto moles = [&](std::size_t c, bool conventional, double v) {
            if (basis != kBasisMass || !conventional) {
                return v;
            }
            return weights[c] > 0.0 ? v / weights[c] : 0.0;
        };
        if (phaseId == kPhaseSolid) {
            const std::vector<double> present =
                SinglePhaseComponents(s.bead, kPropertyFlow, kPhaseSolid, basis, 1);
            const std::vector<double> target = requested(present);
            std::vector<double> change(present.size(), 0.0);
            for (std::size_t i = 0; i < present.size(); ++i) {
                const bool conventional = static_cast<int64_t>(i) < ncc;
                change[i] = moles(i, conventional, target[i] - present[i]);
            }
            ChangeStreamFlows(s.bead, change, brixel::flow_checks::kNotGiven,
                              brixel::flow_checks::kNotGiven, {});
            return kStatusOk;
        }
        if (phaseId == kPhaseVapor || phaseId == kPhaseLiquid) {
            const std::vector<double> present =
                SinglePhaseComponents(s.bead, kPropertyFlow, phaseId, basis, 1);
            const std::vector<double> target = requested(present);
            std::vector<double> named(target.size(), 0.0);
            for (std::size_t i = 0; i < target.size(); ++i) {
                named[i] = moles(i, true, target[i]);
            }
            SetFluidPhaseFlows(s.bead, phaseId, named);
            return kStatusOk;
        }
        const int substream = PhaseSubstream(s.bead, phaseId);
        const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(substream)];
        const bool conventional = sub.type != records::kNonconventional;
        const std::vector<double> present =
            SinglePhaseComponents(s.bead, kPropertyFlow, substream, basis, 1);
        const std::vector<double> target = requested(present);
        for (int64_t i = 0; i < sub.count; ++i) {
            WriteComponentFlow(sub, i, moles(static_cast<std::size_t>(i), conventional, target[i]));
        }
        double total = 0.0;
        double mass = 0.0;
        for (int64_t i = 0; i < sub.count; ++i) {
            total += sub.flows[i];
            mass += sub.flows[i] * (conventional ? weights[static_cast<std::size_t>(i)] : 1.0);
        }
        sub.state[sv::kTotalFlow] = total;
        sub.state[sv::kMolecularWeight] = total != 0.0 ? mass / total : m_dblRMiss;
        return kStatusOk;
    });
}
