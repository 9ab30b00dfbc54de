#include "brixel/models/separation/efficiency_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/particles/psd_record.h"

namespace rec = brixel::records;

namespace brixel {
namespace {

constexpr int kIdWords = rec::kIdWords;
constexpr int kFieldWidth = 12;
constexpr const char* kMissingField = " MISSING    ";  // aligned with the digits of G12.5

constexpr int kKeyChars = 12;  // summary keys: 3 packed words

template <int Characters = rec::kIdChars>
std::array<int64_t, Characters / 4> Pack(const std::string& text) {
    std::string padded = text.substr(0, Characters);
    padded.resize(Characters, ' ');
    const int64_t length = Characters;
    std::array<int64_t, Characters / 4> words{};
    HostStringToHollerith(padded.c_str(), &length, words.data());
    return words;
}

void ReportLine(const std::string& text) {
    std::string line = text.substr(0, rec::kHistoryChars);
    line.resize(rec::kHistoryChars, ' ');
    const int64_t length = rec::kHistoryChars;
    std::array<int64_t, rec::kHistoryChars / 4> words{};
    HostStringToHollerith(line.c_str(), &length, words.data());
    const int64_t* globals = HostGlobals();
    const int64_t unit = globals ? globals[rec::kGlobalReportUnit] : 0;
    const int64_t count = static_cast<int64_t>(words.size());
    HostWriteRecord(&unit, words.data(), &count);
}

void Summary(const char* key, const std::vector<double>& values) {
    const auto packed = Pack<kKeyChars>(key);
    const auto count = static_cast<int64_t>(values.size());
    HostWriteSummary(packed.data(), &count, values.data(), nullptr);
}

void SummaryText(const char* key, const std::string& text) {
    const auto packed = Pack<kKeyChars>(key);
    std::string padded = text;
    padded.resize((text.size() + 3) / 4 * 4, ' ');
    const auto length = static_cast<int64_t>(padded.size());
    std::vector<int64_t> words(padded.size() / 4);
    HostStringToHollerith(padded.c_str(), &length, words.data());
    const auto count = static_cast<int64_t>(words.size());
    HostWriteSummary(packed.data(), &count, nullptr, words.data());
}

std::string Right(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// One curve: report section (3X A 4X heading, 3X 2A4 13X unit line, 3X G12.5 9X rows) and
// its summary entries.
void ReportCurve(const std::string& heading, const std::string& id, std::vector<double> sizes,
                 const std::vector<double>& efficiencies) {
    const std::vector<double> sizesSi = sizes;
    const auto quantity = Pack("LENGTH");
    const auto count = static_cast<int64_t>(sizes.size());
    std::array<int64_t, kIdWords> label{};
    HostReportConvert(quantity.data(), &count, sizes.data(), label.data());
    std::array<char, rec::kIdChars + 1> labelText{};
    for (std::size_t w = 0; w < label.size(); ++w) {
        for (std::size_t c = 0; c < 4; ++c) {
            labelText[4 * w + c] = static_cast<char>((label[w] >> (8 * c)) & 0xFF);
        }
    }
    ReportLine("");
    ReportLine("   " + heading + id + "    ");
    ReportLine("");
    ReportLine("   " + Right("SIZE", kFieldWidth) + std::string(9, ' ') +
               Right("EFFICIENCY", kFieldWidth));
    std::string unit(labelText.data());
    unit.erase(unit.find_last_not_of(' ') + 1);
    ReportLine("   " + Right(unit, kFieldWidth) + std::string(13, ' '));
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const double efficiency = efficiencies[i];
        ReportLine("   " + FormatG12(sizes[i]) + std::string(9, ' ') +
                   (IsGiven(efficiency) ? FormatG12(efficiency) : kMissingField));
    }

    const auto packedId = Pack(id);
    HostSummarySubstream(packedId.data());
    SummaryText("IDSET", id);
    SummaryText("PROPERTIES", "SIZE    SEPEFF  ");
    Summary("NPOINTS", {static_cast<double>(sizes.size())});
    std::vector<double> curve = sizesSi;
    curve.insert(curve.end(), efficiencies.begin(), efficiencies.end());
    Summary("SEPEFF", curve);
}

bool ShowsSolidPolymer(int64_t bead, int64_t substream) {
    const int64_t number = substream + 1;
    return HostSolidPolymer(&bead, &number) != 0 && HostPolymerLiquidFraction(&bead, &number) > 0.0;
}

}  // namespace

std::string FormatG12(double value) {
    if (!std::isfinite(value)) {
        return std::string(kFieldWidth, '*');
    }
    std::array<char, 48> text{};
    const double magnitude = std::fabs(value);
    if (magnitude == 0.0) {
        return "  0.0000    ";
    }
    // Decimal exponent of the value rounded to 5 significant digits.
    std::snprintf(text.data(), text.size(), "%.4e", magnitude);
    const int exponent = std::atoi(std::strchr(text.data(), 'e') + 1);
    const int digitsBefore = exponent + 1;
    if (digitsBefore >= 0 && digitsBefore <= 5) {
        std::snprintf(text.data(), text.size(), "%#8.*f", 5 - digitsBefore, value);
        return std::string(text.data()) + "    ";
    }
    // 0.ddddd E+xx: the mantissa's digits are those of d.dddd.
    const std::string digits = std::string(1, text[0]) + std::string(text.data() + 2, 4);
    std::snprintf(text.data(), text.size(), "%s0.%sE%c%02d", value < 0 ? "-" : "", digits.c_str(),
                  digitsBefore < 0 ? '-' : '+', std::abs(digitsBefore));
    return Right(text.data(), kFieldWidth);
}

long ReportEfficiencyCurves(const int64_t* blockId, int64_t feed, int64_t product) {
    plex::SetupFromHost();
    CBrixelBaseUnit::RefreshMarkers();
    if (feed < std::numeric_limits<int>::min() || feed > std::numeric_limits<int>::max() ||
        product < std::numeric_limits<int>::min() || product > std::numeric_limits<int>::max()) {
        return kStatusInvalidArgument;
    }
    const StreamClassView view(StreamClassOfStream(feed));
    const int64_t substreams = view.SubstreamCount();
    int64_t widest = 0;
    for (int64_t s = 0; s < substreams; ++s) {
        widest = std::max(widest, FirstPsd(view, nullptr, s).intervals);
    }
    if (widest == 0) {
        return view.record ? kStatusOk : kStatusInvalidArgument;
    }
    const int64_t stride = 2 * widest;
    std::vector<double> table(static_cast<std::size_t>((substreams + 1) * stride),
                              std::numeric_limits<double>::quiet_NaN());
    const long status = CBrixelBaseUnit::StaticGenSepEffCurves(
        static_cast<int>(feed), static_cast<int>(product), static_cast<int>(stride), 0,
        static_cast<int>(widest), table.data(), -1);
    if (status != kStatusOk) {
        return status;
    }
    HostReportBlockHeader(blockId ? blockId : Pack("").data());
    auto row = [&](int64_t r, int64_t n, std::size_t column) {
        const auto first = table.begin() + static_cast<std::ptrdiff_t>(r * stride) +
                           static_cast<std::ptrdiff_t>(column);
        return std::vector<double>(first, first + n);
    };
    for (int64_t s = 0; s < substreams; ++s) {
        const int64_t n = FirstPsd(view, nullptr, s).intervals;
        if (n == 0 || (view.Type(s) == rec::kMixed && !ShowsSolidPolymer(feed, s))) {
            continue;
        }
        ReportCurve("SEPARATION EFFICIENCY FOR SUBSTREAM ", view.Id(s), row(s, n, 0),
                    row(s, n, static_cast<std::size_t>(widest)));
    }
    const std::vector<double> overall = row(substreams, widest, 0);
    if (!std::isnan(overall.front())) {
        ReportCurve("OVERALL SEPARATION EFFICIENCY", "", overall,
                    row(substreams, widest, static_cast<std::size_t>(widest)));
    }
    return kStatusOk;
}

}  // namespace brixel
