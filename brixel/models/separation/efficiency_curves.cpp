// Grade-efficiency curves from the records of a feed and a product stream: for every size
// class the fraction of the feed's mass found in the product, substream by substream and
// overall.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/component_table.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/particles/psd_record.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

using brixel::IsGiven;

namespace {

constexpr double kSameClassValue = 1e-10;  // m: class values closer than this are one mesh

// Reads the host's polymer and solid-component settings when no unit is at hand.
class HostSettings : public CBrixelBaseUnit {
  public:
    const char* GetModelName() const override { return "GNSEFF"; }
    long WriteReport() override { return 0; }
};

struct CurveLayout {
    int64_t stride;
    int64_t classColumn;
    int64_t efficiencyColumn;
    int64_t densityColumn;  // -1: none
};

// A block of n values from `column` lies inside a row of the stride.
bool BlockFits(int64_t column, int64_t n, int64_t stride) {
    return column >= 0 && n <= stride && column <= stride - n;
}

// Solid mass flow (kg/s) of one substream; 0 where nothing is given.
double SolidMass(const CBrixelBaseUnit& unit, const brixel::StreamClassView& view,
                 const double* vector, int64_t substream) {
    const int64_t count = view.ComponentCount(substream);
    const double* flows = vector + view.Offset(substream);
    const double* state = flows + count;
    const double total = state[sv::kTotalFlow];
    if (!IsGiven(total) || !(total > 0.0)) {
        return 0.0;
    }
    switch (view.Type(substream)) {
        case rec::kCiSolid: {
            const double weight = state[sv::kMolecularWeight];
            return IsGiven(weight) && weight > 0.0 ? total * weight : 0.0;
        }
        case rec::kNonconventional:
            return total;
        default: {
            // Conventional solids, and polymers or oligomers below their melting temperature.
            const double temperature = state[sv::kTemperature];
            double mass = 0.0;
            for (int64_t c = 0; c < count; ++c) {
                if (!IsGiven(flows[c]) || !(flows[c] > 0.0)) {
                    continue;
                }
                const bool solid =
                    unit.IsSolidComp(c) ||
                    ((unit.IsPolymer(c) || unit.IsOligomer(c)) && IsGiven(temperature) &&
                     CBrixelBaseUnit::StaticGetTMeltPolyOligomer(c) > temperature);
                if (solid) {
                    mass += flows[c] * brixel::ComponentMolecularWeight(c);
                }
            }
            return mass;
        }
    }
}

bool HasDistribution(const double* fractions, int64_t n) {
    for (int64_t i = 0; i < n; ++i) {
        if (IsGiven(fractions[i]) && fractions[i] > CBrixelBaseUnit::m_dblRMin) {
            return true;
        }
    }
    return false;
}

long Generate(int64_t feed, int64_t product, const CurveLayout& layout, double* table,
              const CBrixelBaseUnit& unit) {
    const int64_t* feedClass = brixel::StreamClassOfStream(feed);
    double* feedVector = brixel::plex::RealRecord(feed);
    double* productVector = brixel::plex::RealRecord(product);
    if (!feedClass || feedClass != brixel::StreamClassOfStream(product) || !feedVector ||
        !productVector) {
        return brixel::kStatusInvalidArgument;
    }
    const brixel::StreamClassView view(feedClass);
    const int64_t substreams = view.SubstreamCount();
    std::vector<brixel::PsdRef> feedPsd(static_cast<std::size_t>(substreams));
    std::vector<brixel::PsdRef> productPsd(feedPsd.size());
    // Every block must fit its row before anything is written.
    int64_t widest = 0;
    for (int64_t s = 0; s < substreams; ++s) {
        const auto k = static_cast<std::size_t>(s);
        feedPsd[k] = brixel::FirstPsd(view, feedVector, s);
        productPsd[k] = brixel::FirstPsd(view, productVector, s);
        widest = std::max(widest, feedPsd[k].intervals);
    }
    if (layout.stride < 1 || !BlockFits(layout.classColumn, widest, layout.stride) ||
        !BlockFits(layout.efficiencyColumn, widest, layout.stride) ||
        (layout.densityColumn != -1 && !BlockFits(layout.densityColumn, widest, layout.stride)) ||
        substreams > std::numeric_limits<int64_t>::max() / layout.stride - 1) {
        return brixel::kStatusInvalidArgument;
    }

    const double rMiss = CBrixelBaseUnit::m_dblRMiss;
    const double rMin = CBrixelBaseUnit::m_dblRMin;
    double totalFeed = 0.0;
    double densityFeed = 0.0;  // feed flow of the substreams with a density
    double volumeSum = 0.0;    // their summed F/density
    bool sameMesh = true;
    const double* firstMesh = nullptr;
    int64_t classes = 0;
    std::vector<double> feedSum, productSum;
    for (int64_t s = 0; s < substreams; ++s) {
        const auto k = static_cast<std::size_t>(s);
        const double massIn = SolidMass(unit, view, feedVector, s);
        totalFeed += massIn;
        const int64_t n = feedPsd[k].intervals;
        if (n == 0) {
            continue;
        }
        const double massOut = SolidMass(unit, view, productVector, s);
        const double* mesh = feedPsd[k].mesh;
        double* row = table + s * layout.stride;
        if (!firstMesh) {
            firstMesh = mesh;
            classes = n;
            feedSum.assign(static_cast<std::size_t>(n), 0.0);
            productSum.assign(static_cast<std::size_t>(n), 0.0);
        } else if (n != classes) {
            sameMesh = false;
        }
        const double* wIn = feedPsd[k].fractions;
        const double* wOut = productPsd[k].fractions;
        const bool feedHasPsd = HasDistribution(wIn, n);
        const bool productHasPsd = HasDistribution(wOut, n);
        const double share = 1.0 / static_cast<double>(n);
        for (int64_t i = 0; i < n; ++i) {
            const double value = 0.5 * (mesh[i] + mesh[i + 1]);
            row[layout.classColumn + i] = value;
            if (sameMesh && n == classes &&
                std::fabs(value - 0.5 * (firstMesh[i] + firstMesh[i + 1])) >= kSameClassValue) {
                sameMesh = false;
            }
            const double in = feedHasPsd ? massIn * wIn[i] : massIn * share;
            const double out = (productHasPsd ? wOut[i] : share) * massOut;
            row[layout.efficiencyColumn + i] = in > rMin ? out / in : rMiss;
            if (n == classes) {
                feedSum[static_cast<std::size_t>(i)] += in;
                productSum[static_cast<std::size_t>(i)] += out;
            }
        }
        if (layout.densityColumn != -1) {
            const double density =
                (feedVector + view.Offset(s) + view.ComponentCount(s))[sv::kDensity];
            for (int64_t i = 0; i < n; ++i) {
                row[layout.densityColumn + i] = density;
            }
            if (IsGiven(density) && density > 0.0) {
                densityFeed += massIn;
                volumeSum += massIn / density;
            }
        }
    }

    if (firstMesh && sameMesh && totalFeed > 0.0) {
        double* row = table + substreams * layout.stride;
        for (int64_t i = 0; i < classes; ++i) {
            const auto k = static_cast<std::size_t>(i);
            row[layout.classColumn + i] = 0.5 * (firstMesh[i] + firstMesh[i + 1]);
            row[layout.efficiencyColumn + i] =
                feedSum[k] > 0.0 ? productSum[k] / feedSum[k] : rMiss;
        }
        if (layout.densityColumn != -1) {
            // Flow-weighted harmonic mean of the substream densities.
            const double density = volumeSum > 0.0 ? densityFeed / volumeSum : rMiss;
            for (int64_t i = 0; i < classes; ++i) {
                row[layout.densityColumn + i] = density;
            }
        }
    }
    return brixel::kStatusOk;
}

}  // namespace

