// Flash of a unit's streams through the host, and the per-stream cache of flash results.
#include <algorithm>
#include <cmath>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/flash_kode.h"
#include "brixel/framework/flash_work.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

namespace {

using enum brixel::FlashKode;

bool Within(double value, double lower, double upper) {
    return value >= lower && value <= upper;
}

}  // namespace

bool CBrixelBaseUnit::ReadStreamPressure(int bead, double& pressure) {
    const brixel::StreamClassView view(StreamClassOf(bead));
    const double* vector = brixel::plex::RealRecord(bead);
    if (!vector) {
        return false;
    }
    for (int k = 0; k < view.SubstreamCount(); ++k) {
        const double value = vector[view.Offset(k) + view.ComponentCount(k) + sv::kPressure];
        if (brixel::IsGiven(value)) {
            pressure = value;
            return true;
        }
    }
    return false;
}

bool CBrixelBaseUnit::FlashStream(int port, int kode, double spec1, double spec2, double spec3,
                                  bool force, const std::vector<int>& substreams, int /*extra*/) {
    if (!m_pNBOPST || kode < kFlashPQ || kode > kFlashTV) {
        return false;
    }
    const int bead = BeadOf(port);

    const double tLow = std::max(m_dblTmin, m_dblRMin);
    const double pLow = std::max(m_dblPmin, m_dblRMin);
    if ((kode == kFlashTP || kode == kFlashTQ || kode == kFlashTV) &&
        !Within(spec1, tLow, m_dblTmax)) {
        return false;
    }
    if (kode == kFlashPQ || kode == kFlashPV || kode == kFlashTP) {
        const double pressure = kode == kFlashTP ? spec2 : spec1;
        double current = 0.0;
        if (std::isnan(pressure)) {
            return false;
        }
        if (pressure > 0.0) {
            if (!Within(pressure, pLow, m_dblPmax)) {
                return false;
            }
        } else if (ReadStreamPressure(bead, current) &&
                   !Within(current + pressure, pLow, m_dblPmax)) {
            return false;
        }
    }

    if (!force && m_mapFlashResults.count(bead) != 0) {
        return true;
    }
    if ((kode == kFlashTQ || kode == kFlashTV) && brixel::IsMissing(spec3) &&
        !ReadStreamPressure(bead, spec3)) {
        throw brixel::kStatusFail;
    }

    const int64_t* streamClass = StreamClassOf(bead);
    double* vector = brixel::plex::RealRecord(bead);
    if (!streamClass || !vector || streamClass[rec::kClassInformation] > 0) {
        return false;
    }
    const brixel::StreamClassView view(streamClass);
    std::vector<int> listed = substreams;
    if (listed.empty()) {
        for (int k = 0; k < view.SubstreamCount(); ++k) {
            listed.push_back(k);
        }
    }
    std::vector<int64_t> positions;
    std::vector<int64_t> types;
    double totalFlow = 0.0;
    for (const int k : listed) {
        if (k < 0 || k >= view.SubstreamCount()) {
            return false;
        }
        positions.push_back(view.Offset(k) + 1);
        types.push_back(view.Type(k));
        const double total = vector[view.Offset(k) + view.ComponentCount(k) + sv::kTotalFlow];
        if (brixel::IsGiven(total)) {
            totalFlow += total;
        }
    }
    if (positions.empty()) {
        return false;
    }

    const int64_t* status = GetIscp();
    const int64_t printLevel =
        status ? std::max<int64_t>(status[rec::kStatusPrintLevel] - 1, 0) : 0;
    const int64_t printLevel2 = status ? status[rec::kStatusPrintLevel2] : 0;
    const int64_t flag1 = 0;
    const int64_t flag2 = 1;
    const int64_t count = static_cast<int64_t>(positions.size());
    int64_t realSize = 0;
    int64_t intSize = 0;
    HostStreamReturn(&count, &realSize, &intSize);
    std::vector<double> realWork(static_cast<std::size_t>(std::max<int64_t>(realSize, 1)));
    std::vector<int64_t> intWork(static_cast<std::size_t>(std::max<int64_t>(intSize, 1)));

    // Nothing to flash, or flashes switched off for the block: the stream stays as it is.
    if (!(totalFlow > m_dblRMin) || (status && status[rec::kStatusFlashEnabled] == 0)) {
        return true;
    }

    int64_t phaseCount = 0;
    int64_t phase = 0;
    ResolveFlashPhase(phaseCount, phase);
    const int64_t kodeWord = kode;
    const int64_t iterations = m_nFlashMaxit;
    const double tolerance = m_dblFlashTol;
    int64_t flashStatus = 0;
    HostFlash(vector, &count, positions.data(), types.data(), m_pNBOPST, &kodeWord, &phaseCount,
              &phase, &iterations, &tolerance, &spec1, &spec2, &spec3, &printLevel, &printLevel2,
              &flag1, &flag2, realWork.data(), intWork.data(), &flashStatus);

    if (flashStatus >= 0 && positions.front() == 1) {
        CacheFlashResults(bead);
    }
    return flashStatus >= 0;
}

