#pragma once

#include "cli/case_kind.h"
#include "cli/case_run.h"

namespace brixel::cli {

// The separator as a case kind: reads a separator case and returns its run.
CaseRunner ReadSeparatorKind(const YamlReader& reader, const YAML::Node& root);

// A separator run in the form every report writer takes; its text report keeps the
// separator's own layout.
RunResult SeparatorRunResult(const CaseResult& result);

}  // namespace brixel::cli
