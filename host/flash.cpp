#include "host/flash.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "brixel/framework/records.h"
#include "brixel/framework/stream_vector.h"
#include "host/substitute_host.h"
#include "host/thermo.h"

namespace brixel::host {

namespace {

namespace sv = brixel::stream_vector;
namespace status = flash_status;
using thermo::kGasConstant;
using thermo::kReferencePressure;

enum Kode : int64_t { kPQ = 1, kTP = 2, kPV = 3, kTQ = 4, kTV = 5 };

// Enthalpy residuals below this share of the balance's scale count as closed.
constexpr double kEnergyTolerance = 1e-8;
// J/kg: about one kelvin of heating; keeps the tolerance meaningful near zero enthalpy.
constexpr double kEnergyScalePerKg = 1e3;
constexpr int kMaxBisections = 400;

bool Given(double value) {
    return std::isfinite(value) && value < kRealMissing && value > -kRealMissing;
}

// Root of a monotone f on [low, high] by bisection to full precision (geometric midpoints on a
// logarithmic scale); nullopt when f has one sign at both ends or is not a number.
std::optional<double> Bisect(const std::function<double(double)>& f, double low, double high,
                             bool logarithmic) {
    double fLow = f(low);
    double fHigh = f(high);
    if (std::isnan(fLow) || std::isnan(fHigh)) {
        return std::nullopt;
    }
    if (fLow == 0.0) {
        return low;
    }
    if (fHigh == 0.0) {
        return high;
    }
    if ((fLow > 0.0) == (fHigh > 0.0)) {
        return std::nullopt;
    }
    for (int i = 0; i < kMaxBisections; ++i) {
        const double middle =
            logarithmic ? std::sqrt(low) * std::sqrt(high) : low + (high - low) / 2.0;
        if (!(middle > low && middle < high)) {
            break;
        }
        const double value = f(middle);
        if (std::isnan(value)) {
            return std::nullopt;
        }
        if (value == 0.0) {
            return middle;
        }
        if ((value > 0.0) == (fLow > 0.0)) {
            low = middle;
            fLow = value;
        } else {
            high = middle;
            fHigh = value;
        }
    }
    return std::abs(fLow) <= std::abs(fHigh) ? low : high;
}

void Normalize(std::vector<double>& values) {
    double sum = 0.0;
    for (const double value : values) {
        sum += value;
    }
    if (sum > 0.0) {
        for (double& value : values) {
            value /= sum;
        }
    }
}

}  // namespace

Flash::Flash(std::vector<SubstreamSlice> substreams, FlashLimits limits) : m_limits(limits) {
    for (const SubstreamSlice& slice : substreams) {
        m_slices.push_back({slice, {}, 0.0, 0.0});
    }
    m_status = Check();
}

int64_t Flash::Check() {
    double total = 0.0;
    for (int s = 0; s < static_cast<int>(m_slices.size()); ++s) {
        SliceData& data = m_slices[s];
        const auto& models = *data.slice.models;
        const bool solidSubstream = data.slice.type != records::kMixed;
        bool holdsFluid = false;
        for (std::size_t i = 0; i < models.size(); ++i) {
            const double flow = data.slice.start[i];
            if (!std::isfinite(flow) || flow < 0.0 || flow >= kRealMissing) {
                return status::kBadInput;
            }
            data.flows.push_back(flow);
            if (flow == 0.0) {
                continue;
            }
            const ComponentModel& model = models[i];
            const bool ncFluid = data.slice.type == records::kNonconventional && model.fluid;
            if ((!model.fluid && !model.solid) || ncFluid) {
                return status::kNoData;
            }
            data.total += flow;
            data.mass += flow * model.molecularWeight;
            holdsFluid = holdsFluid || (model.fluid && !solidSubstream);
        }
        total += data.total;
        if (holdsFluid) {
            if (m_mixed >= 0) {
                return status::kBadInput;  // one vapour-liquid split per flash
            }
            m_mixed = s;
        }
    }
    if (!(total > 0.0)) {
        return status::kNothingToFlash;
    }
    if (m_mixed >= 0) {
        const SliceData& mixed = m_slices[m_mixed];
        for (std::size_t i = 0; i < mixed.flows.size(); ++i) {
            if (mixed.flows[i] > 0.0 && (*mixed.slice.models)[i].fluid) {
                m_volatile.push_back(i);
                m_z.push_back(mixed.flows[i]);
                m_fluidFlow += mixed.flows[i];
            }
        }
        for (double& z : m_z) {
            z /= m_fluidFlow;
        }
    }
    return status::kOk;
}

// ---- state ---------------------------------------------------------------------------------

std::optional<double> Flash::StreamPressure() const {
    for (const SliceData& data : m_slices) {
        const double p = data.slice.start[data.flows.size() + sv::kPressure];
        if (Given(p) && p > 0.0) {
            return p;
        }
    }
    return std::nullopt;
}

std::optional<double> Flash::ResolvePressure(double spec) const {
    if (!std::isfinite(spec)) {
        return std::nullopt;
    }
    if (spec > 0.0) {
        return spec;
    }
    const auto stream = StreamPressure();
    return stream ? std::optional<double>(*stream + spec) : std::nullopt;
}

bool Flash::TemperatureInLimits(double t) const {
    return t >= m_limits.tLow && t <= m_limits.tHigh;
}
bool Flash::PressureInLimits(double p) const {
    return p >= m_limits.pLow && p <= m_limits.pHigh;
}

std::vector<double> Flash::KValues(double t, double p) const {
    std::vector<double> k;
    const auto& models = *m_slices[m_mixed].slice.models;
    for (const std::size_t i : m_volatile) {
        k.push_back(std::exp(thermo::LnVapourPressure(*models[i].fluid, t) - std::log(p)));
    }
    return k;
}

// Phases of the MIXED fluid at t, p: in equilibrium, or with the vapour share beta imposed
// (saturated states, where the temperature or pressure alone does not fix the share).
PhaseSplit Flash::SplitAt(double t, double p, std::optional<double> beta) const {
    PhaseSplit split;
    if (m_mixed < 0) {
        return split;
    }
    const std::vector<double> k = KValues(t, p);
    split.beta = beta ? *beta : thermo::SolveVapourFraction(m_z, k);
    const std::size_t n = m_z.size();
    split.x.resize(n);
    split.y.resize(n);
    if (split.beta >= 1.0) {
        // Dew point: the first drop; components without vapour pressure would make it alone.
        const bool stranded = std::any_of(k.begin(), k.end(), [](double v) { return v <= 0.0; });
        for (std::size_t i = 0; i < n; ++i) {
            split.y[i] = m_z[i];
            split.x[i] = stranded ? (k[i] <= 0.0 ? m_z[i] : 0.0) : m_z[i] / k[i];
        }
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            split.x[i] = m_z[i] / (1.0 + split.beta * (k[i] - 1.0));
            split.y[i] = k[i] * split.x[i];
        }
    }
    Normalize(split.x);
    Normalize(split.y);
    for (const std::size_t i : m_volatile) {
        split.components.push_back(static_cast<int64_t>(i) + 1);
    }
    return split;
}

