#include "brixel/models/separation/separation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>
#include <utility>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/numerics/solver.h"
#include "brixel/platform/bstr.h"
#include "brixel/platform/variant.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/vocabulary.h"

// The per-class exponentials of the separation function go through the C library's vector exp
// (1 to 4 ulp from the scalar one) where GCC can call it, in the widest form the processor
// runs (picked when the library loads); elsewhere the loop calls the scalar exp.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__GLIBC__)
#define BRIXEL_VECTOR_EXP
extern "C" double exp(double) noexcept __attribute__((__simd__("notinbranch")));
#endif

namespace brixel {
namespace {

namespace rec = records;

constexpr const char* kTag = "SOLSEP";

// From this sharpness on the separation is a step at the cut value.
constexpr double kIdealSharpness = 0.999;
// The cut-value search: relative tolerance, evaluations, and the accepted split residual.
constexpr double kCutTolerance = 1e-4;
constexpr int kCutSteps = 50;
constexpr double kSplitResidual = 1e-4;
// Objective value where the separation function cannot be evaluated.
constexpr double kObjectivePenalty = 100.0;
// Settling velocities at or below this (m/s) are left out of the efficiency curve.
constexpr double kNoVelocity = 1e-20;
// A start value below this is no usable cut value.
constexpr double kSmallestStart = 1e-10;

long ReadFluidFlow(CBrixelBaseUnit& unit, int bead, const char* phase, double& value) {
    return unit.GetSinglePhaseProp(static_cast<int64_t>(bead), CComBSTR("totalFlow"),
                                   CComBSTR(phase), &value, CComBSTR("mass"));
}

long WriteFluidFlow(CBrixelBaseUnit& unit, int bead, const char* phase, double value) {
    return unit.SetSinglePhaseProp(static_cast<int64_t>(bead), CComBSTR("totalFlow"),
                                   CComBSTR(phase), value, CComBSTR("mass"));
}

long WriteSolidFlow(CBrixelBaseUnit& unit, int bead, double value) {
    return unit.SetSinglePhaseProp(static_cast<int64_t>(bead), kPropertyTotalFlow, kPhaseSolid,
                                   value, kBasisMass);
}

// Scales the named fluid phase of a stream by `factor`.
long ScaleFluidFlow(CBrixelBaseUnit& unit, int bead, const char* phase, double factor) {
    double flow = 0.0;
    long status = ReadFluidFlow(unit, bead, phase, flow);
    if (status == kStatusOk) {
        status = WriteFluidFlow(unit, bead, phase, factor * flow);
    }
    return status;
}

long FailureOf(long status) {
    return status < 0 ? status : kStatusFail;
}

}  // namespace
}  // namespace brixel

using brixel::kStatusOk;

CSeparation* CSeparation::m_pcThis = nullptr;

CSeparation::CSeparation(CBrixelBaseUnit* unit, int fluidType)
    : CUnitElement(unit),
      m_nFluidType(fluidType),
      m_dblSolidLoadOfFluid(CBrixelBaseUnit::m_dblRMiss),
      m_dblFluidLoadOfSolid(CBrixelBaseUnit::m_dblRMiss),
      m_dblSolidSplitCalc(CBrixelBaseUnit::m_dblRMiss),
      m_dblD50(CBrixelBaseUnit::m_dblRMiss) {
    if (fluidType != 0) {
        m_strFluidSplitSpec = "mass fraction of fluid to fluid outlet";
        m_strFluidLoadSpec = "fluid load of solid product";
        m_strSolidLoadSpec = "solid load of fluid product";
        m_strFlowSplit2 = m_strSolidLoadSpec;
        m_dblFlowSplit2 = 0.0;
    } else {
        m_strFluidSplitSpec = "mass fraction of vapor to vapor outlet";
        m_strFluidLoadSpec = "vapor load of solid product";
        m_strSolidLoadSpec = "solid load of vapor product";
        m_strFlowSplit2 = m_strFluidSplitSpec;
        m_dblFlowSplit2 = 1.0;
    }
}

// The safe-array members copy deeply.
CSeparation::CSeparation(const CSeparation& other) = default;
CSeparation& CSeparation::operator=(const CSeparation& other) = default;

CSeparation::~CSeparation() {
    if (m_pcThis == this) {
        m_pcThis = nullptr;
    }
}

