// Phase properties from the host's property monitors, evaluated at the stream's temperature
// and pressure with the phase composition; the two-phase and user-property operations.
#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "brixel/framework/component_table.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/property_stream.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;
using namespace brixel;

namespace {

using ScalarMonitor = void (*)(const double*, const double*, const double*, const int64_t*,
                               const int64_t*, const int64_t*, const int64_t*, double*, int64_t*);
using EnthalpyMonitor = void (*)(const double*, const double*, const double*, const int64_t*,
                                 const int64_t*, const int64_t*, const int64_t*, const int64_t*,
                                 double*, double*, int64_t*);

// Mole fractions of the components with flow among `flows` (count entries, conventional
// numbering), normalised to sum 1; `include` picks the components.
template <typename Include>
void NormalisedFlows(const double* flows, int64_t count, Include include,
                     std::vector<int64_t>& components, std::vector<double>& x) {
    components.clear();
    x.clear();
    double sum = 0.0;
    for (int64_t i = 0; i < count; ++i) {
        if (flows[i] > 0.0 && IsGiven(flows[i]) && include(i)) {
            components.push_back(i + 1);
            x.push_back(flows[i]);
            sum += flows[i];
        }
    }
    for (double& xi : x) {
        xi /= sum;
    }
}

double MeanWeight(const std::vector<int64_t>& components, const std::vector<double>& x) {
    double weight = 0.0;
    for (std::size_t j = 0; j < components.size(); ++j) {
        const int64_t index = components[j] - 1;
        weight += brixel::ComponentMolecularWeight(index) * x[j];
    }
    return weight;
}

}  // namespace

void CBrixelBaseUnit::MonitorContext(int bead, int substream, double& temperature, double& pressure,
                                     int64_t& printLevel) {
    if (!m_pNBOPST) {
        throw kStatusFail;  // no property-method set bound
    }
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(substream)];
    temperature = sub.state[sv::kTemperature];
    pressure = sub.state[sv::kPressure];
    // A substream without a state of its own is at the stream's.
    if (!IsGiven(temperature) && GetTemperature(s.bead, &temperature) != kStatusOk) {
        throw kStatusFail;
    }
    if (!IsGiven(pressure) && GetPressure(s.bead, &pressure) != kStatusOk) {
        throw kStatusFail;
    }
    printLevel = m_pIscp ? m_pIscp[records::kStatusPrintLevel2] : 0;
}

CBrixelBaseUnit::FluidComposition CBrixelBaseUnit::PhaseComposition(int bead, int phaseId) {
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    FluidComposition phase;
    if (IsTwoPhaseFraction(FluidPhaseFraction(s.bead, phaseId))) {
        const CFlashBuffer* results = GetFlashResults(s.bead, true);
        if (results) {
            // In this host's flash results A holds the liquid's, B the vapour's mole fractions.
            const std::vector<double>& x = phaseId == kPhaseVapor ? results->m_daB : results->m_daA;
            for (int j = 0; j < results->m_nComps; ++j) {
                phase.components.push_back(results->m_naHostComps[static_cast<std::size_t>(j)]);
                phase.x.push_back(x[static_cast<std::size_t>(j)]);
            }
        }
    } else {
        const SubstreamSlice& mixed = s.substreams[0];
        NormalisedFlows(
            mixed.flows, mixed.count,
            [&](int64_t c) { return !IsSolidComp(c) || IsPolymerOligomer(c); }, phase.components,
            phase.x);
    }
    phase.molecularWeight = MeanWeight(phase.components, phase.x);
    return phase;
}

