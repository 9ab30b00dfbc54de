#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/framework/phase_ids.h"
#include "brixel/framework/stream_class.h"

// Stream-vector arithmetic behind the phase-property operations of the unit base: sums,
// specific values on a basis and composition writing, on plain substream data.
namespace brixel {

// Property ids of the property vocabulary.
constexpr int kPropertyTotalFlow = 0;
constexpr int kPropertyTemperature = 1;
constexpr int kPropertyPressure = 2;
constexpr int kPropertyEnthalpy = 3;
constexpr int kPropertyEntropy = 4;
constexpr int kPropertyFlow = 5;
constexpr int kPropertyFraction = 6;
constexpr int kPropertyDensity = 7;
constexpr int kPropertyPhaseFraction = 8;
constexpr int kPropertyViscosity = 9;
constexpr int kPropertyHeatCapacity = 10;
constexpr int kPropertyDiffusionCoefficient = 11;
constexpr int kPropertyComponentDiffusivity = 12;  // no name: array form only
constexpr int kPropertyThermalConductivity = 13;
constexpr int kPropertySurfaceTension = 14;
constexpr int kPropertySpeedOfSound = 15;

constexpr int kBasisMass = 0;
constexpr int kBasisMole = 1;
constexpr int kBasisTotal = 2;

// One substream of a stream vector: its component flows (kmol/s) and the state block after
// them (entries at brixel::stream_vector positions).
struct SubstreamSlice {
    double* flows = nullptr;
    int64_t count = 0;  // component flows: NNCC for an NC substream, NCC otherwise
    int64_t type = 0;   // 1 MIXED, 2 CISOLID, 3 NC
    double* state = nullptr;
};

std::vector<SubstreamSlice> SliceStream(const StreamClassView& view, double* vector);

// A phase fraction inside this range makes the mixed substream two-phase for that phase.
bool IsTwoPhaseFraction(double fraction);

// Sum of the substreams' total flows: kmol/s (mole, total basis) or kg/s (mass basis, times the
// stored molecular weight). Substreams whose needed entries are missing are skipped.
double OverallTotalFlow(const std::vector<SubstreamSlice>& substreams, int basis, double missing);

// Specific enthalpy or entropy (state entry `entry`, J/kg or J/(kg K)) of the whole stream,
// weighted by mass: W (total basis), J/kg (mass basis) or J/kmol (mole basis); 0 when the
// divisor is 0.
double OverallSpecific(const std::vector<SubstreamSlice>& substreams, int64_t entry, int basis,
                       double missing);

// Stored specific value h (J/kg) of one substream on a basis: J/kg (mass), J/mol (mole) or
// the flow of the share `phaseFraction` of the substream (total, W).
double SubstreamSpecific(double h, double molecularWeight, double flow, double phaseFraction,
                         int basis);

// Specific value to store (J/kg) for a value given on a basis; the inverse of
// SubstreamSpecific with phase fraction 1. 0 where the conversion divides by 0.
double StoredSpecific(double value, double molecularWeight, double flow, int basis);

// Composition written into one substream that carries the amount `amount` (kg/s on mass basis,
// kmol/s otherwise). `w` holds one fraction per component, conventional first, then the NC
// ones; `weights` the conventional molecular weights (kg/kmol). Component flows, total flow
// and molecular weight of the substream are rewritten; the old flows are returned.
std::vector<double> WriteComposition(const SubstreamSlice& substream, const std::vector<double>& w,
                                     const std::vector<double>& weights, double amount, int basis);

}  // namespace brixel
