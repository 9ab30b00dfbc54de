#include "host/transport.h"

#include <algorithm>
#include <cmath>

namespace brixel::host::transport {

namespace {

constexpr double kGasConstant = 8314.462618;  // J/(kmol K)

// Neufeld, Janzen, Aziz (1972): the reduced collision integral Omega(2,2)* for the viscosity.
double CollisionIntegral(double reducedTemperature) {
    return 1.16145 * std::pow(reducedTemperature, -0.14874) +
           0.52487 * std::exp(-0.77320 * reducedTemperature) +
           2.16178 * std::exp(-2.43787 * reducedTemperature);
}

// Poling et al., equation 9-3.9: mu = 26.69 (M T)^0.5 / (sigma^2 Omega) in micropoise.
constexpr double kChapmanEnskog = 26.69;
constexpr double kMicropoise = 1e-7;  // Pa s

// Poling et al., equation 11-4.4 in cm2/s with P in bar.
constexpr double kFuller = 0.00143;
constexpr double kPascalPerBar = 1e5;
constexpr double kSquareMetresPerSquareCentimetre = 1e-4;

double Polynomial(double c1, double c2, double c3, double c4, double t) {
    return c1 + t * (c2 + t * (c3 + t * c4));
}

}  // namespace

double GasViscosity(const LennardJones& potential, double molecularWeight, double t) {
    const double omega = CollisionIntegral(t / potential.epsilonOverK);
    return kChapmanEnskog * std::sqrt(molecularWeight * t) /
           (potential.sigma * potential.sigma * omega) * kMicropoise;
}

double GasConductivity(double viscosity, double cp, double molecularWeight) {
    const double cv = cp - kGasConstant;
    return viscosity * cv * (1.32 + 1.77 * kGasConstant / cv) / molecularWeight;
}

double WilkeMixture(const std::vector<double>& y, const std::vector<double>& values,
                    const std::vector<double>& viscosities,
                    const std::vector<double>& molecularWeights) {
    double mixture = 0.0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        if (y[i] == 0.0) {
            continue;
        }
        double denominator = 0.0;
        for (std::size_t j = 0; j < y.size(); ++j) {
            const double root = 1.0 + std::sqrt(viscosities[i] / viscosities[j]) *
                                          std::pow(molecularWeights[j] / molecularWeights[i], 0.25);
            const double phi =
                root * root / std::sqrt(8.0 * (1.0 + molecularWeights[i] / molecularWeights[j]));
            denominator += y[j] * phi;
        }
        mixture += y[i] * values[i] / denominator;
    }
    return mixture;
}

double Vapour102Of(const Vapour102& c, double t) {
    const double held = std::clamp(t, c.tMin, c.tMax);
    return c.c1 * std::pow(held, c.c2) / (1.0 + c.c3 / held + c.c4 / (held * held));
}

double LiquidViscosityOf(const LiquidViscosity& c, double t) {
    const double held = std::clamp(t, c.tMin, c.tMax);
    if (c.form == LiquidViscosity::Form::kVogel) {
        return c.a * std::pow(10.0, c.b / (held - c.c));
    }
    const double power = c.d == 0.0 ? 0.0 : c.d * std::pow(held, c.e);
    return std::exp(c.a + c.b / held + c.c * std::log(held) + power);
}

double LiquidConductivityOf(const LiquidConductivity100& c, double t) {
    return Polynomial(c.c1, c.c2, c.c3, c.c4, std::clamp(t, c.tMin, c.tMax));
}

double SurfaceTensionOf(const SurfaceTensionCorrelation& c, double t) {
    if (c.equation == 100) {
        return std::max(0.0, Polynomial(c.c1, c.c2, c.c3, c.c4, std::clamp(t, c.tMin, c.tMax)));
    }
    const double tr = t / c.tc;
    if (tr >= 1.0) {
        return 0.0;
    }
    return c.c1 * std::pow(1.0 - tr, c.c2 + tr * (c.c3 + tr * c.c4));
}

double FullerDiffusivity(double t, double p, double molecularWeightA, double molecularWeightB,
                         double volumeA, double volumeB) {
    const double mab = 2.0 / (1.0 / molecularWeightA + 1.0 / molecularWeightB);
    const double volumes = std::cbrt(volumeA) + std::cbrt(volumeB);
    return kFuller * std::pow(t, 1.75) / (p / kPascalPerBar * std::sqrt(mab) * volumes * volumes) *
           kSquareMetresPerSquareCentimetre;
}

}  // namespace brixel::host::transport
