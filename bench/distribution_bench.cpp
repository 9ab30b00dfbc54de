// The closed-form distributions on meshes of 20, 200 and 2000 intervals, from parameters to
// normalized interval fractions, four ways:
//   Curve   - the library's hot path on plain arrays (curve, normalization, differences)
//   Class   - the exported class operations on safe arrays (CalculateX, Normalize, CalcDeltaQ3)
//   Eval    - the procedural entry EVALDISTRFUNC (parameter completion included)
//   Bare    - the same arithmetic written here as one loop: the floor
// bench/distribution_compare.py runs this program beside fluids and scipy.stats.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "brixel/exports/distribution_exports.h"
#include "brixel/framework/brixel_base_unit.h"
#include "brixel/models/distribution/distribution_curves.h"
#include "brixel/models/distribution/set_distributed_property.h"
#include "host/substitute_host.h"

namespace {

enum Kind { kGgs = 1, kRrsb = 2, kLogNormal = 3, kNormal = 4 };

// Parameters shared with the Python peers: RRSB n 1.4, D63 30 um; GGS m 0.8, Xmax 400 um;
// log-normal D50 25 um, sigma 0.6; normal D50 60 um, sigma 20 um.
constexpr double kN = 1.4, kD63 = 3e-5, kM = 0.8, kXmax = 4e-4, kLnD50 = 2.5e-5, kLnSigma = 0.6,
                 kD50 = 6e-5, kSigma = 2e-5;

// Log-spaced boundaries from 0.5 um to 500 um after a first boundary of 0.
std::vector<double> Mesh(int intervals) {
    std::vector<double> x{0.0};
    for (int i = 1; i <= intervals; ++i) {
        x.push_back(0.5e-6 * std::pow(1000.0, static_cast<double>(i) / intervals));
    }
    return x;
}

double BareCumulative(Kind kind, double x) {
    switch (kind) {
        case kRrsb:
            return 1.0 - std::exp(-std::pow(x / kD63, kN));
        case kGgs:
            return x <= kXmax ? std::pow(x / kXmax, kM) : 1.0;
        case kNormal:
            return 0.5 * (1.0 + std::erf((x - kD50) / (std::numbers::sqrt2 * kSigma)));
        default:
            return x > 0.0 ? 0.5 * (1.0 + std::erf(std::log(x / kLnD50) /
                                                   (std::numbers::sqrt2 * kLnSigma)))
                           : 0.0;
    }
}

void Bare(benchmark::State& state, Kind kind) {
    const std::vector<double> x = Mesh(static_cast<int>(state.range(0)));
    std::vector<double> q3(x.size());
    std::vector<double> q(x.size() - 1);
    for (auto _ : state) {
        for (std::size_t k = 0; k < x.size(); ++k) {
            q3[k] = BareCumulative(kind, x[k]);
        }
        const double scale = 1.0 / q3.back();
        q[0] = q3[1] * scale;
        for (std::size_t k = 1; k < q.size(); ++k) {
            q[k] = (q3[k + 1] - q3[k]) * scale;
        }
        benchmark::DoNotOptimize(q.data());
        benchmark::ClobberMemory();
    }
}

void Curve(benchmark::State& state, Kind kind) {
    const std::vector<double> x = Mesh(static_cast<int>(state.range(0)));
    std::vector<double> q3(x.size());
    std::vector<double> q(x.size() - 1);
    for (auto _ : state) {
        switch (kind) {
            case kRrsb:
                brixel::RrsbCumulative(kN, kD63, x.data(), x.size(), q3.data());
                break;
            case kGgs:
                brixel::GgsCumulative(kM, kXmax, x.data(), x.size(), q3.data());
                break;
            case kNormal:
                brixel::NormalCumulative(kSigma, kD50, x.data(), x.size(), q3.data());
                break;
            default:
                brixel::LogNormalCumulative(kLnSigma, kLnD50, x.data(), x.size(), q3.data());
                break;
        }
        const double scale = 1.0 / q3.back();
        for (double& value : q3) {
            value *= scale;
        }
        brixel::DifferenceCumulative(q3.data(), q3.size(), q.data());
        benchmark::DoNotOptimize(q.data());
        benchmark::ClobberMemory();
    }
}

void Class(benchmark::State& state, Kind kind) {
    brixel::host::SubstituteHost host;
    CBrixelBaseUnit::RefreshMarkers();
    const std::vector<double> x = Mesh(static_cast<int>(state.range(0)));
    CComSafeArray<VARIANT> mesh(static_cast<uint32_t>(x.size()));
    for (std::size_t k = 0; k < x.size(); ++k) {
        mesh.SetAt(static_cast<long>(k), CComVariant(x[k]));
    }
    CSetDistributedProperty element(nullptr);
    element.SetErrorInterface(nullptr);
    CComSafeArray<double> q3;
    CComSafeArray<double> q;
    for (auto _ : state) {
        switch (kind) {
            case kRrsb:
                element.CalculateRRSB(kN, kD63, mesh, q3);
                break;
            case kGgs:
                element.CalculateGGS(kM, kXmax, mesh, q3);
                break;
            case kNormal:
                element.CalculateNormalDistribution(kSigma, kD50, mesh, q3);
                break;
            default:
                element.CalculateLogNormalDistribution(kLnSigma, kLnD50, mesh, q3);
                break;
        }
        element.Normalize(q3, 1, nullptr);
        element.CalcDeltaQ3(q3, q);
        benchmark::DoNotOptimize(q.m_psa);
    }
}

void Eval(benchmark::State& state, Kind kind) {
    brixel::host::SubstituteHost host;
    CBrixelBaseUnit::RefreshMarkers();
    const double missing = CBrixelBaseUnit::m_dblRMiss;
    const std::vector<double> x = Mesh(static_cast<int>(state.range(0)));
    std::vector<double> q(x.size() - 1);
    const int64_t n = static_cast<int64_t>(q.size());
    const int64_t type = kind;
    const double m = kM, xmax = kXmax, rrsbN = kN, steepness = missing, d63 = kD63;
    const double d50 = kind == kNormal ? kD50 : (kind == kLogNormal ? kLnD50 : missing);
    const double lnSigma = kLnSigma, sigma = kSigma;
    int64_t status = 0;
    for (auto _ : state) {
        EVALDISTRFUNC(q.data(), &n, x.data(), &type, &m, &xmax, &rrsbN, &steepness, &d63, &d50,
                      &lnSigma, &sigma, nullptr, &status);
        benchmark::DoNotOptimize(q.data());
        benchmark::ClobberMemory();
    }
    if (status != 0) {
        state.SkipWithError("EVALDISTRFUNC failed");
    }
}

#define DISTRIBUTION_BENCH(kind, name)                                  \
    BENCHMARK_CAPTURE(Bare, name, kind)->Arg(20)->Arg(200)->Arg(2000);  \
    BENCHMARK_CAPTURE(Curve, name, kind)->Arg(20)->Arg(200)->Arg(2000); \
    BENCHMARK_CAPTURE(Class, name, kind)->Arg(20)->Arg(200)->Arg(2000); \
    BENCHMARK_CAPTURE(Eval, name, kind)->Arg(20)->Arg(200)->Arg(2000)

DISTRIBUTION_BENCH(kRrsb, rrsb);
DISTRIBUTION_BENCH(kGgs, ggs);
DISTRIBUTION_BENCH(kLogNormal, lognormal);
DISTRIBUTION_BENCH(kNormal, normal);

}  // namespace
