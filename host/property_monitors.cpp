// The property monitors of brixel/framework/host_interface.h on the host's ideal thermodynamics
// (host/thermo.h) and transport correlations (host/transport.h).
//
// - Every monitor checks its arguments first: a null pointer, n outside 1 ... kMaxListed, a
//   component number outside 1 ... NCC, T or P not finite, not positive or missing, a mole
//   fraction not finite or negative, or fractions summing to 0 give error kBadInput. The
//   method set and print level are not used and may be null.
// - The mole fractions are normalised to sum 1 before use, so that a composition read from a
//   stream's flows can be passed as it is.
// - A listed component without the data the property needs (no databank entry, a solid where a
//   fluid is needed, a fluid without transport data) gives error kNoData, even at a mole fraction
//   of 0. On any error the value (every value of an array) is the real missing value and so is
//   the derivative when one was asked for.
// - Enthalpies are those the flash writes: vapour sum y h_ig, liquid sum x (h_ig - dHv); the
//   solid monitor takes solids by their heat capacity and a fluid as pure liquid, as the flash
//   does for fluids in solid substreams. Molar volumes likewise: ideal gas, ideal liquid mixing,
//   solids from their density.
// - Pure vapours: Chapman-Enskog and modified Eucken, water from its own fitted correlations.
// - Mixing rules: gas viscosity by Wilke; gas thermal conductivity by Wassiljewa with the
//   Mason-Saxena coefficients; liquid viscosity ln mu = sum x ln mu_i (Arrhenius); liquid
//   thermal conductivity by mass fractions (Filippov's rule without its interaction term);
//   solid thermal conductivity by volume fractions (the parallel bound); surface tension by
//   mole fractions. The mixture diffusivity of component i is Blanc's law over the others,
//   (1 - y_i) / sum_j y_j / D_ij; the diagonal of the binary matrix and a component alone take
//   Fuller's estimate of self-diffusion.

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/stream_vector.h"
#include "host/host_service.h"
#include "host/thermo.h"
#include "host/transport.h"
#include "host/validation.h"

