#include "cli/case_kinds.h"

#include "cli/dense_conveying_case.h"
#include "cli/dilute_conveying_case.h"
#include "cli/distribution_kind.h"
#include "cli/efficiency_fit_case.h"
#include "cli/growth_case.h"
#include "cli/separator_kind.h"

namespace brixel::cli {

const std::vector<CaseKind>& CaseKinds() {
    static const std::vector<CaseKind> kinds = {
        {"separator", "a solid/fluid separator with classification", ReadSeparatorKind},
        {"dilute_conveying", "a dilute-phase pneumatic conveying line", ReadDiluteConveyingKind},
        {"dense_conveying", "a dense-phase (slug-flow) pneumatic conveying line",
         ReadDenseConveyingKind},
        {"distribution", "sets a feed's PSD from distribution functions or a table",
         ReadDistributionKind},
        {"growth", "grows or shrinks a feed's solids at constant particle number", ReadGrowthKind},
        {"efficiency_fit", "grade efficiencies of a size grid from measured points",
         ReadEfficiencyFitKind},
    };
    return kinds;
}

CaseRunner ReadCase(const std::string& text, const std::string& name) {
    const YAML::Node root = LoadCaseDocument(text, name);
    const YamlReader reader(name);
    if (!root.IsMap()) {
        reader.Fail(root, "the case file must be a map of keys and values");
    }
    const std::vector<CaseKind>& kinds = CaseKinds();
    const YAML::Node unit = root["unit"];
    if (!unit) {
        return kinds.front().read(reader, root);
    }
    const std::string key = reader.Text(unit, "unit");
    std::string known;
    for (const CaseKind& kind : kinds) {
        if (kind.key == key) {
            return kind.read(reader, root);
        }
        known += (known.empty() ? "" : ", ") + Quoted(kind.key);
    }
    reader.Fail(unit, "unknown unit " + Quoted(key) + " (known: " + known + ")");
}

}  // namespace brixel::cli
