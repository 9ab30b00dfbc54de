#pragma once

#include <string_view>

namespace brixel::cli {

// The separator's specification names; the fluid ones depend on the fluid type.
struct SpecificationNames {
    std::string_view solidSplit;
    std::string_view fluidSplit;
    std::string_view fluidLoad;  // kg fluid per kg solid in the solid outlet
    std::string_view solidLoad;  // kg solid per kg fluid in the fluid outlet
};

inline constexpr SpecificationNames kGasSpecifications{
    "mass fraction of solids to solid outlet", "mass fraction of vapor to vapor outlet",
    "vapor load of solid product", "solid load of vapor product"};
inline constexpr SpecificationNames kLiquidSpecifications{
    "mass fraction of solids to solid outlet", "mass fraction of fluid to fluid outlet",
    "fluid load of solid product", "solid load of fluid product"};

constexpr SpecificationNames SpecificationNamesFor(bool liquidIsFluid) {
    return liquidIsFluid ? kLiquidSpecifications : kGasSpecifications;
}

inline constexpr std::string_view kClassBySize = "particle size";
inline constexpr std::string_view kClassByVelocity = "particle settling velocity";

}  // namespace brixel::cli