void CSeparation::Warn(uint32_t code, const CString& first, const CString& second,
                       const CString& tag) {
    m_pUnit->RaiseWarning(code, first, tag, true);
    m_pUnit->RaiseWarning(code, second, tag, false);
    m_pUnit->SetIscpOf(brixel::rec::kStatusOutcome, brixel::rec::kOutcomeWarning);
}

// ---- validation ----

void CSeparation::ValidateData() {
    if (!m_pUnit) {
        return;
    }
    const auto raise = [this](uint32_t code, const CString& text) {
        m_pUnit->RaiseValidationError(code, text, brixel::kTag, false);
    };
    const CString& name1 = m_strFlowSplit1;
    const CString& name2 = m_strFlowSplit2;
    const double value1 = m_dblFlowSplit1;
    const double value2 = m_dblFlowSplit2;
    const auto isSplit = [this](const CString& name) {
        return name == kSolidSplitName || name == m_strFluidSplitSpec;
    };
    const auto offsetMessage = [this](double split) {
        CString text;
        text.Format("OFFSET OF FINES (%.6g) MUST BE SMALLER THAN SOLID FLOW SPLIT (%.6g)",
                    m_dblOffset, split);
        return text;
    };

    const bool bothLoads = (name1 == m_strSolidLoadSpec && name2 == m_strFluidLoadSpec) ||
                           (name1 == m_strFluidLoadSpec && name2 == m_strSolidLoadSpec);
    if (name1.IsEmpty() || name2.IsEmpty()) {
        raise(1, "flow split not defined.");
    } else if (bothLoads) {
        raise(1, "flow split undefined. Definition of load of both outlet streams not allowed.");
    } else {
        for (const CString* name : {&name1, &name2}) {
            if (!isSplit(*name) && *name != m_strFluidLoadSpec && *name != m_strSolidLoadSpec) {
                raise(15, *name + " is not a known flow split specification.");
            }
        }
        if (brixel::IsMissing(value1)) {
            raise(2, name1 + " not defined.");
        }
        if (brixel::IsMissing(value2)) {
            raise(3, name2 + " not defined.");
        }
        if (value1 < 0) {
            raise(4, name1 + " must be greater than 0.0");
        }
        if (value2 < 0) {
            raise(5, name2 + " must be greater than 0.0");
        }
        if (isSplit(name1)) {
            if (value1 > 1) {
                raise(6, name1 + " must be smaller than 1.0");
            }
            if (value2 == 0 && name1 == m_strFluidSplitSpec && name2 == m_strFluidLoadSpec) {
                raise(7, name2 + " must not be 0.0");
            }
            if (value1 == 1.0 && name2 == m_strSolidLoadSpec && value2 == 0) {
                raise(8, name2 + " must not be 0.0");
            }
        }
        if (name1 == kSolidSplitName && m_dblOffset > value1) {
            raise(9, offsetMessage(value1));
        }
        if (isSplit(name2)) {
            if (value2 > 1) {
                raise(10, name2 + " must be smaller than 1.0");
            }
            if (value1 == 0 && name2 == kSolidSplitName && name1 == m_strSolidLoadSpec) {
                raise(11, name1 + " must not be 0.0");
            }
        }
        if (name2 == kSolidSplitName && m_dblOffset > value2) {
            raise(12, offsetMessage(value2));
        }
    }
    if (!(m_dblSharpness >= 0)) {
        raise(13, "Separation sharpness must be greater than 0.0");
    }
    if (m_dblSharpness > 1) {
        raise(14, "Separation sharpness must be smaller than 1.0");
    }
    if (!(m_dblOffset >= 0 && m_dblOffset <= 1)) {
        raise(16, "Offset of fines must be between 0.0 and 1.0");
    }
}

// ---- calculation ----

