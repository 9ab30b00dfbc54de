#pragma once

#include <string>
#include <string_view>

#include "brixel/models/separation/separation.h"

namespace brixel::cli {

// The separator's specification names; the fluid ones depend on the fluid type. Read from
// the separation element itself, so that the command accepts exactly what it understands.
struct SpecificationNames {
    std::string solidSplit;
    std::string fluidSplit;
    std::string fluidLoad;  // kg fluid per kg solid in the solid outlet
    std::string solidLoad;  // kg solid per kg fluid in the fluid outlet
};

inline SpecificationNames SpecificationNamesFor(bool liquidIsFluid) {
    const CSeparation separation(nullptr, liquidIsFluid ? 1 : 0);
    return {CSeparation::kSolidSplitName, separation.GetFluidSplitSpec().GetString(),
            separation.GetFluidLoadSpec().GetString(), separation.GetSolidLoadSpec().GetString()};
}

inline constexpr std::string_view kClassBySize = CSeparation::kClassBySize;
inline constexpr std::string_view kClassByVelocity = CSeparation::kClassByVelocity;

}  // namespace brixel::cli
