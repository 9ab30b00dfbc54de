#pragma once

#include <optional>
#include <string>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/messages/error_print.h"

// Terminal settling velocity of a sphere in a fluid, and the history report of a stream's
// velocity distribution.
namespace brixel {

struct SettlingVelocity {
    double velocity = 0.0;         // m/s; negative for a particle lighter than the fluid
    double reynolds = 0.0;         // of the last iteration; 0 when none was needed
    double dragCoefficient = 0.0;  // of the last iteration; 0 when none was needed
};

// Fixed-point iteration of v = sqrt(A g / Cw(Re)) with the drag law
// Cw = 24/Re + 4/sqrt(Re) + 0.4, started from the Stokes velocity; at most 10000 steps.
// Diameter in m, densities in kg/m3, viscosity in Pa*s, acceleration in m/s2.
// A viscosity of 0 is the inviscid limit: Re is infinite and Cw = 0.4 (Newton regime).
// Empty for inputs without a settling velocity: any value NaN or infinite, a negative diameter
// or viscosity, a particle density not above 0 (how an unknown density arrives) or a fluid
// density of 0 (nothing to balance the weight).
std::optional<SettlingVelocity> TerminalSettlingVelocity(double diameter, double particleDensity,
                                                         double fluidDensity, double viscosity,
                                                         double acceleration);

// The same for every diameter of `diameters` (same values, all classes iterated together):
// `results` one per diameter; false, when any class has no settling velocity.
bool TerminalSettlingVelocities(const std::vector<double>& diameters, double particleDensity,
                                double fluidDensity, double viscosity, double acceleration,
                                std::vector<SettlingVelocity>& results);

// One size interval of a density class in the report.
struct SettlingReportRow {
    double diameter = 0.0;         // m
    double particleDensity = 0.0;  // kg/m3
    SettlingVelocity settling;
};

struct SettlingReportClass {
    std::string substreamId;
    std::vector<SettlingReportRow> rows;
};

struct SettlingReport {
    bool vapor = true;          // else liquid
    double fluidDensity = 0.0;  // kg/m3
    double viscosity = 0.0;     // Pa*s
    std::vector<SettlingReportClass> classes;
};

struct ReportLine {
    std::string text;
    bool tabbed = false;  // fields separated by tabs, laid out at kSettlingReportTabs
};

// Tab stops of the tabulated lines: the indent, then one stop after each of the five columns.
inline constexpr int kSettlingReportTabs[] = {1, 13, 24, 40, 56, 72};

std::vector<ReportLine> SettlingReportLines(const SettlingReport& report);

// Writes the report to the history file when the print level (status word 0) is above 4.
void WriteSettlingReport(CErrorPrint& output, const SettlingReport& report);
// Whether WriteSettlingReport writes anything to `output` (its print level asks for it).
bool SettlingReportWanted(const CErrorPrint& output);

}  // namespace brixel
