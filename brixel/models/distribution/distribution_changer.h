#pragma once

#include <memory>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/export.h"
#include "brixel/models/distribution/set_distributed_property.h"

// The unit a procedural DISPRP call runs: one inlet ("INLET"), one outlet ("OUTLET") holding
// the feed, and one distribution-setting element per target (all solids or one substream).
class BRIXEL_API CDistributionChanger : public CBrixelBaseUnit {
  public:
    CDistributionChanger();
    ~CDistributionChanger();

    const char* GetModelName() const override { return "DISPRP"; }
    long WriteReport() override { return 0; }
    // Clears the validation errors, then validates every element in order.
    void ValidateData() override;

    // A new element owned by the unit, reporting through it.
    CSetDistributedProperty& AddElement();
    const std::vector<std::unique_ptr<CSetDistributedProperty>>& GetElements() const {
        return m_elements;
    }
    void SetErrorLevel(int level) { m_nErrorLevel = level; }
    int GetErrorLevel() const { return m_nErrorLevel; }

    // Builds the elements from the bound parameter arrays through the host's index table
    // (12 words: entries 0-5 and 7 word indices into the integer array, entry 6 an index
    // into the real array, all from 0).
    void ReadInput(const int64_t* indexTable);

    // Validates and runs every element on the bound inlet and outlet: 0 success, 1 warnings,
    // 2 errors (nothing changed after validation errors; the inlet's PSD restored in the
    // outlet after a failing element). estimate 1 marks the target PSD as an estimate.
    int Run(int64_t estimate);

    // The block's outcome word after a run with this result, as a host call leaves it.
    void SetOutcome(int result);

  protected:
    // The inlet's PSD of every substream that has one, written unchanged to the outlet.
    void RestoreInletDistribution(const CSetDistributedProperty& element);

    std::vector<std::unique_ptr<CSetDistributedProperty>> m_elements;
    int m_nErrorLevel = 2;
};
