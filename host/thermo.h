#pragma once

// Ideal thermodynamics of the substitute host, per pure component. Units: K, Pa, J, kmol, m3.
//
// One reference state for the enthalpy of every fluid: the ideal gas at 298.15 K is 0.
// A liquid lies below it by the heat of vaporization, h_L = h_ig(T) - dHv(T) (dHv is 0 above
// the critical temperature). A solid's enthalpy is the integral of its heat capacity from
// 298.15 K; solids never change phase here, so their own reference closes every balance.
//
// Entropy: 0 for the ideal gas at 298.15 K and 101325 Pa, and for a solid at 298.15 K.
// A pure liquid is the saturated liquid in equilibrium with its vapour:
// s_L = s_ig(T, P0) - R ln(Psat / P0) - dHv / T (the pressure does not act on it). Mixing
// terms (-R ln y_i P / P0 in the gas, -R ln x_i in the liquid) are added by the caller.

#include <vector>

#include "host/databank.h"

namespace brixel::host::thermo {

constexpr double kGasConstant = 8314.462618;  // J/(kmol K)
constexpr double kReferenceTemperature = 298.15;
constexpr double kReferencePressure = 101325.0;

// ln(Psat / Pa). Above the critical temperature the curve goes on as a straight line in 1/T
// with the slope it has there, so that K-values of supercritical gases stay finite and smooth.
double LnVapourPressure(const databank::Fluid& fluid, double t);

double IdealGasHeatCapacity(const databank::Fluid& fluid, double t);  // J/(kmol K)
double IdealGasEnthalpy(const databank::Fluid& fluid, double t);      // J/kmol
double IdealGasEntropy(const databank::Fluid& fluid, double t);       // J/(kmol K), at P0
double HeatOfVaporization(const databank::Fluid& fluid, double t);    // J/kmol
double LiquidEnthalpy(const databank::Fluid& fluid, double t);        // J/kmol
double LiquidEntropy(const databank::Fluid& fluid, double t);         // J/(kmol K), pure
// m3/kmol; above the correlation's critical temperature the value there.
double LiquidMolarVolume(const databank::Fluid& fluid, double t);

double SolidHeatCapacity(const databank::Solid& solid, double t);  // J/(kmol K)
double SolidEnthalpy(const databank::Solid& solid, double t);      // J/kmol
double SolidEntropy(const databank::Solid& solid, double t);       // J/(kmol K)

// Vapour fraction of an ideal mixture with feed mole fractions z and K-values k
// (Rachford-Rice), in [0, 1]: 0 at or below the bubble point, 1 at or above the dew point,
// else the root found by bisection to full precision.
double SolveVapourFraction(const std::vector<double>& z, const std::vector<double>& k);

}  // namespace brixel::host::thermo
