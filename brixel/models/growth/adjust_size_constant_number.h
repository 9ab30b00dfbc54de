#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/models/growth/growth_law.h"
#include "brixel/platform/cstring.h"

class CBrixelBaseUnit;

namespace brixel::growth {

// What the growth law did to one substream, for reports and checks.
struct SubstreamGrowth {
    int substream = 0;
    GrowthInput input;
    GrowthPlan plan;
    bool adjusted = false;  // the movement matrix reached the outlet
};

}  // namespace brixel::growth

// Moves the particles of every size class of an inlet's solids to the sizes their mass change
// implies while their number stays, and writes the result into the outlet (which already
// carries the new solids mass) through a movement matrix, substream by substream.
class BRIXEL_API CAdjustSizeConstantNumber {
  public:
    explicit CAdjustSizeConstantNumber(CBrixelBaseUnit* owner);

    // Methods 1-4 increment laws (2 and 4 weight by the new class mass), 5-7 equivalent
    // growth by mass, surface or number share. The second argument is not used.
    void SetMethod(int method, int unused);
    int GetMethod() const { return m_nMethod; }

    // Ports or stream beads. 0x80004005 for an invalid method or stream (with calculation
    // error 999), else 0; problems of one substream are reported and skip only that one.
    long AdjustSize(int inlet, int outlet);
    // Port names; 0x80004005 without an owner or for a name that names no stream.
    long AdjustSize(const CString& inlet, const CString& outlet);
    long AdjustSizeMcCabe(int inlet, int outlet);
    long AdjustSizeEquivalent(int inlet, int outlet);

    // One entry per substream the last call reached with solids on both sides.
    const std::vector<brixel::growth::SubstreamGrowth>& GetSubstreamResults() const {
        return m_results;
    }

  protected:
    // Total mass change (kg/s) at the increment, per-class changes written to `changes`.
    double CalcDissolvedMassMcCabe(double increment, double massIn, double density,
                                   const std::vector<double>& numbers,
                                   const std::vector<double>& means,
                                   const std::vector<double>& masses,
                                   std::vector<double>& changes) const;

    long AdjustSubstreams(int inlet, int outlet, bool equivalent);
    void AdjustEachSubstream(int inletBead, int outletBead, const int64_t* streamClass,
                             bool equivalent);
    // The substream's solids at both ports; false (and reported) when it is skipped.
    bool ReadSubstream(int inlet, int outlet, int substream, const CString& id, const char* tag,
                       brixel::growth::GrowthInput& input);
    void ReportEvents(const brixel::growth::SpreadEvents& events, bool equivalent);

    CBrixelBaseUnit* m_pUnit = nullptr;
    int m_nMethod = brixel::growth::kDefaultMethod;
    bool m_bWeighted = false;  // methods 2 and 4
    std::vector<brixel::growth::SubstreamGrowth> m_results;
    bool m_bWarnedAbove = false;
    bool m_bWarnedBelow = false;
    int64_t m_nIncrementIterations = brixel::growth::kIncrementIterations;
};
