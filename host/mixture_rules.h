#pragma once

#include <cstdint>
#include <vector>

#include "host/databank.h"
#include "host/substitute_host_impl.h"
#include "host/transport.h"

// The substitute host's pure-component and mixture rules behind its property monitors
// (host/property_monitors.cpp, which also documents the rules).
namespace brixel::host {

// Error words of the monitors.
constexpr int64_t kOk = 0;
constexpr int64_t kBadInput = 1;
constexpr int64_t kNoData = 2;
constexpr int64_t kNoHost = 3;

// Bounds the listed count before anything is sized by it (the binary matrix is n x n).
constexpr int64_t kMaxListed = 10000;

struct MonitorError {
    int64_t code;
};

// One listed component: its databank entries (null when missing) and mole fraction.
struct Listed {
    const databank::Substance* substance = nullptr;
    const transport::FluidTransport* transport = nullptr;
    double molecularWeight = 0.0;
    double x = 0.0;
};

// A finite, positive T or P below the missing value.
bool Usable(const double* value);

struct Conditions {
    double t;
    double p;
    std::vector<Listed> listed;
};

// The listed components of a monitor call at its T and P, mole fractions normalised; throws
// MonitorError on bad input.
Conditions Read(const SubstituteHost::Impl& impl, const double* t, const double* p, const double* x,
                const int64_t* n, const int64_t* components);
// The fluid (transport) data of a listed component; MonitorError{kNoData} when it has none.
const databank::Fluid& FluidOf(const Listed& entry);
const transport::FluidTransport& TransportOf(const Listed& entry);

struct WithSlope {
    double value = 0.0;
    double slope = 0.0;
};

WithSlope VapourEnthalpyOf(const Listed& entry, double t);
WithSlope LiquidEnthalpyOf(const Listed& entry, double t);
WithSlope SolidEnthalpyOf(const Listed& entry, double t);
double SolidMolarVolumeOf(const Listed& entry, double t);

template <typename Property>
double MoleAverage(const Conditions& c, Property&& property) {
    double sum = 0.0;
    for (const Listed& entry : c.listed) {
        const double value = property(entry);
        sum += entry.x * value;
    }
    return sum;
}

template <typename Property>
WithSlope MoleAverageWithSlope(const Conditions& c, Property&& property) {
    WithSlope sum;
    for (const Listed& entry : c.listed) {
        const WithSlope value = property(entry, c.t);
        sum.value += entry.x * value.value;
        sum.slope += entry.x * value.slope;
    }
    return sum;
}

double VapourViscosity(const Conditions& c);
double VapourConductivity(const Conditions& c);
double LiquidViscosity(const Conditions& c);
double LiquidConductivity(const Conditions& c);
double SolidConductivity(const Conditions& c);
double SurfaceTension(const Conditions& c);
std::vector<double> BinaryDiffusivities(const Conditions& c);
std::vector<double> MixtureDiffusivities(const Conditions& c);
double SpeedOfSound(const Conditions& c);

}  // namespace brixel::host