bool CBrixelBaseUnit::FlashStream(int port, int kode, double spec1, double spec2, double spec3,
                                  bool force) {
    const bool flashed = FlashStream(port, kode, spec1, spec2, spec3, force, {}, 0);
    if (flashed) {
        const int64_t bead = BeadOf(port);
        for (int j = 0; j < m_nOutlets; ++j) {
            if (m_pOutlets[j] == bead) {
                HostStoreEquilibrium(&bead);
                break;
            }
        }
    }
    return flashed;
}

bool CBrixelBaseUnit::FlashStream(int port, int kode, double spec1, double spec2, double spec3,
                                  bool force, int substream) {
    return FlashStream(port, kode, spec1, spec2, spec3, force, std::vector<int>{substream}, 0);
}

CFlashBuffer* CBrixelBaseUnit::GetFlashResults(int port, bool recalculate) {
    const int bead = BeadOf(port);  // results are cached under the bead
    auto cached = m_mapFlashResults.find(bead);
    if (cached != m_mapFlashResults.end()) {
        return &cached->second;
    }
    // An inlet may carry the equilibrium the host stored with it when it was made.
    for (int i = 0; i < m_nInlets; ++i) {
        if (m_pInlets[i] != bead) {
            continue;
        }
        const double* vector = brixel::plex::RealRecord(bead);
        int64_t found = 0;
        if (vector) {
            HostGetStoredEquilibrium(vector, &found);
        }
        if (found != 0) {
            CacheFlashResults(bead);
            return &m_mapFlashResults[bead];
        }
        break;
    }
    if (!recalculate) {
        return nullptr;
    }
    FlashStream(bead, brixel::kFlashPQ, 0.0, 0.0, m_dblRMiss, false);
    cached = m_mapFlashResults.find(bead);
    return cached != m_mapFlashResults.end() ? &cached->second : nullptr;
}

void CBrixelBaseUnit::CacheFlashResults(int bead) {
    brixel::FlashWork work;
    brixel::ReadFlashWork(work);
    m_mapFlashResults[bead].Fill(bead, static_cast<int>(work.count), work.components, work.a,
                                 work.b, work.c, work.d, work.beta);
}

void CBrixelBaseUnit::GetFlashResults(int bead, int& count, int64_t*& components,
                                      int64_t*& hostComponents, double*& a, double*& b, double** c,
                                      double** d, double* beta, int* kind, bool recalculate,
                                      bool polymerAdjustment) {
    CFlashBuffer* results = GetFlashResults(bead, false);
    if (!results && recalculate) {
        if (!FlashStream(bead, brixel::kFlashPQ, 0.0, 0.0, m_dblRMiss, false)) {
            throw brixel::kStatusFail;
        }
        results = GetFlashResults(bead, false);
    }
    if (!results) {
        components = hostComponents = nullptr;
        a = b = nullptr;
        if (c) {
            *c = nullptr;
        }
        if (d) {
            *d = nullptr;
        }
        return;
    }
    // Once per set of results, whoever asks first: a second adjustment would read its own
    // C := A and flip the kind, and readers asking with different outputs would disagree.
    if (polymerAdjustment && results->m_nKind == 0) {
        AdjustPolymerPhases(*results);
    }
    count = results->m_nComps;
    components = results->m_naComps.data();
    hostComponents = results->m_naHostComps.data();
    a = results->m_daA.data();
    b = results->m_daB.data();
    if (c) {
        *c = results->m_daC.data();
    }
    if (d) {
        *d = results->m_daD.data();
    }
    if (beta) {
        *beta = results->m_dblBeta;
    }
    if (kind) {
        *kind = results->m_nKind;
    }
}

CBrixelBaseUnit::FlashOutputs CBrixelBaseUnit::PolymerFlashResults(int bead, bool phases) {
    FlashOutputs out;
    GetFlashResults(bead, out.count, out.components, out.hostComponents, out.a, out.b,
                    phases ? &out.c : nullptr, phases ? &out.d : nullptr, &out.beta, &out.kind,
                    true, true);
    return out;
}

