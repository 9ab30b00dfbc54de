// Reactions and adsorption of the substitute host: HostReactiveFlash (stoichiometric reactions
// at given conversion, then a flash) and HostKineticsAdsorption (a linear isotherm). Simple
// models so that the library's reactor and adsorption paths run for real; no kinetics, and no
// heat of reaction (the host's enthalpy reference puts every ideal gas at 0 at 298.15 K).

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/stream_vector.h"
#include "host/host_service.h"
#include "host/stream_flash.h"

namespace brixel::host {

namespace {
using Impl = SubstituteHost::Impl;
constexpr int64_t kReactionRecordWords = 4;
}  // namespace

int64_t SubstituteHost::AddReaction(const Reaction& reaction) {
    Impl& impl = *m_impl;
    const auto components = static_cast<int64_t>(impl.components.size());
    bool keyIsReactant = false;
    for (const auto& [component, coefficient] : reaction.stoichiometry) {
        if (component < 1 || component > components || !std::isfinite(coefficient)) {
            throw std::invalid_argument("reaction: unknown component " + std::to_string(component) +
                                        " or bad coefficient");
        }
        keyIsReactant = keyIsReactant || (component == reaction.key && coefficient < 0.0);
    }
    if (!keyIsReactant || !(reaction.conversion >= 0.0 && reaction.conversion <= 1.0)) {
        throw std::invalid_argument("reaction: the key must be a reactant, conversion in 0 ... 1");
    }
    const int64_t bead = impl.NewSmallBead();
    impl.CreateRecord(bead, kReactionRecordWords, 0);
    impl.reactions[bead] = reaction;
    return bead;
}

const std::vector<ReactiveFlashCall>& SubstituteHost::ReactiveFlashCalls() const {
    return m_impl->reactiveFlashCalls;
}

namespace {

// Extent (kmol/s) of a reaction on the flows: the key's conversion, limited by the scarcest
// reactant so that no flow becomes negative.
double ExtentOf(const Reaction& reaction, const double* flows) {
    double extent = 0.0;
    for (const auto& [component, coefficient] : reaction.stoichiometry) {
        if (component == reaction.key) {
            extent = reaction.conversion * flows[component - 1] / -coefficient;
        }
    }
    for (const auto& [component, coefficient] : reaction.stoichiometry) {
        if (coefficient < 0.0) {
            extent = std::min(extent, flows[component - 1] / -coefficient);
        }
    }
    return std::max(extent, 0.0);
}

}  // namespace

}  // namespace brixel::host

using brixel::host::service::Impl;
using brixel::host::service::Read;
using brixel::host::service::ServeVoid;
using brixel::host::service::Write;
namespace records = brixel::records;
namespace sv = brixel::stream_vector;

