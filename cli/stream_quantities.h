#pragma once

#include <array>

#include "cli/feed_host.h"

namespace brixel::cli {

// The quantities every report form shows for a stream, in the order they are shown.
struct StreamQuantity {
    const char* name;  // "vapour"
    const char* unit;  // SI: "kg/s"
    double (*of)(const StreamSummary& stream);
};

inline constexpr std::array<StreamQuantity, 6> kStreamQuantities = {{
    {"vapour", "kg/s", [](const StreamSummary& s) { return s.vapour; }},
    {"liquid", "kg/s", [](const StreamSummary& s) { return s.liquid; }},
    {"solids", "kg/s", [](const StreamSummary& s) { return s.solid; }},
    {"total", "kg/s", [](const StreamSummary& s) { return s.vapour + s.liquid + s.solid; }},
    {"temperature", "K", [](const StreamSummary& s) { return s.temperature; }},
    {"pressure", "Pa", [](const StreamSummary& s) { return s.pressure; }},
}};

}  // namespace brixel::cli
