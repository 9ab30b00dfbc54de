#include "host/databank.h"

#include <array>

#include "host/substitute_host.h"

namespace brixel::host::databank {

namespace {

// Sources:
// [P] Poling, Prausnitz, O'Connell, "The Properties of Gases and Liquids", 5th ed., appendix A:
//     molecular weight, normal boiling and melting point, critical temperature and pressure.
// [D] Perry's Chemical Engineers' Handbook (7th ed.), physical-property tables of DIPPR
//     correlations: vapour pressure (equation 101), liquid density (105), heat of
//     vaporization (106) and ideal-gas heat capacity (107); constants as tabulated there.
// [K] Perry's Chemical Engineers' Handbook, table of heat capacities of inorganic compounds
//     (Kelley's equations, cal/(mol K), converted here with 4184 J/(kmol K) per cal/(mol K)).
// [C] CRC Handbook of Chemistry and Physics, physical constants of inorganic compounds:
//     densities at 25 C, melting and boiling points of the solids.

constexpr double kBar = 1e5;            // Pa
constexpr double kCalPerMolK = 4184.0;  // J/(kmol K)
constexpr double kNoBoilingPoint = kRealMissing;

SolidCp Kelley(double a, double b, double c, double tMin, double tMax) {
    return {a * kCalPerMolK, b * kCalPerMolK, c * kCalPerMolK, tMin, tMax};
}

// Each fluid: critical temperature, critical pressure and melting point [P], then the
// constants of equations 101, 107, 106 and 105 [D] with the range each was fitted on.
const Fluid kWater{647.14,
                   220.64 * kBar,
                   273.15,                                        // [P]
                   {73.649, -7258.2, -7.3037, 4.1653e-6, 2.0},    // [D] 273.16-647.1 K
                   {33363.0, 26790.0, 2610.5, 8896.0, 1169.0},    // [D] 100-2273 K
                   {5.2053e7, 0.3199, -0.212, 0.25795, 647.096},  // [D] 273.16-647.1 K
                   {5.459, 0.30542, 647.13, 0.081}};              // [D] 273.16-647.1 K
const Fluid kNitrogen{126.20,
                      33.98 * kBar,
                      63.15,                                        // [P]
                      {58.282, -1084.1, -8.3144, 0.044127, 1.0},    // [D] 63.15-126.2 K
                      {29105.0, 8614.9, 1701.6, 103.47, 909.79},    // [D] 50-1500 K
                      {7.4905e6, 0.40406, -0.317, 0.27343, 126.2},  // [D] 63.15-126.2 K
                      {3.2091, 0.2861, 126.2, 0.2966}};             // [D] 63.15-126.2 K
const Fluid kOxygen{154.58,
                    50.43 * kBar,
                    54.36,                                       // [P]
                    {51.245, -1200.2, -6.4361, 0.028405, 1.0},   // [D] 54.36-154.58 K
                    {29103.0, 10040.0, 2526.5, 9356.0, 1153.8},  // [D] 50-1500 K
                    {9.008e6, 0.4542, -0.4096, 0.3183, 154.58},  // [D] 54.36-154.58 K
                    {3.9143, 0.28772, 154.58, 0.2924}};          // [D] 54.35-154.58 K
const Fluid kArgon{150.86,
                   48.98 * kBar,
                   83.80,                                       // [P]
                   {42.127, -1093.1, -4.1425, 5.7254e-5, 2.0},  // [D] 83.78-150.86 K
                   {20786.0, 0.0, 0.0, 0.0, 0.0},               // [D] monatomic: 5/2 R
                   {8.731e6, 0.3526, 0.0, 0.0, 150.86},         // [D] 83.78-150.86 K
                   {3.8469, 0.2881, 150.86, 0.29783}};          // [D] 83.78-150.86 K
const Fluid kCarbonDioxide{304.12,
                           73.74 * kBar,
                           216.58,  // [P] melting point: triple point
                           {140.54, -4735.0, -21.268, 0.040909, 1.0},   // [D] 216.58-304.21 K
                           {29370.0, 34540.0, 1428.0, 26400.0, 588.0},  // [D] 50-5000 K
                           {2.173e7, 0.382, -0.4339, 0.42213, 304.21},  // [D] 216.58-304.21 K
                           {2.768, 0.26212, 304.21, 0.2908}};           // [D] 216.58-304.21 K
const Fluid kEthanol{513.92,
                     61.48 * kBar,
                     159.05,                                       // [P]
                     {74.475, -7164.3, -7.327, 3.134e-6, 2.0},     // [D] 159.05-514 K
                     {49200.0, 145770.0, 1662.8, 93900.0, 744.7},  // [D] 200-1500 K
                     {5.69e7, 0.3359, 0.0, 0.0, 513.92},           // [D] 159.05-513.92 K
                     {1.648, 0.27627, 513.92, 0.2331}};            // [D] 159.05-513.92 K

const Solid kQuartz{2648.0, Kelley(10.87, 0.008712, -241200.0, 273.0, 848.0)};     // [C], [K]
const Solid kCalcite{2710.0, Kelley(19.68, 0.01189, -307600.0, 273.0, 1033.0)};    // [C], [K]
const Solid kCorundum{3987.0, Kelley(22.08, 0.008971, -522500.0, 273.0, 1973.0)};  // [C], [K]
const Solid kHalite{2165.0, Kelley(10.79, 0.00420, 0.0, 273.0, 1074.0)};           // [C], [K]

// Molecular weights and boiling points: [P] for the fluids, [C] for the solids. Carbon dioxide
// sublimes at 194.67 K under 101325 Pa; calcium carbonate decomposes before it boils.
constexpr std::array<Substance, 10> kSubstances{{
    {"WATER", "H2O", "7732-18-5", 18.015, 373.15, &kWater, nullptr},
    {"N2", "N2", "7727-37-9", 28.014, 77.35, &kNitrogen, nullptr},
    {"O2", "O2", "7782-44-7", 31.999, 90.17, &kOxygen, nullptr},
    {"AR", "AR", "7440-37-1", 39.948, 87.27, &kArgon, nullptr},
    {"CO2", "CO2", "124-38-9", 44.010, 194.67, &kCarbonDioxide, nullptr},
    {"ETHANOL", "C2H6O", "64-17-5", 46.069, 351.44, &kEthanol, nullptr},
    {"SIO2", "SIO2", "7631-86-9", 60.084, 3223.0, nullptr, &kQuartz},
    {"CACO3", "CACO3", "471-34-1", 100.087, kNoBoilingPoint, nullptr, &kCalcite},
    {"AL2O3", "AL2O3", "1344-28-1", 101.961, 3250.0, nullptr, &kCorundum},
    {"NACL", "NACL", "7647-14-5", 58.443, 1738.0, nullptr, &kHalite},
}};

// Bituminous coal, typical values from the coal section of Perry's handbook: specific heat of
// the dry coal about 1.26 kJ/(kg K) near ambient temperature and a particle density of about
// 1350 kg/m3. Held constant; the moisture does not enter the heat capacity.
const std::array<NonconventionalSubstance, 1> kNonconventional{{
    {"COAL", {1350.0, {1260.0, 0.0, 0.0, 0.0, kRealMissing}}, true},
}};

}  // namespace

const Substance* FindSubstance(std::string_view id) {
    for (const Substance& substance : kSubstances) {
        if (substance.id == id) {
            return &substance;
        }
    }
    return nullptr;
}

const NonconventionalSubstance* FindNonconventional(std::string_view id) {
    for (const NonconventionalSubstance& substance : kNonconventional) {
        if (substance.id == id) {
            return &substance;
        }
    }
    return nullptr;
}

}  // namespace brixel::host::databank
