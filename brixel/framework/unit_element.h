#pragma once

#include "brixel/framework/export.h"

class CBrixelBaseUnit;

// Abstract base of the calculation elements a unit owns. An element does all its stream,
// property and message work through its owning unit; copying an element copies the owner.
class BRIXEL_API CUnitElement {
  public:
    explicit CUnitElement(CBrixelBaseUnit* unit = nullptr) : m_pUnit(unit) {}
    CUnitElement(const CUnitElement&) = default;
    CUnitElement& operator=(const CUnitElement&) = default;
    virtual ~CUnitElement();

    virtual void ValidateData() = 0;

    CBrixelBaseUnit* GetUnit() const { return m_pUnit; }
    void SetUnit(CBrixelBaseUnit* unit) { m_pUnit = unit; }

  protected:
    CBrixelBaseUnit* m_pUnit;
};
