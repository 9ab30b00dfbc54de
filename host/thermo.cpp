#include "host/thermo.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brixel::host::thermo {

namespace {

using databank::Fluid;
using databank::Solid;

double Equation101(const databank::VapourPressure101& c, double t) {
    return c.a + c.b / t + c.c * std::log(t) + c.d * std::pow(t, c.e);
}

// d ln P / d(1/T) of equation 101.
double Equation101Slope(const databank::VapourPressure101& c, double t) {
    return c.b - c.c * t - c.d * c.e * std::pow(t, c.e + 1.0);
}

// ln sinh x and ln cosh x for x > 0 without overflow.
double LogSinh(double x) {
    return x > 20.0 ? x - std::numbers::ln2 + std::log1p(-std::exp(-2.0 * x))
                    : std::log(std::sinh(x));
}
double LogCosh(double x) {
    return x - std::numbers::ln2 + std::log1p(std::exp(-2.0 * x));
}

// Antiderivatives of equation 107: of Cp and of Cp / T.
double Cp107Integral(const databank::IdealGasCp107& c, double t) {
    double value = c.c1 * t;
    if (c.c2 != 0.0) {
        value += c.c3 == 0.0 ? c.c2 * t : c.c2 * c.c3 / std::tanh(c.c3 / t);
    }
    if (c.c4 != 0.0 && c.c5 != 0.0) {
        value -= c.c4 * c.c5 * std::tanh(c.c5 / t);
    }
    return value;
}

double Cp107OverTIntegral(const databank::IdealGasCp107& c, double t) {
    double value = c.c1 * std::log(t);
    if (c.c2 != 0.0) {
        if (c.c3 == 0.0) {
            value += c.c2 * std::log(t);
        } else {
            const double x = c.c3 / t;
            value += c.c2 * (x / std::tanh(x) - LogSinh(x));
        }
    }
    if (c.c4 != 0.0 && c.c5 != 0.0) {
        const double x = c.c5 / t;
        value -= c.c4 * (x * std::tanh(x) - LogCosh(x));
    }
    return value;
}

double KelleyCp(const databank::SolidCp& c, double t) {
    return c.a + c.b * t + (c.c == 0.0 ? 0.0 : c.c / (t * t));
}

// Integral from `from` to `to` of Cp (overT false) or Cp / T (overT true) of a solid whose Cp is
// held at its end values outside the fitted range.
double SolidIntegral(const databank::SolidCp& c, double from, double to, bool overT) {
    if (to < from) {
        return -SolidIntegral(c, to, from, overT);
    }
    auto constant = [&](double cp, double t1, double t2) {
        return overT ? cp * std::log(t2 / t1) : cp * (t2 - t1);
    };
    auto kelley = [&](double t) {
        const double cTerm = c.c == 0.0 ? 0.0 : (overT ? -c.c / (2.0 * t * t) : -c.c / t);
        return overT ? c.a * std::log(t) + c.b * t + cTerm : c.a * t + c.b * t * t / 2.0 + cTerm;
    };
    double value = 0.0;
    if (from < c.tMin) {
        value += constant(KelleyCp(c, c.tMin), from, std::min(to, c.tMin));
    }
    const double low = std::max(from, c.tMin);
    const double high = std::min(to, c.tMax);
    if (low < high) {
        value += kelley(high) - kelley(low);
    }
    if (to > c.tMax) {
        value += constant(KelleyCp(c, c.tMax), std::max(from, c.tMax), to);
    }
    return value;
}

}  // namespace

double LnVapourPressure(const Fluid& fluid, double t) {
    const double tc = fluid.criticalTemperature;
    if (t <= tc) {
        return Equation101(fluid.vapourPressure, t);
    }
    return Equation101(fluid.vapourPressure, tc) +
           Equation101Slope(fluid.vapourPressure, tc) * (1.0 / t - 1.0 / tc);
}

