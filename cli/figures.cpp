#include "cli/figures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "cli/host_values.h"
#include "cli/report_text.h"

namespace brixel::cli {

namespace {

constexpr const char* kLowerSize = "lower size / m";
constexpr const char* kUpperSize = "upper size / m";
constexpr double kMicrometre = 1e-6;

bool IsPsdTable(const ResultTable& table) {
    return table.columns.size() > 2 && table.columns[0] == kLowerSize &&
           table.columns[1] == kUpperSize;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Slug(const std::string& text) {
    std::string slug;
    for (const char c : text) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (keep || (c >= 'A' && c <= 'Z')) {
            slug += static_cast<char>(keep ? c : c - 'A' + 'a');
        } else if (!slug.empty() && slug.back() != '_') {
            slug += '_';
        }
    }
    while (!slug.empty() && slug.back() == '_') {
        slug.pop_back();
    }
    return slug.empty() ? "values" : slug;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

// The words the quantities end with in common: "velocity" for "gas velocity" and
// "solids velocity"; the first quantity when they share none.
std::string CommonQuantity(const std::vector<std::string>& quantities) {
    std::vector<std::string> common = Words(quantities.front());
    for (const std::string& quantity : quantities) {
        const std::vector<std::string> words = Words(quantity);
        std::size_t shared = 0;
        while (shared < common.size() && shared < words.size() &&
               common[common.size() - 1 - shared] == words[words.size() - 1 - shared]) {
            ++shared;
        }
        common.erase(common.begin(), common.end() - static_cast<std::ptrdiff_t>(shared));
    }
    if (common.empty()) {
        return quantities.front();
    }
    std::string joined;
    for (const std::string& word : common) {
        joined += (joined.empty() ? "" : " ") + word;
    }
    return joined;
}

// Q3 of one stream: 0 at the lowest boundary, then the normalised running sum (or the given
// cumulative column) at each upper boundary. Empty when the stream has no solids PSD.
FigureSeries CumulativeSeries(const ResultTable& table, std::size_t column, bool cumulative,
                              const std::string& name) {
    FigureSeries series{name, {table.rows.front()[0]}, {0.0}, ""};
    double sum = 0.0;
    for (const std::vector<double>& row : table.rows) {
        const double value = column < row.size() ? row[column] : std::nan("");
        if (!IsReached(value) || !IsReached(row[1])) {
            return {};
        }
        sum = cumulative ? value : sum + value;
        series.x.push_back(row[1]);
        series.y.push_back(sum);
    }
    if (!(sum > 0.0)) {
        return {};
    }
    for (double& y : series.y) {
        y /= sum;
    }
    return series;
}

Figure PsdFigure(const ResultTable& table) {
    Figure figure;
    figure.stem = table.name + "_q3";
    figure.title = "Cumulative solids PSD (Q3)";
    figure.xLabel = "particle size / m";
    figure.yLabel = "Q3 (mass undersize) / -";
    figure.fixedY = true;
    figure.levels = {{"x10", 0.1}, {"x50", 0.5}, {"x90", 0.9}};
    if (table.rows.empty()) {
        return figure;
    }
    // A stream's own cumulative column wins over the running sum of its fractions.
    std::vector<std::pair<std::string, std::pair<std::size_t, bool>>> streams;
    for (std::size_t c = 2; c < table.columns.size(); ++c) {
        // Only fractions are distributions; a PSD table may carry class sizes or counts too.
        if (!EndsWith(table.columns[c], " / -")) {
            continue;
        }
        std::string name = QuantityOf(table.columns[c]);
        const bool cumulative = EndsWith(name, " Q3");
        if (cumulative || EndsWith(name, " q")) {
            name.erase(name.rfind(' '));
        }
        const auto known = std::find_if(streams.begin(), streams.end(),
                                        [&](const auto& stream) { return stream.first == name; });
        if (known == streams.end()) {
            streams.push_back({name, {c, cumulative}});
        } else if (cumulative) {
            known->second = {c, true};
        }
    }
    for (const auto& [name, column] : streams) {
        FigureSeries series = CumulativeSeries(table, column.first, column.second, name);
        if (!series.x.empty()) {
            figure.series.push_back(std::move(series));
        }
    }
    // A log size axis unless a mesh starts at 0.
    figure.logX = std::all_of(figure.series.begin(), figure.series.end(),
                              [](const FigureSeries& s) { return s.x.front() > 0.0; });
    for (FigureSeries& series : figure.series) {
        for (const FigureLevel& level : figure.levels) {
            const double size = CrossingOf(series, level.y, figure.logX);
            series.note += (series.note.empty() ? "" : ", ") + level.label + " " +
                           (std::isnan(size) ? "-" : Format("%.3g", size / kMicrometre));
        }
        series.note += " µm";
    }
    return figure;
}

// One figure per unit of the columns after the first, which is the x axis.
std::vector<Figure> ColumnFigures(const ResultTable& table) {
    std::vector<std::string> units;
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t c = 1; c < table.columns.size(); ++c) {
        const bool reached =
            std::any_of(table.rows.begin(), table.rows.end(), [c](const auto& row) {
                return c < row.size() && IsReached(row[c]) && IsReached(row[0]);
            });
        if (!reached) {
            continue;
        }
        const std::string unit = UnitOf(table.columns[c]);
        const auto at = std::find(units.begin(), units.end(), unit);
        if (at == units.end()) {
            units.push_back(unit);
            groups.push_back({c});
        } else {
            groups[static_cast<std::size_t>(at - units.begin())].push_back(c);
        }
    }
    std::vector<Figure> figures;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        std::vector<std::string> quantities;
        Figure figure;
        figure.xLabel = table.columns[0];
        for (const std::size_t c : groups[g]) {
            quantities.push_back(QuantityOf(table.columns[c]));
            FigureSeries series{quantities.back(), {}, {}, ""};
            for (const std::vector<double>& row : table.rows) {
                if (c < row.size() && IsReached(row[0]) && IsReached(row[c])) {
                    series.x.push_back(row[0]);
                    series.y.push_back(row[c]);
                }
            }
            figure.series.push_back(std::move(series));
        }
        const std::string quantity = CommonQuantity(quantities);
        figure.yLabel = units[g].empty() ? quantity : quantity + " / " + units[g];
        figure.title = groups.size() == 1 ? table.title : table.title + ": " + quantity;
        figure.stem = groups.size() == 1 ? table.name : table.name + "_" + Slug(quantity);
        for (const Figure& earlier : figures) {
            if (earlier.stem == figure.stem) {
                figure.stem += "_" + std::to_string(g + 1);
            }
        }
        if (units[g] == "%") {
            figure.fixedY = true;
            figure.yMax = 100.0;
        }
        double low = std::numeric_limits<double>::infinity();
        double high = 0.0;
        for (const FigureSeries& series : figure.series) {
            for (const double x : series.x) {
                low = std::min(low, x);
                high = std::max(high, x);
            }
        }
        figure.logX = low > 0.0 && high >= 20.0 * low;
        figures.push_back(std::move(figure));
    }
    return figures;
}

}  // namespace