namespace brixel::host {

namespace {

using Impl = SubstituteHost::Impl;
namespace sv = brixel::stream_vector;

// Error words of the monitors.
constexpr int64_t kOk = 0;
constexpr int64_t kBadInput = 1;
constexpr int64_t kNoData = 2;
constexpr int64_t kNoHost = 3;

// Bounds the listed count before anything is sized by it (the binary matrix is n x n).
constexpr int64_t kMaxListed = 10000;

constexpr char kSpeedOfSound[] = "SONVELMX";

struct MonitorError {
    int64_t code;
};

// One listed component: its databank entries (null when missing) and mole fraction.
struct Listed {
    const databank::Substance* substance = nullptr;
    const transport::FluidTransport* transport = nullptr;
    double molecularWeight = 0.0;
    double x = 0.0;
};

bool Usable(const double* value) {
    return value != nullptr && std::isfinite(*value) && *value > 0.0 && *value < kRealMissing;
}

struct Conditions {
    double t;
    double p;
    std::vector<Listed> listed;
};

Conditions Read(const Impl& impl, const double* t, const double* p, const double* x,
                const int64_t* n, const int64_t* components) {
    if (!Usable(t) || !Usable(p) || x == nullptr || n == nullptr || components == nullptr ||
        *n < 1 || *n > kMaxListed) {
        throw MonitorError{kBadInput};
    }
    const auto ncc = static_cast<int64_t>(impl.components.size());
    Conditions conditions{*t, *p, {}};
    double sum = 0.0;
    for (int64_t j = 0; j < *n; ++j) {
        const int64_t number = components[j];
        if (number < 1 || number > ncc || !std::isfinite(x[j]) || x[j] < 0.0) {
            throw MonitorError{kBadInput};
        }
        Listed entry;
        const auto found = impl.thermo.substances.find(number);
        if (found != impl.thermo.substances.end()) {
            entry.substance = found->second;
            entry.transport = transport::FindFluid(found->second->id);
        }
        entry.molecularWeight =
            impl.components[static_cast<std::size_t>(number - 1)].molecularWeight;
        entry.x = x[j];
        sum += x[j];
        conditions.listed.push_back(entry);
    }
    if (!(sum > 0.0) || !std::isfinite(sum)) {
        throw MonitorError{kBadInput};
    }
    for (Listed& entry : conditions.listed) {
        entry.x /= sum;
    }
    return conditions;
}

const databank::Fluid& FluidOf(const Listed& entry) {
    if (entry.substance == nullptr || entry.substance->fluid == nullptr) {
        throw MonitorError{kNoData};
    }
    return *entry.substance->fluid;
}

const transport::FluidTransport& TransportOf(const Listed& entry) {
    FluidOf(entry);
    if (entry.transport == nullptr) {
        throw MonitorError{kNoData};
    }
    return *entry.transport;
}

// d(dHv)/dT of DIPPR equation 106 (thermo::HeatOfVaporization), J/(kmol K).
double HeatOfVaporizationSlope(const databank::Fluid& fluid, double t) {
    const auto& c = fluid.vaporization;
    const double tr = t / c.tc;
    if (tr >= 1.0) {
        return 0.0;
    }
    const double exponent = c.c2 + c.c3 * tr + c.c4 * tr * tr;
    const double exponentSlope = c.c3 + 2.0 * c.c4 * tr;
    const double lnRemainder = std::log(1.0 - tr);
    return thermo::HeatOfVaporization(fluid, t) *
           (exponentSlope * lnRemainder - exponent / (1.0 - tr)) / c.tc;
}

struct WithSlope {
    double value = 0.0;
    double slope = 0.0;
};

WithSlope VapourEnthalpyOf(const Listed& entry, double t) {
    const databank::Fluid& fluid = FluidOf(entry);
    return {thermo::IdealGasEnthalpy(fluid, t), thermo::IdealGasHeatCapacity(fluid, t)};
}

WithSlope LiquidEnthalpyOf(const Listed& entry, double t) {
    const databank::Fluid& fluid = FluidOf(entry);
    return {thermo::LiquidEnthalpy(fluid, t),
            thermo::IdealGasHeatCapacity(fluid, t) - HeatOfVaporizationSlope(fluid, t)};
}

WithSlope SolidEnthalpyOf(const Listed& entry, double t) {
    if (entry.substance != nullptr && entry.substance->solid != nullptr) {
        const databank::Solid& solid = *entry.substance->solid;
        return {thermo::SolidEnthalpy(solid, t), thermo::SolidHeatCapacity(solid, t)};
    }
    return LiquidEnthalpyOf(entry, t);
}

double SolidMolarVolumeOf(const Listed& entry, double t) {
    if (entry.substance != nullptr && entry.substance->solid != nullptr) {
        return entry.molecularWeight / entry.substance->solid->density;
    }
    return thermo::LiquidMolarVolume(FluidOf(entry), t);
}

// Sum of x times a pure-component property.
template <typename Property>
double MoleAverage(const Conditions& c, Property&& property) {
    double sum = 0.0;
    for (const Listed& entry : c.listed) {
        const double value = property(entry);
        sum += entry.x * value;
    }
    return sum;
}

template <typename Property>
WithSlope MoleAverageWithSlope(const Conditions& c, Property&& property) {
    WithSlope sum;
    for (const Listed& entry : c.listed) {
        const WithSlope value = property(entry, c.t);
        sum.value += entry.x * value.value;
        sum.slope += entry.x * value.slope;
    }
    return sum;
}

std::vector<double> Fractions(const Conditions& c) {
    std::vector<double> y;
    for (const Listed& entry : c.listed) {
        y.push_back(entry.x);
    }
    return y;
}

std::vector<double> GasViscosities(const Conditions& c) {
    std::vector<double> mu;
    for (const Listed& entry : c.listed) {
        const transport::FluidTransport& data = TransportOf(entry);
        mu.push_back(data.polarVapour
                         ? transport::Vapour102Of(data.polarVapour->viscosity, c.t)
                         : transport::GasViscosity(data.lennardJones, entry.molecularWeight, c.t));
    }
    return mu;
}

std::vector<double> MolecularWeights(const Conditions& c) {
    std::vector<double> mw;
    for (const Listed& entry : c.listed) {
        mw.push_back(entry.molecularWeight);
    }
    return mw;
}

double VapourViscosity(const Conditions& c) {
    const std::vector<double> mu = GasViscosities(c);
    return transport::WilkeMixture(Fractions(c), mu, mu, MolecularWeights(c));
}

double VapourConductivity(const Conditions& c) {
    const std::vector<double> mu = GasViscosities(c);
    const std::vector<double> mw = MolecularWeights(c);
    std::vector<double> lambda;
    for (std::size_t i = 0; i < c.listed.size(); ++i) {
        const auto& polar = TransportOf(c.listed[i]).polarVapour;
        const double cp = thermo::IdealGasHeatCapacity(FluidOf(c.listed[i]), c.t);
        lambda.push_back(polar ? transport::Vapour102Of(polar->conductivity, c.t)
                               : transport::GasConductivity(mu[i], cp, mw[i]));
    }
    return transport::WilkeMixture(Fractions(c), lambda, mu, mw);
}

double LiquidViscosity(const Conditions& c) {
    return std::exp(MoleAverage(c, [&](const Listed& entry) {
        return std::log(transport::LiquidViscosityOf(TransportOf(entry).liquidViscosity, c.t));
    }));
}

double LiquidConductivity(const Conditions& c) {
    double mass = 0.0;
    double weighted = 0.0;
    for (const Listed& entry : c.listed) {
        const double lambda =
            transport::LiquidConductivityOf(TransportOf(entry).liquidConductivity, c.t);
        const double m = entry.x * entry.molecularWeight;
        mass += m;
        weighted += m * lambda;
    }
    return weighted / mass;
}

double SolidConductivity(const Conditions& c) {
    double volume = 0.0;
    double weighted = 0.0;
    for (const Listed& entry : c.listed) {
        if (entry.substance == nullptr || entry.substance->solid == nullptr) {
            throw MonitorError{kNoData};
        }
        const auto lambda = transport::SolidConductivity(entry.substance->id);
        if (!lambda) {
            throw MonitorError{kNoData};
        }
        const double v = entry.x * SolidMolarVolumeOf(entry, c.t);
        volume += v;
        weighted += v * *lambda;
    }
    return weighted / volume;
}

double SurfaceTension(const Conditions& c) {
    return MoleAverage(c, [&](const Listed& entry) {
        const auto& correlation = TransportOf(entry).surfaceTension;
        if (!correlation) {
            throw MonitorError{kNoData};
        }
        return transport::SurfaceTensionOf(*correlation, c.t);
    });
}

double Binary(const Conditions& c, const Listed& a, const Listed& b) {
    const double volumeA = TransportOf(a).diffusionVolume;
    const double volumeB = TransportOf(b).diffusionVolume;
    return transport::FullerDiffusivity(c.t, c.p, a.molecularWeight, b.molecularWeight, volumeA,
                                        volumeB);
}

std::vector<double> BinaryDiffusivities(const Conditions& c) {
    const std::size_t n = c.listed.size();
    for (const Listed& entry : c.listed) {
        TransportOf(entry);
    }
    std::vector<double> d(n * n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            d[i * n + j] = Binary(c, c.listed[i], c.listed[j]);
        }
    }
    return d;
}

std::vector<double> MixtureDiffusivities(const Conditions& c) {
    const std::size_t n = c.listed.size();
    const std::vector<double> d = BinaryDiffusivities(c);
    std::vector<double> result(n);
    for (std::size_t i = 0; i < n; ++i) {
        double others = 0.0;
        double resistance = 0.0;
        for (std::size_t j = 0; j < n; ++j) {
            if (j != i) {
                others += c.listed[j].x;
                resistance += c.listed[j].x / d[i * n + j];
            }
        }
        result[i] = others > 0.0 ? others / resistance : d[i * n + i];
    }
    return result;
}

// Ideal gas: c = sqrt(gamma R T / M) with gamma = Cp / (Cp - R) of the mixture.
double SpeedOfSound(const Conditions& c) {
    const double cp = MoleAverage(
        c, [&](const Listed& entry) { return thermo::IdealGasHeatCapacity(FluidOf(entry), c.t); });
    const double mw = MoleAverage(c, [](const Listed& entry) { return entry.molecularWeight; });
    const double gamma = cp / (cp - thermo::kGasConstant);
    return std::sqrt(gamma * thermo::kGasConstant * c.t / mw);
}

// Runs one monitor: the outputs hold the missing value and an error until `body` succeeds.
template <typename Body>
void Run(int64_t* error, std::initializer_list<double*> outputs, std::size_t count,
         Body&& body) noexcept {
    auto fail = [&](int64_t code) {
        for (double* output : outputs) {
            if (output != nullptr) {
                std::fill(output, output + count, kRealMissing);
            }
        }
        service::Write(error, code);
    };
    fail(kNoHost);
    if (error == nullptr) {
        return;
    }
    service::ServeVoid([&](Impl& impl) {
        try {
            body(impl);
            *error = kOk;
        } catch (const MonitorError& e) {
            fail(e.code);
        } catch (...) {
            fail(kBadInput);
        }
    });
}

std::size_t CountOf(const int64_t* n) {
    return n != nullptr && *n >= 1 && *n <= kMaxListed ? static_cast<std::size_t>(*n) : 0;
}

// A scalar monitor of (T, P, x) without a derivative.
template <typename Property>
void Scalar(const double* t, const double* p, const double* x, const int64_t* n,
            const int64_t* components, double* value, int64_t* error, Property&& property) {
    Run(error, {value}, 1, [&](Impl& impl) {
        if (value == nullptr) {
            throw MonitorError{kBadInput};
        }
        const Conditions c = Read(impl, t, p, x, n, components);
        *value = property(c);
    });
}

// An enthalpy monitor: J/kmol and, when `derivative` is 1, J/(kmol K).
template <typename Pure>
void Enthalpy(const double* t, const double* p, const double* x, const int64_t* n,
              const int64_t* components, const int64_t* derivative, double* value, double* dValue,
              int64_t* error, Pure&& pure) {
    const bool slope = derivative != nullptr && *derivative == 1;
    Run(error, {value, slope ? dValue : nullptr}, 1, [&](Impl& impl) {
        if (value == nullptr || derivative == nullptr || (slope && dValue == nullptr)) {
            throw MonitorError{kBadInput};
        }
        const WithSlope h = MoleAverageWithSlope(Read(impl, t, p, x, n, components), pure);
        *value = h.value;
        if (slope) {
            *dValue = h.slope;
        }
    });
}

}  // namespace