Flash::SliceState Flash::Evaluate(const SliceData& data, double t, double p,
                                  const PhaseSplit* split) const {
    SliceState state;
    const auto& models = *data.slice.models;
    // Everything that does not take part in the vapour-liquid split: pure condensed phases.
    for (std::size_t i = 0; i < models.size(); ++i) {
        const double flow = data.flows[i];
        if (flow == 0.0) {
            continue;
        }
        const ComponentModel& model = models[i];
        if (model.solid) {
            state.enthalpy += flow * thermo::SolidEnthalpy(*model.solid, t);
            state.entropy += flow * thermo::SolidEntropy(*model.solid, t);
            state.volume += flow * model.molecularWeight / model.solid->density;
        } else if (split == nullptr) {
            state.enthalpy += flow * thermo::LiquidEnthalpy(*model.fluid, t);
            state.entropy += flow * thermo::LiquidEntropy(*model.fluid, t);
            state.volume += flow * thermo::LiquidMolarVolume(*model.fluid, t);
        }
    }
    if (split == nullptr) {
        return state;
    }
    const double vapour = split->beta * m_fluidFlow;
    const double liquid = m_fluidFlow - vapour;
    const double lnP = std::log(p / kReferencePressure);
    for (std::size_t j = 0; j < m_volatile.size(); ++j) {
        const databank::Fluid& fluid = *models[m_volatile[j]].fluid;
        const double x = split->x[j];
        const double y = split->y[j];
        if (vapour > 0.0 && y > 0.0) {
            state.enthalpy += vapour * y * thermo::IdealGasEnthalpy(fluid, t);
            state.entropy +=
                vapour * y *
                (thermo::IdealGasEntropy(fluid, t) - kGasConstant * (std::log(y) + lnP));
        }
        if (liquid > 0.0 && x > 0.0) {
            state.enthalpy += liquid * x * thermo::LiquidEnthalpy(fluid, t);
            state.entropy +=
                liquid * x * (thermo::LiquidEntropy(fluid, t) - kGasConstant * std::log(x));
            state.volume += liquid * x * thermo::LiquidMolarVolume(fluid, t);
        }
    }
    state.volume += vapour * kGasConstant * t / p;
    state.vapourFraction = vapour / data.total;
    state.liquidFraction = liquid / data.total;
    return state;
}

