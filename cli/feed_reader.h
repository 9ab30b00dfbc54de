#pragma once

#include <initializer_list>
#include <string_view>
#include <vector>

#include "cli/feed_case.h"
#include "cli/yaml_reader.h"

namespace brixel::cli {

// The keys a case file's root map may hold for a kind: "unit", the shared keys ("title",
// "block", "components", "stream_class", "feed") and the kind's own.
std::vector<std::string_view> RootKeys(std::initializer_list<std::string_view> own);

// Reads the shared keys of a case file's root map into `feed` (blockId keeps its default
// when the file has no block). Throws CaseFileError.
void ReadFeedCase(const YamlReader& reader, const YAML::Node& root, FeedCase& feed);

}  // namespace brixel::cli
