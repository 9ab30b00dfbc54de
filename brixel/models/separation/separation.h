#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/framework/unit_element.h"
#include "brixel/platform/cstring.h"
#include "brixel/platform/safe_array.h"

namespace brixel {

// The class grid of a separation in plain numbers, with the work arrays of the separation
// function, so that an evaluation of the cut-value objective converts and allocates nothing.
struct SeparationClasses {
    std::vector<double> values;          // the numbers of m_saClasses
    std::vector<double> representative;  // x_i of every class (0 where the grid has none)
    std::vector<double> fractions;       // mass fractions w_i
    std::vector<double> separation;      // T_i of the last evaluation
    double largest = 0.0;                // the largest class value
    double alpha = 0.0;
};

// Positions of `values` from the largest value to the smallest; equal values keep their order.
std::vector<std::size_t> DescendingOrder(const std::vector<double>& values);

}  // namespace brixel

// Splits a separator's inlet between its fluid and solid outlets from two specifications
// (mass fractions to an outlet, or the load of one phase in the other outlet's product) and,
// with a non-zero sharpness, classifies the solids with a Rogers separation function whose
// cut value is searched so that the classified split meets the specified one.
class BRIXEL_API CSeparation : public CUnitElement {
  public:
    // The solid-split specification (the same for both fluid types) and the two attributes
    // the solids can be classified by.
    static constexpr const char* kSolidSplitName = "mass fraction of solids to solid outlet";
    static constexpr const char* kClassBySize = "particle size";
    static constexpr const char* kClassByVelocity = "particle settling velocity";

    // fluidType non-zero: the liquid is the fluid; 0: the vapour is.
    CSeparation(CBrixelBaseUnit* unit, int fluidType);
    CSeparation(const CSeparation& other);
    CSeparation& operator=(const CSeparation& other);
    ~CSeparation() override;

    // No setter checks its argument; ValidateData does.
    void SetFlowSplit1(double value) { m_dblFlowSplit1 = value; }
    void SetFlowSplit2(double value) { m_dblFlowSplit2 = value; }
    void SetFlowSplit1(const CString& name) { m_strFlowSplit1 = name; }
    void SetFlowSplit2(const CString& name) { m_strFlowSplit2 = name; }
    void SetOffset(double offset) { m_dblOffset = offset; }
    void SetSharpness(double sharpness) { m_dblSharpness = sharpness; }
    void SetAttributeForClass(const CString& attribute) { m_strAttributeForClass = attribute; }

    void ValidateData() override;
    // Stream beads of the inlet and the two outlets; both outlets hold a copy of the inlet.
    long Calculate(int inlet, int fluidOutlet, int solidOutlet);

    double CalculateAlpha();
    bool CalculateSeparationRogers(double d50);
    bool CalculateIdealSeparation(double d50);
    // Objective of the cut-value search on m_pcThis: |achieved split - specified split|.
    static double DiffRogersFlowSplitt(double d50);

    // ---- read access for reports and tests ----
    int GetFluidType() const { return m_nFluidType; }
    const CString& GetFlowSplit1Name() const { return m_strFlowSplit1; }
    const CString& GetFlowSplit2Name() const { return m_strFlowSplit2; }
    double GetFlowSplit1() const { return m_dblFlowSplit1; }
    double GetFlowSplit2() const { return m_dblFlowSplit2; }
    const CString& GetAttributeForClass() const { return m_strAttributeForClass; }
    double GetSharpness() const { return m_dblSharpness; }
    double GetOffset() const { return m_dblOffset; }
    const CString& GetFluidSplitSpec() const { return m_strFluidSplitSpec; }
    const CString& GetFluidLoadSpec() const { return m_strFluidLoadSpec; }
    const CString& GetSolidLoadSpec() const { return m_strSolidLoadSpec; }
    double GetSolidLoadOfFluid() const { return m_dblSolidLoadOfFluid; }
    double GetFluidLoadOfSolid() const { return m_dblFluidLoadOfSolid; }
    double GetFluidSplit() const { return m_dblFluidSplit; }
    double GetSolidSplit() const { return m_dblSolidSplit; }
    double GetSolidSplitCalc() const { return m_dblSolidSplitCalc; }
    double GetD50() const { return m_dblD50; }
    const CComSafeArray<VARIANT>& GetClasses() const { return m_saClasses; }
    const CComSafeArray<double>& GetFractions() const { return m_saFractions; }
    const CComSafeArray<double>& GetSeparation() const { return m_saSeparation; }
    // n rows x 2 columns: class value, efficiency in percent; empty without classification.
    const CComSafeArray<double>& GetEfficiencyCurve() const { return m_saEfficiencyCurve; }

    static CSeparation* m_pcThis;  // the object the static objective works on

  protected:
    int m_nFluidType;
    CString m_strFlowSplit1 = kSolidSplitName;
    CString m_strFlowSplit2;
    CString m_strAttributeForClass = kClassBySize;
    double m_dblSharpness = 0.5;
    double m_dblOffset = 0.0;
    double m_dblFlowSplit1 = 1.0;
    double m_dblFlowSplit2;
    CComSafeArray<VARIANT> m_saClasses;
    CComSafeArray<double> m_saFractions;
    CComSafeArray<double> m_saSeparation;
    CComSafeArray<double> m_saEfficiencyCurve;
    CString m_strFluidSplitSpec;
    CString m_strFluidLoadSpec;
    CString m_strSolidLoadSpec;
    double m_dblSolidLoadOfFluid;
    double m_dblFluidLoadOfSolid;
    double m_dblFluidSplit = -1.0;
    double m_dblSolidSplit = -1.0;
    double m_dblSolidSplitCalc;
    double m_dblD50;

  private:
    brixel::SeparationClasses m_cClasses;
    // True while a classification runs: m_cClasses then holds the grid read for it, and the
    // objective's evaluations reuse it.
    bool m_bClassesReady = false;

    // Resolves the solid split sf and the fluid split ff from the two specifications for
    // solids S and fluid F (kg/s); a negative status ends the calculation.
    long ResolveSplits(double solids, double fluid, double& sf, double& ff);
    // Classifies the solids of the solid outlet and moves the classes of both outlets; on
    // success m_dblSolidSplitCalc holds the split achieved.
    long Classify(int fluidOutlet, int solidOutlet);
    long ReadClassGrid(int solidOutlet);
    long StartValue(int solidOutlet, double& start);
    void BuildEfficiencyCurve();
    bool ClassifiesBySize() const { return m_strAttributeForClass == "particle size"; }
    const char* DistributionType() const { return ClassifiesBySize() ? "PSD" : "TVD"; }
    // Numeric values of m_saClasses; NaN for an element that holds no number.
    std::vector<double> ClassValues() const;
    // m_cClasses for the current grid and sharpness; converted anew unless a classification
    // has already done so.
    brixel::SeparationClasses& Classes();
    // Largest class value: the last boundary for sizes, the largest velocity otherwise.
    double LargestClassValue() { return Classes().largest; }
    // Copies the separation of the last evaluation into m_saSeparation.
    void PublishSeparation();
    // Raises a two-line warning (the first line collected) and marks the block's outcome.
    void Warn(uint32_t code, const CString& first, const CString& second, const CString& tag);
};