void SubstituteHost::SetElectrolyteSalts(std::vector<double> table) {
    Impl& impl = *m_impl;
    MonitorState& state = impl.monitors;
    const int64_t n = ConventionalCount();
    if (!table.empty() && (n < 1 || table.size() != static_cast<std::size_t>(n * n))) {
        throw std::invalid_argument("the electrolyte salt table must hold NCC x NCC values");
    }
    for (const double value : table) {
        RequireFinite(value, "an electrolyte salt table entry");
    }
    const int64_t position = table.empty() ? 0 : impl.plex.Allocate(n * n);
    if (position != 0) {
        std::copy(table.begin(), table.end(), &impl.plex.Real(position));
    }
    if (state.saltsPosition != 0) {
        impl.plex.Release(state.saltsPosition, state.saltsCount * state.saltsCount);
    }
    state.saltsPosition = position;
    state.saltsCount = table.empty() ? 0 : n;
}

int64_t SubstituteHost::PropertyBracketDepth() const {
    return m_impl->monitors.bracketDepth;
}

}  // namespace brixel::host

namespace host = brixel::host;
using brixel::host::service::Impl;

extern "C" {

void HostVaporEnthalpy(const double* T, const double* P, const double* x, const int64_t* n,
                       const int64_t* components, const int64_t* /*methodSet*/,
                       const int64_t* /*printLevel*/, const int64_t* derivative, double* value,
                       double* dValue, int64_t* error) {
    host::Enthalpy(T, P, x, n, components, derivative, value, dValue, error,
                   host::VapourEnthalpyOf);
}

void HostLiquidEnthalpy(const double* T, const double* P, const double* x, const int64_t* n,
                        const int64_t* components, const int64_t* /*methodSet*/,
                        const int64_t* /*printLevel*/, const int64_t* derivative, double* value,
                        double* dValue, int64_t* error) {
    host::Enthalpy(T, P, x, n, components, derivative, value, dValue, error,
                   host::LiquidEnthalpyOf);
}

void HostSolidEnthalpy(const double* T, const double* P, const double* x, const int64_t* n,
                       const int64_t* components, const int64_t* /*methodSet*/,
                       const int64_t* /*printLevel*/, const int64_t* derivative, double* value,
                       double* dValue, int64_t* error) {
    host::Enthalpy(T, P, x, n, components, derivative, value, dValue, error, host::SolidEnthalpyOf);
}

void HostVaporMolarVolume(const double* T, const double* P, const double* x, const int64_t* n,
                          const int64_t* components, const int64_t* /*methodSet*/,
                          const int64_t* /*printLevel*/, double* value, int64_t* error) {
    host::Scalar(T, P, x, n, components, value, error, [](const host::Conditions& c) {
        for (const host::Listed& entry : c.listed) {
            host::FluidOf(entry);
        }
        return host::thermo::kGasConstant * c.t / c.p;
    });
}

void HostLiquidMolarVolume(const double* T, const double* P, const double* x, const int64_t* n,
                           const int64_t* components, const int64_t* /*methodSet*/,
                           const int64_t* /*printLevel*/, double* value, int64_t* error) {
    host::Scalar(T, P, x, n, components, value, error, [](const host::Conditions& c) {
        return host::MoleAverage(c, [&](const host::Listed& entry) {
            return host::thermo::LiquidMolarVolume(host::FluidOf(entry), c.t);
        });
    });
}

void HostSolidMolarVolume(const double* T, const double* P, const double* x, const int64_t* n,
                          const int64_t* components, const int64_t* /*methodSet*/,
                          const int64_t* /*printLevel*/, double* value, int64_t* error) {
    host::Scalar(T, P, x, n, components, value, error, [](const host::Conditions& c) {
        return host::MoleAverage(
            c, [&](const host::Listed& entry) { return host::SolidMolarVolumeOf(entry, c.t); });
    });
}

void HostVaporViscosity(const double* T, const double* P, const double* x, const int64_t* n,
                        const int64_t* components, const int64_t* /*methodSet*/,
                        const int64_t* /*printLevel*/, double* value, int64_t* error) {
    host::Scalar(T, P, x, n, components, value, error, host::VapourViscosity);
}

void HostLiquidViscosity(const double* T, const double* P, const double* x, const int64_t* n,
                         const int64_t* components, const int64_t* /*methodSet*/,
                         const int64_t* /*printLevel*/, double* value, int64_t* error) {
    host::Scalar(T, P, x, n, components, value, error, host::LiquidViscosity);
}

void HostVaporThermalConductivity(const double* T, const double* P, const double* x,
                                  const int64_t* n, const int64_t* components,
                                  const int64_t* /*methodSet*/, const int64_t* /*printLevel*/,
                                  double* value, int64_t* error) {
    host::Scalar(T, P, x, n, components, value, error, host::VapourConductivity);
}

void HostLiquidThermalConductivity(const double* T, const double* P, const double* x,
                                   const int64_t* n, const int64_t* components,
                                   const int64_t* /*methodSet*/, const int64_t* /*printLevel*/,
                                   double* value, int64_t* error) {
    host::Scalar(T, P, x, n, components, value, error, host::LiquidConductivity);
}

void HostSolidThermalConductivity(const double* T, const double* P, const double* x,
                                  const int64_t* n, const int64_t* components,
                                  const int64_t* /*methodSet*/, const int64_t* /*printLevel*/,
                                  double* value, int64_t* error) {
    host::Scalar(T, P, x, n, components, value, error, host::SolidConductivity);
}

void HostSurfaceTension(const double* T, const double* P, const double* x, const int64_t* n,
                        const int64_t* components, const int64_t* /*methodSet*/,
                        const int64_t* /*printLevel*/, double* value, int64_t* error) {
    host::Scalar(T, P, x, n, components, value, error, host::SurfaceTension);
}

void HostVaporBinaryDiffusivity(const double* T, const double* P, const double* x, const int64_t* n,
                                const int64_t* components, const int64_t* /*methodSet*/,
                                const int64_t* /*printLevel*/, double* values, int64_t* error) {
    const std::size_t count = host::CountOf(n);
    host::Run(error, {values}, count * count, [&](Impl& impl) {
        if (values == nullptr) {
            throw host::MonitorError{host::kBadInput};
        }
        const auto d = host::BinaryDiffusivities(host::Read(impl, T, P, x, n, components));
        std::copy(d.begin(), d.end(), values);
    });
}

void HostVaporDiffusivity(const double* T, const double* P, const double* x, const int64_t* n,
                          const int64_t* components, const int64_t* /*methodSet*/,
                          const int64_t* /*printLevel*/, double* values, int64_t* error) {
    host::Run(error, {values}, host::CountOf(n), [&](Impl& impl) {
        if (values == nullptr) {
            throw host::MonitorError{host::kBadInput};
        }
        const auto d = host::MixtureDiffusivities(host::Read(impl, T, P, x, n, components));
        std::copy(d.begin(), d.end(), values);
    });
}

void HostNonconvSolidEnthalpy(const double* T, const int64_t* component, const int64_t* derivative,
                              double* value, double* dValue, int64_t* error) {
    const bool slope = derivative != nullptr && *derivative == 1;
    host::Run(error, {value, slope ? dValue : nullptr}, 1, [&](Impl& impl) {
        if (!host::Usable(T) || component == nullptr || derivative == nullptr || value == nullptr ||
            (slope && dValue == nullptr) || *component < 1 ||
            *component > static_cast<int64_t>(impl.nonconventional.size())) {
            throw host::MonitorError{host::kBadInput};
        }
        const auto* substance = host::databank::FindNonconventional(
            impl.nonconventional[static_cast<std::size_t>(*component - 1)]);
        if (substance == nullptr) {
            throw host::MonitorError{host::kNoData};
        }
        *value = host::thermo::SolidEnthalpy(substance->solid, *T);
        if (slope) {
            *dValue = host::thermo::SolidHeatCapacity(substance->solid, *T);
        }
    });
}

void HostVaporPressure(const double* T, const int64_t* component, const int64_t* /*printLevel*/,
                       double* lnValue, int64_t* error) {
    host::Run(error, {lnValue}, 1, [&](Impl& impl) {
        if (!host::Usable(T) || component == nullptr || lnValue == nullptr || *component < 1 ||
            *component > static_cast<int64_t>(impl.components.size())) {
            throw host::MonitorError{host::kBadInput};
        }
        const auto found = impl.thermo.substances.find(*component);
        if (found == impl.thermo.substances.end() || found->second->fluid == nullptr) {
            throw host::MonitorError{host::kNoData};
        }
        *lnValue = host::thermo::LnVapourPressure(*found->second->fluid, *T);
    });
}

// The phase is taken as -1, -2, -3 or as the codes 1, 2, 3; only the vapour's speed of sound
// is known, in SI units only. A value that cannot be given is the caller's missing value.
void HostUserProperty(const int64_t* name, const int64_t* phase, const double* T, const double* P,
                      const double* x, const int64_t* n, const int64_t* components,
                      const int64_t* /*methodSet*/, const int64_t* printLevel,
                      const double* missing, const int64_t* units, double* value, int64_t* error) {
    host::Run(error, {value}, 1, [&](Impl& impl) {
        if (name == nullptr || phase == nullptr || value == nullptr || units == nullptr) {
            throw host::MonitorError{host::kBadInput};
        }
        const std::string qualifier = host::UnpackText(units, 4);
        impl.userPropertyCalls.push_back({host::UnpackText(name, 8), *phase,
                                          printLevel ? *printLevel : 0,
                                          missing ? *missing : host::kRealMissing, qualifier});
        if (qualifier != "SI") {
            throw host::MonitorError{host::kBadInput};
        }
        const host::Conditions c = host::Read(impl, T, P, x, n, components);
        if (host::UnpackText(name, 8) != host::kSpeedOfSound || (*phase != -1 && *phase != 1)) {
            throw host::MonitorError{host::kNoData};
        }
        *value = host::SpeedOfSound(c);
    });
    if (error != nullptr && *error != host::kOk && value != nullptr && missing != nullptr) {
        *value = *missing;
    }
}

void HostElectrolyteSalts(int64_t* location, int64_t* count) {
    host::service::Write<int64_t>(location, 0);
    host::service::Write<int64_t>(count, 0);
    host::service::ServeVoid([&](Impl& impl) {
        const host::MonitorState& state = impl.monitors;
        if (state.saltsCount == 0 ||
            state.saltsCount != static_cast<int64_t>(impl.components.size())) {
            return;
        }
        host::service::Write(location, state.saltsPosition);
        host::service::Write(count, state.saltsCount);
    });
}

void HostPropEnter() {
    host::service::ServeVoid([](Impl& impl) {
        ++impl.monitors.bracketDepth;
        ++impl.monitors.enterCalls;
    });
}

// An exit without an enter is ignored, so one stray call does not unbalance later brackets.
void HostPropExit() {
    host::service::ServeVoid([](Impl& impl) {
        impl.monitors.bracketDepth = std::max<int64_t>(0, impl.monitors.bracketDepth - 1);
    });
}

// The molecular weight of the stream's first MIXED substream from its component flows; missing
// when it carries no flow. Unknown beads and streams without a MIXED substream are left alone.
void HostUpdateMixed(const int64_t* streamBead) {
    if (streamBead == nullptr) {
        return;
    }
    host::service::ServeVoid([&](Impl& impl) {
        const Impl::StreamClass* streamClass = impl.ClassOfStream(*streamBead);
        if (streamClass == nullptr) {
            return;
        }
        const auto mixed =
            std::find_if(streamClass->substreams.begin(), streamClass->substreams.end(),
                         [](const auto& s) { return s.type == brixel::records::kMixed; });
        if (mixed == streamClass->substreams.end()) {
            return;
        }
        double* flows = impl.RealWords(*streamBead) + mixed->offset;
        double moles = 0.0;
        double mass = 0.0;
        for (int64_t k = 0; k < mixed->components; ++k) {
            const double flow = flows[k];
            if (std::isfinite(flow) && flow > 0.0 && flow < host::kRealMissing) {
                moles += flow;
                mass += flow * impl.components[static_cast<std::size_t>(k)].molecularWeight;
            }
        }
        flows[mixed->components + host::sv::kMolecularWeight] =
            moles > 0.0 ? mass / moles : host::kRealMissing;
    });
}

}  // extern "C"