extern "C" {

void HostReactiveFlash(double* streamVector, const int64_t* position, const int64_t* kode,
                       const double* spec1, const double* spec2, const int64_t* phaseCount,
                       const int64_t* phase, const int64_t* reactionCount, const int64_t* reactions,
                       const double* duration, const int64_t* iterations, const double* tolerance,
                       const double* secondValue, const int64_t* printLevel,
                       const int64_t* propertyLevel, const int64_t* optionSet, int64_t* results,
                       const int64_t* resultCapacity, int64_t* converged) {
    Write<int64_t>(converged, -1);
    ServeVoid([&](Impl& impl) {
        ++impl.flashCommon[3];
        impl.reactiveFlashCalls.push_back({Read(kode), Read(phaseCount), Read(phase),
                                           Read(iterations), Read(reactionCount), Read(duration),
                                           Read(tolerance), Read(secondValue), Read(printLevel),
                                           Read(propertyLevel), Read(optionSet)});
        if (impl.refuseFlash) {
            return;
        }
        const int64_t bead = impl.StreamOfVector(streamVector);
        const Impl::StreamClass* streamClass = bead == 0 ? nullptr : impl.ClassOfStream(bead);
        const int64_t count = Read(reactionCount);
        if (streamClass == nullptr || spec1 == nullptr || spec2 == nullptr || count < 0 ||
            count > brixel::host::service::kMaxSubstreams || (count > 0 && reactions == nullptr)) {
            return;
        }
        const auto layout =
            std::find_if(streamClass->substreams.begin(), streamClass->substreams.end(),
                         [&](const auto& s) { return s.offset + 1 == Read(position); });
        if (layout == streamClass->substreams.end() || layout->type != records::kMixed) {
            return;
        }
        std::vector<const brixel::host::Reaction*> listed;
        for (int64_t r = 0; r < count; ++r) {
            const auto found = impl.reactions.find(reactions[r]);
            if (found == impl.reactions.end()) {
                return;
            }
            listed.push_back(&found->second);
        }
        double* flows = streamVector + layout->offset;
        for (int64_t i = 0; i < layout->components; ++i) {
            if (!(flows[i] >= 0.0 && flows[i] < brixel::host::kRealMissing)) {
                return;
            }
        }
        const std::vector<double> before(flows, flows + layout->components);
        std::vector<double> applied;
        for (const auto* reaction : listed) {
            const double extent = brixel::host::ExtentOf(*reaction, flows);
            for (const auto& [component, coefficient] : reaction->stoichiometry) {
                flows[component - 1] = std::max(0.0, flows[component - 1] + coefficient * extent);
            }
            applied.push_back(extent);
        }
        double total = 0.0;
        for (int64_t i = 0; i < layout->components; ++i) {
            total += flows[i];
        }
        const double totalBefore = flows[layout->components + sv::kTotalFlow];
        flows[layout->components + sv::kTotalFlow] = total;
        const int64_t type = records::kMixed;
        const int64_t result =
            brixel::host::FlashVector(impl, {streamVector, 1, position, &type, Read(kode), *spec1,
                                             *spec2, brixel::host::kRealMissing});
        if (result != brixel::host::flash_status::kOk) {
            std::copy(before.begin(), before.end(), flows);
            flows[layout->components + sv::kTotalFlow] = totalBefore;
            return;
        }
        if (results != nullptr) {
            const auto room = std::clamp<int64_t>(Read(resultCapacity), 0, count);
            for (int64_t r = 0; r < room; ++r) {
                results[r] = applied[static_cast<std::size_t>(r)] > 0.0 ? 1 : 0;
            }
        }
        Write<int64_t>(converged, 1);
    });
}

void HostKineticsAdsorption(int64_t* streamBead, int64_t* component, double* henry,
                            double* adsorbent) {
    ServeVoid([&](Impl& impl) {
        const Impl::StreamClass* streamClass = impl.ClassOfStream(Read(streamBead));
        const double k = Read(henry);
        const double a = Read(adsorbent);
        const int64_t number = Read(component);
        if (streamClass == nullptr || !(k >= 0.0 && std::isfinite(k)) ||
            !(a >= 0.0 && std::isfinite(a)) || number < 1 ||
            number > impl.componentCounts[records::kCountConventional]) {
            return;
        }
        const auto& substreams = streamClass->substreams;
        const auto mixed = std::find_if(substreams.begin(), substreams.end(),
                                        [](const auto& s) { return s.type == records::kMixed; });
        const auto solid = std::find_if(substreams.begin(), substreams.end(),
                                        [](const auto& s) { return s.type == records::kCiSolid; });
        if (mixed == substreams.end() || solid == substreams.end()) {
            return;
        }
        double* vector = impl.RealWords(*streamBead);
        double* fluid = vector + mixed->offset;
        double* held = vector + solid->offset;
        for (int64_t i = 0; i < mixed->components; ++i) {
            if (!(fluid[i] >= 0.0 && fluid[i] < brixel::host::kRealMissing) ||
                !(held[i] >= 0.0 && held[i] < brixel::host::kRealMissing)) {
                return;
            }
        }
        const double moved = fluid[number - 1] - fluid[number - 1] / (1.0 + k * a);
        fluid[number - 1] -= moved;
        held[number - 1] += moved;
        for (double* flows : {fluid, held}) {
            double total = 0.0;
            for (int64_t i = 0; i < mixed->components; ++i) {
                total += flows[i];
            }
            flows[mixed->components + sv::kTotalFlow] = total;
        }
    });
}

}  // extern "C"
