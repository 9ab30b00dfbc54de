#include "brixel/models/distribution/parameter_completion.h"

#include <cmath>
#include <utility>

#include "brixel/framework/missing_value.h"
#include "brixel/messages/error_print.h"

namespace brixel {

double RrsbDispersionFromSteepness(double steepness) {
    return std::log(std::log(0.75) / std::log(0.25)) / std::log(steepness);
}

double RrsbDispersionFromSizes(double d50, double d63, double oversizeAtD63) {
    if (d50 == 0.0 || d63 == 0.0) {
        return 0.0;
    }
    return std::log(std::log(0.5) / std::log(oversizeAtD63)) / std::log(d50 / d63);
}

double RrsbD63FromD50(double d50, double n) {
    return n == 0.0 ? 0.0 : d50 / std::pow(std::log(2.0), 1.0 / n);
}

GgsPair GgsExponentFromSizes(double xmax, double d50, double d63, double& exponent) {
    struct Size {
        const char* name;
        double value;
        double q3;
    };
    const Size sizes[] = {{"MAXIMUM PARTICLE DIAMETER", xmax, kQ3AtXmax},
                          {"D50", d50, kQ3AtD50},
                          {"D63", d63, kQ3AtD63}};
    const std::pair<int, int> pairs[] = {{0, 1}, {0, 2}, {1, 2}};
    for (const auto& [a, b] : pairs) {
        if (IsGiven(sizes[a].value) && IsGiven(sizes[b].value)) {
            if (sizes[a].value != 0.0 && sizes[b].value != 0.0) {
                exponent =
                    std::log(sizes[a].q3 / sizes[b].q3) / std::log(sizes[a].value / sizes[b].value);
            }
            return {sizes[a].name, sizes[b].name, sizes[a].value, sizes[b].value};
        }
    }
    return {};
}

CString GgsPairLine(const GgsPair& pair) {
    CString text;
    text.Format("BASED ON GIVEN %s(%.6g) AND %s(%.6g).", pair.firstName, pair.first,
                pair.secondName, pair.second);
    return text;
}

std::vector<CString> XmaxFailureLines(double d50, double d63, double exponent) {
    if (!IsGiven(d50)) {
        return {Formatted("BASED ON GIVEN D63 (%.6g) AND GGS DISPERSION PARAMETER (%.6g).", d63,
                          exponent),
                "TRY DECREASING GGS DISPERSION PARAMETER."};
    }
    if (!IsGiven(d63)) {
        return {Formatted("BASED ON GIVEN D50 (%.6g) AND GGS DISPERSION PARAMETER (%.6g).", d50,
                          exponent),
                "TRY DECREASING GGS DISPERSION PARAMETER."};
    }
    return {Formatted("BASED ON GIVEN D50 (%.6g) AND D63 (%.6g).", d50, d63),
            "TRY INCREASING D50 OR DECREASING D63."};
}

CString Formatted(const char* format, double value) {
    CString text;
    text.Format(format, value);
    return text;
}

CString Formatted(const char* format, double first, double second) {
    CString text;
    text.Format(format, first, second);
    return text;
}

bool PrintMessageLines(CErrorPrint* printer, const char* tag, bool calculation, int level, int code,
                       const std::vector<CString>& lines) {
    if (!printer || !printer->CheckErrorPrint(tag, calculation, level, code)) {
        return false;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        printer->AddErrorText(static_cast<int>(i + 1), lines[i]);
    }
    printer->PrintError(static_cast<int>(lines.size()));
    return true;
}

}  // namespace brixel
