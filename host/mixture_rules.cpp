#include "host/mixture_rules.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/thermo.h"

namespace brixel::host {

bool Usable(const double* value) {
    return value != nullptr && std::isfinite(*value) && *value > 0.0 && *value < kRealMissing;
}

Conditions Read(const SubstituteHost::Impl& impl, const double* t, const double* p, const double* x,
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

}  // namespace brixel::host
