#pragma once

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/models/conveying/dilute_phase_conveying.h"

namespace brixel::cli {

// The command's dilute-phase conveying line: one inlet ("INLET"), one outlet ("OUTLET"). It
// owns the line model and runs it after the base frame; a calculated line is resampled into
// output profiles, a failed one leaves the fallback outlet to SetErrorExit.
class DiluteConveyingUnit : public CBrixelBaseUnit {
  public:
    DiluteConveyingUnit();

    const char* GetModelName() const override { return "DILCONV"; }
    // The command writes its own report from the unit's results.
    long WriteReport() override { return 0; }

    long Initialize();
    void ValidateData() override;
    long Calculate();
    void SetOutletStreams() override;

    CDilutePhaseConveying& GetLine() { return m_line; }
    const CDilutePhaseConveying& GetLine() const { return m_line; }
    // Intervals of the output profiles along the line.
    void SetProfileIntervals(int intervals) { m_nProfileIntervals = intervals; }

  private:
    CDilutePhaseConveying m_line;
    int m_nProfileIntervals = 20;
};

}  // namespace brixel::cli