long CSeparation::Calculate(int inlet, int fluidOutlet, int solidOutlet) {
    if (!m_pUnit) {
        return brixel::kStatusInvalidArgument;
    }
    CBrixelBaseUnit& unit = *m_pUnit;
    m_saEfficiencyCurve.Destroy();

    double solids = 0.0;
    double vapor = 0.0;
    double liquid = 0.0;
    long status = unit.GetSinglePhaseProp(static_cast<int64_t>(inlet), brixel::kPropertyTotalFlow,
                                          brixel::kPhaseSolid, &solids, brixel::kBasisMass);
    if (status == kStatusOk) {
        status = brixel::ReadFluidFlow(unit, inlet, "vapor", vapor);
    }
    if (status == kStatusOk) {
        status = brixel::ReadFluidFlow(unit, inlet, "liquid", liquid);
    }
    if (status != kStatusOk) {
        return status;
    }
    for (const double flow : {solids, vapor, liquid}) {
        if (!(flow >= 0.0 && flow < CBrixelBaseUnit::m_dblRMiss)) {
            unit.RaiseCalculationError(26, "INLET FLOWS ARE NOT VALID. BLOCK BYPASSED.",
                                       brixel::kTag, false);
            return brixel::kStatusFail;
        }
    }
    const double fluid = m_nFluidType == 0 ? vapor : liquid;

    if (m_nFluidType != 0 && vapor > CBrixelBaseUnit::m_dblRMin) {
        unit.RaiseWarning(25,
                          "Vapor phase present at inlet. Vapor phase will be copied to liquid "
                          "outlet and otherwise ignored when calculating the liquid/solid flow "
                          "split.",
                          "", false);
        unit.SetIscpOf(brixel::rec::kStatusOutcome, brixel::rec::kOutcomeWarning);
    }

    // Resolved in the fields themselves, so that a failed resolution leaves what it reached.
    status = ResolveSplits(solids, fluid, m_dblSolidSplit, m_dblFluidSplit);
    if (status < 0) {
        return status;
    }
    const double sf = m_dblSolidSplit;
    const double ff = m_dblFluidSplit;
    m_dblSolidSplitCalc = sf;

    if (m_dblSharpness > 0 && solids != 0 && sf > 0 && sf < 1) {
        status = Classify(fluidOutlet, solidOutlet);
        if (status < 0) {
            return status;
        }
    }
    const double s = m_dblSolidSplitCalc;

    // Both outlets hold the inlet; each phase flow is scaled to its share.
    const auto check = [](long result) {
        if (result != kStatusOk) {
            throw result;
        }
    };
    try {
        if (m_nFluidType == 0) {
            // The liquid of a gas/solid separator follows the solids.
            check(brixel::WriteFluidFlow(unit, fluidOutlet, "vapor", ff * vapor));
            check(brixel::ScaleFluidFlow(unit, fluidOutlet, "liquid", 1.0 - s));
            check(brixel::WriteSolidFlow(unit, fluidOutlet, (1.0 - s) * solids));
            check(brixel::WriteFluidFlow(unit, solidOutlet, "vapor", (1.0 - ff) * vapor));
            check(brixel::ScaleFluidFlow(unit, solidOutlet, "liquid", s));
            check(brixel::WriteSolidFlow(unit, solidOutlet, s * solids));
        } else {
            // All inlet vapour leaves with the fluid outlet.
            check(brixel::ScaleFluidFlow(unit, fluidOutlet, "liquid", ff));
            check(brixel::WriteSolidFlow(unit, fluidOutlet, (1.0 - s) * solids));
            check(brixel::ScaleFluidFlow(unit, solidOutlet, "liquid", 1.0 - ff));
            check(brixel::WriteFluidFlow(unit, solidOutlet, "vapor", 0.0));
            check(brixel::WriteSolidFlow(unit, solidOutlet, s * solids));
        }
    } catch (long failure) {
        return failure;
    }

    m_dblSolidLoadOfFluid = CBrixelBaseUnit::m_dblRMiss;
    m_dblFluidLoadOfSolid = CBrixelBaseUnit::m_dblRMiss;
    if (ff * fluid > CBrixelBaseUnit::m_dblRMin) {
        m_dblSolidLoadOfFluid = (1.0 - s) * solids / (ff * fluid);
    }
    if (s * solids > CBrixelBaseUnit::m_dblRMin) {
        m_dblFluidLoadOfSolid = (1.0 - ff) * fluid / (s * solids);
    }
    return kStatusOk;
}

