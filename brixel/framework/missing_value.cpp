#include "brixel/framework/missing_value.h"

#include <cmath>

#include "brixel/framework/brixel_base_unit.h"

namespace brixel {

bool IsGiven(double value) {
    return std::isfinite(value) && value < CBrixelBaseUnit::m_dblRMiss;
}

bool IsGivenWord(int64_t word) {
    return word != CBrixelBaseUnit::m_nIMiss;
}

}  // namespace brixel
