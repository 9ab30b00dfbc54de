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
#include "host/mixture_rules.h"
#include "host/thermo.h"
#include "host/transport.h"
#include "host/validation.h"

namespace brixel::host {

namespace {

using Impl = SubstituteHost::Impl;
namespace sv = brixel::stream_vector;

constexpr char kSpeedOfSound[] = "SONVELMX";

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
    host::service::ServeVoid([](Impl& impl) { ++impl.monitors.bracketDepth; });
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