void CBrixelBaseUnit::AdjustPolymerPhases(CFlashBuffer& results) const {
    const auto isSolidmer = [&](int64_t c) {
        return std::find(m_naSolidmers.begin(), m_naSolidmers.end(), c) != m_naSolidmers.end();
    };
    if (!IsSolidmerPresent() ||
        std::none_of(results.m_naComps.begin(), results.m_naComps.end(), isSolidmer)) {
        return;
    }
    // Sum of a composition over the listed solid polymers and oligomers.
    const auto solidmerSum = [&](const std::vector<double>& composition) {
        double sum = 0.0;
        for (std::size_t i = 0; i < results.m_naComps.size(); ++i) {
            const int64_t c = results.m_naComps[i];
            if (IsPolymerOligomer(c) && isSolidmer(c)) {
                sum += composition[i];
            }
        }
        return sum;
    };
    if (results.m_nKind == 0 && solidmerSum(results.m_daA) <= m_dblPolymerParameter) {
        // Too little polymer in the liquid for a phase of its own: one liquid, C = A.
        results.m_daC = results.m_daA;
        results.m_nKind = 1;
        results.m_dblBeta = 1.0;
        return;
    }
    // Kind 1: D is the polymer-rich phase (share 1 - beta); kind 2: C (share beta).
    results.m_nKind = solidmerSum(results.m_daD) >= solidmerSum(results.m_daC) ? 1 : 2;
}

void CBrixelBaseUnit::CopyFlashResults(int source, int destination) {
    if (source == destination) {
        return;
    }
    if (const CFlashBuffer* results = GetFlashResults(source, false)) {
        CFlashBuffer copy = *results;
        copy.m_nBead = destination;
        m_mapFlashResults[destination] = std::move(copy);
    } else {
        // The destination's own results describe material it no longer holds.
        m_mapFlashResults.erase(destination);
    }
}

void CBrixelBaseUnit::RemoveFlashResults(const int& port) {
    m_mapFlashResults.erase(BeadOf(port));
}

void CBrixelBaseUnit::SetFlashParams(int64_t iterations, double tolerance, int64_t phaseCount,
                                     int64_t phase) {
    m_nFlashMaxit = iterations;
    m_dblFlashTol = tolerance;
    SetFlashPhase(phaseCount, phase);
}

void CBrixelBaseUnit::SetFlashPhase(int64_t phaseCount, int64_t phase) {
    m_nFlashNPhase = static_cast<int>(phaseCount);
    m_nFlashPhase = static_cast<int>(phase);
}

void CBrixelBaseUnit::GetFlashPhase(int64_t& phaseCount, int64_t& phase) const {
    phaseCount = m_nFlashNPhase;
    phase = m_nFlashPhase;
}

void CBrixelBaseUnit::ResolveFlashPhase(int64_t& phaseCount, int64_t& phase) const {
    // Missing settings fall back to the host's flash options, then to two phases, phase 1.
    phaseCount = m_nFlashNPhase;
    phase = m_nFlashPhase;
    const int64_t* options = brixel::plex::IntRecord(rec::kGlobalOptionsBead);
    const int64_t flashBead = options ? options[rec::kOptionsFlashOptions] : 0;
    const int64_t* flash = flashBead > 0 ? brixel::plex::IntRecord(flashBead) : nullptr;
    if (brixel::IsMissingWord(phaseCount)) {
        phaseCount = flash ? flash[rec::kFlashOptionsPhaseCount] : m_nIMiss;
        if (brixel::IsMissingWord(phaseCount)) {
            phaseCount = 2;
        }
    }
    if (brixel::IsMissingWord(phase)) {
        phase = flash ? flash[rec::kFlashOptionsPhase] : m_nIMiss;
        if (brixel::IsMissingWord(phase)) {
            phase = 1;
        }
    }
}

bool CBrixelBaseUnit::HasThermalEquilibrium(int port) {
    constexpr double kSameTemperature = 1e-35;  // K
    const int bead = BeadOf(port);
    const brixel::StreamClassView view(StreamClassOf(bead));
    const double* vector = brixel::plex::RealRecord(bead);
    if (!vector || view.SubstreamCount() == 0) {
        return true;
    }
    const double first = vector[view.Offset(0) + view.ComponentCount(0) + sv::kTemperature];
    for (int k = 1; k < view.SubstreamCount(); ++k) {
        const double temperature =
            vector[view.Offset(k) + view.ComponentCount(k) + sv::kTemperature];
        if (brixel::IsGiven(temperature) && std::fabs(temperature - first) > kSameTemperature) {
            return false;
        }
    }
    return true;
}
