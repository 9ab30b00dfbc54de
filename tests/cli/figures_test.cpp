// Figures from a run's tables: what is drawn (series, points, axes) and the files PLplot makes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "cli/case_kinds.h"
#include "cli/default_case.h"
#include "cli/figures.h"
#include "cli/yaml_reader.h"
#include "output_test_support.h"

namespace brixel::cli {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

const Figure& Named(const std::vector<Figure>& figures, const std::string& stem) {
    for (const Figure& figure : figures) {
        if (figure.stem == stem) {
            return figure;
        }
    }
    throw std::runtime_error("no figure " + stem);
}

TEST(Figures, CrossingFollowsTheDrawnCurve) {
    const FigureSeries series{"s", {1.0, 2.0, 3.0}, {0.0, 0.4, 1.0}, ""};
    EXPECT_DOUBLE_EQ(CrossingOf(series, 0.2), 1.5);
    EXPECT_DOUBLE_EQ(CrossingOf(series, 0.5), 2.0 + 0.1 / 0.6);
    EXPECT_DOUBLE_EQ(CrossingOf(series, 1.0), 3.0);
    EXPECT_TRUE(std::isnan(CrossingOf(series, 1.5)));
    // On a log axis the curve is straight in log x: halfway up between 1 and 100 lies 10.
    const FigureSeries decades{"s", {1.0, 100.0}, {0.0, 1.0}, ""};
    EXPECT_DOUBLE_EQ(CrossingOf(decades, 0.5, true), 10.0);
    EXPECT_DOUBLE_EQ(CrossingOf(decades, 0.5, false), 50.5);
    EXPECT_EQ(QuantityOf("gas velocity / (m/s)"), "gas velocity");
    EXPECT_EQ(UnitOf("gas velocity / (m/s)"), "(m/s)");
    EXPECT_EQ(UnitOf("count"), "");
}

TEST(Figures, PsdTableGivesNormalisedQ3WithCharacteristicSizes) {
    RunResult result;
    result.tables.push_back(
        {"psd",
         "PSD",
         {"lower size / m", "upper size / m", "FEED / -", "target q / -", "target Q3 / -",
          "EMPTY / -", "LOST / -", "mean size / m"},
         // Fractions of FEED sum to 2: the curve is normalised. The target's own cumulative
         // column wins over its fractions; a stream without solids or with a gap is left out,
         // and so is a column that is no fraction.
         {{1e-6, 2e-6, 0.4, 0.9, 0.1, 0.0, 0.5, 1.5e-6},
          {2e-6, 4e-6, 0.6, 0.9, 0.3, 0.0, kNaN, 3e-6},
          {4e-6, 8e-6, 1.0, 0.9, 0.6, 0.0, 0.5, 6e-6}}});
    const std::vector<Figure> figures = FiguresOf(result);
    ASSERT_EQ(figures.size(), 1u);
    const Figure& q3 = figures[0];
    EXPECT_EQ(q3.stem, "psd_q3");
    EXPECT_TRUE(q3.logX);
    EXPECT_TRUE(q3.fixedY);
    ASSERT_EQ(q3.series.size(), 2u);
    EXPECT_EQ(q3.series[0].name, "FEED");
    EXPECT_EQ(q3.series[0].x, (std::vector<double>{1e-6, 2e-6, 4e-6, 8e-6}));
    EXPECT_EQ(q3.series[0].y, (std::vector<double>{0.0, 0.2, 0.5, 1.0}));
    // In log size: x10 halfway into the first class (sqrt(1 * 2) um), x50 at its upper
    // boundary, x90 at 0.8 of the last (4 * 2^0.8 um).
    EXPECT_EQ(q3.series[0].note, "x10 1.41, x50 4, x90 6.96 µm");
    EXPECT_EQ(q3.series[1].name, "target");
    EXPECT_EQ(q3.series[1].y, (std::vector<double>{0.0, 0.1 / 0.6, 0.3 / 0.6, 1.0}));
    ASSERT_EQ(q3.levels.size(), 3u);
    EXPECT_EQ(q3.levels[1].label, "x50");
}

TEST(Figures, OtherTablesArePlottedAgainstTheirFirstColumnOneFigurePerUnit) {
    RunResult result;
    result.tables.push_back({"profile",
                             "Profile",
                             {"length / m", "pressure / Pa", "gas velocity / (m/s)",
                              "plugging velocity / (m/s)", "not reached / K"},
                             {{0.0, 2e5, 10.0, 8.0, kNaN},
                              {5.0, 1.9e5, kNaN, 8.0, kNaN},
                              {10.0, 1.8e5, 12.0, 1e35, kNaN}}});
    result.tables.push_back({"efficiency",
                             "Grade efficiency",
                             {"class size / m", "efficiency / %"},
                             {{1e-6, 10.0}, {1e-5, 60.0}, {1e-4, 100.0}}});
    const std::vector<Figure> figures = FiguresOf(result);
    ASSERT_EQ(figures.size(), 3u);
    const Figure& pressure = Named(figures, "profile_pressure");
    EXPECT_EQ(pressure.xLabel, "length / m");
    EXPECT_EQ(pressure.yLabel, "pressure / Pa");
    EXPECT_FALSE(pressure.logX);
    ASSERT_EQ(pressure.series.size(), 1u);
    EXPECT_EQ(pressure.series[0].y, (std::vector<double>{2e5, 1.9e5, 1.8e5}));
    const Figure& velocity = Named(figures, "profile_velocity");
    EXPECT_EQ(velocity.yLabel, "velocity / (m/s)");
    EXPECT_EQ(velocity.title, "Profile: velocity");
    ASSERT_EQ(velocity.series.size(), 2u);
    // Points the run did not reach (NaN, the host's missing value) are left out.
    EXPECT_EQ(velocity.series[0].x, (std::vector<double>{0.0, 10.0}));
    EXPECT_EQ(velocity.series[1].name, "plugging velocity");
    EXPECT_EQ(velocity.series[1].y, (std::vector<double>{8.0, 8.0}));
    const Figure& efficiency = Named(figures, "efficiency");
    EXPECT_EQ(efficiency.title, "Grade efficiency");
    EXPECT_TRUE(efficiency.logX);
    EXPECT_TRUE(efficiency.fixedY);
    EXPECT_DOUBLE_EQ(efficiency.yMax, 100.0);
}

TEST(Figures, CharacteristicSizesOfTheBuiltInFeedMatchTheHandValues) {
    // The feed's PSD summed by hand at the upper mesh sizes (um): 4: 0.0813, 6: 0.1897,
    // 10: 0.4096, 15: 0.6133, 30: 0.8804, 40: 0.9399 (it sums to 1). Straight in log size
    // between them: x10 = 4 (6/4)^((0.1 - 0.0813) / 0.1084) = 4.2898, x50 = 10 (15/10)^((0.5 -
    // 0.4096) / 0.2037) = 11.9715, x90 = 30 (40/30)^((0.9 - 0.8804) / 0.0595) = 32.982.
    const RunResult result =
        ReadCase(std::string(DefaultCaseText()), std::string(kDefaultCaseName))();
    const std::vector<Figure> figures = FiguresOf(result);
    const Figure& q3 = Named(figures, "psd_q3");
    ASSERT_EQ(q3.series.size(), 3u);
    EXPECT_EQ(q3.series[0].name, "INLET");
    ASSERT_TRUE(q3.logX);
    EXPECT_NEAR(CrossingOf(q3.series[0], 0.1, true), 4.2898e-6, 0.0001e-6);
    EXPECT_NEAR(CrossingOf(q3.series[0], 0.5, true), 11.9715e-6, 0.0001e-6);
    EXPECT_NEAR(CrossingOf(q3.series[0], 0.9, true), 32.982e-6, 0.001e-6);
    EXPECT_EQ(q3.series[0].note, "x10 4.29, x50 12, x90 33 µm");
    // The outlets' curves end at 1 as well, and the fines go to the fluid: its x50 is smaller.
    for (const FigureSeries& series : q3.series) {
        EXPECT_DOUBLE_EQ(series.y.back(), 1.0) << series.name;
    }
    EXPECT_LT(CrossingOf(q3.series[1], 0.5), CrossingOf(q3.series[0], 0.5));
    EXPECT_GT(CrossingOf(q3.series[2], 0.5), CrossingOf(q3.series[0], 0.5));
}

struct Polyline {
    std::string stroke;
    std::size_t points = 0;
};

std::vector<Polyline> PolylinesOf(const std::string& svg) {
    static const std::regex polyline(
        R"re(<polyline[^>]*?stroke="(#[0-9A-Fa-f]{6})"[^>]*?points="([^"]*)")re");
    std::vector<Polyline> lines;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), polyline);
         it != std::sregex_iterator(); ++it) {
        std::istringstream points((*it)[2].str());
        std::string point;
        Polyline line{(*it)[1].str(), 0};
        while (points >> point) {
            ++line.points;
        }
        lines.push_back(line);
    }
    return lines;
}