double IdealGasHeatCapacity(const Fluid& fluid, double t) {
    const auto& c = fluid.idealGasCp;
    double cp = c.c1;
    if (c.c2 != 0.0) {
        const double x = c.c3 / t;
        const double ratio = x == 0.0 ? 1.0 : x / std::sinh(x);
        cp += c.c2 * ratio * ratio;
    }
    if (c.c4 != 0.0) {
        const double x = c.c5 / t;
        const double ratio = x / std::cosh(x);
        cp += c.c4 * ratio * ratio;
    }
    return cp;
}

double IdealGasEnthalpy(const Fluid& fluid, double t) {
    return Cp107Integral(fluid.idealGasCp, t) -
           Cp107Integral(fluid.idealGasCp, kReferenceTemperature);
}

double IdealGasEntropy(const Fluid& fluid, double t) {
    return Cp107OverTIntegral(fluid.idealGasCp, t) -
           Cp107OverTIntegral(fluid.idealGasCp, kReferenceTemperature);
}

double HeatOfVaporization(const Fluid& fluid, double t) {
    const auto& c = fluid.vaporization;
    const double tr = t / c.tc;
    if (tr >= 1.0) {
        return 0.0;
    }
    return c.c1 * std::pow(1.0 - tr, c.c2 + c.c3 * tr + c.c4 * tr * tr);
}

double LiquidEnthalpy(const Fluid& fluid, double t) {
    return IdealGasEnthalpy(fluid, t) - HeatOfVaporization(fluid, t);
}

double LiquidEntropy(const Fluid& fluid, double t) {
    return IdealGasEntropy(fluid, t) -
           kGasConstant * (LnVapourPressure(fluid, t) - std::log(kReferencePressure)) -
           HeatOfVaporization(fluid, t) / t;
}

double LiquidMolarVolume(const Fluid& fluid, double t) {
    const auto& c = fluid.liquidDensity;
    const double tau = std::max(0.0, 1.0 - t / c.c3);
    return std::pow(c.c2, 1.0 + std::pow(tau, c.c4)) / c.c1;
}

double SolidHeatCapacity(const Solid& solid, double t) {
    return KelleyCp(solid.cp, std::clamp(t, solid.cp.tMin, solid.cp.tMax));
}

double SolidEnthalpy(const Solid& solid, double t) {
    return SolidIntegral(solid.cp, kReferenceTemperature, t, false);
}

double SolidEntropy(const Solid& solid, double t) {
    return SolidIntegral(solid.cp, kReferenceTemperature, t, true);
}

double SolveVapourFraction(const std::vector<double>& z, const std::vector<double>& k) {
    double bubble = 0.0;  // sum z K: at most 1 means no vapour yet
    double dew = 0.0;     // sum z / K: at most 1 means no liquid left
    for (std::size_t i = 0; i < z.size(); ++i) {
        bubble += z[i] * k[i];
        dew += k[i] > 0.0 ? z[i] / k[i] : (z[i] > 0.0 ? HUGE_VAL : 0.0);
    }
    if (bubble <= 1.0) {
        return 0.0;
    }
    if (dew <= 1.0) {
        return 1.0;
    }
    // sum z (K - 1) / (1 + beta (K - 1)) falls from bubble - 1 > 0 to 1 - dew < 0.
    auto residual = [&](double beta) {
        double sum = 0.0;
        for (std::size_t i = 0; i < z.size(); ++i) {
            sum += z[i] * (k[i] - 1.0) / (1.0 + beta * (k[i] - 1.0));
        }
        return sum;
    };
    double low = 0.0;
    double high = 1.0;
    for (int iteration = 0; iteration < 200; ++iteration) {
        const double middle = low + (high - low) / 2.0;
        if (middle <= low || middle >= high) {
            break;
        }
        const double value = residual(middle);
        if (value == 0.0) {
            return middle;
        }
        (value > 0.0 ? low : high) = middle;
    }
    return low + (high - low) / 2.0;
}

}  // namespace brixel::host::thermo
