#pragma once

#include "brixel/framework/brixel_base_unit.h"

namespace brixel::cli {

// The smallest real unit: one inlet, one outlet, the outlet set equal to the inlet through
// the base calculation frame. It stands in until the command runs the library's models.
class PassThroughUnit : public CBrixelBaseUnit {
  public:
    PassThroughUnit();

    const char* GetModelName() const override { return "PASSTHRU"; }
    long WriteReport() override;

    long Initialize();
    long Calculate();
};

}  // namespace brixel::cli
