#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/plex.h"
#include "brixel/messages/error_print.h"
#include "brixel/models/distribution/set_distributed_property.h"
#include "host/substitute_host.h"
#include "support/array_helpers.h"

namespace brixel::testing {

constexpr double kMissing = host::kRealMissing;

// A distribution element without an owner that reports through a printer on a host block.
class DistributionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plex::SetupFromHost();
        CBrixelBaseUnit::RefreshMarkers();
        element.SetErrorInterface(&printer);
    }

    std::vector<std::string> Printed() const { return Trimmed(host.PrintedLines()); }
    // The level-check codes offered, in order.
    std::vector<int64_t> Codes() const {
        std::vector<int64_t> codes;
        for (const auto& call : host.LevelChecks()) {
            codes.push_back(call.code);
        }
        return codes;
    }

    host::SubstituteHost host;
    host::Block& block = host.AddBlock("DIST", {}, {});
    CErrorPrint printer{block.statusBlock.data()};
    CSetDistributedProperty element{nullptr};
};

// An error-buffer line as printed: 6 blanks before the text.
inline std::string Line(const std::string& text) {
    return "      " + text;
}

inline std::vector<std::string> Lines(std::initializer_list<std::string> texts) {
    std::vector<std::string> lines;
    for (const auto& text : texts) {
        lines.push_back(Line(text));
    }
    return lines;
}

// Independent closed forms.
inline double Rrsb(double x, double n, double d63) {
    return 1.0 - std::exp(-std::pow(x / d63, n));
}
inline double StandardNormal(double z) {
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

}  // namespace brixel::testing