double CBrixelBaseUnit::FluidPhaseMonitorValue(int bead, int propertyId, int phaseId, int basis) {
    double t = 0.0;
    double p = 0.0;
    int64_t printLevel = 0;
    MonitorContext(bead, 0, t, p, printLevel);
    const FluidComposition phase = PhaseComposition(bead, phaseId);
    if (phase.components.empty()) {
        return m_dblRMiss;
    }
    const bool vapour = phaseId == kPhaseVapor;
    const int64_t n = static_cast<int64_t>(phase.components.size());
    const int64_t* comps = phase.components.data();
    const double* x = phase.x.data();
    double value = 0.0;
    double slope = 0.0;
    int64_t error = 0;
    const auto scalar = [&](ScalarMonitor vapourMonitor, ScalarMonitor liquidMonitor) {
        (vapour ? vapourMonitor : liquidMonitor)(&t, &p, x, &n, comps, m_pNBOPST, &printLevel,
                                                 &value, &error);
        if (error != 0) {
            throw kStatusCapeUnknown;
        }
        return value;
    };
    const auto enthalpy = [&](int64_t derivative) {
        const EnthalpyMonitor monitor = vapour ? HostVaporEnthalpy : HostLiquidEnthalpy;
        monitor(&t, &p, x, &n, comps, m_pNBOPST, &printLevel, &derivative, &value, &slope, &error);
        if (error != 0) {
            throw kStatusCapeUnknown;
        }
    };
    switch (propertyId) {
        case kPropertyEnthalpy: {
            enthalpy(0);  // J/kmol
            if (basis == kBasisMass) {
                return phase.molecularWeight != 0.0 ? value / phase.molecularWeight : 0.0;
            }
            if (basis == kBasisMole) {
                return value / 1000.0;  // J/mol, as the stored single-phase values
            }
            return value * FluidPhaseFlow(bead, phaseId, kBasisMole);
        }
        case kPropertyHeatCapacity:
            enthalpy(1);
            if (basis == kBasisMass) {
                return phase.molecularWeight != 0.0 ? slope / phase.molecularWeight : 0.0;
            }
            return slope;
        case kPropertyDensity: {
            const double volume = scalar(HostVaporMolarVolume, HostLiquidMolarVolume);
            if (volume == 0.0) {
                return 0.0;
            }
            return basis == kBasisMass ? phase.molecularWeight / volume : 1.0 / volume;
        }
        case kPropertyViscosity:
            return scalar(HostVaporViscosity, HostLiquidViscosity);
        case kPropertyThermalConductivity:
            return scalar(HostVaporThermalConductivity, HostLiquidThermalConductivity);
        case kPropertySpeedOfSound: {
            const long status = GetQuarnPhaseProp(t, p, x, n, comps, "SONVELMX", phaseId, &value);
            if (status < 0) {
                throw status;
            }
            return value;
        }
        default:
            throw kStatusInvalidArgument;
    }
}

double CBrixelBaseUnit::SolidPhaseMonitorValue(int bead, int propertyId, int basis) {
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const int first = GetSubstreamNumberFromPhaseID(kPhaseSolid, s.view.record, 0);
    double t = 0.0;
    double p = 0.0;
    int64_t printLevel = 0;
    MonitorContext(s.bead, first > 0 ? first : 0, t, p, printLevel);
    const std::vector<double> moles =
        SinglePhaseComponents(s.bead, kPropertyFlow, kPhaseSolid, kBasisMole, 1);
    const int64_t ncc = ConventionalCount();
    std::vector<int64_t> comps;
    std::vector<double> x;
    NormalisedFlows(
        moles.data(), ncc, [](int64_t) { return true; }, comps, x);
    double conventionalMoles = 0.0;
    for (int64_t i = 0; i < ncc; ++i) {
        conventionalMoles += moles[static_cast<std::size_t>(i)];
    }
    const double weight = MeanWeight(comps, x);
    const int64_t n = static_cast<int64_t>(comps.size());
    double value = 0.0;
    double slope = 0.0;
    int64_t error = 0;
    switch (propertyId) {
        case kPropertyDensity: {
            if (n == 0) {
                return m_dblRMiss;
            }
            HostSolidMolarVolume(&t, &p, x.data(), &n, comps.data(), m_pNBOPST, &printLevel, &value,
                                 &error);
            if (error != 0) {
                throw kStatusCapeUnknown;
            }
            if (value == 0.0) {
                return 0.0;
            }
            return basis == kBasisMass ? weight / value : 1.0 / value;
        }
        case kPropertyThermalConductivity:
            if (n == 0) {
                return m_dblRMiss;
            }
            HostSolidThermalConductivity(&t, &p, x.data(), &n, comps.data(), m_pNBOPST, &printLevel,
                                         &value, &error);
            if (error != 0) {
                throw kStatusCapeUnknown;
            }
            return value;
        case kPropertyHeatCapacity: {
            // Heat-capacity flow (W/K) of the conventional solids and of every NC component
            // with flow (NC flows count as kg/s and as kmol/s alike: weight 1).
            double capacity = 0.0;
            double mass = conventionalMoles * weight;
            double amount = conventionalMoles;
            if (n > 0) {
                const int64_t derivative = 1;
                HostSolidEnthalpy(&t, &p, x.data(), &n, comps.data(), m_pNBOPST, &printLevel,
                                  &derivative, &value, &slope, &error);
                if (error != 0) {
                    throw kStatusCapeUnknown;
                }
                capacity += slope * conventionalMoles;
            }
            for (std::size_t j = static_cast<std::size_t>(ncc); j < moles.size(); ++j) {
                if (!(moles[j] > 0.0)) {
                    continue;
                }
                const int64_t component = static_cast<int64_t>(j) - ncc + 1;
                const int64_t derivative = 1;
                HostNonconvSolidEnthalpy(&t, &component, &derivative, &value, &slope, &error);
                if (error != 0) {
                    throw kStatusCapeUnknown;
                }
                capacity += slope * moles[j];
                mass += moles[j];
                amount += moles[j];
            }
            if (amount == 0.0) {
                return m_dblRMiss;
            }
            if (basis == kBasisMass) {
                return mass != 0.0 ? capacity / mass : 0.0;
            }
            return capacity / amount;
        }
        default:
            throw kStatusInvalidArgument;
    }
}

