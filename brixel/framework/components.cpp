// Classification of components: solids, polymers, oligomers and catalysts.
#include <algorithm>

#include "brixel/framework/brixel_base_unit.h"

namespace {

bool Contains(const std::vector<int>& list, int64_t c) {
    return std::find(list.begin(), list.end(), c) != list.end();
}

}  // namespace

bool CBrixelBaseUnit::IsSolidComp(int64_t c) const {
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    if (c < 0 || c >= ncc + nncc) {
        return false;
    }
    return c >= ncc || Contains(m_naSolidComps, c);
}

bool CBrixelBaseUnit::IsPolymer(int64_t c) const {
    return Contains(m_naPolymers, c);
}

bool CBrixelBaseUnit::IsOligomer(int64_t c) const {
    return Contains(m_naOligomers, c);
}

bool CBrixelBaseUnit::IsCatalyst(int64_t c) const {
    return Contains(m_naCatalysts, c);
}

bool CBrixelBaseUnit::IsPolymerOligomer(int64_t c) const {
    return IsPolymer(c) || IsOligomer(c);
}

bool CBrixelBaseUnit::IsPolymerOligomerCatalyst(int64_t c) const {
    return IsPolymerOligomer(c) || IsCatalyst(c);
}

bool CBrixelBaseUnit::IsCatalystAlreadySolid(int64_t c) const {
    // Solidmers are appended to the solid list: the entries before them were solid from the
    // start.
    const std::size_t original =
        m_naSolidComps.size() - std::min(m_naSolidComps.size(), m_naSolidmers.size());
    const auto end = m_naSolidComps.begin() + static_cast<std::ptrdiff_t>(original);
    return IsCatalyst(c) && std::find(m_naSolidComps.begin(), end, c) != end;
}
