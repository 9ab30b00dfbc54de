// Mixing in a unit's streams: new material mixed into a stream through a work stream, and
// two streams merged through the host's mixer.
//
// MixFlowsWithStream checks its input and finds where each amount goes before it writes a
// word, so that a rejected request leaves the stream as it was.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/flash_kode.h"
#include "brixel/framework/flow_arithmetic.h"
#include "brixel/framework/flow_checks.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

using brixel::IsGiven;
using namespace brixel::flow_checks;

namespace {

// Real-work words of the host mixer per substream (and per information word), plus a fixed part.
constexpr int64_t kMixRealWordsPerEntry = 8;
constexpr int64_t kMixRealWordsFixed = 6;
constexpr int64_t kMixIntWordsPerSubstream = 2;
constexpr int64_t kMixIntWordsFixed = 4;
constexpr int64_t kMixStatusWords = 8;  // stand-in status block for an unbound unit

// Runs a clean-up when it goes out of scope.
template <typename Action>
class AtScopeExit {
  public:
    explicit AtScopeExit(Action action) : m_action(std::move(action)) {}
    ~AtScopeExit() { m_action(); }
    AtScopeExit(const AtScopeExit&) = delete;
    AtScopeExit& operator=(const AtScopeExit&) = delete;

  private:
    Action m_action;
};

}  // namespace

void CBrixelBaseUnit::MixFlowsWithStream(int port, const std::vector<double>& flows,
                                         double temperature, double pressure) {
    MixFlowsWithStream(port, flows, temperature, pressure, std::vector<double>());
}

void CBrixelBaseUnit::MixFlowsWithStream(int port, const std::vector<double>& flows,
                                         double temperature, double pressure,
                                         const std::vector<double>& psd) {
    const FlowTarget existing = FlowTargetOf(port);
    const brixel::StreamClassView view(existing.streamClass);
    int64_t ncc = 0;
    int64_t nncc = 0;
    ComponentCounts(ncc, nncc);
    RequireComponentEntries(flows, ncc, nncc);
    if (std::any_of(flows.begin(), flows.end(), [](double flow) { return flow < 0.0; })) {
        throw brixel::kStatusFail;
    }
    RequireState(temperature);
    RequireState(pressure);
    RequirePsdFits(view, psd);

    // Where each component goes, by the rules of adding a flow to the existing stream.
    struct Placement {
        int substream;
        int64_t c;
        double amount;
    };
    std::vector<Placement> placements;
    for (int64_t c = 0; c < ncc + nncc; ++c) {
        if (flows[c] == 0.0) {
            continue;
        }
        std::vector<int> substreams;
        bool emptyTarget = false;
        bool shared = true;
        ChooseSubstreams(existing, c, substreams, emptyTarget, shared);
        std::vector<double> held;
        for (const int k : substreams) {
            held.push_back(existing.vector[view.Offset(k) +
                                           brixel::ComponentPosition(c, view.Type(k), ncc, nncc)]);
        }
        if (std::accumulate(held.begin(), held.end(), 0.0) > 0.0) {
            const std::vector<double> shares = brixel::ProportionalShares(held, flows[c]);
            for (std::size_t i = 0; i < substreams.size(); ++i) {
                placements.push_back({substreams[i], c, shares[i]});
            }
            continue;
        }
        int receiver = substreams.front();
        if (substreams.size() > 1) {
            const auto solid = std::find_if(substreams.begin(), substreams.end(),
                                            [&](int k) { return view.Type(k) != rec::kMixed; });
            if (solid != substreams.end()) {
                receiver = *solid;
            }
        }
        placements.push_back({receiver, c, flows[c]});
    }
    if (placements.empty()) {
        return;
    }

    // The new material lives in a work stream of the same class until it is merged.
    const int fresh = AllocateInternalStream(existing.bead);
    const AtScopeExit release([this, fresh] { RemoveInternalStream(fresh); });
    int64_t allocated = fresh;
    HostStreamMissing(&allocated);
    double* vector = brixel::plex::RealRecord(fresh);
    if (!vector) {
        throw brixel::kStatusFail;
    }
    for (int k = 0; k < view.SubstreamCount(); ++k) {
        double* words = vector + view.Offset(k);
        const int64_t count = view.ComponentCount(k);
        words[count + sv::kTotalFlow] = std::accumulate(words, words + count, 0.0);
    }

    const FlowTarget added{fresh, existing.streamClass, vector};
    std::set<int> receivers;
    for (const Placement& placement : placements) {
        const int k = placement.substream;
        const double held = vector[view.Offset(k) +
                                   brixel::ComponentPosition(placement.c, view.Type(k), ncc, nncc)];
        SetComponentFlow(added, k, placement.c, held + placement.amount);
        receivers.insert(k);
    }
    const auto existingState = [&](int k, int64_t entry) {
        return existing.vector[view.Offset(k) + view.ComponentCount(k) + entry];
    };
    const double mixPressure = std::min({pressure, existingState(0, sv::kPressure), m_dblRMiss});
    for (const int k : receivers) {
        double newTemperature =
            temperature < kNotGiven ? temperature : existingState(k, sv::kTemperature);
        if (!IsGiven(newTemperature)) {
            newTemperature = existingState(0, sv::kTemperature);
        }
        double* state = vector + view.Offset(k) + view.ComponentCount(k);
        state[sv::kTemperature] = newTemperature;
        state[sv::kPressure] = mixPressure;
    }
    for (int k = 0; k < view.SubstreamCount(); ++k) {
        const PsdValues values = PsdValuesOf(view, k);
        if (values.count == 0) {
            continue;
        }
        const double* source =
            psd.empty() ? existing.vector + view.Offset(k) + values.first : psd.data();
        std::copy(source, source + values.count, vector + view.Offset(k) + values.first);
    }
    HostStreamVector(&allocated);
    // As MergeStreams with a flash, except that a mix the host refuses is an error here: the
    // caller's material would otherwise be lost without a word.
    if (!MixStreamInto(existing.bead, fresh)) {
        throw brixel::kStatusFail;
    }
    FlashStream(existing.bead, brixel::kFlashPQ, 0.0, 0.0, m_dblRMiss, true);
}

