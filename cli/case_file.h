#pragma once

#include <string>

#include "cli/separator_case.h"
#include "cli/yaml_reader.h"

namespace brixel::cli {

// Reads and checks a whole separator case from a case file's root map; every problem is found
// before anything runs. Throws CaseFileError.
SeparatorCase ReadSeparatorCase(const YamlReader& reader, const YAML::Node& root);
// The same for a whole file, or for case text (`name` stands for the file in messages).
SeparatorCase LoadCaseFile(const std::string& path);
SeparatorCase ParseCase(const std::string& text, const std::string& name);

}  // namespace brixel::cli
