#include "host/transport_data.h"

#include <array>

namespace brixel::host::transport {

namespace {

// Sources:
// [S] Svehla, NASA TR R-132 (1962), as tabulated in Poling, Prausnitz, O'Connell, "The
//     Properties of Gases and Liquids", 5th ed., appendix B: Lennard-Jones parameters.
// [F] Fuller, Schettler, Giddings (1966, 1969), Poling et al. table 11-1: diffusion volumes;
//     ethanol from the atomic increments C 15.9, H 2.31, O 6.11.
// [D] Perry's Chemical Engineers' Handbook (7th ed.), tables of DIPPR correlations: liquid
//     viscosity (equation 101), liquid thermal conductivity (100), surface tension (106, 100).
// [D] also: vapour viscosity and thermal conductivity of water (equation 102); the modified
//     Eucken factor would put water vapour's conductivity some 40 % high.
// [V] Vogel equation for water with a = 2.414e-5 Pa s, b = 247.8 K, c = 140 K (within 2.5 %
//     from 0 to 370 C); the DIPPR fit is less close near ambient temperature.
// [I] Incropera, DeWitt, "Fundamentals of Heat and Mass Transfer", table A.2, 300 K.
// [H] Clauser, Huenges, "Thermal conductivity of rocks and minerals" (AGU, 1995): mean values
//     of the minerals at room temperature.
// [T] Touloukian et al., "Thermophysical Properties of Matter", vol. 2 (TPRC): rock salt near
//     300 K.
// Argon and carbon dioxide have no surface-tension data here.

using Form = LiquidViscosity::Form;

struct FluidEntry {
    std::string_view id;
    FluidTransport data;
};

// Each fluid: [S], [F], liquid viscosity [D] (water [V]), liquid thermal conductivity [D],
// surface tension [D], and for water the vapour fits [D].
const std::array<FluidEntry, 6> kFluids{{
    {"WATER",
     {{2.641, 809.1},
      13.1,
      {Form::kVogel, 2.414e-5, 247.8, 140.0, 0.0, 0.0, 273.15, 643.15},
      {-0.432, 0.0057255, -8.078e-6, 1.861e-9, 273.16, 633.15},
      SurfaceTensionCorrelation{106, 0.18548, 2.717, -3.554, 2.047, 647.13, 0.0, 0.0},
      PolarVapour{{1.7096e-8, 1.1146, 0.0, 0.0, 273.16, 1073.15},
                  {6.2041e-6, 1.3973, 0.0, 0.0, 273.16, 1073.15}}}},
    {"N2",
     {{3.798, 71.4},
      18.5,
      {Form::kDippr101, 16.004, -181.61, -5.1551, 0.0, 0.0, 63.15, 124.0},
      {0.2654, -0.001677, 0.0, 0.0, 63.15, 124.0},
      SurfaceTensionCorrelation{106, 0.02898, 1.2485, 0.0, 0.0, 126.2, 0.0, 0.0},
      std::nullopt}},
    {"O2",
     {{3.467, 106.7},
      16.3,
      {Form::kDippr101, -4.1476, 94.04, -1.207, 0.0, 0.0, 54.36, 150.0},
      {0.2741, -0.00138, 0.0, 0.0, 60.0, 150.0},
      SurfaceTensionCorrelation{106, 0.038066, 1.2136, 0.0, 0.0, 154.58, 0.0, 0.0},
      std::nullopt}},
    {"AR",
     {{3.542, 93.3},
      16.2,
      {Form::kDippr101, -8.8685, 204.29, -0.38305, -1.294e-22, 10.0, 83.78, 150.0},
      {0.1819, -0.0003176, -4.11e-6, 0.0, 85.0, 150.0},
      std::nullopt,
      std::nullopt}},
    {"CO2",
     {{3.941, 195.2},
      26.9,
      {Form::kDippr101, 18.775, -402.92, -4.6854, -6.9171e-26, 10.0, 216.58, 303.15},
      {0.4406, -0.0012175, 0.0, 0.0, 216.58, 300.0},
      std::nullopt,
      std::nullopt}},
    {"ETHANOL",
     {{4.530, 362.6},
      2 * 15.9 + 6 * 2.31 + 6.11,
      {Form::kDippr101, 7.875, 781.98, -3.0418, 0.0, 0.0, 200.0, 440.0},
      {0.2468, -0.000264, 0.0, 0.0, 159.05, 353.15},
      SurfaceTensionCorrelation{100, 0.03764, -2.157e-5, -1.025e-7, 0.0, 0.0, 273.15, 503.15},
      std::nullopt}},
}};

struct SolidEntry {
    std::string_view id;
    double conductivity;  // W/(m K)
};

constexpr std::array<SolidEntry, 4> kSolids{{
    {"SIO2", 7.69},   // [H] alpha-quartz
    {"CACO3", 3.59},  // [H] calcite
    {"AL2O3", 36.0},  // [I] polycrystalline aluminium oxide
    {"NACL", 6.5},    // [T]
}};

}  // namespace

const FluidTransport* FindFluid(std::string_view id) {
    for (const FluidEntry& entry : kFluids) {
        if (entry.id == id) {
            return &entry.data;
        }
    }
    return nullptr;
}

std::optional<double> SolidConductivity(std::string_view id) {
    for (const SolidEntry& entry : kSolids) {
        if (entry.id == id) {
            return entry.conductivity;
        }
    }
    return std::nullopt;
}

}  // namespace brixel::host::transport