double CBrixelBaseUnit::MixedHeatCapacity(int bead, int basis) {
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    const SubstreamSlice& mixed = s.substreams[0];
    const double vf = FluidPhaseFraction(s.bead, kPhaseVapor);
    const double lf = FluidPhaseFraction(s.bead, kPhaseLiquid);
    double cp = 0.0;
    for (const auto& [phaseId, share] : {std::pair{kPhaseVapor, vf}, std::pair{kPhaseLiquid, lf}}) {
        if (share > 0.0) {
            const double phase =
                FluidPhaseMonitorValue(s.bead, kPropertyHeatCapacity, phaseId, kBasisMole);
            if (!IsGiven(phase)) {
                return m_dblRMiss;
            }
            cp += share * phase;
        }
    }
    const double solidShare = 1.0 - vf - lf;
    if (solidShare > 1e-10) {
        std::vector<int64_t> comps;
        std::vector<double> x;
        NormalisedFlows(
            mixed.flows, mixed.count,
            [&](int64_t c) { return IsSolidComp(c) && !IsPolymerOligomer(c); }, comps, x);
        if (!comps.empty()) {
            double t = 0.0;
            double p = 0.0;
            int64_t printLevel = 0;
            MonitorContext(s.bead, 0, t, p, printLevel);
            const int64_t n = static_cast<int64_t>(comps.size());
            const int64_t derivative = 1;
            double value = 0.0;
            double slope = 0.0;
            int64_t error = 0;
            HostSolidEnthalpy(&t, &p, x.data(), &n, comps.data(), m_pNBOPST, &printLevel,
                              &derivative, &value, &slope, &error);
            if (error != 0) {
                throw kStatusCapeUnknown;
            }
            cp += solidShare * slope;
        }
    }
    if (basis == kBasisMass) {
        const double mw = mixed.state[sv::kMolecularWeight];
        return IsGiven(mw) && mw != 0.0 ? cp / mw : 0.0;
    }
    return cp;
}

std::vector<double> CBrixelBaseUnit::DiffusionCoefficients(int bead, int propertyId, int phaseId) {
    if (phaseId != kPhaseVapor) {
        throw kStatusCapeLimitedImplementation;
    }
    const PropertyStream s = ResolvePropertyStream(*this, bead);
    double t = 0.0;
    double p = 0.0;
    int64_t printLevel = 0;
    MonitorContext(s.bead, 0, t, p, printLevel);
    const auto ncc = static_cast<std::size_t>(ConventionalCount());
    std::vector<int64_t> comps;
    std::vector<double> x;
    int64_t error = 0;
    if (propertyId == kPropertyDiffusionCoefficient) {
        // Vapour and liquid together: the fluid flows of the mixed substream.
        const SubstreamSlice& mixed = s.substreams[0];
        NormalisedFlows(
            mixed.flows, mixed.count,
            [&](int64_t c) { return !IsSolidComp(c) || IsPolymerOligomer(c); }, comps, x);
        const int64_t n = static_cast<int64_t>(comps.size());
        std::vector<double> listed(comps.size() * comps.size(), 0.0);
        std::vector<double> matrix(ncc * ncc, 0.0);
        if (n == 0) {
            return matrix;
        }
        HostVaporBinaryDiffusivity(&t, &p, x.data(), &n, comps.data(), m_pNBOPST, &printLevel,
                                   listed.data(), &error);
        if (error != 0) {
            throw kStatusCapeUnknown;
        }
        for (std::size_t i = 0; i < comps.size(); ++i) {
            for (std::size_t j = 0; j < comps.size(); ++j) {
                const auto row = static_cast<std::size_t>(comps[i] - 1);
                const auto column = static_cast<std::size_t>(comps[j] - 1);
                matrix[row * ncc + column] = listed[i * comps.size() + j];
            }
        }
        return matrix;
    }
    const FluidComposition phase = PhaseComposition(s.bead, kPhaseVapor);
    std::vector<double> vector(ncc, 0.0);
    const int64_t n = static_cast<int64_t>(phase.components.size());
    if (n == 0) {
        return vector;
    }
    std::vector<double> listed(phase.components.size(), 0.0);
    HostVaporDiffusivity(&t, &p, phase.x.data(), &n, phase.components.data(), m_pNBOPST,
                         &printLevel, listed.data(), &error);
    if (error != 0) {
        throw kStatusCapeUnknown;
    }
    for (std::size_t j = 0; j < listed.size(); ++j) {
        vector[static_cast<std::size_t>(phase.components[j] - 1)] = listed[j];
    }
    return vector;
}

