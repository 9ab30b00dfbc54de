#pragma once

#include <memory>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/export.h"
#include "brixel/models/separation/separation.h"
#include "brixel/models/state/set_state_variables.h"

// Base of every separator: one inlet ("INLET") and two outlets ("FLUID OUTLET",
// "SOLID OUTLET"). The concrete separator sets m_nFluidType (1: liquid is the fluid, 0:
// vapour) before Initialize and fills the specifications of the two elements.
class BRIXEL_API CSeparationBaseUnit : public CBrixelBaseUnit {
  public:
    CSeparationBaseUnit();
    ~CSeparationBaseUnit();

    long Initialize();
    void ValidateData() override;
    long Calculate();
    // Fallback outlets after an abort: an ideal split of the inlet.
    void SetOutletStreams() override;

    CSeparation* GetSeparation() const { return m_pSeparation.get(); }
    CSetStateVariables* GetStateVariables() const { return m_pStateVariables.get(); }

  protected:
    int m_nFluidType = 0;
    std::unique_ptr<CSeparation> m_pSeparation;
    std::unique_ptr<CSetStateVariables> m_pStateVariables;
};