double Flash::EnthalpyFlow(double t, double p, std::optional<double> beta) const {
    const PhaseSplit split = SplitAt(t, p, beta);
    double sum = 0.0;
    for (int s = 0; s < static_cast<int>(m_slices.size()); ++s) {
        sum += Evaluate(m_slices[s], t, p, s == m_mixed ? &split : nullptr).enthalpy;
    }
    return sum;
}

std::optional<double> Flash::InletEnthalpyFlow() const {
    if (m_status != status::kOk) {
        return std::nullopt;
    }
    double sum = 0.0;
    for (int s = 0; s < static_cast<int>(m_slices.size()); ++s) {
        const SliceData& data = m_slices[s];
        if (data.total == 0.0) {
            continue;
        }
        const double* state = data.slice.start + data.flows.size();
        if (Given(state[sv::kEnthalpy])) {
            sum += data.mass * state[sv::kEnthalpy];
            continue;
        }
        const double t = state[sv::kTemperature];
        const double p = state[sv::kPressure];
        if (!Given(t) || !Given(p) || t <= 0.0 || p <= 0.0) {
            return std::nullopt;
        }
        if (s == m_mixed) {
            const PhaseSplit split = SplitAt(t, p, std::nullopt);
            sum += Evaluate(data, t, p, &split).enthalpy;
        } else {
            sum += Evaluate(data, t, p, nullptr).enthalpy;
        }
    }
    return sum;
}

double Flash::VapourShareResidual(double t, double p, double share) const {
    const std::vector<double> k = KValues(t, p);
    double sum = 0.0;
    for (std::size_t i = 0; i < m_z.size(); ++i) {
        const double denominator = 1.0 + share * (k[i] - 1.0);
        if (denominator <= 0.0) {
            return -HUGE_VAL;  // a component that cannot vaporize at all: still below the dew point
        }
        sum += m_z[i] * (k[i] - 1.0) / denominator;
    }
    return sum;
}

double Flash::EnergyTolerance(double target) const {
    double mass = 0.0;
    for (const SliceData& data : m_slices) {
        mass += data.mass;
    }
    return kEnergyTolerance * std::max(std::abs(target), kEnergyScalePerKg * mass);
}

