// Reading overall and single-phase properties of a stream from its stream vector; the
// properties that need the host's property monitors are in phase_properties_monitors.cpp.
#include <climits>

#include "brixel/framework/component_table.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/property_stream.h"

namespace sv = brixel::stream_vector;
using brixel::SubstreamSlice;

namespace brixel {

PropertyStream ResolvePropertyStream(CBrixelBaseUnit& unit, int64_t stream) {
    if (stream < INT_MIN || stream > INT_MAX) {
        throw kStatusInvalidArgument;
    }
    const int port = static_cast<int>(stream);
    PropertyStream resolved;
    resolved.bead = unit.ConvertPortToStreamBeadNumber(port);
    resolved.view = StreamClassView(StreamClassOfStream(resolved.bead));
    resolved.vector = plex::RealRecord(resolved.bead);
    if (!resolved.view.record || !resolved.vector || resolved.view.SubstreamCount() == 0) {
        throw kStatusFail;
    }
    resolved.substreams = SliceStream(resolved.view, resolved.vector);
    return resolved;
}

void CheckBasis(int basis) {
    if (basis != kBasisMass && basis != kBasisMole && basis != kBasisTotal) {
        throw kStatusInvalidArgument;
    }
}

int64_t ConventionalCount() {
    const int64_t* counts = HostComponentCounts();
    return counts ? counts[records::kCountConventional] : 0;
}

int64_t NonconventionalCount() {
    const int64_t* counts = HostComponentCounts();
    return counts ? counts[records::kCountNonconventional] : 0;
}

std::vector<double> ConventionalWeights() {
    std::vector<double> weights(static_cast<std::size_t>(ConventionalCount()));
    for (int64_t i = 0; i < static_cast<int64_t>(weights.size()); ++i) {
        weights[static_cast<std::size_t>(i)] = brixel::ComponentMolecularWeight(i);
    }
    return weights;
}

}  // namespace brixel

using namespace brixel;

namespace {

// Flows into fractions of their sum; all 0 when the sum is 0.
void ToFractions(std::vector<double>& flows) {
    double sum = 0.0;
    for (const double f : flows) {
        sum += f;
    }
    for (double& f : flows) {
        f = sum != 0.0 ? f / sum : 0.0;
    }
}

double Entry(const SubstreamSlice& s, int64_t entry) {
    return s.state[entry];
}

}  // namespace

// ---- overall --------------------------------------------------------------------------

std::optional<double> CBrixelBaseUnit::OverallScalar(int64_t stream, int propertyId, int basis) {
    CheckBasis(basis);
    const PropertyStream s = ResolvePropertyStream(*this, stream);
    switch (propertyId) {
        case kPropertyTotalFlow:
            return OverallTotalFlow(s.substreams, basis, m_dblRMiss);
        case kPropertyTemperature:
        case kPropertyPressure: {
            const int64_t entry =
                propertyId == kPropertyTemperature ? sv::kTemperature : sv::kPressure;
            for (const SubstreamSlice& sub : s.substreams) {
                if (IsGiven(Entry(sub, entry))) {
                    return Entry(sub, entry);
                }
            }
            throw kStatusFail;
        }
        case kPropertyEnthalpy:
        case kPropertyEntropy:
            return OverallSpecific(s.substreams,
                                   propertyId == kPropertyEnthalpy ? sv::kEnthalpy : sv::kEntropy,
                                   basis, m_dblRMiss);
        case kPropertyFlow:
        case kPropertyFraction:
            throw kStatusInvalidArgument;
        case kPropertyDensity: {
            // Volumes add: the phases' mass flows over their densities.
            double mass = 0.0;
            double volume = 0.0;
            for (const int phase : {kPhaseSolid, kPhaseLiquid, kPhaseVapor}) {
                const double m =
                    SinglePhaseScalar(s.bead, kPropertyTotalFlow, phase, kBasisMass).value_or(0.0);
                if (m == 0.0) {
                    continue;
                }
                const double rho =
                    SinglePhaseScalar(s.bead, kPropertyDensity, phase, kBasisMass).value_or(0.0);
                if (!(rho > 0.0) || !IsGiven(rho)) {
                    throw kStatusFail;  // a phase without density has no volume to add
                }
                mass += m;
                volume += m / rho;
            }
            return volume != 0.0 ? mass / volume : 0.0;
        }
        default:
            return std::nullopt;
    }
}

