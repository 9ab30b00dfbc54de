#include "brixel/particles/distribution_parameters.h"
#include "brixel/framework/guarded_call.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/port_name_call.h"
#include "brixel/framework/status.h"

namespace brixel {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The number inside "<prefix>(...)", the whole bracket content being one finite number.
bool BracketArgument(std::string_view name, std::string_view prefix, double& value) {
    if (name.size() < prefix.size() + 2 || !EqualsNoCase(name.substr(0, prefix.size()), prefix) ||
        name.back() != ')') {
        return false;
    }
    std::string_view inner = name.substr(prefix.size(), name.size() - prefix.size() - 1);
    while (!inner.empty() && inner.front() == ' ') {
        inner.remove_prefix(1);
    }
    while (!inner.empty() && inner.back() == ' ') {
        inner.remove_suffix(1);
    }
    if (!inner.empty() && inner.front() == '+') {
        inner.remove_prefix(1);
    }
    if (inner.empty()) {
        return false;
    }
    const char* end = inner.data() + inner.size();
    const auto result = std::from_chars(inner.data(), end, value);
    return result.ec == std::errc{} && result.ptr == end && std::isfinite(value);
}

// Lower and upper bound of interval i.
void IntervalBounds(const std::vector<double>& mesh, std::size_t intervals, std::size_t i,
                    double& lower, double& upper) {
    if (mesh.size() > intervals) {
        lower = mesh[i];
        upper = mesh[i + 1];
    } else {
        lower = i == 0 ? 0.0 : mesh[i - 1];
        upper = mesh[i];
    }
}

}  // namespace

bool ParseDistributionParameter(std::string_view name, bool sauterAllowed,
                                DistributionParameter& parameter) {
    struct Named {
        const char* name;
        double fraction;
    };
    static constexpr Named kPercentiles[] = {{"Median", 0.5}, {"X50", 0.5},  {"X80", 0.8},
                                             {"X25", 0.25},   {"X75", 0.75}, {"X85", 0.85}};
    for (const Named& named : kPercentiles) {
        if (EqualsNoCase(name, named.name)) {
            parameter = {DistributionQuantity::SizeAtFraction, named.fraction};
            return true;
        }
    }
    double argument = 0.0;
    if (BracketArgument(name, "X(", argument)) {
        parameter = {DistributionQuantity::SizeAtFraction, argument / 100.0};
        return true;
    }
    if (BracketArgument(name, "Q3(", argument)) {
        parameter = {DistributionQuantity::FractionAtSize, argument};
        return true;
    }
    if (sauterAllowed && (EqualsNoCase(name, "SMD") || EqualsNoCase(name, "sauter"))) {
        parameter = {DistributionQuantity::SauterDiameter, 0.0};
        return true;
    }
    if (sauterAllowed && EqualsNoCase(name, "sv")) {
        parameter = {DistributionQuantity::SpecificSurface, 0.0};
        return true;
    }
    return false;
}

bool IsUsableDistribution(const std::vector<double>& mesh, const std::vector<double>& fractions) {
    const std::size_t n = fractions.size();
    if (n == 0 || (mesh.size() != n && mesh.size() != n + 1)) {
        return false;
    }
    const auto finite = [](double v) { return std::isfinite(v); };
    return std::all_of(mesh.begin(), mesh.end(), finite) &&
           std::all_of(fractions.begin(), fractions.end(),
                       [](double f) { return std::isfinite(f) && f >= 0.0; });
}

long SizeAtCumulativeFraction(const std::vector<double>& mesh, const std::vector<double>& fractions,
                              double p, double& size) {
    if (!IsUsableDistribution(mesh, fractions) || std::isnan(p)) {
        return kStatusInvalidArgument;
    }
    if (p <= 0.0) {
        size = mesh.front();
        return kStatusOk;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < fractions.size(); ++i) {
        const double before = sum;
        sum += fractions[i];
        if (sum >= p) {
            // before < p <= sum, so fractions[i] > 0.
            double lower = 0.0;
            double upper = 0.0;
            IntervalBounds(mesh, fractions.size(), i, lower, upper);
            size = lower + (upper - lower) * (p - before) / fractions[i];
            return kStatusOk;
        }
    }
    return kStatusFail;
}

