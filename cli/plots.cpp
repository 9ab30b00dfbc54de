#include "cli/plots.h"

#include <plstream.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "cli/command.h"
#include "cli/report_text.h"

namespace brixel::cli {

namespace {

constexpr PLINT kWidth = 800;  // px for PNG, pt for SVG
constexpr PLINT kHeight = 600;
constexpr PLINT kBackground = 0;
constexpr PLINT kInk = 1;
constexpr PLINT kGrey = 2;
constexpr PLINT kGrid = 3;
constexpr PLINT kFirstSeriesColour = 4;
// White, black, grey, light grey, then a palette that stays distinct in print and for most colour
// vision deficiencies.
constexpr std::array<PLINT, 10> kRed = {255, 0, 110, 220, 31, 255, 44, 214, 148, 140};
constexpr std::array<PLINT, 10> kGreen = {255, 0, 110, 220, 119, 127, 160, 39, 103, 86};
constexpr std::array<PLINT, 10> kBlue = {255, 0, 110, 220, 180, 14, 44, 40, 189, 75};
constexpr PLINT kSeriesColours = static_cast<PLINT>(kRed.size()) - kFirstSeriesColour;
constexpr PLINT kCircle = 4;  // symbol code of a small circle
constexpr PLINT kDashed = 2;

// Later series wider and drawn first: where curves coincide each stays visible as a band
// around the earlier one (dashes would break a series into many pieces in the SVG).
PLFLT WidthOf(std::size_t series) {
    return 2.0 + 0.75 * static_cast<double>(std::min<std::size_t>(series, 3));
}

// The drawing library writes to a FILE; this one collects the bytes in memory so that the
// caller decides where they go, and reports whether the library closed it.
struct MemorySink {
    std::string bytes;
    bool closed = false;

    static ssize_t Write(void* cookie, const char* data, std::size_t size) {
        static_cast<MemorySink*>(cookie)->bytes.append(data, size);
        return static_cast<ssize_t>(size);
    }
    static int Close(void* cookie) {
        static_cast<MemorySink*>(cookie)->closed = true;
        return 0;
    }
};

// Problems the library reports without ending the program (plabort).
std::string& LibraryComplaint() {
    static std::string complaint;
    return complaint;
}

void CollectComplaint(const char* message) {
    LibraryComplaint() = message ? message : "unknown problem";
}

// The library ends the program after this handler on a fatal error: the exit code is the
// command's internal failure, with a message that says where it came from.
int FatalLibraryError(const char* message) {
    std::fprintf(stderr, "brixel: internal failure: plotting: %s\n", message ? message : "");
    return kExitInternalFailure;
}

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();

