#pragma once

#include <string>
#include <vector>

#include "cli/feed_case.h"

namespace brixel::cli {

// A whole separator case: the feed and the one separator block.
struct SeparatorCase : FeedCase {
    SeparatorCase() { blockId = "SEP"; }

    bool liquidIsFluid = false;              // false: the vapour is the fluid
    std::vector<NamedValue> specifications;  // exactly two, in order 1, 2
    double sharpness = 0.5;
    double offset = 0.0;
    std::string classAttribute = "particle size";
    std::vector<NamedValue> outletState;  // one or two state variables of the outlet flash
    bool streamCurve = false;  // also compute the grade-efficiency curve from the streams
};

}  // namespace brixel::cli