bool CBrixelBaseUnit::MergeStreams(int target, int other, bool flash) {
    const int into = BeadOf(target);
    if (!MixStreamInto(into, BeadOf(other))) {
        return false;
    }
    return flash ? FlashStream(into, brixel::kFlashPQ, 0.0, 0.0, m_dblRMiss, true) : true;
}

bool CBrixelBaseUnit::MixStreamInto(int into, int from) {
    const int64_t* streamClass = StreamClassOf(into);
    if (!streamClass || streamClass != StreamClassOf(from) || into == from ||
        !brixel::plex::RealRecord(into) || !brixel::plex::RealRecord(from)) {
        throw brixel::kStatusInvalidArgument;
    }
    if (!m_pNBOPST) {
        return false;
    }
    const brixel::StreamClassView view(streamClass);
    const int64_t substreams = view.SubstreamCount();
    const int64_t information = std::max<int64_t>(streamClass[rec::kClassInformation], 0);
    m_daMergeWork.assign(
        static_cast<std::size_t>((information + substreams) * kMixRealWordsPerEntry +
                                 kMixRealWordsFixed),
        0.0);
    m_naMergeWork.assign(
        static_cast<std::size_t>(kMixIntWordsPerSubstream * substreams + kMixIntWordsFixed), 0);

    const int64_t count = 2;
    const int64_t beads[2] = {into, from};
    const int64_t classPosition = brixel::plex::PositionOf(streamClass);
    int64_t targetRealPosition = 0;
    int64_t phaseCount = 0;
    int64_t phase = 0;
    ResolveFlashPhase(phaseCount, phase);
    const int64_t* globals = HostGlobals();
    const int64_t setting1 = globals ? globals[rec::kGlobalMergeSetting1] : 0;
    const int64_t setting2 = globals ? globals[rec::kGlobalMergeSetting2] : 0;
    int64_t unboundStatus[kMixStatusWords] = {};
    int64_t* statusBlock = GetIscp() ? GetIscp() : unboundStatus;
    const double tolerance = m_dblFlashTol;
    const int64_t iterations = m_nFlashMaxit;
    int64_t status = 0;
    HostMixStreams(&count, beads, &classPosition, &targetRealPosition, m_daMergeWork.data(),
                   m_naMergeWork.data(), statusBlock, &phaseCount, &phase, &setting1, &setting2,
                   m_pNBOPST, &tolerance, &iterations, &status);
    if (status < 0) {
        return false;
    }
    // The cached equilibrium described the target before the mix.
    RemoveFlashResults(into);
    return true;
}
