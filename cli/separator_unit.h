#pragma once

#include "brixel/models/separation/separation_base_unit.h"

namespace brixel::cli {

// The command's separator: a solid/fluid separator whose fluid is the vapour (gas cyclone,
// filter) or the liquid (hydrocyclone, centrifuge), fixed at construction.
class SeparatorUnit : public CSeparationBaseUnit {
  public:
    enum class Fluid { kGas, kLiquid };

    explicit SeparatorUnit(Fluid fluid);

    const char* GetModelName() const override { return "SEPARATR"; }
    // The command writes its own report from the unit's results.
    long WriteReport() override { return 0; }
};

}  // namespace brixel::cli