std::vector<double> CBrixelBaseUnit::OverallComponents(int64_t stream, int propertyId, int basis) {
    CheckBasis(basis);
    const PropertyStream s = ResolvePropertyStream(*this, stream);
    const int64_t ncc = ConventionalCount();
    const std::vector<double> weights = ConventionalWeights();
    // Conventional components first, then the NC ones, as in the compound list.
    std::vector<double> flows(static_cast<std::size_t>(ncc + NonconventionalCount()), 0.0);
    for (int k = 0; k < static_cast<int>(s.substreams.size()); ++k) {
        const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(k)];
        if (k == 0 && sub.type == records::kMixed) {
            for (int64_t i = 0; i < ncc && i < sub.count; ++i) {
                const double f = sub.flows[i];
                if (IsGiven(f)) {
                    flows[static_cast<std::size_t>(i)] +=
                        basis == kBasisMass ? f * weights[static_cast<std::size_t>(i)] : f;
                }
            }
            continue;
        }
        const std::vector<double> part = SinglePhaseComponents(s.bead, kPropertyFlow, k, basis, 0);
        const int64_t first = sub.type == records::kNonconventional ? ncc : 0;
        for (std::size_t i = 0; i < part.size() && first + i < flows.size(); ++i) {
            flows[first + i] += part[i];
        }
    }
    if (propertyId == kPropertyFraction) {
        ToFractions(flows);
    }
    return flows;
}

long CBrixelBaseUnit::GetOverallProp(int64_t stream, int propertyId, double* value, int basis) {
    if (!value) {
        return kStatusFail;
    }
    return brixel::GuardedCall([&]() -> long {
        if (const std::optional<double> result = OverallScalar(stream, propertyId, basis)) {
            *value = *result;
        }
        return kStatusOk;
    });
}

long CBrixelBaseUnit::GetOverallProp(int64_t stream, int propertyId, CComSafeArray<double>& values,
                                     int basis) {
    return brixel::GuardedCall([&]() -> long {
        std::vector<double> result;
        if (propertyId == kPropertyFlow || propertyId == kPropertyFraction) {
            result = OverallComponents(stream, propertyId, basis);
        } else if (const std::optional<double> scalar = OverallScalar(stream, propertyId, basis)) {
            result = {*scalar};
        } else {
            return kStatusOk;
        }
        StoreArray(result, values);
        return kStatusOk;
    });
}

void CBrixelBaseUnit::StoreArray(const std::vector<double>& values, CComSafeArray<double>& out) {
    CComSafeArray<double> created(static_cast<uint32_t>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
        created[static_cast<long>(i)] = values[i];
    }
    out = std::move(created);
}

// ---- single phase ---------------------------------------------------------------------

int CBrixelBaseUnit::PhaseSubstream(int bead, int phaseId) {
    const int substream = GetSubstreamNumberFromPhaseID(phaseId, StreamClassOf(bead), 0);
    if (substream == kNoPhase && phaseId != kPhaseSolid) {
        throw kStatusInvalidArgument;  // no such phase or substream in this stream
    }
    return substream;
}

double CBrixelBaseUnit::FluidPhaseFraction(int bead, int phaseId) {
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    if (phaseId == kPhaseVapor) {
        const double v = Entry(s.substreams[0], sv::kVaporFraction);
        return IsGiven(v) ? v : 0.0;
    }
    const double l = GetLiquidFraction(bead, 0);
    return IsGiven(l) ? l : 0.0;
}