// Vapour share of the fluid for a vapour fraction of the whole MIXED substream.
std::optional<double> Flash::FluidShare(double vapourFraction) const {
    if (m_mixed < 0 || !(vapourFraction >= 0.0 && vapourFraction <= 1.0)) {
        return std::nullopt;
    }
    const double share = vapourFraction * m_slices[m_mixed].total / m_fluidFlow;
    if (share > 1.0 + 1e-12) {
        return std::nullopt;
    }
    return std::min(share, 1.0);
}

// ---- solving -------------------------------------------------------------------------------

int64_t Flash::Run(int64_t kode, double spec1, double spec2, double spec3) {
    if (m_status != status::kOk) {
        return m_status;
    }
    if (!std::isfinite(spec1) || !std::isfinite(spec2) || !std::isfinite(spec3)) {
        return status::kBadInput;
    }
    switch (kode) {
        case kTP: {
            const auto p = ResolvePressure(spec2);
            if (!p) {
                return status::kBadInput;
            }
            if (!TemperatureInLimits(spec1) || !PressureInLimits(*p)) {
                return status::kOutOfLimits;
            }
            return Finish(spec1, *p, std::nullopt);
        }
        case kPQ:
        case kPV: {
            const auto p = ResolvePressure(spec1);
            if (!p) {
                return status::kBadInput;
            }
            if (!PressureInLimits(*p)) {
                return status::kOutOfLimits;
            }
            if (kode == kPV) {
                return SolvePV(*p, spec2);
            }
            const auto inlet = InletEnthalpyFlow();
            return inlet ? SolvePQ(*p, *inlet + spec2) : status::kBadInput;
        }
        case kTQ:
        case kTV: {
            if (!TemperatureInLimits(spec1)) {
                return status::kOutOfLimits;
            }
            if (kode == kTV) {
                return SolveTV(spec1, spec2);
            }
            const auto p0 = spec3 >= kRealMissing ? StreamPressure() : ResolvePressure(spec3);
            const auto inlet = InletEnthalpyFlow();
            if (!p0 || !inlet) {
                return status::kBadInput;
            }
            return SolveTQ(spec1, std::clamp(*p0, m_limits.pLow, m_limits.pHigh), *inlet + spec2);
        }
        default:
            return status::kBadInput;
    }
}

int64_t Flash::ToEnthalpyFlow(double p, double enthalpyFlow) {
    if (m_status != status::kOk) {
        return m_status;
    }
    if (!std::isfinite(p) || !std::isfinite(enthalpyFlow)) {
        return status::kBadInput;
    }
    if (!PressureInLimits(p)) {
        return status::kOutOfLimits;
    }
    return SolvePQ(p, enthalpyFlow);
}

int64_t Flash::SolvePQ(double p, double target) {
    // One volatile component boils at one temperature: the energy fixes the vapour share.
    if (m_volatile.size() == 1) {
        const databank::Fluid& fluid = *(*m_slices[m_mixed].slice.models)[m_volatile[0]].fluid;
        const auto boiling =
            Bisect([&](double t) { return thermo::LnVapourPressure(fluid, t) - std::log(p); },
                   m_limits.tLow, m_limits.tHigh, false);
        if (boiling) {
            const double liquid = EnthalpyFlow(*boiling, p, 0.0);
            const double vapour = EnthalpyFlow(*boiling, p, 1.0);
            if (target >= liquid && target <= vapour) {
                const double beta = vapour > liquid ? (target - liquid) / (vapour - liquid) : 0.0;
                return Finish(*boiling, p, beta);
            }
        }
    }
    const auto t =
        Bisect([&](double trial) { return EnthalpyFlow(trial, p, std::nullopt) - target; },
               m_limits.tLow, m_limits.tHigh, false);
    if (!t) {
        return status::kOutOfLimits;
    }
    if (!(std::abs(EnthalpyFlow(*t, p, std::nullopt) - target) <= EnergyTolerance(target))) {
        return status::kNotConverged;
    }
    return Finish(*t, p, std::nullopt);
}

