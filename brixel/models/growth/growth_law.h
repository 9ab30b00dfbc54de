#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Growth laws at constant particle number, free of any stream: a PSD of one substream in,
// the per-class size and mass changes and the movement matrix (inlet class to outlet class)
// out. CAdjustSizeConstantNumber feeds them from the streams.
namespace brixel::growth {

enum class Law {
    kDiameter,  // every particle grows by the same diameter increment
    kVolume,    // every particle grows by the same volume increment
};

// Method 1-4: the diameter or volume law; 2 and 4 weight the moved mass by the class's new
// mass. 5-7: equivalent growth by mass, surface or number share.
constexpr int kMethodDiameter = 1;
constexpr int kMethodDiameterWeighted = 2;
constexpr int kMethodVolume = 3;
constexpr int kMethodVolumeWeighted = 4;
constexpr int kMethodMassShare = 5;
constexpr int kMethodSurfaceShare = 6;
constexpr int kMethodNumberShare = 7;
constexpr int kDefaultMethod = kMethodMassShare;

inline bool IsIncrementMethod(int method) {
    return method < kMethodMassShare;
}
inline bool IsEquivalentMethod(int method) {
    return method >= kMethodMassShare && method <= kMethodNumberShare;
}
inline bool WeightsByNewMass(int method) {
    return method == kMethodDiameterWeighted || method == kMethodVolumeWeighted;
}
inline Law LawOf(int method) {
    return method == kMethodVolume || method == kMethodVolumeWeighted ? Law::kVolume
                                                                      : Law::kDiameter;
}

// One substream's solids: N + 1 increasing boundaries (m), N mass fractions, mass flows
// (kg/s) and solid densities (kg/m3) at inlet and outlet.
struct GrowthInput {
    std::vector<double> mesh;
    std::vector<double> fractions;
    double massIn = 0.0;
    double massOut = 0.0;
    double densityIn = 0.0;
    double densityOut = 0.0;
    double negligible = 0.0;  // mass changes (kg/s) and shifts (m) this small count as none
};

// Per class i: mean size d_i (m), mass m_i = M_in q_i (kg/s) and particle number flow
// n_i = m_i / (rho_in pi/6 d_i^3) (1/s).
struct ClassState {
    std::vector<double> mean;
    std::vector<double> mass;
    std::vector<double> number;
    double totalNumber = 0.0;
};

// False for a mesh that is not N + 1 finite, non-negative, strictly increasing boundaries
// with N fractions.
bool UsableMesh(const std::vector<double>& mesh, const std::vector<double>& fractions);
ClassState DescribeClasses(const GrowthInput& input);

// Total mass change (kg/s) of every class growing by `increment` (m for the diameter law,
// m3 per particle for the volume law); per-class changes in `changes`. A class whose size
// would not stay positive dissolves and loses its whole mass. The total never falls below
// -massIn.
double DissolvedMass(Law law, double increment, double massIn, double density,
                     const std::vector<double>& numbers, const std::vector<double>& means,
                     const std::vector<double>& masses, std::vector<double>& changes);

// Diameter change of a class of mean size `mean` under the law's increment; -mean or less
// when the class dissolves.
double SizeChange(Law law, double increment, double mean);

// The increment search's control block, in the order the growth model builds it: 0; a
// scale (volume law: the mean increment dV0 for growth, minus the largest occupied
// particle volume for dissolution; diameter law: (6/pi |dM| / rho_in)^(1/3)); a step
// (volume law: the smallest class's particle volume; diameter law: a hundredth of the
// scale); the target dM; the tolerance 1e-4 dM (dissolving: -1e-4 min(|dM|, M_out)); 0; nine
// words of 1.0.
enum GrowthBlockWord : std::size_t {
    kBlockZero = 0,
    kBlockScale = 1,
    kBlockStep = 2,
    kBlockTarget = 3,
    kBlockTolerance = 4,
    kBlockReserved = 5,
    kBlockFirstWork = 6,
};
constexpr std::size_t kControlWords = 15;
using ControlBlock = std::array<double, kControlWords>;

ControlBlock GrowthControlBlock(Law law, const ClassState& classes, double massIn, double massOut,
                                double densityIn);

// The host root finder's state (words: 0 lower bound, 1 upper bound, 2 step, 3 tolerance on
// |f|, 4 and 5 zero, 6-14 work) from the growth block and the search interval. The growth
// block's tolerance is negative when the mass falls; the finder takes its magnitude.
ControlBlock HostRootState(const ControlBlock& growth, double lower, double upper);

// The search interval of the increment that is sure to hold the root: growth from 0 to the
// increment that the smallest gain per particle would need; dissolution from the increment
// that dissolves every occupied class up to 0.
struct SearchInterval {
    double lower = 0.0;
    double upper = 0.0;
    double start = 0.0;
};
SearchInterval IncrementInterval(Law law, const ClassState& classes, const ControlBlock& growth,
                                 double densityIn);

constexpr int64_t kIncrementIterations = 100;

// The increment and how its search ended.
struct IncrementSearch {
    bool found = false;
    double increment = 0.0;
    double massChange = 0.0;  // the law's total at the increment, kg/s
    int64_t evaluations = 0;
    int64_t finderStatus = 0;  // the host finder's last status
};
// Drives the host root finder on the law's total mass change against the block's target.
IncrementSearch SearchIncrement(Law law, const ClassState& classes, const GrowthInput& input,
                                int64_t maxIterations = kIncrementIterations);

// Boundary events while a shifted class is spread over the mesh.
struct SpreadEvents {
    bool overhangsTop = false;  // reaches past the last boundary, partly inside
    bool aboveTop = false;      // wholly above the last boundary
    bool belowBottom = false;   // wholly below the first boundary
};

// Row i of the movement matrix for class i shifted by `shift` and carrying relative mass
// `relative`: element j of `row` (N values, zeroed first). Events only for classes of mass
// fraction above 1e-4.
void SpreadClass(const std::vector<double>& mesh, std::size_t i, double shift, double relative,
                 double fraction, double* row, SpreadEvents& events);

// The result of a growth law on one substream.
struct GrowthPlan {
    bool ok = false;
    double increment = 0.0;          // m or m3; equivalent growth: 0
    std::vector<double> sizeChange;  // before the density correction, m
    std::vector<double> massChange;  // kg/s
    std::vector<double> newMass;     // m_i + dm_i, kg/s (0: dissolved)
    std::vector<double> newSize;     // mean size after growth and density change, m
    std::vector<double> relative;    // r_i
    std::vector<double> shift;       // delta_i, m
    std::vector<double> matrix;      // N x N, row i (inlet class) at i N ... i N + N - 1
    double rowScale = 1.0;           // sum r_i q_i before the rows were rescaled
    SpreadEvents events;
    IncrementSearch search;
};

// The diameter and volume laws (methods 1-4). Not ok when the increment search fails or
// nothing would remain of the solids.
GrowthPlan IncrementGrowth(int method, const GrowthInput& input,
                           int64_t maxIterations = kIncrementIterations);
// Equivalent growth (methods 5-7). Not ok when nothing would remain of the solids.
GrowthPlan EquivalentGrowth(int method, const GrowthInput& input);

}  // namespace brixel::growth