double CBrixelBaseUnit::SolidPhaseFlow(int bead, int basis) {
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const std::vector<double> weights = ConventionalWeights();
    double sum = 0.0;
    const int first = GetSubstreamNumberFromPhaseID(kPhaseSolid, s.view.record, 0);
    for (int k = first; first > 0 && k < static_cast<int>(s.substreams.size()); ++k) {
        const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(k)];
        const double f = Entry(sub, sv::kTotalFlow);
        const double mw = Entry(sub, sv::kMolecularWeight);
        if (sub.type == records::kMixed || !(f > 0.0) || !IsGiven(f)) {
            continue;
        }
        if (basis == kBasisMass) {
            sum += IsGiven(mw) ? f * mw : 0.0;
        } else {
            sum += f;
        }
    }
    // Conventional solids carried in the mixed substream, and the polymer-rich phase.
    const SubstreamSlice& mixed = s.substreams[0];
    if (GetNumberOfSolidComps() > 0 && mixed.type == records::kMixed &&
        IsSolidFlowInSubStream(bead, 0)) {
        for (int n = 0; n < GetNumberOfSolidComps(); ++n) {
            const int c = GetSolidCompIDs()[n];
            if (c < 0 || c >= mixed.count || IsPolymerOligomer(c) || !IsGiven(mixed.flows[c])) {
                continue;
            }
            sum += basis == kBasisMass ? mixed.flows[c] * weights[static_cast<std::size_t>(c)]
                                       : mixed.flows[c];
        }
        if (IsSolidmerPresent()) {
            sum += basis == kBasisMass ? GetPolymerRichPhaseMassFlow(bead)
                                       : GetPolymerRichPhaseMoleFlow(bead);
        }
    }
    return sum;
}

double CBrixelBaseUnit::FluidPhaseFlow(int bead, int phaseId, int basis) {
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const SubstreamSlice& mixed = s.substreams[0];
    const double f = Entry(mixed, sv::kTotalFlow);
    if (!IsGiven(f)) {
        return 0.0;
    }
    const double fraction = FluidPhaseFraction(bead, phaseId);
    const double moles = f * fraction;
    if (basis != kBasisMass) {
        return moles;
    }
    if (IsTwoPhaseFraction(fraction)) {
        return moles * PhaseComposition(bead, phaseId).molecularWeight;
    }
    const double mw = Entry(mixed, sv::kMolecularWeight);
    return IsGiven(mw) ? moles * mw : 0.0;
}

std::optional<double> CBrixelBaseUnit::SinglePhaseScalar(int bead, int propertyId, int phaseId,
                                                         int basis) {
    CheckBasis(basis);
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const int found = PhaseSubstream(s.bead, phaseId);
    // A solid phase without a solid substream reads its state from the mixed substream,
    // where its solids travel.
    const int substream = found == kNoPhase ? 0 : found;
    const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(substream)];
    const bool fluid = phaseId == kPhaseVapor || phaseId == kPhaseLiquid;
    switch (propertyId) {
        case kPropertyTemperature:
        case kPropertyPressure: {
            const double v =
                Entry(sub, propertyId == kPropertyTemperature ? sv::kTemperature : sv::kPressure);
            if (!IsGiven(v)) {
                throw kStatusFail;
            }
            return v;
        }
        case kPropertyEnthalpy:
        case kPropertyEntropy: {
            if (fluid && IsTwoPhaseFraction(FluidPhaseFraction(s.bead, phaseId))) {
                if (propertyId == kPropertyEntropy) {
                    // The host's enthalpy monitors give no entropy of a phase.
                    throw kStatusCapeLimitedImplementation;
                }
                return FluidPhaseMonitorValue(s.bead, propertyId, phaseId, basis);
            }
            const double h =
                Entry(sub, propertyId == kPropertyEnthalpy ? sv::kEnthalpy : sv::kEntropy);
            const double mw = Entry(sub, sv::kMolecularWeight);
            const double f = Entry(sub, sv::kTotalFlow);
            if (!IsGiven(h) || (basis != kBasisMass && !IsGiven(mw)) ||
                (basis == kBasisTotal && !IsGiven(f))) {
                throw kStatusFail;
            }
            const double share = fluid ? FluidPhaseFraction(s.bead, phaseId) : 1.0;
            return SubstreamSpecific(h, mw, f, share, basis);
        }
        case kPropertyFlow:
        case kPropertyFraction:
        case kPropertyDiffusionCoefficient:
        case kPropertyComponentDiffusivity:
        case kPropertySurfaceTension:
            throw kStatusInvalidArgument;
        case kPropertyTotalFlow: {
            if (phaseId == kPhaseSolid) {
                return SolidPhaseFlow(s.bead, basis);
            }
            if (fluid) {
                return FluidPhaseFlow(s.bead, phaseId, basis);
            }
            const double f = Entry(sub, sv::kTotalFlow);
            const double mw = Entry(sub, sv::kMolecularWeight);
            if (!IsGiven(f)) {
                return 0.0;
            }
            if (basis == kBasisMass) {
                return IsGiven(mw) ? f * mw : 0.0;
            }
            return f;
        }
        case kPropertyPhaseFraction: {
            const double phase =
                SinglePhaseScalar(s.bead, kPropertyTotalFlow, phaseId, basis).value_or(0.0);
            const double overall = OverallScalar(s.bead, kPropertyTotalFlow, basis).value_or(0.0);
            return overall != 0.0 ? phase / overall : 0.0;
        }
        case kPropertyDensity:
            if (phaseId >= 0) {
                // The stored density of the substream (kg/m3); per kmol through its weight.
                const double rho = Entry(sub, sv::kDensity);
                const double mw = Entry(sub, sv::kMolecularWeight);
                if (!IsGiven(rho) || (basis != kBasisMass && !(IsGiven(mw) && mw > 0.0))) {
                    throw kStatusFail;
                }
                return basis == kBasisMass ? rho : rho / mw;
            }
            return phaseId == kPhaseSolid
                       ? SolidPhaseMonitorValue(s.bead, propertyId, basis)
                       : FluidPhaseMonitorValue(s.bead, propertyId, phaseId, basis);
        case kPropertyViscosity:
            if (!fluid) {
                throw kStatusCapeLimitedImplementation;
            }
            return FluidPhaseMonitorValue(s.bead, propertyId, phaseId, basis);
        case kPropertyHeatCapacity:
        case kPropertyThermalConductivity:
            if (fluid) {
                return FluidPhaseMonitorValue(s.bead, propertyId, phaseId, basis);
            }
            if (phaseId == kPhaseSolid) {
                return SolidPhaseMonitorValue(s.bead, propertyId, basis);
            }
            if (propertyId == kPropertyHeatCapacity && substream == 0) {
                return MixedHeatCapacity(s.bead, basis);
            }
            throw kStatusCapeLimitedImplementation;
        case kPropertySpeedOfSound:
            if (!fluid) {
                throw kStatusInvalidArgument;
            }
            return FluidPhaseMonitorValue(s.bead, propertyId, phaseId, basis);
        default:
            return std::nullopt;
    }
}