int64_t Flash::SolvePV(double p, double vapourFraction) {
    const auto share = FluidShare(vapourFraction);
    if (!share) {
        return status::kOutOfLimits;
    }
    const auto t = Bisect(
        [&](double trial) {
            return m_volatile.size() == 1
                       ? thermo::LnVapourPressure(
                             *(*m_slices[m_mixed].slice.models)[m_volatile[0]].fluid, trial) -
                             std::log(p)
                       : VapourShareResidual(trial, p, *share);
        },
        m_limits.tLow, m_limits.tHigh, false);
    return t ? Finish(*t, p, *share) : status::kOutOfLimits;
}

int64_t Flash::SolveTV(double t, double vapourFraction) {
    const auto share = FluidShare(vapourFraction);
    if (!share) {
        return status::kOutOfLimits;
    }
    std::optional<double> p;
    if (m_volatile.size() == 1) {
        p = std::exp(
            thermo::LnVapourPressure(*(*m_slices[m_mixed].slice.models)[m_volatile[0]].fluid, t));
        if (!PressureInLimits(*p)) {
            p.reset();
        }
    } else {
        p = Bisect([&](double trial) { return VapourShareResidual(t, trial, *share); },
                   m_limits.pLow, m_limits.pHigh, true);
    }
    return p ? Finish(t, *p, *share) : status::kOutOfLimits;
}

int64_t Flash::SolveTQ(double t, double p0, double target) {
    if (m_volatile.size() == 1) {
        const double p = std::exp(
            thermo::LnVapourPressure(*(*m_slices[m_mixed].slice.models)[m_volatile[0]].fluid, t));
        if (PressureInLimits(p)) {
            const double liquid = EnthalpyFlow(t, p, 0.0);
            const double vapour = EnthalpyFlow(t, p, 1.0);
            if (target >= liquid && target <= vapour) {
                const double beta = vapour > liquid ? (target - liquid) / (vapour - liquid) : 0.0;
                return Finish(t, p, beta);
            }
        }
    }
    const double tolerance = EnergyTolerance(target);
    const double atStart = EnthalpyFlow(t, p0, std::nullopt) - target;
    if (std::abs(atStart) <= tolerance) {
        return Finish(t, p0, std::nullopt);  // the pressure given already meets the duty
    }
    // The enthalpy falls as pressure condenses vapour.
    const double low = atStart > 0.0 ? p0 : m_limits.pLow;
    const double high = atStart > 0.0 ? m_limits.pHigh : p0;
    const auto p =
        Bisect([&](double trial) { return EnthalpyFlow(t, trial, std::nullopt) - target; }, low,
               high, true);
    if (!p) {
        return status::kOutOfLimits;
    }
    if (!(std::abs(EnthalpyFlow(t, *p, std::nullopt) - target) <= tolerance)) {
        return status::kNotConverged;
    }
    return Finish(t, *p, std::nullopt);
}

int64_t Flash::Finish(double t, double p, std::optional<double> beta) {
    m_split = SplitAt(t, p, beta);
    for (int s = 0; s < static_cast<int>(m_slices.size()); ++s) {
        const SliceData& data = m_slices[s];
        double* state = data.slice.start + data.flows.size();
        state[sv::kTemperature] = t;
        state[sv::kPressure] = p;
        if (data.total == 0.0) {
            continue;
        }
        const SliceState result = Evaluate(data, t, p, s == m_mixed ? &m_split : nullptr);
        state[sv::kEnthalpy] = result.enthalpy / data.mass;
        state[sv::kVaporFraction] = result.vapourFraction;
        state[sv::kLiquidFraction] = result.liquidFraction;
        state[sv::kEntropy] = result.entropy / data.mass;
        state[sv::kDensity] = data.mass / result.volume;
        state[sv::kMolecularWeight] = data.mass / data.total;
    }
    return status::kOk;
}

}  // namespace brixel::host
