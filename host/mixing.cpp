#include "host/mixing.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>

#include "brixel/framework/stream_vector.h"
#include "host/stream_flash.h"

namespace brixel::host {

namespace {

namespace sv = brixel::stream_vector;
namespace status = flash_status;
using Impl = SubstituteHost::Impl;

bool Given(double value) {
    return std::isfinite(value) && value < kRealMissing;
}

double SumOf(const double* values, int64_t count) {
    double sum = 0.0;
    for (int64_t i = 0; i < count; ++i) {
        sum += values[i];
    }
    return sum;
}

// Flows, totals, molecular weights and attribute values of the mixture, laid out as the
// target's vector (whose other words it keeps).
std::vector<double> Mixture(Impl& impl, const Impl::StreamClass& streamClass,
                            const std::vector<double*>& vectors) {
    std::vector<double> mixed(vectors.front(), vectors.front() + streamClass.vectorLength);
    for (const auto& layout : streamClass.substreams) {
        const bool nonconventional = layout.type == records::kNonconventional;
        const int64_t n = layout.components;
        double total = 0.0;
        double mass = 0.0;
        for (int64_t i = 0; i < n; ++i) {
            double flow = 0.0;
            for (const double* vector : vectors) {
                flow += vector[layout.offset + i];
            }
            mixed[layout.offset + i] = flow;
            total += flow;
            mass += flow * impl.MolecularWeight(i + 1, nonconventional);
        }
        mixed[layout.offset + n + sv::kTotalFlow] = total;
        mixed[layout.offset + n + sv::kMolecularWeight] = total > 0.0 ? mass / total : 0.0;

        for (const AttributeSlot& slot : SlotsOf(impl, layout)) {
            const bool moisture = nonconventional && slot.valueCount == n &&
                                  slot.name == impl.thermo.moistureAttribute;
            for (int64_t j = 0; j < slot.valueCount; ++j) {
                double weighted = 0.0;
                double weights = 0.0;
                for (const double* vector : vectors) {
                    const double* substream = vector + layout.offset;
                    const double value = substream[slot.valueOffset + j];
                    double weight = moisture ? substream[j] : 0.0;
                    if (!moisture) {
                        for (int64_t i = 0; i < n; ++i) {
                            weight += substream[i] * impl.MolecularWeight(i + 1, nonconventional);
                        }
                    }
                    if (Given(value) && weight > 0.0) {
                        weighted += weight * value;
                        weights += weight;
                    }
                }
                if (weights > 0.0) {
                    mixed[layout.offset + slot.valueOffset + j] = weighted / weights;
                }
            }
        }
    }
    return mixed;
}

}  // namespace

int64_t MixStreams(Impl& impl, const std::vector<int64_t>& beads, int64_t classPosition,
                   int64_t& targetRealPosition) {
    if (beads.empty() || std::set<int64_t>(beads.begin(), beads.end()).size() != beads.size()) {
        return status::kBadInput;  // a stream mixed into itself would count twice
    }
    const int64_t target = beads.front();
    const Impl::StreamClass* streamClass = impl.ClassOfStream(target);
    if (streamClass == nullptr || streamClass->information) {
        return status::kBadInput;
    }
    const int64_t classBead = impl.IntegerWords(target)[records::kStreamClassBead];
    std::vector<double*> vectors;
    for (const int64_t bead : beads) {
        if (impl.ClassOfStream(bead) == nullptr ||
            impl.IntegerWords(bead)[records::kStreamClassBead] != classBead) {
            return status::kBadInput;
        }
        vectors.push_back(impl.RealWords(bead));
    }
    if (classPosition != 0 && classPosition != impl.Find(classBead)->integerPosition) {
        return status::kBadInput;
    }
    targetRealPosition = impl.Find(target)->realPosition;

    const ComponentModels models = ModelsOf(impl);
    const FlashLimits limits = LimitsOf(impl);
    double enthalpy = 0.0;
    std::optional<double> pressure;
    bool anyFlow = false;
    for (double* vector : vectors) {
        const Flash inlet(AllSlices(*streamClass, vector, models), limits);
        if (inlet.Status() == status::kNothingToFlash) {
            continue;
        }
        if (inlet.Status() != status::kOk) {
            return inlet.Status();
        }
        const auto flow = inlet.InletEnthalpyFlow();
        if (!flow) {
            return status::kBadInput;
        }
        enthalpy += *flow;
        anyFlow = true;
        for (const auto& layout : streamClass->substreams) {
            const double* substream = vector + layout.offset;
            const double p = substream[layout.components + sv::kPressure];
            if (SumOf(substream, layout.components) > 0.0 && Given(p) && p > 0.0) {
                pressure = pressure ? std::min(*pressure, p) : p;
            }
        }
    }
    if (anyFlow && !pressure) {
        return status::kBadInput;
    }

    const std::vector<double> mixed = Mixture(impl, *streamClass, vectors);
    double* targetVector = vectors.front();
    const std::vector<double> saved(targetVector, targetVector + streamClass->vectorLength);
    std::copy(mixed.begin(), mixed.end(), targetVector);
    if (anyFlow) {
        Flash flash(AllSlices(*streamClass, targetVector, models), limits);
        const int64_t result = flash.ToEnthalpyFlow(*pressure, enthalpy);
        if (result != status::kOk) {
            std::copy(saved.begin(), saved.end(), targetVector);
            return result;
        }
    }
    // Equilibrium results kept for the target describe what it was before.
    impl.thermo.stored.erase(target);
    if (impl.thermo.resultsOwner == targetVector) {
        impl.thermo.resultsOwner = nullptr;
    }
    return status::kOk;
}

}  // namespace brixel::host
