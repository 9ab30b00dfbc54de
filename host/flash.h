#pragma once

// The substitute host's flash: brings the listed substreams of one stream vector to one
// temperature and pressure in ideal phase equilibrium (thermo.h).
//
// - The MIXED substream splits into vapour and liquid by Raoult's law (K = Psat(T) / P,
//   Rachford-Rice). Its volatile components are those with vapour-pressure data; conventional
//   solids in it stay solid. At most one listed MIXED substream may hold fluid.
// - CISOLID and NC substreams are inert condensed phases at the same temperature (a fluid in a
//   CISOLID substream, such as moisture, counts as pure liquid that does not evaporate).
// - Energy balances include every listed substream. The inlet enthalpy flow of a substream is
//   its mass flow (sum of F_i MW_i) times its stored specific enthalpy, or, when that is not
//   given, the enthalpy at its own stored temperature and pressure.
// - T (PQ, PV) or P (TQ, TV) is found by bisection to full precision inside the flash limits;
//   the tolerance and iteration limit the caller passes are not needed.
// - Vapour and liquid fractions are mole fractions of each substream's total flow; CISOLID
//   and NC substreams get 0 and 0. A substream without flow only takes T and P. A vapour
//   fraction specification (PV, TV) is that of the MIXED substream as written, solids in it
//   included.
// - TQ starts from the pressure spec3 (missing: the stream's) and keeps it when the duty is met
//   there; TV needs none.

#include <cstdint>
#include <optional>
#include <vector>

#include "host/databank.h"

namespace brixel::host {

// Status of the host's flash and mixer; negative: refused, the streams untouched.
namespace flash_status {
constexpr int64_t kOk = 0;
constexpr int64_t kRefused = -1;         // on request (SetRefuseFlash), or no host
constexpr int64_t kBadInput = -2;        // vector, substream list, kode, flows, specs or state
constexpr int64_t kOutOfLimits = -3;     // no state inside the flash limits meets the request
constexpr int64_t kNotConverged = -4;    // the energy balance could not be closed
constexpr int64_t kNoData = -5;          // a component with flow lacks the data needed
constexpr int64_t kNothingToFlash = -6;  // the listed substreams carry no flow
}  // namespace flash_status

// What the flash knows of one component; a component with neither fluid nor solid data cannot
// be flashed.
struct ComponentModel {
    double molecularWeight = 0.0;  // kg/kmol; 1 for non-conventional components
    const databank::Fluid* fluid = nullptr;
    const databank::Solid* solid = nullptr;
};

struct SubstreamSlice {
    int64_t type = 0;  // 1 MIXED, 2 CISOLID, 3 NC
    double* start = nullptr;
    const std::vector<ComponentModel>* models = nullptr;  // one per component flow
};

struct FlashLimits {
    double tLow, tHigh, pLow, pHigh;  // effective limits, K and Pa
};

// Liquid and vapour of the MIXED substream: its volatile components with flow, in order.
struct PhaseSplit {
    std::vector<int64_t> components;  // 1-based component numbers
    std::vector<double> x, y;         // mole fractions, each summing to 1
    double beta = 0.0;                // vapour share of the fluid
};

class Flash {
  public:
    Flash(std::vector<SubstreamSlice> substreams, FlashLimits limits);

    // Status of the input checks: flows, data of components with flow, a state to start from.
    int64_t Status() const { return m_status; }

    // kode 1 PQ, 2 TP, 3 PV, 4 TQ, 5 TV; a pressure <= 0 is a drop from the stream's pressure.
    int64_t Run(int64_t kode, double spec1, double spec2, double spec3);
    // PQ flash to a given total enthalpy flow (W) at pressure p.
    int64_t ToEnthalpyFlow(double p, double enthalpyFlow);
    // Sum of the substreams' inlet enthalpy flows (W); nullopt when a state is unknown.
    std::optional<double> InletEnthalpyFlow() const;

    const PhaseSplit& Split() const { return m_split; }
    // Index (among the slices) of the MIXED substream holding fluid, -1 when none.
    int MixedSlice() const { return m_mixed; }

  private:
    struct SliceData {
        SubstreamSlice slice;
        std::vector<double> flows;
        double total = 0.0;  // kmol/s, sum of the component flows
        double mass = 0.0;   // kg/s
    };
    struct SliceState {
        double enthalpy = 0.0;  // W
        double entropy = 0.0;   // W/K
        double volume = 0.0;    // m3/s
        double vapourFraction = 0.0;
        double liquidFraction = 0.0;
    };

    int64_t Check();
    std::optional<double> StreamPressure() const;
    std::optional<double> ResolvePressure(double spec) const;
    bool TemperatureInLimits(double t) const;
    bool PressureInLimits(double p) const;

    std::vector<double> KValues(double t, double p) const;
    PhaseSplit SplitAt(double t, double p, std::optional<double> beta) const;
    SliceState Evaluate(const SliceData& data, double t, double p, const PhaseSplit* split) const;
    double EnthalpyFlow(double t, double p, std::optional<double> beta) const;
    // Sum z (K - 1) / (1 + V (K - 1)): zero where the fluid's vapour share is V.
    double VapourShareResidual(double t, double p, double share) const;
    double EnergyTolerance(double target) const;

    int64_t SolvePQ(double p, double target);
    int64_t SolvePV(double p, double share);
    int64_t SolveTQ(double t, double p0, double target);
    int64_t SolveTV(double t, double share);
    std::optional<double> FluidShare(double vapourFraction) const;
    int64_t Finish(double t, double p, std::optional<double> beta);

    std::vector<SliceData> m_slices;
    FlashLimits m_limits;
    int m_mixed = -1;
    std::vector<std::size_t> m_volatile;  // component indices of the fluid in the MIXED slice
    std::vector<double> m_z;              // their mole fractions
    double m_fluidFlow = 0.0;             // kmol/s of fluid in the MIXED slice
    PhaseSplit m_split;
    int64_t m_status = flash_status::kOk;
};

}  // namespace brixel::host
