#pragma once

// The substitute host's databank: a few real substances with their public constants.
// Every correlation names its source beside its constants in databank.cpp. Units: K, Pa, J,
// kmol, kg, m3.

#include <string_view>

namespace brixel::host::databank {

// DIPPR equation 101: ln(P / Pa) = a + b / T + c ln T + d T^e.
struct VapourPressure101 {
    double a, b, c, d, e;
};

// DIPPR equation 107 (Aly and Lee), J/(kmol K):
// Cp = c1 + c2 [(c3 / T) / sinh(c3 / T)]^2 + c4 [(c5 / T) / cosh(c5 / T)]^2.
struct IdealGasCp107 {
    double c1, c2, c3, c4, c5;
};

// DIPPR equation 106, J/kmol: dHv = c1 (1 - Tr)^(c2 + c3 Tr + c4 Tr^2), Tr = T / tc.
struct Vaporization106 {
    double c1, c2, c3, c4, tc;
};

// DIPPR equation 105, kmol/m3: rho = c1 / c2^(1 + (1 - T / c3)^c4).
struct LiquidDensity105 {
    double c1, c2, c3, c4;
};

// Kelley's form, J/(kmol K): Cp = a + b T + c / T^2, fitted on [tMin, tMax]; outside that range
// the host holds Cp at the value of the nearer end.
struct SolidCp {
    double a, b, c, tMin, tMax;
};

struct Fluid {
    double criticalTemperature;  // K
    double criticalPressure;     // Pa
    double meltingPoint;         // K
    VapourPressure101 vapourPressure;
    IdealGasCp107 idealGasCp;
    Vaporization106 vaporization;
    LiquidDensity105 liquidDensity;
};

struct Solid {
    double density;  // kg/m3
    SolidCp cp;      // per kmol; per kg for a non-conventional solid (its "kmol" is 1 kg)
};

struct Substance {
    std::string_view id;       // component ID, at most 8 characters
    std::string_view formula;  // "FRMULA", at most 12 characters
    std::string_view cas;
    double molecularWeight;  // kg/kmol
    double boilingPoint;     // K at 101325 Pa; the real missing value when there is none
    const Fluid* fluid;      // null for a solid
    const Solid* solid;      // null for a fluid
};

struct NonconventionalSubstance {
    std::string_view id;
    Solid solid;       // constant heat capacity in J/(kg K)
    bool hasMoisture;  // carries a moisture attribute (mass % wet basis)
};

// Null when the databank does not know the ID (exact, upper case).
const Substance* FindSubstance(std::string_view id);
const NonconventionalSubstance* FindNonconventional(std::string_view id);

}  // namespace brixel::host::databank
