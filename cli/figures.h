#pragma once

#include <string>
#include <vector>

#include "cli/case_kind.h"

namespace brixel::cli {

// One line of a figure: finite points only, in drawing order.
struct FigureSeries {
    std::string name;
    std::vector<double> x;
    std::vector<double> y;
    std::string note;  // appended to the legend entry ("x10 2.9 µm, ...")
};

// A level every series is read at, drawn as a dashed line: Q3 = 0.5 gives x50.
struct FigureLevel {
    std::string label;  // "x50"
    double y = 0.0;
};

// What to draw, independent of the drawing library; built from a RunResult's tables.
struct Figure {
    std::string stem;  // file name without extension: "psd_q3", "profile_pressure"
    std::string title;
    std::string xLabel;  // "quantity / unit"
    std::string yLabel;
    bool logX = false;
    bool fixedY = false;  // y range [yMin, yMax] instead of the data's
    double yMin = 0.0;
    double yMax = 1.0;
    std::vector<FigureSeries> series;
    std::vector<FigureLevel> levels;  // with a marker where each series crosses it
};

// The figures a run's tables give. A PSD table (columns "lower size / m", "upper size / m",
// then fractions per stream) becomes cumulative Q3 curves with x10/x50/x90; any other table
// is plotted against its first column, one figure per unit of the other columns. A new case
// kind whose tables follow these column conventions gets its figures without code here.
std::vector<Figure> FiguresOf(const RunResult& result);

// Where a rising series first reaches `level`, interpolated between its points as the figure
// draws them: linearly in x, or in log x on a log axis. NaN when it never does.
double CrossingOf(const FigureSeries& series, double level, bool logX = false);

// "quantity" of "quantity / unit" and the unit ("" without one).
std::string QuantityOf(const std::string& column);
std::string UnitOf(const std::string& column);

}  // namespace brixel::cli
