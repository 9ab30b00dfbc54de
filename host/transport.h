#pragma once

// Transport-property correlations of the substitute host and their mixing rules. Units: K, Pa,
// J, kmol, kg, m, s; molecular weights in kg/kmol. Mole fractions passed in sum to 1.

#include <vector>

#include "host/transport_data.h"

namespace brixel::host::transport {

// Dilute-gas viscosity, Pa s: Chapman-Enskog with the collision integral of Neufeld, Janzen and
// Aziz (1972). Within a few per cent for non-polar gases; polar vapours less closely.
double GasViscosity(const LennardJones& potential, double molecularWeight, double t);

// Dilute-gas thermal conductivity, W/(m K), modified Eucken: lambda M / (mu Cv) = 1.32 +
// 1.77 R / Cv, from the ideal-gas heat capacity cp (J/(kmol K)).
double GasConductivity(double viscosity, double cp, double molecularWeight);

// Wilke's mixing rule for gas viscosities; with the viscosities as `values` it gives the
// mixture viscosity, with thermal conductivities the Wassiljewa equation with the
// Mason-Saxena coefficients (epsilon = 1), which take the Wilke factors of the viscosities.
double WilkeMixture(const std::vector<double>& y, const std::vector<double>& values,
                    const std::vector<double>& viscosities,
                    const std::vector<double>& molecularWeights);

double Vapour102Of(const Vapour102& correlation, double t);
double LiquidViscosityOf(const LiquidViscosity& correlation, double t);           // Pa s
double LiquidConductivityOf(const LiquidConductivity100& correlation, double t);  // W/(m K)
double SurfaceTensionOf(const SurfaceTensionCorrelation& correlation, double t);  // N/m

// Binary diffusion coefficient in a gas at low pressure, m2/s, by Fuller, Schettler and
// Giddings (Poling et al., equation 11-4.4) from the diffusion volumes.
double FullerDiffusivity(double t, double p, double molecularWeightA, double molecularWeightB,
                         double volumeA, double volumeB);

}  // namespace brixel::host::transport