std::string QuantityOf(const std::string& column) {
    const std::size_t slash = column.rfind(" / ");
    return slash == std::string::npos ? column : column.substr(0, slash);
}

std::string UnitOf(const std::string& column) {
    const std::size_t slash = column.rfind(" / ");
    return slash == std::string::npos ? "" : column.substr(slash + 3);
}

double CrossingOf(const FigureSeries& series, double level, bool logX) {
    for (std::size_t i = 1; i < series.x.size(); ++i) {
        const double y0 = series.y[i - 1];
        const double y1 = series.y[i];
        if (y0 < level && y1 >= level) {
            const double share = (level - y0) / (y1 - y0);
            return logX ? series.x[i - 1] * std::pow(series.x[i] / series.x[i - 1], share)
                        : series.x[i - 1] + share * (series.x[i] - series.x[i - 1]);
        }
    }
    return std::nan("");
}

std::vector<Figure> FiguresOf(const RunResult& result) {
    std::vector<Figure> figures;
    for (const ResultTable& table : result.tables) {
        if (IsPsdTable(table)) {
            Figure figure = PsdFigure(table);
            if (!figure.series.empty()) {
                figures.push_back(std::move(figure));
            }
            continue;
        }
        for (Figure& figure : ColumnFigures(table)) {
            figures.push_back(std::move(figure));
        }
    }
    return figures;
}

}  // namespace brixel::cli