long CSeparation::ResolveSplits(double solids, double fluid, double& sf, double& ff) {
    CBrixelBaseUnit& unit = *m_pUnit;
    const double rMin = CBrixelBaseUnit::m_dblRMin;
    const auto given = [this](const CString& name) {
        return m_strFlowSplit1 == name || m_strFlowSplit2 == name;
    };
    const auto value = [this](const CString& name) {
        return m_strFlowSplit1 == name ? m_dblFlowSplit1 : m_dblFlowSplit2;
    };
    const CString& fluidLoad = m_strFluidLoadSpec;
    const CString& solidLoad = m_strSolidLoadSpec;

    ff = -1.0;
    sf = -1.0;
    if (m_strFluidSplitSpec == m_strFlowSplit1) {
        ff = m_dblFlowSplit1;
    } else if (m_strFluidSplitSpec == m_strFlowSplit2) {
        ff = m_dblFlowSplit2;
    }
    if (m_strFlowSplit1 == kSolidSplitName) {
        sf = m_dblFlowSplit1;
    } else if (m_strFlowSplit2 == kSolidSplitName) {
        sf = m_dblFlowSplit2;
    }
    // An unresolved fluid split counts as 0 (all fluid to the solid outlet), as it does at the
    // end; the -1 marker itself would double the fluid in the load balance.
    const double knownFluidSplit = std::max(ff, 0.0);

    // The two loads fix the two splits by mirror-image rules; only codes and texts differ.
    // A load of this outlet's own flow: split = (1 - other split) * other flow / (load * flow).
    struct OwnLoad {
        int zeroCode;
        const char* mustNot;
        const char* bypassed;
        int clampCode;
        const char* tooSmall;
        const char* minimum;
        int emptyCode;
        const char* empty1;
        const char* empty2;
    };
    const auto fromOwnLoad = [&](const CString& load, const OwnLoad& texts, double otherSplit,
                                 double flow, double otherFlow, double& split) {
        const double w = value(load);
        if (w == 0) {
            unit.RaiseCalculationError(texts.zeroCode, load + texts.mustNot, brixel::kTag, true);
            unit.RaiseCalculationError(texts.zeroCode, texts.bypassed, brixel::kTag, false);
            return false;
        }
        split = (1.0 - otherSplit) * otherFlow / (w * flow);
        if (split > 1) {
            CString first;
            CString second;
            first.Format(texts.tooSmall, load.GetString());
            second.Format(texts.minimum, load.GetString(), (1.0 - otherSplit) * otherFlow / flow);
            Warn(texts.clampCode, first, second, brixel::kTag);
            split = 1.0;
        }
        if (split == 0) {
            if (unit.CheckErrorPrint(brixel::kTag, true, 2, texts.emptyCode)) {
                unit.AddErrorText(1, texts.empty1);
                unit.AddErrorText(2, texts.empty2);
                unit.PrintError(2);
            }
            split = 1.0;
        }
        return true;
    };
    // A load of the other outlet: split = 1 - load * other split * other flow / flow.
    struct OtherLoad {
        int clampCode;
        const char* tooHigh;
        const char* maximum;
    };
    const auto fromOtherLoad = [&](const CString& load, const OtherLoad& texts, double otherSplit,
                                   double flow, double otherFlow, double& split) {
        split = 1.0 - value(load) * otherSplit * otherFlow / flow;
        if (split < 0) {
            CString first;
            CString second;
            first.Format(texts.tooHigh, load.GetString());
            second.Format(texts.maximum, load.GetString(), flow / (otherFlow * otherSplit));
            Warn(texts.clampCode, first, second, brixel::kTag);
            split = 0.0;
        }
    };

    if (sf == -1.0) {
        if (solids == 0) {
            sf = 0.0;
        } else if (given(fluidLoad)) {
            constexpr OwnLoad kTexts{
                16,
                " must not be 0.0 if flow",
                "split of fluid is defined. Block bypassed.",
                15,
                "%s too small for given flow split of fluid",
                "phase. Calculating with minimum %s (%.3g kg/kg)",
                5,
                "ZERO FLUID FLOW SPECIFIED IN SOLID OUTLET. SPECIFIED FLUID LOAD ",
                "OF SOLID OUTLET CANNOT BE MET. ALL SOLID SET TO SOLID OUTLET."};
            if (!fromOwnLoad(fluidLoad, kTexts, knownFluidSplit, solids, fluid, sf)) {
                return brixel::kStatusCapeInvalidArgument;
            }
        } else if (given(solidLoad)) {
            constexpr OtherLoad kTexts{17, "%s too high for given flow split of fluid",
                                       "phase. Calculating with maximum %s (%.3g kg/kg)"};
            fromOtherLoad(solidLoad, kTexts, knownFluidSplit, solids, fluid, sf);
        }
    } else if (solids == 0) {
        sf = 0.0;
    }

    if (ff == -1.0) {
        if (fluid == 0) {
            ff = 0.0;
        } else if (given(fluidLoad)) {
            constexpr OtherLoad kTexts{18, "%s too high for given flow split of solid",
                                       "phase. Calculating with maximum %s (%.3g kg/kg)."};
            fromOtherLoad(fluidLoad, kTexts, sf, fluid, solids, ff);
        } else if (given(solidLoad)) {
            constexpr OwnLoad kTexts{
                20,
                " must not be zero if flow",
                "split of solid is defiend. Block bypassed.",
                19,
                "%s too small for given flow split of solid",
                "phase. Calculating with minimum %s (%.3g kg/kg).",
                4,
                "ZERO SOLID FLOW SPECIFIED IN FLUID OUTLET. SPECIFIED SOLID LOAD ",
                "OF FLUID OUTLET CANNOT BE MET. ALL FLUID SET TO FLUID OUTLET."};
            if (!fromOwnLoad(solidLoad, kTexts, sf, fluid, solids, ff)) {
                return brixel::kStatusCapeInvalidArgument;
            }
        }
    } else if (fluid == 0) {
        ff = 0.0;
    }

    if (solids != 0 && sf >= 0.5 && (1.0 - sf) * solids < rMin) {
        sf = 1.0;
    }
    if (fluid != 0 && ff >= 0.5 && (1.0 - ff) * fluid < rMin) {
        ff = 1.0;
    }
    if (solids != 0 && sf < 0.5 && sf * solids < rMin) {
        sf = 0.0;
    }
    if (fluid != 0 && ff < 0.5 && ff * fluid < rMin) {
        ff = 0.0;
    }
    return kStatusOk;
}

