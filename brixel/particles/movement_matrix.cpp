// Movement matrices: shares of the solids (or components) of one class that end up in another
// class, applied to a stream in place. Shapes and entries are checked before the stream is
// touched, so that a refused matrix leaves it as it was.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/port_name_call.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/property_stream.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

namespace brixel {
namespace {

constexpr long kInvalid = kStatusInvalidArgument;

// A double array read out once: its extents and its elements, dimension 1 running fastest as
// the platform stores them.
struct Dense {
    std::vector<std::size_t> extents;
    std::vector<double> values;

    std::size_t Rank() const { return extents.size(); }
    // A factor per class, or shares between classes.
    bool Fits(std::size_t n) const {
        return (Rank() == 1 && extents[0] == n) ||
               (Rank() == 2 && extents[0] == n && extents[1] == n);
    }
    double At(std::size_t i, std::size_t j) const { return values[i + j * extents[0]]; }
};

// False for a missing or empty array or an entry that is negative or not finite.
bool ReadMatrix(const CComSafeArray<double>& matrix, Dense& dense) {
    const unsigned int rank = matrix.GetDimensions();
    if (!matrix.m_psa || rank == 0) {
        return false;
    }
    std::size_t count = 1;
    dense.extents.clear();
    for (unsigned int d = 0; d < rank; ++d) {
        dense.extents.push_back(matrix.GetCount(d));
        count *= dense.extents.back();
    }
    if (count == 0) {
        return false;
    }
    const auto* data = static_cast<const double*>(matrix.m_psa->pvData);
    dense.values.assign(data, data + count);
    return std::all_of(dense.values.begin(), dense.values.end(),
                       [](double x) { return x >= 0.0 && std::isfinite(x); });
}

std::string Upper(BSTR text) {
    std::string name = ToStdString(text);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    return name;
}

// True when every substream listed has no PSD or one of n intervals.
bool IntervalsFit(CBrixelBaseUnit& unit, int port, const std::vector<int>& substreams,
                  std::size_t n) {
    return std::all_of(substreams.begin(), substreams.end(), [&](int k) {
        double* fractions = nullptr;
        double* mesh = nullptr;
        const int intervals = unit.GetPSDPointer(port, k, fractions, mesh);
        return intervals <= 0 || static_cast<std::size_t>(intervals) == n;
    });
}

// Amount class i hands on: its factor, or its row of shares summed over the target classes.
double Moved(const Dense& m, std::size_t n) {
    double sum = 0.0;
    for (const double x : m.values) {
        sum += x;
    }
    return sum / static_cast<double>(n);
}

}  // namespace

struct MovementMatrix {
    using Unit = CBrixelBaseUnit;

    // "PSD": new amounts g_j = sum_i M(i, j) f_i (or M_i f_i), fractions g / sum g, solids
    // scaled by sum g.
    static long SizeClasses(Unit& unit, const PropertyStream& s, const std::vector<int>& visited,
                            const Dense& m) {
        if (m.Rank() > 2 || (m.Rank() == 2 && m.extents[0] != m.extents[1])) {
            return kInvalid;
        }
        const std::size_t classes = m.extents[0];
        if (!IntervalsFit(unit, s.bead, visited, classes)) {
            return kInvalid;
        }
        std::vector<double> g(classes);
        for (const int k : visited) {
            double* f = nullptr;
            double* mesh = nullptr;
            const int n = unit.GetPSDPointer(s.bead, k, f, mesh);
            const bool solids = unit.SubstreamSolidsMass(s.bead, k) > 0.0;
            double scale = 1.0;
            if (n > 0) {
                const bool assigned =
                    std::any_of(f, f + n, [](double x) { return x > Unit::m_dblRMin; });
                if (solids && !assigned) {
                    unit.WarnUnassignedPsd();
                    std::fill(f, f + n, 1.0 / n);
                }
                for (std::size_t j = 0; j < classes; ++j) {
                    if (m.Rank() == 1) {
                        g[j] = m.values[j] * f[j];
                        continue;
                    }
                    double sum = 0.0;
                    for (std::size_t i = 0; i < classes; ++i) {
                        sum += m.At(i, j) * f[i];
                    }
                    g[j] = sum;
                }
                double total = 0.0;
                for (const double x : g) {
                    total += x;
                }
                for (std::size_t j = 0; j < classes; ++j) {
                    f[j] = total > 0.0 ? g[j] / total : 0.0;
                }
                scale = total;
            } else if (solids) {
                // Solids without a size distribution count as evenly spread over the classes.
                unit.WarnUnassignedPsd();
                scale = Moved(m, classes);
            }
            if (solids && std::fabs(scale - 1.0) > Unit::m_dblRMin) {
                unit.ScaleSubstreamSolids(s, k, scale);
            }
        }
        return kStatusOk;
    }