long CBrixelBaseUnit::GetTwoPhaseProp(int64_t stream, int propertyId,
                                      const std::vector<int>& phaseIds, double* value, int basis) {
    if (!value) {
        return kStatusFail;
    }
    return brixel::GuardedCall([&]() -> long {
        CheckBasis(basis);
        const bool mixed = phaseIds.size() == 1 && phaseIds[0] == 0;
        const bool pair = phaseIds.size() == 2 &&
                          std::min(phaseIds[0], phaseIds[1]) == kPhaseLiquid &&
                          std::max(phaseIds[0], phaseIds[1]) == kPhaseVapor;
        if ((!mixed && !pair) || propertyId != kPropertySurfaceTension) {
            return kStatusInvalidArgument;
        }
        const PropertyStream s = ResolvePropertyStream(*this, stream);
        const FluidComposition liquid = PhaseComposition(s.bead, kPhaseLiquid);
        if (!(FluidPhaseFraction(s.bead, kPhaseLiquid) > 0.0) || liquid.components.empty()) {
            *value = m_dblRMiss;  // no liquid, no surface
            return kStatusOk;
        }
        double t = 0.0;
        double p = 0.0;
        int64_t printLevel = 0;
        MonitorContext(s.bead, 0, t, p, printLevel);
        const int64_t n = static_cast<int64_t>(liquid.components.size());
        double tension = 0.0;
        int64_t error = 0;
        HostSurfaceTension(&t, &p, liquid.x.data(), &n, liquid.components.data(), m_pNBOPST,
                           &printLevel, &tension, &error);
        if (error != 0) {
            return kStatusCapeUnknown;
        }
        *value = tension;
        return kStatusOk;
    });
}

long CBrixelBaseUnit::GetQuarnPhaseProp(double temperature, double pressure, const double* x,
                                        int64_t count, const int64_t* components,
                                        const CString& property, int phaseId, double* value) {
    if (!value) {
        return kStatusFail;
    }
    return brixel::GuardedCall([&]() -> long {
        if (count < 0 || (count > 0 && (!x || !components))) {
            return kStatusInvalidArgument;
        }
        if (phaseId != kPhaseVapor && phaseId != kPhaseLiquid && phaseId != kPhaseSolid) {
            return kStatusInvalidArgument;
        }
        if (!m_pNBOPST) {
            return kStatusFail;
        }
        std::string name(property.GetString());
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
        name.resize(std::min<std::size_t>(name.size(), rec::kPropertyNameChars));
        // Word buffers at least as long as the packed texts.
        const int64_t nameLength = rec::kPropertyNameChars;
        std::array<int64_t, rec::kPropertyNameChars> packed{};
        HostStringToHollerith(name.c_str(), &nameLength, packed.data());
        const int64_t unitsLength = rec::kUnitQualifierChars;
        std::array<int64_t, rec::kUnitQualifierChars> units{};
        HostStringToHollerith("SI", &unitsLength, units.data());
        const int64_t phase = -phaseId;  // host phase codes 1 vapour, 2 liquid, 3 solid
        const int64_t printLevel = GetIscpOf(rec::kStatusPrintLevel2);
        double result = 0.0;
        int64_t errors = 0;
        HostUserProperty(packed.data(), &phase, &temperature, &pressure, x, &count, components,
                         m_pNBOPST, &printLevel, &m_dblRMiss, units.data(), &result, &errors);
        if (errors >= 1) {
            return kStatusCapeUnknown;
        }
        *value = result;
        return kStatusOk;
    });
}