// ---- separation function ----

double CSeparation::CalculateAlpha() {
    const double s = m_dblSharpness;
    return 2.6637959340442 * std::exp(0.9504665299537 * std::pow(s, 1.8002889456193)) -
           4.7441020747193 +
           2.0803061406751 * std::exp(3.101321659413 * std::pow(s, 10.9119070049961)) +
           1e100 * std::pow(s, 10000.0);
}

std::vector<double> CSeparation::ClassValues() const {
    std::vector<double> values;
    if (!m_saClasses.m_psa || m_saClasses.GetDimensions() != 1) {
        return values;
    }
    const auto* cells = static_cast<const VARIANT*>(m_saClasses.m_psa->pvData);
    values.assign(m_saClasses.GetCount(), std::numeric_limits<double>::quiet_NaN());
    for (std::size_t i = 0; i < values.size(); ++i) {
        brixel::VariantNumber(cells[i], values[i]);
    }
    return values;
}

brixel::SeparationClasses& CSeparation::Classes() {
    brixel::SeparationClasses& c = m_cClasses;
    if (m_bClassesReady) {
        return c;
    }
    c.values = ClassValues();
    const std::size_t n = m_saFractions.GetCount();
    c.fractions.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        c.fractions[i] = m_saFractions[i];
    }
    const bool bySize = ClassifiesBySize();
    c.representative.assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        if (bySize && i + 1 < c.values.size()) {
            c.representative[i] = 0.5 * (c.values[i] + c.values[i + 1]);
        } else if (!bySize && i < c.values.size()) {
            c.representative[i] = c.values[i];
        }
    }
    c.separation.resize(n);
    c.largest = 0.0;
    if (!c.values.empty()) {
        // The value the N-th smallest of N classes has, found in one pass.
        c.largest = bySize ? c.values.back() : *std::max_element(c.values.begin(), c.values.end());
    }
    c.alpha = CalculateAlpha();
    return c;
}

void CSeparation::PublishSeparation() {
    const std::vector<double>& separation = m_cClasses.separation;
    if (m_saSeparation.GetDimensions() != 1 || m_saSeparation.GetCount() != separation.size()) {
        m_saSeparation.Create(static_cast<uint32_t>(separation.size()));
    }
    if (!separation.empty()) {
        std::copy(separation.begin(), separation.end(),
                  static_cast<double*>(m_saSeparation.m_psa->pvData));
    }
}