    void Include(double value) {
        low = std::min(low, value);
        high = std::max(high, value);
    }
    // Some room around the data; a flat series still gets a visible range.
    void Pad(double fraction) {
        if (!(high > low)) {
            const double half = low == 0.0 ? 1.0 : std::abs(low) * 0.1;
            low -= half;
            high += half;
        }
        const double room = (high - low) * fraction;
        low -= room;
        high += room;
    }
};

// Plain numbers at the ticks of a linear axis ("350000", "0.0002"), never a separate
// "(x10^5)" multiplier that is easily missed.
void PlainLabel(PLINT axis, PLFLT value, char* label, PLINT length, PLPointer data) {
    const auto* ranges = static_cast<const std::array<Range, 2>*>(data);
    const Range& range = (*ranges)[axis == PL_X_AXIS ? 0 : 1];
    const double tiny = 1e-9 * (range.high - range.low);
    std::snprintf(label, static_cast<std::size_t>(length), "%.6g",
                  std::abs(value) < tiny ? 0.0 : value);
}

double AxisX(const Figure& figure, double x) {
    return figure.logX ? std::log10(x) : x;
}

void DrawLevels(plstream& page, const Figure& figure, const Range& x) {
    page.col0(kGrey);
    page.lsty(kDashed);
    page.width(1.0);
    for (const FigureLevel& level : figure.levels) {
        const PLFLT xs[2] = {x.low, x.high};
        const PLFLT ys[2] = {level.y, level.y};
        page.line(2, xs, ys);
        page.ptex(x.low + 0.01 * (x.high - x.low), level.y + 0.015, 1.0, 0.0, 0.0,
                  level.label.c_str());
    }
    page.lsty(1);
}

// Below the x axis label, whatever the height of the viewport.
void DrawLegend(plstream& page, const Figure& figure, double viewportHeight) {
    const std::size_t count = figure.series.size();
    std::vector<std::string> texts;
    std::vector<const char*> textPointers;
    std::vector<PLINT> options(count, PL_LEGEND_LINE);
    std::vector<PLINT> colours;
    const std::vector<PLINT> ink(count, kInk);
    const std::vector<PLINT> styles(count, 1);
    std::vector<PLFLT> widths;
    for (std::size_t i = 0; i < count; ++i) {
        const FigureSeries& series = figure.series[i];
        texts.push_back(series.note.empty() ? series.name : series.name + ":  " + series.note);
        colours.push_back(kFirstSeriesColour + static_cast<PLINT>(i) % kSeriesColours);
        widths.push_back(WidthOf(i));
    }
    for (const std::string& text : texts) {
        textPointers.push_back(text.c_str());
    }
    PLFLT legendWidth = 0.0;
    PLFLT legendHeight = 0.0;
    page.legend(&legendWidth, &legendHeight, PL_LEGEND_BACKGROUND | PL_LEGEND_BOUNDING_BOX,
                PL_POSITION_BOTTOM | PL_POSITION_OUTSIDE, 0.0, 0.1 / viewportHeight, 0.08,
                kBackground, kInk, 1, 0, 0, static_cast<PLINT>(count), options.data(), 1.0, 0.9,
                2.0, 0.0, ink.data(), textPointers.data(), nullptr, nullptr, nullptr, nullptr,
                colours.data(), styles.data(), widths.data(), nullptr, nullptr, nullptr, nullptr);
}

void Draw(plstream& page, const Figure& figure) {
    Range x;
    Range y;
    for (const FigureSeries& series : figure.series) {
        for (std::size_t i = 0; i < series.x.size(); ++i) {
            x.Include(AxisX(figure, series.x[i]));
            y.Include(series.y[i]);
        }
    }
    if (figure.fixedY) {
        y = Range{figure.yMin, figure.yMax};
    } else {
        y.Pad(0.05);
    }
    if (figure.series.empty() || !std::isfinite(x.low)) {
        x = Range{0.0, 1.0};
    } else if (figure.logX) {
        // Whole decades, so that the axis carries at least two labelled ticks.
        x = Range{std::floor(x.low), std::max(std::ceil(x.high), std::floor(x.low) + 1.0)};
    } else if (!(x.high > x.low)) {
        x.Pad(0.0);
    }
    page.adv(0);
    // Room below the axes for the legend, one line per series.
    const double bottom = 0.16 + 0.04 * static_cast<double>(figure.series.size());
    constexpr double kTop = 0.92;
    page.vpor(0.14, 0.95, bottom, kTop);
    page.wind(x.low, x.high, y.low, y.high);
    page.width(1.0);
    page.col0(kGrid);
    page.box(figure.logX ? "gl" : "g", 0.0, 0, "g", 0.0, 0);
    page.col0(kInk);
    std::array<Range, 2> ranges = {x, y};
    page.slabelfunc(&PlainLabel, &ranges);
    page.box(figure.logX ? "bcnstl" : "bcnsto", 0.0, 0, "bcnstvo", 0.0, 0);
    page.slabelfunc(nullptr, nullptr);
    page.lab(figure.xLabel.c_str(), "", figure.title.c_str());
    // The y label clear of the widest tick label, which is about as wide as the range's ends.
    std::size_t digits = 4;
    for (const double end : {y.low, y.high}) {
        digits = std::max(digits, Format("%.3g", end).size());
    }
    page.mtex("l", 2.0 + 0.75 * static_cast<double>(digits), 0.5, 0.5, figure.yLabel.c_str());
    DrawLevels(page, figure, x);
    // Last first, so that the first series stay visible where curves coincide.
    for (std::size_t i = figure.series.size(); i-- > 0;) {
        const FigureSeries& series = figure.series[i];
        std::vector<PLFLT> xs;
        for (const double value : series.x) {
            xs.push_back(AxisX(figure, value));
        }
        page.col0(kFirstSeriesColour + static_cast<PLINT>(i) % kSeriesColours);
        page.width(WidthOf(i));
        page.line(static_cast<PLINT>(xs.size()), xs.data(), series.y.data());
        page.width(1.0);
        for (const FigureLevel& level : figure.levels) {
            const double crossing = CrossingOf(series, level.y, figure.logX);
            if (!std::isnan(crossing)) {
                const PLFLT mx = AxisX(figure, crossing);
                const PLFLT my = level.y;
                page.poin(1, &mx, &my, kCircle);
            }
        }
    }
    page.width(1.0);
    if (!figure.series.empty()) {
        DrawLegend(page, figure, kTop - bottom);
    }
}

}  // namespace

std::string DrawFigure(const Figure& figure, FigureFormat format) {
    MemorySink sink;
    const cookie_io_functions_t io{nullptr, &MemorySink::Write, nullptr, &MemorySink::Close};
    FILE* file = fopencookie(&sink, "w", io);
    if (file == nullptr) {
        throw std::runtime_error("no memory for a figure");
    }
    LibraryComplaint().clear();
    plsexit(&FatalLibraryError);
    plsabort(&CollectComplaint);
    {
        plstream page;
        page.sdev(format == FigureFormat::kSvg ? "svg" : "pngcairo");
        page.sfile(file);
        page.spage(0.0, 0.0, kWidth, kHeight, 0, 0);
        page.spause(false);
        page.scmap0(kRed.data(), kGreen.data(), kBlue.data(), static_cast<PLINT>(kRed.size()));
        page.init();
        page.schr(0.0, 0.9);
        Draw(page, figure);
    }
    // The library closes the file when it ends the page; close it here when it did not.
    if (!sink.closed) {
        std::fclose(file);
    }
    if (!LibraryComplaint().empty()) {
        throw std::runtime_error("plotting: " + LibraryComplaint());
    }
    return std::move(sink.bytes);
}

}  // namespace brixel::cli

extern "C" __attribute__((visibility("default"))) bool brixel_draw_figure(
    const brixel::cli::Figure* figure, int format, brixel::cli::FigureSink sink, void* context) {
    // The reason goes out as it stands: copying it could throw past this entry.
    const char* failure = "plotting: unknown failure";
    try {
        const std::string bytes =
            brixel::cli::DrawFigure(*figure, static_cast<brixel::cli::FigureFormat>(format));
        sink(context, bytes.data(), bytes.size());
        return true;
    } catch (const std::exception& error) {
        failure = error.what();
        sink(context, failure, std::strlen(failure));
        return false;
    } catch (...) {
    }
    sink(context, failure, std::strlen(failure));
    return false;
}
