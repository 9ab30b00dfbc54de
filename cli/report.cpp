#include "cli/report.h"

#include <cstdio>

#include "brixel/exports/plex_exports.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

namespace brixel::cli {

namespace {

constexpr double kMissing = 1e35;

std::string Cell(double value) {
    if (value >= kMissing) {
        return "missing";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string ComponentName(int64_t substreamType, int64_t index) {
    char id[9] = {};
    if (substreamType == records::kNonconventional) {
        componentIdNC(index, id);
    } else {
        componentId(index, id);
    }
    return id;
}

}  // namespace

void PrintStreamTable(std::ostream& out, const std::string& title, int64_t streamBead) {
    const StreamClassView view{StreamClassOfStream(streamBead)};
    const double* vector = plex::RealRecord(streamBead);
    char line[160];
    out << title << " (stream " << streamBead << ")\n";
    if (!vector || view.SubstreamCount() == 0) {
        out << "  (no material substreams)\n";
        return;
    }
    for (int64_t k = 0; k < view.SubstreamCount(); ++k) {
        const int64_t type = view.Type(k);
        const int64_t components = view.ComponentCount(k);
        const double* substream = vector + view.Offset(k);
        std::snprintf(line, sizeof line, "  substream %-8s type %lld\n", view.Id(k).c_str(),
                      static_cast<long long>(type));
        out << line;
        for (int64_t i = 0; i < components; ++i) {
            std::snprintf(line, sizeof line, "    %-24s %14s kmol/s\n",
                          ComponentName(type, i).c_str(), Cell(substream[i]).c_str());
            out << line;
        }
        struct Row {
            const char* label;
            int64_t entry;
            const char* unit;
        };
        namespace sv = stream_vector;
        for (const Row& row :
             {Row{"total flow", sv::kTotalFlow, "kmol/s"},
              Row{"temperature", sv::kTemperature, "K"}, Row{"pressure", sv::kPressure, "Pa"},
              Row{"enthalpy", sv::kEnthalpy, "J/kg"},
              Row{"vapour fraction", sv::kVaporFraction, ""},
              Row{"liquid fraction", sv::kLiquidFraction, ""},
              Row{"molecular weight", sv::kMolecularWeight, "kg/kmol"}}) {
            std::snprintf(line, sizeof line, "    %-24s %14s %s\n", row.label,
                          Cell(substream[components + row.entry]).c_str(), row.unit);
            out << line;
        }
        const double total = substream[components + sv::kTotalFlow];
        const double weight = substream[components + sv::kMolecularWeight];
        const double mass = (total < kMissing && weight < kMissing) ? total * weight : kMissing;
        std::snprintf(line, sizeof line, "    %-24s %14s kg/s\n", "mass flow", Cell(mass).c_str());
        out << line;
    }
}

void PrintLines(std::ostream& out, const std::string& title,
                const std::vector<std::string>& lines) {
    out << title << "\n";
    if (lines.empty()) {
        out << "  (none)\n";
    }
    for (const std::string& text : lines) {
        out << "  " << text << "\n";
    }
}

}  // namespace brixel::cli
