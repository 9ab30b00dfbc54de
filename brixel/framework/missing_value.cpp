#include "brixel/framework/missing_value.h"

#include <cmath>

#include "brixel/framework/brixel_base_unit.h"

namespace brixel {

bool IsGiven(double value) {
    return std::isfinite(value) && value < CBrixelBaseUnit::m_dblRMiss;
}

}  // namespace brixel