long CBrixelBaseUnit::StaticGenSepEffCurvesUnit(int feed, int product, int stride, int classColumn,
                                                int efficiencyColumn, double* table,
                                                int densityColumn, CBrixelBaseUnit* unit) {
    if (!table) {
        return brixel::kStatusNullPointer;
    }
    if (densityColumn < -1) {
        return brixel::kStatusInvalidArgument;
    }
    const CurveLayout layout{stride, classColumn, efficiencyColumn, densityColumn};
    try {
        if (unit) {
            return Generate(feed, product, layout, table, *unit);
        }
        const HostSettings settings;
        return Generate(feed, product, layout, table, settings);
    } catch (...) {
        return brixel::kStatusFail;
    }
}

long CBrixelBaseUnit::StaticGenSepEffCurves(int feed, int product, int stride, int classColumn,
                                            int efficiencyColumn, double* table,
                                            int densityColumn) {
    return StaticGenSepEffCurvesUnit(feed, product, stride, classColumn, efficiencyColumn, table,
                                     densityColumn, nullptr);
}

long CBrixelBaseUnit::GenerateSeparationEfficiencyCurves(int feed, int product, int stride,
                                                         int classColumn, int efficiencyColumn,
                                                         double* table, int densityColumn) {
    return StaticGenSepEffCurvesUnit(feed, product, stride, classColumn, efficiencyColumn, table,
                                     densityColumn, this);
}
