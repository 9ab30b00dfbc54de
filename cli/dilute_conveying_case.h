#pragma once

#include <optional>
#include <string>

#include "cli/case_kind.h"
#include "cli/feed_case.h"

namespace brixel::cli {

// A dilute-phase conveying line as a case file describes it; lengths in m, the rise angle in
// degrees. Unset optionals keep the model's defaults.
struct DiluteConveyingCase : FeedCase {
    double tubeDiameter = 0.0;
    double tubeLength = 0.0;
    double riseAngleDegrees = 0.0;
    int elbows = 0;
    std::optional<double> elbowZeta;
    std::string solidsModel;  // "Muschelknautz" or "Siegel"
    std::optional<std::string> fluidModel;
    std::optional<std::string> wallFrictionModel;
    std::optional<std::string> solidsFrictionModel;
    std::optional<std::string> pluggingModel;
    std::optional<bool> initialAcceleration;
    std::optional<double> particleDiameter;  // given: used instead of the Sauter diameter
    std::optional<double> fluidFriction, solidsFriction, impactFriction, wallFriction,
        clusterFriction, bottomFraction, siegelFriction, velocityRatio, bulkPorosity,
        maxRelativePressureDifference, lengthAdjustmentFactor, lowPressureThreshold,
        maxSegmentLength;
    std::optional<int> maxIterations;
    int profileIntervals = 20;
};

// Reads the whole case (root keys and the `dilute_conveying` map). Throws CaseFileError.
DiluteConveyingCase ReadDiluteConveyingCase(const YamlReader& reader, const YAML::Node& root);

// Runs the case on a fresh substitute host. Throws CaseRunError when the host refuses it.
RunResult RunDiluteConveyingCase(const DiluteConveyingCase& input);

// The kind's entry in the table of case kinds.
CaseRunner ReadDiluteConveyingKind(const YamlReader& reader, const YAML::Node& root);

}  // namespace brixel::cli