long CumulativeFractionAtSize(const std::vector<double>& mesh, const std::vector<double>& fractions,
                              double x, double& fraction) {
    if (!IsUsableDistribution(mesh, fractions) || std::isnan(x)) {
        return kStatusInvalidArgument;
    }
    // On a mesh of one upper bound per interval the first interval starts at 0, as for the
    // size at a cumulative fraction: Q3 stays the inverse of X(p), and the first interval's
    // mass is not lost below its upper bound.
    const std::size_t n = fractions.size();
    double first = 0.0;
    double unused = 0.0;
    IntervalBounds(mesh, n, 0, first, unused);
    if (x < first) {
        fraction = 0.0;
        return kStatusOk;
    }
    if (x >= mesh.back()) {
        fraction = 1.0;
        return kStatusOk;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        double lower = 0.0;
        double upper = 0.0;
        IntervalBounds(mesh, n, i, lower, upper);
        if (upper <= x) {
            sum += fractions[i];
        } else {
            if (x > lower && upper > lower) {
                sum += fractions[i] * (x - lower) / (upper - lower);
            }
            break;
        }
    }
    fraction = std::min(sum, 1.0);
    return kStatusOk;
}

long SauterMeanDiameter(const std::vector<double>& mesh, const std::vector<double>& fractions,
                        double& diameter) {
    if (!IsUsableDistribution(mesh, fractions)) {
        return kStatusInvalidArgument;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < fractions.size(); ++i) {
        if (fractions[i] == 0.0) {
            continue;
        }
        double lower = 0.0;
        double upper = 0.0;
        IntervalBounds(mesh, fractions.size(), i, lower, upper);
        const double mean = 0.5 * (lower + upper);
        if (mean == 0.0) {
            return kStatusFail;
        }
        sum += fractions[i] / mean;
    }
    if (!(sum > 0.0) || !std::isfinite(sum)) {
        return kStatusFail;
    }
    diameter = 1.0 / sum;
    return kStatusOk;
}

long EvaluateDistributionParameter(const DistributionParameter& parameter,
                                   const std::vector<double>& mesh,
                                   const std::vector<double>& fractions, double& value) {
    switch (parameter.quantity) {
        case DistributionQuantity::SizeAtFraction:
            return SizeAtCumulativeFraction(mesh, fractions, parameter.argument, value);
        case DistributionQuantity::FractionAtSize:
            return CumulativeFractionAtSize(mesh, fractions, parameter.argument, value);
        case DistributionQuantity::SauterDiameter:
            return SauterMeanDiameter(mesh, fractions, value);
        case DistributionQuantity::SpecificSurface: {
            double diameter = 0.0;
            const long status = SauterMeanDiameter(mesh, fractions, diameter);
            if (status == kStatusOk) {
                value = 6.0 / diameter;
            }
            return status;
        }
    }
    return kStatusInvalidArgument;
}

void MergeSortedMesh(const std::vector<int>& order, double tolerance, std::vector<double>& mesh,
                     std::vector<double>& fractions) {
    std::vector<double> sortedMesh;
    std::vector<double> sortedFractions;
    for (const int k : order) {
        if (k < 0 || static_cast<std::size_t>(k) >= mesh.size() ||
            static_cast<std::size_t>(k) >= fractions.size()) {
            continue;
        }
        const auto i = static_cast<std::size_t>(k);
        if (!sortedMesh.empty() && std::fabs(mesh[i] - sortedMesh.back()) < tolerance) {
            sortedFractions.back() += fractions[i];
        } else {
            sortedMesh.push_back(mesh[i]);
            sortedFractions.push_back(fractions[i]);
        }
    }
    mesh = std::move(sortedMesh);
    fractions = std::move(sortedFractions);
}

}  // namespace brixel