// A valid PNG of the page size: signature, then the IHDR chunk with width and height.
void ExpectPng(const std::string& png, const std::string& what) {
    ASSERT_GT(png.size(), 1000u) << what;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << what;
    EXPECT_EQ(png.substr(12, 4), "IHDR") << what;
    const auto word = [&png](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) |
               (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) |
               static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(word(16), 800u) << what;
    EXPECT_EQ(word(20), 600u) << what;
}

// The text of the figure: PLplot writes each character as a reference ("&#x32;").
std::string TextOf(const std::string& svg) {
    static const std::regex reference("&#x([0-9A-Fa-f]+);");
    std::string text;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), reference);
         it != std::sregex_iterator(); ++it) {
        const unsigned long code = std::stoul((*it)[1].str(), nullptr, 16);
        if (code < 0x80) {
            text += static_cast<char>(code);
        } else if (code < 0x800) {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
        // A reference ends its text element when the next one starts a new element.
        const std::size_t end = static_cast<std::size_t>(it->position() + it->length());
        if (svg.compare(end, 7, "</tspan") == 0) {
            text += '\n';
        }
    }
    return text;
}

// Every series is one polyline of its own colour with all its points.
void ExpectSeriesDrawn(const Figure& figure, const std::string& svg) {
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u) << figure.stem;
    EXPECT_NE(svg.find("<svg"), std::string::npos) << figure.stem;
    EXPECT_NE(svg.find("</svg>"), std::string::npos) << figure.stem;
    const std::vector<Polyline> lines = PolylinesOf(svg);
    std::set<std::string> colours;
    for (const FigureSeries& series : figure.series) {
        ASSERT_GT(series.x.size(), 2u) << figure.stem << " " << series.name;
        std::set<std::string> candidates;
        for (const Polyline& line : lines) {
            if (line.points == series.x.size() && colours.count(line.stroke) == 0) {
                candidates.insert(line.stroke);
            }
        }
        ASSERT_FALSE(candidates.empty())
            << figure.stem << ": no line of " << series.x.size() << " points for " << series.name;
        colours.insert(*candidates.begin());
    }
    const std::string text = TextOf(svg);
    for (const std::string& label : {figure.xLabel, figure.yLabel, figure.title}) {
        EXPECT_NE(text.find(label + "\n"), std::string::npos) << figure.stem << ": " << label;
    }
    for (const FigureSeries& series : figure.series) {
        EXPECT_NE(text.find(series.name), std::string::npos) << figure.stem << ": " << series.name;
    }
}