namespace brixel {
namespace {

// exp's arguments are kept above this, clear of its subnormal range where the vector exp
// leaves its fast path; T is 1 there in double precision either way.
constexpr double kSmallestExponent = -700.0;

// Rogers separation of every class for cut value d50 into c.separation, in one pass without
// branches. Where T is decided without exp (no size, ratio below the smallest number, exponent
// above the largest), the exp computed anyway is discarded.
#ifdef BRIXEL_VECTOR_EXP
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
void RogersSeparation(SeparationClasses& c, double d50, double offset) {
    const std::size_t n = c.separation.size();
    const double* __restrict x = c.representative.data();
    double* __restrict separation = c.separation.data();
    const double alpha = c.alpha;
    const double smallestRatio = CBrixelBaseUnit::m_dblRMin;
    const double largestExponent = std::log(CBrixelBaseUnit::m_dblRMiss);
    // With an offset T becomes (1 - offset) T + offset, at most 1; without, T stays as it is
    // (1 T + 0 is T, and nothing caps it). Selects on a loop-invariant flag would keep the
    // loop from vectorising.
    const bool shift = offset > 0;
    const double kept = shift ? 1.0 - offset : 1.0;
    const double added = shift ? offset : 0.0;
    const double cap = shift ? 1.0 : std::numeric_limits<double>::infinity();
#pragma omp simd
    for (std::size_t i = 0; i < n; ++i) {
        const double xi = x[i];
        const double size = xi > 0.0 ? xi : 1.0;  // classes at 0 take the offset below
        const double q = size / d50;
        const double ratio = d50 / size;
        const double e = alpha * (1.0 - q * q * q);
        double argument = e < kSmallestExponent ? kSmallestExponent : e;
        argument = argument > largestExponent ? largestExponent : argument;
        const double power = exp(argument);
        double t = 1.0 / (1.0 + ratio * power);
        t = e > largestExponent ? 0.0 : t;
        t = ratio < smallestRatio ? 1.0 : t;
        const double shifted = kept * t + added;
        t = shifted > cap ? cap : shifted;
        separation[i] = xi > 0.0 ? t : offset;
    }
}

// Ideal separation at cut value d50 into c.separation; false, with the classes before the
// failing one written, when d50 lies outside the size boundaries.
bool IdealSeparation(SeparationClasses& c, double d50, bool bySize) {
    std::vector<double>& separation = c.separation;
    const std::size_t n = separation.size();
    std::fill(separation.begin(), separation.end(), 0.0);
    if (!bySize) {
        for (std::size_t i = 0; i < n; ++i) {
            separation[i] = c.representative[i] > d50 ? 1.0 : 0.0;
        }
        return true;
    }
    if (c.values.size() < n + 1) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const double lower = c.values[i];
        const double upper = c.values[i + 1];
        if ((i == 0 && lower > d50) || (i == n - 1 && d50 > upper)) {
            return false;
        }
        double t = 0.0;
        if (d50 > upper) {
            t = 0.0;
        } else if (lower > d50) {
            t = 1.0;
        } else if (upper > lower) {
            t = (upper - d50) / (upper - lower);  // the class is cut through linearly
        } else {
            t = 0.5;  // a class of zero width cut at its size
        }
        separation[i] = t;
    }
    return true;
}

}  // namespace
}  // namespace brixel

bool CSeparation::CalculateSeparationRogers(double d50) {
    brixel::RogersSeparation(Classes(), d50, m_dblOffset);
    PublishSeparation();
    return true;
}

bool CSeparation::CalculateIdealSeparation(double d50) {
    const bool cut = brixel::IdealSeparation(Classes(), d50, ClassifiesBySize());
    PublishSeparation();
    return cut;
}

double CSeparation::DiffRogersFlowSplitt(double d50) {
    CSeparation* self = m_pcThis;
    if (!self) {
        return brixel::kObjectivePenalty;
    }
    try {
        bool evaluated = false;
        if (self->m_dblSharpness >= brixel::kIdealSharpness) {
            const double largest = self->LargestClassValue();
            if (d50 > largest) {
                return (d50 - largest) * brixel::kObjectivePenalty;
            }
            evaluated = self->CalculateIdealSeparation(d50);
        } else {
            evaluated = self->CalculateSeparationRogers(d50);
        }
        if (!evaluated) {
            return brixel::kObjectivePenalty;
        }
        const brixel::SeparationClasses& c = self->m_cClasses;
        double sum = 0.0;
        for (std::size_t i = 0; i < c.separation.size(); ++i) {
            sum += c.separation[i] * c.fractions[i];
        }
        self->m_dblSolidSplitCalc = std::min(1.0, sum);
        return std::fabs(sum - self->m_dblSolidSplit);
    } catch (...) {
        // The minimizer takes a plain function: nothing may leave it.
        return brixel::kObjectivePenalty;
    }
}

// ---- classification ----