namespace {

using brixel::kStatusFail;
using brixel::kStatusInvalidArgument;
using brixel::kStatusNullPointer;
using brixel::kStatusOk;

constexpr double kMeshMergeTolerance = 1e-10;

std::vector<double> ReadVariantNumbers(const CComSafeArray<VARIANT>& values) {
    std::vector<double> numbers;
    if (!values.m_psa || values.GetDimensions() != 1) {
        throw kStatusInvalidArgument;
    }
    const auto* cells = static_cast<const VARIANT*>(values.m_psa->pvData);
    numbers.resize(values.GetCount());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (!brixel::VariantNumber(cells[i], numbers[i])) {
            throw kStatusInvalidArgument;
        }
    }
    return numbers;
}

std::vector<double> ReadNumbers(const CComSafeArray<double>& values) {
    if (!values.m_psa || values.GetDimensions() != 1) {
        throw kStatusInvalidArgument;
    }
    const auto* cells = static_cast<const double*>(values.m_psa->pvData);
    return std::vector<double>(cells, cells + values.GetCount());
}

}  // namespace

long CBrixelBaseUnit::GetDistributionParameter(int port, const CComBSTR& attribute,
                                               const CComBSTR& parameter, double* value,
                                               const CComSafeArray<VARIANT>* mesh,
                                               const CComSafeArray<double>* fractions) {
    return brixel::GuardedCall([&]() -> long {
        const bool psd = brixel::BstrEquals(attribute, "PSD");
        const bool tvd = brixel::BstrEquals(attribute, "TVD");
        if (parameter.Length() == 0 || (!psd && !tvd)) {
            return kStatusInvalidArgument;
        }
        if (!value) {
            return kStatusNullPointer;
        }
        const auto unavailable = [&] {
            *value = m_dblRMiss;
            WriteHis("error calculating distribution parameter");
            return kStatusFail;
        };
        std::vector<double> meshValues;
        std::vector<double> fractionValues;
        const bool supplied = mesh && mesh->m_psa && fractions && fractions->m_psa;
        if (supplied) {
            meshValues = ReadVariantNumbers(*mesh);
            fractionValues = ReadNumbers(*fractions);
        } else if (psd) {
            CComBSTR unit;
            CComSafeArray<VARIANT> solidMesh;
            CComSafeArray<double> solidFractions;
            const long status = GetSolidAttribute(port, CComBSTR("PSD"), unit, solidMesh,
                                                  solidFractions, brixel::kPhaseSolid);
            if (status != kStatusOk || !solidMesh.m_psa || !solidFractions.m_psa) {
                return unavailable();
            }
            meshValues = ReadVariantNumbers(solidMesh);
            fractionValues = ReadNumbers(solidFractions);
        } else {
            return unavailable();
        }
        if (tvd) {
            // Velocities come one per class, in no particular order.
            if (meshValues.size() != fractionValues.size()) {
                return kStatusInvalidArgument;
            }
            if (std::any_of(meshValues.begin(), meshValues.end(),
                            [](double v) { return std::isnan(v); })) {
                return kStatusInvalidArgument;  // a NaN velocity has no place in the order
            }
            // Ascending, equal values in their given order: the order that asking for the
            // k-th smallest value for k = 1, 2, ... gives, without its cubic cost.
            std::vector<int> order(meshValues.size());
            for (std::size_t k = 0; k < order.size(); ++k) {
                order[k] = static_cast<int>(k);
            }
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                return meshValues[static_cast<std::size_t>(a)] <
                       meshValues[static_cast<std::size_t>(b)];
            });
            brixel::MergeSortedMesh(order, kMeshMergeTolerance, meshValues, fractionValues);
        }
        brixel::DistributionParameter quantity;
        if (!brixel::ParseDistributionParameter(brixel::ToStdString(parameter), psd, quantity)) {
            return kStatusInvalidArgument;
        }
        double result = 0.0;
        const long status =
            brixel::EvaluateDistributionParameter(quantity, meshValues, fractionValues, result);
        if (status == kStatusOk) {
            *value = result;
        }
        return status;
    });
}

long CBrixelBaseUnit::GetDistributionParameter(const CString& portName, const CComBSTR& attribute,
                                               const CComBSTR& parameter, double* value,
                                               const CComSafeArray<VARIANT>* mesh,
                                               const CComSafeArray<double>* fractions) {
    return brixel::ByPortName(*this, portName, false, [&](int port) {
        return GetDistributionParameter(port, attribute, parameter, value, mesh, fractions);
    });
}
