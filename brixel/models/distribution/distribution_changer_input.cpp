#include <cstdint>

#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/models/distribution/distribution_changer.h"
#include "brixel/models/distribution/distribution_curves.h"

namespace {

// Index-table entries.
constexpr int kAllSolidsFunctions = 0;
constexpr int kMeshTable = 1;
constexpr int kFreeTable = 2;
constexpr int kSubstreamFunctions = 3;
constexpr int kSubstreamMeshTables = 4;
constexpr int kSubstreamTables = 5;
constexpr int kBypass = 6;
constexpr int kTabularMethod = 7;
constexpr int kAllSolids = -3;

// Block words of the distribution-function entries (0 all solids, 3 per substream: one word
// further on). Their values are 1-based positions in the real array; type codes in the
// integer array.
struct FunctionWords {
    int types, fractions, ggsExponent, xmax, rrsbDispersion, steepness, d63, d50, logNormalSigma,
        normalSigma, count;
};
constexpr FunctionWords kAllSolidsWords{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr FunctionWords kSubstreamWords{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

// The host's parameter arrays as the index table addresses them.
class Parameters {
  public:
    Parameters(const int64_t* ints, const double* reals) : m_ints(ints), m_reals(reals) {}

    // The block an entry points to; null when the entry is not given.
    const int64_t* Block(const int64_t* index, int entry) const {
        const int64_t word = index[entry];
        return Given(word) && word >= 0 ? m_ints + word : nullptr;
    }
    static bool Given(int64_t word) { return brixel::IsGivenWord(word); }
    // Element `offset` from a 1-based position; missing for a position that is not given.
    double Real(int64_t position, int64_t offset = 0) const {
        return Given(position) && position >= 1 ? m_reals[position - 1 + offset]
                                                : CBrixelBaseUnit::m_dblRMiss;
    }
    const double* RealAddress(int64_t position, int64_t offset = 0) const {
        return Given(position) && position >= 1 ? m_reals + position - 1 + offset : nullptr;
    }
    int64_t Int(int64_t position, int64_t offset = 0) const {
        return Given(position) && position >= 1 ? m_ints[position - 1 + offset]
                                                : CBrixelBaseUnit::m_nIMiss;
    }
    double RealAt(int64_t index) const {
        return Given(index) && index >= 0 ? m_reals[index] : CBrixelBaseUnit::m_dblRMiss;
    }
    int64_t IntAt(int64_t index) const {
        return Given(index) && index >= 0 ? m_ints[index] : CBrixelBaseUnit::m_nIMiss;
    }

  private:
    const int64_t* m_ints;
    const double* m_reals;
};

int AsInt(int64_t value) {
    return static_cast<int>(static_cast<int32_t>(value));
}

// Distribution `row` of `element` from the matrices of a functions block (element `offset`
// of each).
void SetFunction(CSetDistributedProperty& element, int index, const Parameters& p,
                 const int64_t* block, const FunctionWords& w, int64_t offset, double fraction) {
    element.SetDistrFuncData(
        index, AsInt(p.Int(block[w.types], offset)), p.Real(block[w.d50], offset),
        p.Real(block[w.d63], offset), p.Real(block[w.xmax], offset),
        p.Real(block[w.steepness], offset), p.Real(block[w.ggsExponent], offset),
        p.Real(block[w.rrsbDispersion], offset), p.Real(block[w.normalSigma], offset),
        p.Real(block[w.logNormalSigma], offset), fraction);
}

}  // namespace

void CDistributionChanger::ReadInput(const int64_t* index) {
    if (!index || !m_pIntvals || !m_pRealvals) {
        return;
    }
    const Parameters p(m_pIntvals, m_pRealvals);

    if (const int64_t* block = p.Block(index, kAllSolidsFunctions);
        block && Parameters::Given(block[kAllSolidsWords.count]) &&
        block[kAllSolidsWords.count] > 0) {
        CSetDistributedProperty& element = AddElement();
        const int count = AsInt(block[kAllSolidsWords.count]);
        element.SetNumberOfDistributions(count);
        for (int i = 0; i < count; ++i) {
            SetFunction(element, i, p, block, kAllSolidsWords, i,
                        p.Real(block[kAllSolidsWords.fractions], i));
        }
    }
    if (const int64_t* block = p.Block(index, kFreeTable);
        block && Parameters::Given(block[4]) && block[4] > 0) {
        AddElement().SetTabularData(AsInt(block[4]), p.RealAddress(block[1]),
                                    p.RealAddress(block[2]), p.RealAddress(block[3]));
    }
    if (const int64_t* block = p.Block(index, kMeshTable);
        block && Parameters::Given(block[1]) && block[1] > 0) {
        const double* mesh = brixel::plex::RealRecord(block[0]);
        AddElement().SetTabularData(AsInt(block[1]), mesh, mesh ? mesh + 1 : nullptr,
                                    p.RealAddress(block[2]));
    }

    if (m_elements.empty()) {
        const int inlet = BeadOf(0);
        const int64_t* streamClass = StreamClassOf(inlet);
        if (const int64_t* block = p.Block(index, kSubstreamTables)) {
            const int64_t columns = block[0];
            const int64_t rows = block[5];
            for (int64_t s = 0; Parameters::Given(columns) && s < columns; ++s) {
                int given = 0;
                for (int64_t r = 0; Parameters::Given(rows) && r < rows; ++r) {
                    if (brixel::IsGiven(p.Real(block[2], r * columns + s))) {
                        ++given;
                    }
                }
                if (given > 0) {
                    CSetDistributedProperty& element = AddElement();
                    element.SetTabularData(given, p.RealAddress(block[2], s),
                                           p.RealAddress(block[3], s), p.RealAddress(block[4], s),
                                           AsInt(columns));
                    element.SetSubstreamSelection({AsInt(s)});
                }
            }
        }
        if (const int64_t* block = p.Block(index, kSubstreamFunctions)) {
            const FunctionWords& w = kSubstreamWords;
            const int64_t columns = block[0];
            const int64_t rows = block[w.count];
            for (int64_t s = 0;
                 Parameters::Given(columns) && Parameters::Given(rows) && rows > 0 && s < columns;
                 ++s) {
                if (streamClass && !HasPSD(streamClass, AsInt(s))) {
                    continue;
                }
                bool sized = false;
                bool fractions = false;
                for (int64_t r = 0; r < rows && !fractions; ++r) {
                    const int64_t at = r * columns + s;
                    sized = sized || brixel::IsGiven(p.Real(block[w.d50], at)) ||
                            brixel::IsGiven(p.Real(block[w.d63], at)) ||
                            brixel::IsGiven(p.Real(block[w.xmax], at));
                    fractions = brixel::IsGiven(p.Real(block[w.fractions], at));
                }
                if (!sized) {
                    continue;
                }
                CSetDistributedProperty& element = AddElement();
                element.SetSubstreamSelection({AsInt(s)});
                if (!fractions) {
                    SetFunction(element, 0, p, block, w, s, 1.0);
                    continue;
                }
                int distribution = 0;
                for (int64_t r = 0; r < rows; ++r) {
                    const double fraction = p.Real(block[w.fractions], r * columns + s);
                    if (brixel::IsGiven(fraction)) {
                        SetFunction(element, distribution++, p, block, w, r * columns + s,
                                    fraction);
                    }
                }
            }
        }
        if (const int64_t* block = p.Block(index, kSubstreamMeshTables)) {
            const int64_t rows = block[5];
            for (int64_t r = 0; Parameters::Given(rows) && r < rows; ++r) {
                const int64_t substream = p.Int(block[1], r);
                const int64_t meshBead = p.Int(block[2], r);
                if (!Parameters::Given(substream) || !Parameters::Given(meshBead) ||
                    substream < 1 || meshBead < 1) {
                    continue;
                }
                const double* mesh = brixel::plex::RealRecord(meshBead);
                CSetDistributedProperty& element = AddElement();
                element.SetTabularData(AsInt(p.Int(block[3], 2 * r)), mesh,
                                       mesh ? mesh + 1 : nullptr,
                                       p.RealAddress(p.Int(block[3], 2 * r + 1)));
                element.SetSubstreamSelection({AsInt(substream - 1)});
            }
        }
    }

    // Bypass: one for all, unless entry 4 gives one per substream.
    const int64_t* perSubstream = p.Block(index, kSubstreamMeshTables);
    const int64_t bypassRows = perSubstream ? perSubstream[5] : 0;
    const bool substreamBypass = Parameters::Given(bypassRows) && bypassRows > 0;
    const int64_t method = p.IntAt(index[kTabularMethod]);
    for (const auto& element : m_elements) {
        if (!substreamBypass) {
            if (Parameters::Given(index[kBypass]) && index[kBypass] >= 0) {
                element->SetBypass(p.RealAt(index[kBypass]));
            }
        } else {
            for (int64_t r = 0; r < bypassRows; ++r) {
                if (p.Int(perSubstream[1], r) - 1 == element->GetSubstreamSelection().front() &&
                    element->GetSubstreamSelection().front() != kAllSolids) {
                    element->SetBypass(p.Real(perSubstream[4], r));
                }
            }
        }
        if (Parameters::Given(method)) {
            element->SetTabularMethod(AsInt(method));
        }
    }
}