std::vector<double> CBrixelBaseUnit::SinglePhaseComponents(int bead, int propertyId, int phaseId,
                                                           int basis, int wet) {
    CheckBasis(basis);
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const int substream = PhaseSubstream(s.bead, phaseId);
    const int64_t ncc = ConventionalCount();
    const std::vector<double> weights = ConventionalWeights();
    std::vector<double> flows;
    // Component flows of one substream in the basis; the moisture of a wet solid substream is
    // left out when asked for dry flows.
    const auto substreamFlows = [&](int k) {
        const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(k)];
        std::vector<double> part(static_cast<std::size_t>(sub.count), 0.0);
        for (int64_t i = 0; i < sub.count; ++i) {
            const double f = IsGiven(sub.flows[i]) ? sub.flows[i] : 0.0;
            const bool conventional = sub.type != records::kNonconventional;
            part[static_cast<std::size_t>(i)] =
                basis == kBasisMass && conventional ? f * weights[static_cast<std::size_t>(i)] : f;
        }
        if (wet == 0 && sub.type == records::kCiSolid && Entry(sub, sv::kTotalFlow) > 0.0) {
            RemoveMoisture(part);
        }
        return part;
    };
    if (phaseId == kPhaseSolid) {
        flows.assign(static_cast<std::size_t>(ncc + NonconventionalCount()), 0.0);
        for (int k = substream; k > 0 && k < static_cast<int>(s.substreams.size()); ++k) {
            const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(k)];
            if (sub.type == records::kMixed) {
                continue;
            }
            const std::vector<double> part = substreamFlows(k);
            const int64_t first = sub.type == records::kNonconventional ? ncc : 0;
            for (std::size_t i = 0; i < part.size() && first + i < flows.size(); ++i) {
                flows[first + i] += part[i];
            }
        }
        // Conventional solids in the mixed substream belong to the solid phase too.
        const SubstreamSlice& mixed = s.substreams[0];
        if (mixed.type == records::kMixed && IsSolidFlowInSubStream(s.bead, 0)) {
            for (int n = 0; n < GetNumberOfSolidComps(); ++n) {
                const int c = GetSolidCompIDs()[n];
                if (c >= 0 && c < mixed.count && !IsPolymerOligomer(c) && IsGiven(mixed.flows[c])) {
                    flows[static_cast<std::size_t>(c)] +=
                        basis == kBasisMass ? mixed.flows[c] * weights[static_cast<std::size_t>(c)]
                                            : mixed.flows[c];
                }
            }
        }
    } else if (phaseId == kPhaseVapor || phaseId == kPhaseLiquid) {
        flows.assign(static_cast<std::size_t>(ncc), 0.0);
        const double amount = FluidPhaseFlow(s.bead, phaseId, kBasisMole);
        const FluidComposition phase = PhaseComposition(s.bead, phaseId);
        for (std::size_t j = 0; j < phase.components.size(); ++j) {
            const int64_t c = phase.components[j] - 1;
            if (c >= 0 && c < ncc) {
                const double moles = amount * phase.x[j];
                flows[static_cast<std::size_t>(c)] +=
                    basis == kBasisMass ? moles * weights[static_cast<std::size_t>(c)] : moles;
            }
        }
    } else {
        flows = substreamFlows(substream);
    }
    if (propertyId == kPropertyFraction) {
        ToFractions(flows);
    }
    return flows;
}

