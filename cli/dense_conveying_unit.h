#pragma once

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/models/conveying/dense_phase_conveying.h"

namespace brixel::cli {

// The command's dense-phase conveying line: one inlet ("INLET") and one outlet ("OUTLET").
// Calculate runs the base frame, the slug-flow model and then the pressure profile; the
// fallback outlet is the model's.
class DenseConveyingUnit : public CBrixelBaseUnit {
  public:
    static constexpr int kDefaultProfileIntervals = 10;

    DenseConveyingUnit();

    const char* GetModelName() const override { return "DENSCONV"; }
    // The command writes its own report from the unit's results.
    long WriteReport() override { return 0; }

    // Names the ports after the base's own initialisation.
    long Initialize();
    void ValidateData() override;
    long Calculate();
    void SetOutletStreams() override;

    CDensePhaseConveying& GetConveying() { return m_conveying; }
    const CDensePhaseConveying& GetConveying() const { return m_conveying; }
    // Intervals of the pressure profile made after a successful calculation; 0 makes none.
    void SetProfileIntervals(int intervals) { m_nProfileIntervals = intervals; }
    int GetProfileIntervals() const { return m_nProfileIntervals; }

  private:
    CDensePhaseConveying m_conveying{this};
    int m_nProfileIntervals = kDefaultProfileIntervals;
};

}  // namespace brixel::cli
