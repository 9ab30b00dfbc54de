#pragma once

#include <vector>

#include "brixel/platform/cstring.h"

class CErrorPrint;

// Pieces shared by the two parameter completions (the model's and the procedural
// evaluation's): the characteristic points, the GGS pair rule and the message lines.
namespace brixel {

// Cumulative values at Xmax, D50 and D63 for the GGS pair rule.
constexpr double kQ3AtXmax = 1.0;
constexpr double kQ3AtD50 = 0.5;
constexpr double kQ3AtD63 = 0.63;
// The model derives Xmax from D63 with 0.633; the procedural evaluation with 0.63. Callers of
// each rely on its value, so both stay.
constexpr double kQ3AtD63ForXmax = 0.633;
// Oversize at D63 (e^-1) in the RRSB pair rule: 0.368 in the model, 0.37 in the procedural
// evaluation, for the same reason.
constexpr double kRrsbOversizeAtD63 = 0.368;
constexpr double kRrsbOversizeAtD63Evaluation = 0.37;
// Log-normal and normal D50 from D63: D63 / exp(0.33 sigma) and D63 - 0.33 sigma.
constexpr double kMedianShift = 0.33;

// RRSB dispersion n from the steepness x25/x75: ln(ln 0.75 / ln 0.25) / ln(steepness).
double RrsbDispersionFromSteepness(double steepness);
// RRSB dispersion n from D50 and D63 with the given oversize at D63; 0 when a size is 0.
double RrsbDispersionFromSizes(double d50, double d63, double oversizeAtD63);
// D63 = D50 / (ln 2)^(1/n); 0 when n is 0.
double RrsbD63FromD50(double d50, double n);

// The first given pair of (Xmax, D50), (Xmax, D63), (D50, D63); no names when none is given.
struct GgsPair {
    const char* firstName = nullptr;
    const char* secondName = nullptr;
    double first = 0.0;
    double second = 0.0;
};
// Sets `exponent` from the first given pair (left unchanged when a size of it is 0).
GgsPair GgsExponentFromSizes(double xmax, double d50, double d63, double& exponent);
// "BASED ON GIVEN <first>(v) AND <second>(v)."
CString GgsPairLine(const GgsPair& pair);
// The two lines after "MAXIMUM PARTICLE DIAMETER OF GGS DISTRIBUTION COULD NOT BE CALCULATED".
std::vector<CString> XmaxFailureLines(double d50, double d63, double exponent);

CString Formatted(const char* format, double value);
CString Formatted(const char* format, double first, double second);

// Offers a message to the printer (null: none) and prints its lines when the host wants it;
// true when printed.
bool PrintMessageLines(CErrorPrint* printer, const char* tag, bool calculation, int level, int code,
                       const std::vector<CString>& lines);

}  // namespace brixel
