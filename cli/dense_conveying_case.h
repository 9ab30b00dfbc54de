#pragma once

#include <optional>

#include "cli/case_kind.h"
#include "cli/feed_case.h"

namespace brixel::cli {

// A dense-phase conveying case: the shared feed and the line's data, in SI units (angles in
// rad). A case that reached this struct through its reader is complete and consistent.
struct DenseConveyingCase : FeedCase {
    DenseConveyingCase() { blockId = "LINE"; }

    double tubeDiameter = 0.0;  // m
    double tubeLength = 0.0;    // m
    double riseAngle = 0.0;     // rad, 0 horizontal
    double bendLength = 0.0;    // m of straight tube equivalent to the bends
    // Exactly one of the two: the slug's bulk density (kg/m3) or its voidage.
    std::optional<double> bulkDensity;
    std::optional<double> voidage;
    double sphericity = 1.0;
    std::optional<double> particleDiameter;        // m; else the Sauter diameter of the PSD
    double stressTransmission = 0.0;               // k
    double wallFriction = 0.0;                     // particle-wall friction mu_w
    std::optional<double> characteristicVelocity;  // m/s; else 0.542 sqrt(g D)
    int maxIterations = 100;
    double gradientTolerance = 1e-4;   // relative difference of the two gradients
    double velocityTolerance = 1e-6;   // relative width of the velocity interval
    double minOutletPressure = 100.0;  // Pa
    int profileIntervals = 10;
};

// Reads and checks a whole dense-phase conveying case from a case file's root map.
// Throws CaseFileError.
DenseConveyingCase ReadDenseConveyingCase(const YamlReader& reader, const YAML::Node& root);

// The kind's reader for the table of case kinds.
CaseRunner ReadDenseConveyingKind(const YamlReader& reader, const YAML::Node& root);

// Runs the case on a fresh substitute host: the feed flashed at its T and P, the line
// validated and calculated, the fallback exit taken on a failure. Throws CaseRunError.
RunResult RunDenseConveyingCase(const DenseConveyingCase& input);

}  // namespace brixel::cli