long CSeparation::ReadClassGrid(int solidOutlet) {
    CBrixelBaseUnit& unit = *m_pUnit;
    m_saClasses.Destroy();
    m_saFractions.Destroy();
    const bool bySize = ClassifiesBySize();
    long status = kStatusOk;
    try {
        if (bySize) {
            CComBSTR unitName;
            status = unit.GetSolidAttribute(solidOutlet, CComBSTR("PSD"), unitName, m_saClasses,
                                            m_saFractions, brixel::kPhaseSolid);
        } else {
            const int fluidPhase = m_nFluidType == 0 ? brixel::kPhaseVapor : brixel::kPhaseLiquid;
            status = unit.CalcTVD(solidOutlet, brixel::kPhaseSolid, fluidPhase, m_saClasses,
                                  m_saFractions, brixel::kStandardGravity);
        }
    } catch (long thrown) {
        status = thrown;
    } catch (...) {
        status = brixel::kStatusFail;
    }

    // A grid of another shape than the fractions need, or with values that are no numbers,
    // cannot be classified; an empty grid is left to the start-value step.
    const std::vector<double>& classes = Classes().values;
    const std::size_t n = m_saFractions.GetCount();
    bool usable = status == kStatusOk;
    if (usable && (n > 0 || !classes.empty())) {
        usable =
            classes.size() == (bySize ? n + 1 : n) &&
            std::all_of(classes.begin(), classes.end(), [](double x) { return std::isfinite(x); });
        for (uint32_t i = 0; usable && i < n; ++i) {
            usable = std::isfinite(m_saFractions[i]);
        }
    }
    if (usable) {
        return kStatusOk;
    }
    if (bySize) {
        unit.RaiseCalculationError(21, "FAILED TO GET PSD. BLOCK BYPASSED.", brixel::kTag, false);
    } else if (unit.CheckErrorPrint(brixel::kTag, true, 2, 22)) {
        unit.AddErrorText(1, "FAILED TO GET TVD. BLOCK BYPASSED.");
        unit.PrintError(1);
    }
    return brixel::FailureOf(status);
}

long CSeparation::StartValue(int solidOutlet, double& start) {
    CBrixelBaseUnit& unit = *m_pUnit;
    CString parameter;
    parameter.Format("X(%.0f)", 100.0 * (1.0 - m_dblSolidSplit));
    double value = -1.0;
    long status = kStatusOk;
    try {
        status = unit.GetDistributionParameter(solidOutlet, CComBSTR(DistributionType()),
                                               CComBSTR(parameter.GetString()), &value,
                                               &m_saClasses, &m_saFractions);
    } catch (long thrown) {
        status = thrown;
    } catch (...) {
        status = brixel::kStatusFail;
    }
    start = -1.0;
    if (status == kStatusOk && value >= brixel::kSmallestStart && !brixel::IsMissing(value)) {
        start = value;
    } else if (const std::vector<double>& classes = Classes().values; !classes.empty()) {
        start = classes[classes.size() / 2];
    }
    if (start == -1.0) {
        unit.RaiseCalculationError(23, "Could not get start values for separation. block bypassed.",
                                   brixel::kTag, false);
        return brixel::FailureOf(status);
    }
    return kStatusOk;
}

std::vector<std::size_t> brixel::DescendingOrder(const std::vector<double>& values) {
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&values](std::size_t a, std::size_t b) { return values[a] > values[b]; });
    return order;
}

void CSeparation::BuildEfficiencyCurve() {
    const brixel::SeparationClasses& c = Classes();
    std::vector<double> rowValues;
    std::vector<double> efficiency;
    if (ClassifiesBySize()) {
        // Class i spans boundaries i and i + 1.
        const std::size_t rows =
            c.values.empty() ? 0 : std::min(c.separation.size(), c.values.size() - 1);
        rowValues.assign(c.representative.begin(), c.representative.begin() + rows);
        efficiency.assign(c.separation.begin(), c.separation.begin() + rows);
    } else {
        // Fastest class first; classes that do not settle end the curve.
        for (const std::size_t i : brixel::DescendingOrder(c.values)) {
            if (!(c.values[i] > brixel::kNoVelocity)) {
                break;
            }
            rowValues.push_back(c.values[i]);
            if (i < c.separation.size()) {
                efficiency.push_back(c.separation[i]);
            }
        }
        CComSafeArray<VARIANT> sorted(static_cast<uint32_t>(rowValues.size()));
        auto* cells = static_cast<VARIANT*>(sorted.m_psa->pvData);
        for (std::size_t i = 0; i < rowValues.size(); ++i) {
            cells[i].vt = VT_R8;
            cells[i].dblVal = rowValues[i];
        }
        m_saClasses = std::move(sorted);
    }
    const std::size_t rows = std::min(efficiency.size(), rowValues.size());

    // Column 0 the class values, column 1 the efficiencies; the row index runs fastest.
    const SAFEARRAYBOUND bounds[2] = {{static_cast<uint32_t>(rows), 0}, {2, 0}};
    CComSafeArray<double> curve(bounds, 2);
    auto* cells = static_cast<double*>(curve.m_psa->pvData);
    for (std::size_t i = 0; i < rows; ++i) {
        cells[i] = rowValues[i];
        cells[rows + i] = 100.0 * efficiency[i];
    }
    m_saEfficiencyCurve = std::move(curve);
}