    // "Density": class k keeps the share M_k or M(k, k) of its solids; nothing moves between
    // classes.
    static long DensityClasses(Unit& unit, const PropertyStream& s, const std::vector<int>& visited,
                               const Dense& m) {
        const std::vector<int> classes = unit.DensityClasses(s.bead);
        if (!m.Fits(classes.size()) && !(classes.empty() && m.Rank() <= 2)) {
            return kInvalid;
        }
        for (std::size_t k = 0; k < classes.size(); ++k) {
            if (std::find(visited.begin(), visited.end(), classes[k]) == visited.end()) {
                continue;
            }
            const double factor = m.Rank() == 1 ? m.values[k] : m.At(k, k);
            if (std::fabs(factor - 1.0) > Unit::m_dblRMin) {
                unit.ScaleSubstreamSolids(s, classes[k], factor);
            }
        }
        return kStatusOk;
    }

    // "fraction": new amount of component j = sum_i M(i, j) amount_i. The stream holds molar
    // flows of conventional components, so mass shares are turned into molar ones; the
    // non-conventional substreams (mass flows) use the matrix's non-conventional block.
    static long Components(Unit& unit, const PropertyStream& s, const std::vector<int>& visited,
                           const Dense& m, int basis) {
        const auto ncc = static_cast<std::size_t>(ConventionalCount());
        const auto nncc = static_cast<std::size_t>(NonconventionalCount());
        if (!m.Fits(ncc + nncc)) {
            return kInvalid;
        }
        const std::vector<double> weights = ConventionalWeights();
        if (basis == kBasisMass && std::any_of(weights.begin(), weights.end(), [](double w) {
                return !(w > 0.0) || !IsGiven(w);
            })) {
            return kInvalid;
        }
        if (nncc > 0) {
            CComSafeArray<double> solids;
            if (unit.GetSinglePhaseProp(s.bead, kPropertyFlow, kPhaseSolid, solids, basis, 1) !=
                kStatusOk) {
                unit.RaiseCalculationError(1, "APPLY MOVEMENT MATRIX FAILED.", "MOVMA", false);
                throw kInvalid;
            }
        }
        std::vector<double> amounts;
        std::vector<double> moved;
        for (const int k : visited) {
            const SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(k)];
            const bool conventional = sub.type != rec::kNonconventional;
            const std::size_t first = conventional ? 0 : ncc;
            const auto count = static_cast<std::size_t>(sub.count);
            amounts.assign(count, 0.0);
            for (std::size_t i = 0; i < count; ++i) {
                amounts[i] = IsGiven(sub.flows[i]) ? sub.flows[i] : 0.0;
            }
            if (std::all_of(amounts.begin(), amounts.end(), [](double x) { return x == 0.0; })) {
                continue;
            }
            moved.assign(count, 0.0);
            for (std::size_t j = 0; j < count; ++j) {
                if (m.Rank() == 1) {
                    moved[j] = m.values[first + j] * amounts[j];
                    continue;
                }
                for (std::size_t i = 0; i < count; ++i) {
                    const bool molar = !conventional || basis == kBasisMole;
                    const double share =
                        m.At(first + i, first + j) * (molar ? 1.0 : weights[i] / weights[j]);
                    moved[j] += share * amounts[i];
                }
            }
            for (std::size_t j = 0; j < count; ++j) {
                if (moved[j] != sub.flows[j]) {
                    WriteComponentFlow(sub, static_cast<int64_t>(j), moved[j]);
                }
            }
            RecomputeSubstreamTotals(sub, weights);
            // The composition changed: the stored state no longer describes it.
            sub.state[sv::kEnthalpy] = Unit::m_dblRMiss;
            sub.state[sv::kEntropy] = Unit::m_dblRMiss;
            sub.state[sv::kDensity] = Unit::m_dblRMiss;
            if (sub.type == rec::kMixed) {
                const int64_t word = s.bead;
                HostUpdateMixed(&word);
            }
        }
        return kStatusOk;
    }
};

}  // namespace brixel

using brixel::Dense;
using brixel::kInvalid;