struct KindFigures {
    std::string example;                        // "" for the built-in case
    std::map<std::string, std::size_t> series;  // figure stem: number of series
    std::size_t points;                         // of every series of the first figure
};

TEST(Figures, EveryKindGetsItsFiguresAsSvgAndPng) {
    // The built-in case has 14 PSD classes: 14 curve points, 15 Q3 points (from the lowest
    // one). The dilute line has 8 profile intervals, the dense one 10; the distribution mesh 8
    // boundaries.
    const std::vector<KindFigures> kinds = {
        {"", {{"efficiency", 1}, {"psd_q3", 3}}, 14},
        {"dilute_rising.yaml",
         {{"profile_pressure", 1},
          {"profile_velocity", 3},
          {"profile_gas_density", 1},
          {"profile_gas_viscosity", 1}},
         9},
        {"dense_conveying.yaml", {{"profile", 1}}, 11},
        {"distribution_lognormal.yaml", {{"psd_q3", 3}}, 8},
        // Inlet and outlet only: the grown sizes and particle numbers are no distributions.
        {"growth_crystallizer.yaml", {{"psd_q3", 2}}, 8},
    };
    for (const KindFigures& kind : kinds) {
        ScratchDirectory scratch;
        const CommandRun run =
            RunBrixel(CaseArguments(kind.example, {"--plots", scratch / "figures"}));
        ASSERT_EQ(run.code, kExitCalculated) << kind.example << run.err;
        std::set<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.Path() / "figures")) {
            files.insert(entry.path().filename().string());
        }
        std::set<std::string> expected;
        for (const auto& [stem, count] : kind.series) {
            expected.insert(stem + ".svg");
            expected.insert(stem + ".png");
        }
        EXPECT_EQ(files, expected) << kind.example;

        const RunResult result =
            kind.example.empty()
                ? ReadCase(std::string(DefaultCaseText()), std::string(kDefaultCaseName))()
                : ReadCase(ReadCaseText(ExamplePath(kind.example)), kind.example)();
        const std::vector<Figure> figures = FiguresOf(result);
        ASSERT_EQ(figures.size(), kind.series.size()) << kind.example;
        for (const FigureSeries& series : figures.front().series) {
            EXPECT_EQ(series.x.size(), kind.points) << kind.example << " " << series.name;
        }
        for (const Figure& figure : figures) {
            ASSERT_EQ(kind.series.count(figure.stem), 1u) << figure.stem;
            EXPECT_EQ(figure.series.size(), kind.series.at(figure.stem)) << figure.stem;
            const std::string stem = scratch / ("figures/" + figure.stem);
            ExpectSeriesDrawn(figure, ReadFile(stem + ".svg"));
            ExpectPng(ReadFile(stem + ".png"), stem);
        }
    }
}

}  // namespace
}  // namespace brixel::cli
