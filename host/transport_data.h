#pragma once

// Transport-property constants of the databank's substances (host/databank.h), by component
// ID. The sources are named beside the constants in transport_data.cpp. Units: K, Pa, J, kmol,
// kg, m, s.

#include <optional>
#include <string_view>

namespace brixel::host::transport {

// Lennard-Jones 12-6 potential: collision diameter and well depth over Boltzmann's constant.
struct LennardJones {
    double sigma;         // Angstrom
    double epsilonOverK;  // K
};

// Liquid viscosity, Pa s, fitted on [tMin, tMax] and held at the end values outside.
// DIPPR equation 101: ln mu = a + b / T + c ln T + d T^e.
// Vogel equation: mu = a 10^(b / (T - c)), a in Pa s, b and c in K (d, e unused).
struct LiquidViscosity {
    enum class Form { kDippr101, kVogel };
    Form form;
    double a, b, c, d, e, tMin, tMax;
};

// DIPPR equation 100 for the liquid thermal conductivity, W/(m K): c1 + c2 T + c3 T^2 + c4 T^3,
// fitted on [tMin, tMax]; outside, the value at the nearer end.
struct LiquidConductivity100 {
    double c1, c2, c3, c4, tMin, tMax;
};

// Surface tension, N/m. Equation 106: c1 (1 - Tr)^(c2 + c3 Tr + c4 Tr^2), Tr = T / tc, 0 at and
// above tc. Equation 100: c1 + c2 T + c3 T^2 + c4 T^3 on [tMin, tMax], held at the end values.
struct SurfaceTensionCorrelation {
    int equation;  // 100 or 106
    double c1, c2, c3, c4;
    double tc;          // equation 106
    double tMin, tMax;  // equation 100
};

// DIPPR equation 102 for a dilute-gas property: c1 T^c2 / (1 + c3 / T + c4 / T^2), fitted on
// [tMin, tMax] and held at the end values outside.
struct Vapour102 {
    double c1, c2, c3, c4, tMin, tMax;
};

// A polar vapour takes its viscosity and thermal conductivity from fitted correlations where
// the kinetic theory (Chapman-Enskog, Eucken) misses by far.
struct PolarVapour {
    Vapour102 viscosity;     // Pa s
    Vapour102 conductivity;  // W/(m K)
};

struct FluidTransport {
    LennardJones lennardJones;
    double diffusionVolume;  // Fuller's atomic diffusion volume of the molecule
    LiquidViscosity liquidViscosity;
    LiquidConductivity100 liquidConductivity;
    std::optional<SurfaceTensionCorrelation> surfaceTension;  // none: not known here
    std::optional<PolarVapour> polarVapour;
};

// Null when the ID has no fluid transport data.
const FluidTransport* FindFluid(std::string_view id);
// W/(m K) near 300 K; nullopt when the ID has no solid conductivity.
std::optional<double> SolidConductivity(std::string_view id);

}  // namespace brixel::host::transport