std::vector<int> CBrixelBaseUnit::DensityClasses(int bead) {
    const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, bead);
    std::vector<int> classes;
    for (int k = 0; k < static_cast<int>(s.substreams.size()); ++k) {
        if ((k == 0 || s.substreams[static_cast<std::size_t>(k)].type != rec::kMixed) &&
            SubstreamSolidsMass(s.bead, k) > 0.0) {
            classes.push_back(k);
        }
    }
    return classes;
}

long CBrixelBaseUnit::ApplyMovMatrix(int port, const CComBSTR& attribute,
                                     const CComSafeArray<double>& matrix, int basis, int phaseId) {
    const std::string name = brixel::ToStdString(attribute);
    const bool density = brixel::Upper(attribute) == "DENSITY";
    const bool sizes = name == "PSD" || name == "TVD";
    if (!(sizes || name == "fraction" || density) || !matrix.m_psa ||
        (sizes && basis != brixel::kBasisMass) ||
        (basis != brixel::kBasisMass && basis != brixel::kBasisMole)) {
        return kInvalid;
    }
    if (name == "TVD" && matrix.GetDimensions() == 1) {
        return ApplyVelocityFactors(port, matrix);
    }
    if (name == "TVD") {
        CComSafeArray<double> converted(matrix);
        if (!ConvertMovMatrixTVD(port, converted)) {
            return kInvalid;
        }
        CComSafeArray<BSTR> names(2);
        names.SetAt(0, CComBSTR("PSD"));
        names.SetAt(1, CComBSTR("Density"));
        return ApplyMovMatrix(port, names, converted);
    }
    const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, port);
    Dense m;
    if (phaseId >= static_cast<int>(s.substreams.size()) || !brixel::ReadMatrix(matrix, m)) {
        return kInvalid;
    }
    std::vector<int> visited;
    for (int k = 0; k < static_cast<int>(s.substreams.size()); ++k) {
        if (phaseId < 0 || k == phaseId) {
            visited.push_back(k);
        }
    }
    if (name == "fraction") {
        return brixel::MovementMatrix::Components(*this, s, visited, m, basis);
    }
    if (density) {
        return brixel::MovementMatrix::DensityClasses(*this, s, visited, m);
    }
    return brixel::MovementMatrix::SizeClasses(*this, s, visited, m);
}

long CBrixelBaseUnit::ApplyMovMatrix(int port, const CComSafeArray<BSTR>& attributes,
                                     const CComSafeArray<double>& matrix) {
    const uint32_t count = attributes.GetDimensions() == 1 ? attributes.GetCount() : 0;
    if (count == 1) {
        return ApplyMovMatrix(port, CComBSTR(attributes.GetAt(attributes.GetLowerBound())), matrix,
                              brixel::kBasisMass, brixel::kPhaseSolid);
    }
    if (count != 2) {
        return kInvalid;
    }
    const std::string a = brixel::Upper(attributes.GetAt(attributes.GetLowerBound()));
    const std::string b = brixel::Upper(attributes.GetAt(attributes.GetLowerBound() + 1));
    Dense m;
    if (!((a == "PSD" && b == "DENSITY") || (a == "DENSITY" && b == "PSD")) ||
        !brixel::ReadMatrix(matrix, m) || m.Rank() != 4) {
        return kInvalid;
    }
    const std::vector<int> classes = DensityClasses(port);
    const std::size_t n = m.extents[0];
    if (m.extents[2] != n || m.extents[1] != classes.size() || m.extents[3] != classes.size()) {
        return kInvalid;
    }
    if (!brixel::IntervalsFit(*this, port, classes, n)) {
        return kInvalid;  // refused before any class is changed
    }
    // Element (i, k, j, k): the size shares inside density class k. Shares between density
    // classes are not applied.
    const std::size_t m1 = classes.size();
    const auto at = [&](std::size_t i, std::size_t k, std::size_t j) {
        return m.values[i + n * (k + m1 * (j + n * k))];
    };
    SAFEARRAYBOUND bounds[2] = {{static_cast<uint32_t>(n), 0}, {static_cast<uint32_t>(n), 0}};
    CComSafeArray<double> block(bounds, 2);
    auto* cells = static_cast<double*>(block.m_psa->pvData);
    for (std::size_t k = 0; k < m1; ++k) {
        for (std::size_t j = 0; j < n; ++j) {
            for (std::size_t i = 0; i < n; ++i) {
                cells[i + j * n] = at(i, k, j);
            }
        }
        const long status =
            ApplyMovMatrix(port, CComBSTR("PSD"), block, brixel::kBasisMass, classes[k]);
        if (status != brixel::kStatusOk) {
            return status;
        }
    }
    return brixel::kStatusOk;
}