long CSeparation::Classify(int fluidOutlet, int solidOutlet) {
    CBrixelBaseUnit& unit = *m_pUnit;
    if (m_strAttributeForClass != kClassBySize && m_strAttributeForClass != kClassByVelocity) {
        unit.RaiseCalculationError(27,
                                   "ATTRIBUTE FOR CLASSIFICATION \"" + m_strAttributeForClass +
                                       "\" IS NOT KNOWN. BLOCK BYPASSED.",
                                   brixel::kTag, false);
        return brixel::kStatusInvalidArgument;
    }
    long status = ReadClassGrid(solidOutlet);
    if (status != kStatusOk) {
        return status;
    }

    // The grid ReadClassGrid converted serves every evaluation of this classification.
    m_bClassesReady = true;
    struct ClassesInUse {
        bool& ready;
        ~ClassesInUse() { ready = false; }
    } inUse{m_bClassesReady};

    m_pcThis = this;
    CSolver solver;
    const double largest = LargestClassValue();
    const double upper =
        m_dblSharpness < brixel::kIdealSharpness ? 2.0 * largest / m_dblSharpness : largest;
    double start = -1.0;
    status = StartValue(solidOutlet, start);
    if (status != kStatusOk) {
        return status;
    }
    solver.SetBrentTolerance(brixel::kCutTolerance);
    solver.SetBrentMaxAllowedSteps(brixel::kCutSteps);
    int evaluations = 0;
    double objective = 0.0;
    solver.Brent(0.0, upper, &CSeparation::DiffRogersFlowSplitt, &m_dblD50, &evaluations,
                 &objective, std::min(start, upper), nullptr);

    // Leaves the separation and the achieved split of the final cut value.
    const double residual = DiffRogersFlowSplitt(m_dblD50);
    if (residual > brixel::kSplitResidual) {
        CString text;
        text.Format(
            "Could not adjust 50%%-value of separation function based on specified flow split. "
            "Calculation continued with D50 of %.3g ",
            m_dblD50);
        text += ClassifiesBySize() ? "m." : "m/s.";
        CString message;
        message.Format("%s Calculated solids split: %.3g", text.GetString(), m_dblSolidSplitCalc);
        unit.RaiseWarning(24, message, brixel::kTag, false);
        unit.SetIscpOf(brixel::rec::kStatusOutcome, brixel::rec::kOutcomeWarning);
    }

    BuildEfficiencyCurve();

    // The solid outlet keeps T of every class, the fluid outlet 1 - T.
    const CComBSTR type(DistributionType());
    const long toSolid = unit.ApplyMovMatrix(solidOutlet, type, m_saSeparation, brixel::kBasisMass,
                                             brixel::kPhaseSolid);
    for (uint32_t i = 0; i < m_saSeparation.GetCount(); ++i) {
        m_saSeparation[i] = std::max(0.0, 1.0 - m_saSeparation[i]);
    }
    const long toFluid = unit.ApplyMovMatrix(fluidOutlet, type, m_saSeparation, brixel::kBasisMass,
                                             brixel::kPhaseSolid);
    // A refused move would leave the inlet's classes in both outlets under a classified split.
    if (toSolid < 0 || toFluid < 0) {
        unit.RaiseCalculationError(28, "FAILED TO MOVE SOLID CLASSES TO OUTLETS. BLOCK BYPASSED.",
                                   brixel::kTag, false);
        return toSolid < 0 ? toSolid : toFluid;
    }
    return kStatusOk;
}
