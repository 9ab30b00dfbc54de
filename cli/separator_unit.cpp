#include "cli/separator_unit.h"

namespace brixel::cli {

SeparatorUnit::SeparatorUnit(Fluid fluid) {
    m_nFluidType = fluid == Fluid::kLiquid ? 1 : 0;
}

}  // namespace brixel::cli