// A factor per velocity class moves nothing between classes: each density class takes its
// own factors as a size matrix, which is what the four-dimensional diagonal comes to, without
// building and reading n x n blocks of zeros.
long CBrixelBaseUnit::ApplyVelocityFactors(int port, const CComSafeArray<double>& factors) {
    CComBSTR unit;
    CComSafeArray<VARIANT> mesh;
    Dense given;
    if (GetSolidAttrDefinition(port, CComBSTR("PSD"), unit, mesh, brixel::kPhaseSolid) !=
            brixel::kStatusOk ||
        mesh.GetCount() < 2 || !brixel::ReadMatrix(factors, given)) {
        return kInvalid;
    }
    const std::size_t n = mesh.GetCount() - 1;
    const std::vector<int> classes = DensityClasses(port);
    if (classes.empty() || !given.Fits(n * classes.size())) {
        return kInvalid;
    }
    if (!brixel::IntervalsFit(*this, port, classes, n)) {
        return kInvalid;  // refused before any class is changed
    }
    CComSafeArray<double> slice(static_cast<uint32_t>(n));
    auto* cells = static_cast<double*>(slice.m_psa->pvData);
    for (std::size_t k = 0; k < classes.size(); ++k) {
        std::copy_n(given.values.begin() + static_cast<std::ptrdiff_t>(k * n), n, cells);
        const long status =
            ApplyMovMatrix(port, CComBSTR("PSD"), slice, brixel::kBasisMass, classes[k]);
        if (status != brixel::kStatusOk) {
            return status;
        }
    }
    return brixel::kStatusOk;
}

bool CBrixelBaseUnit::ConvertMovMatrixTVD(int port, CComSafeArray<double>& matrix) {
    try {
        CComBSTR unit;
        CComSafeArray<VARIANT> mesh;
        CComSafeArray<VARIANT> densities;
        if (GetSolidAttrDefinition(port, CComBSTR("PSD"), unit, mesh, brixel::kPhaseSolid) !=
                brixel::kStatusOk ||
            GetSolidAttrDefinition(port, CComBSTR("density"), unit, densities,
                                   brixel::kPhaseSolid) != brixel::kStatusOk) {
            return false;
        }
        const std::size_t n = mesh.GetCount() > 1 ? mesh.GetCount() - 1 : 0;
        const std::size_t classes = densities.GetCount();
        Dense given;
        if (n == 0 || classes == 0 || !brixel::ReadMatrix(matrix, given) ||
            !given.Fits(n * classes)) {
            return false;
        }
        const auto u = static_cast<uint32_t>(n);
        const auto c = static_cast<uint32_t>(classes);
        SAFEARRAYBOUND bounds[4] = {{u, 0}, {c, 0}, {u, 0}, {c, 0}};
        CComSafeArray<double> expanded(bounds, 4);
        auto* cells = static_cast<double*>(expanded.m_psa->pvData);
        std::fill(cells, cells + n * classes * n * classes, 0.0);
        // Class v = k n + j is size interval j of density class k.
        const auto cell = [&](std::size_t from, std::size_t to) -> double& {
            const std::size_t j1 = from % n;
            const std::size_t k1 = from / n;
            const std::size_t j2 = to % n;
            const std::size_t k2 = to / n;
            return cells[j1 + n * (k1 + classes * (j2 + n * k2))];
        };
        const std::size_t total = n * classes;
        for (std::size_t from = 0; from < total; ++from) {
            if (given.Rank() == 1) {
                cell(from, from) = given.values[from];
                continue;
            }
            for (std::size_t to = 0; to < total; ++to) {
                const double share = given.At(from, to);
                if (share != 0.0) {
                    cell(from, to) = share;
                }
            }
        }
        matrix = std::move(expanded);
        return true;
    } catch (...) {
        return false;
    }
}

long CBrixelBaseUnit::ApplyMovMatrix(const CString& portName, const CComBSTR& attribute,
                                     const CComSafeArray<double>& matrix, const CComBSTR& basis) {
    return brixel::ByPortName(*this, portName, true, [&](int port) {
        return ApplyMovMatrix(port, attribute, matrix, GetPropertyBasis(basis),
                              brixel::kPhaseSolid);
    });
}

long CBrixelBaseUnit::ApplyMovMatrix(const CString& portName, const CComSafeArray<BSTR>& attributes,
                                     const CComSafeArray<double>& matrix) {
    return brixel::ByPortName(*this, portName, true,
                              [&](int port) { return ApplyMovMatrix(port, attributes, matrix); });
}