void CBrixelBaseUnit::RemoveMoisture(std::vector<double>& flows) {
    int64_t location = 0;
    int64_t count = 0;
    HostMoistureComponents(&location, &count);
    const int64_t* numbers = count > 0 ? plex::IntAt(location) : nullptr;
    if (!numbers) {
        return;
    }
    double total = 0.0;
    for (const double f : flows) {
        total += f;
    }
    for (int64_t j = 0; j < count; ++j) {
        const int64_t c = numbers[j] - 1;
        if (c >= 0 && c < static_cast<int64_t>(flows.size())) {
            flows[static_cast<std::size_t>(c)] = 0.0;
        }
    }
    double dry = 0.0;
    for (const double f : flows) {
        dry += f;
    }
    // The dry components carry the substream's whole amount again.
    if (dry > 0.0) {
        for (double& f : flows) {
            f *= total / dry;
        }
    }
}

void CBrixelBaseUnit::RefreshComponentAttributes(int bead) {
    if (m_naPolymers.empty() && m_naOligomers.empty()) {
        return;
    }
    const int64_t word = bead;
    if (HostLocateIds(&word) == 0) {
        return;
    }
    HostStreamVector(&word);
    HostUpdateComponentAttributes(&word);
}

long CBrixelBaseUnit::GetSinglePhaseProp(int64_t stream, int propertyId, int phaseId, double* value,
                                         int basis) {
    if (!value) {
        return kStatusFail;
    }
    return brixel::GuardedCall([&]() -> long {
        const PropertyStream s = ResolvePropertyStream(*this, stream);
        RefreshComponentAttributes(s.bead);
        if (const std::optional<double> result =
                SinglePhaseScalar(s.bead, propertyId, phaseId, basis)) {
            *value = *result;
        }
        return kStatusOk;
    });
}

long CBrixelBaseUnit::GetSinglePhaseProp(int64_t stream, int propertyId, int phaseId,
                                         CComSafeArray<double>& values, int basis, int wet) {
    return brixel::GuardedCall([&]() -> long {
        const PropertyStream s = ResolvePropertyStream(*this, stream);
        RefreshComponentAttributes(s.bead);
        std::vector<double> result;
        if (propertyId == kPropertyFlow || propertyId == kPropertyFraction) {
            result = SinglePhaseComponents(s.bead, propertyId, phaseId, basis, wet);
        } else if (propertyId == kPropertyDiffusionCoefficient ||
                   propertyId == kPropertyComponentDiffusivity) {
            result = DiffusionCoefficients(s.bead, propertyId, phaseId);
        } else if (const std::optional<double> scalar =
                       SinglePhaseScalar(s.bead, propertyId, phaseId, basis)) {
            result = {*scalar};
        } else {
            return kStatusOk;
        }
        StoreArray(result, values);
        return kStatusOk;
    });
}
