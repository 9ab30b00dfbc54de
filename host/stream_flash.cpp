#include "host/stream_flash.h"

#include <algorithm>
#include <cstring>

namespace brixel::host {

namespace {

using Impl = SubstituteHost::Impl;

// Word positions of the stream-work data (the library's FlashResults reads them).
constexpr int kWorkRealBase = 0;
constexpr int kWorkIntegerBase = 1;
constexpr int kWorkCount = 2;
constexpr int kWorkBeta = 22;
constexpr int kWork2ArrayA = 15;
constexpr int kWork2ArrayC = 16;
constexpr int kWork2ArrayD = 17;
constexpr int kWork2ArrayB = 18;
constexpr int kWork2Components = 25;

constexpr double kLiquidSplit = 1.0;  // beta: all liquid in the first liquid phase

}  // namespace

ComponentModels ModelsOf(const Impl& impl) {
    ComponentModels models;
    for (std::size_t k = 0; k < impl.components.size(); ++k) {
        ComponentModel model;
        model.molecularWeight = impl.components[k].molecularWeight;
        const auto found = impl.thermo.substances.find(static_cast<int64_t>(k) + 1);
        if (found != impl.thermo.substances.end()) {
            model.fluid = found->second->fluid;
            model.solid = found->second->solid;
        }
        models.conventional.push_back(model);
    }
    for (const std::string& id : impl.nonconventional) {
        ComponentModel model;
        model.molecularWeight = impl.MolecularWeight(0, true);
        if (const auto* substance = databank::FindNonconventional(id)) {
            model.solid = &substance->solid;
        }
        models.nonconventional.push_back(model);
    }
    return models;
}

FlashLimits LimitsOf(const Impl& impl) {
    const auto& real = impl.realGlobals;
    return {std::max(real[records::kRealGlobalTemperatureMin], kRealSmallest),
            real[records::kRealGlobalTemperatureMax],
            std::max(real[records::kRealGlobalPressureMin], kRealSmallest),
            real[records::kRealGlobalPressureMax]};
}

SubstreamSlice SliceOf(const Impl::SubstreamLayout& layout, double* vector,
                       const ComponentModels& models) {
    const bool nonconventional = layout.type == records::kNonconventional;
    return {layout.type, vector + layout.offset,
            nonconventional ? &models.nonconventional : &models.conventional};
}

std::vector<SubstreamSlice> AllSlices(const Impl::StreamClass& streamClass, double* vector,
                                      const ComponentModels& models) {
    std::vector<SubstreamSlice> slices;
    for (const auto& layout : streamClass.substreams) {
        slices.push_back(SliceOf(layout, vector, models));
    }
    return slices;
}

std::vector<AttributeSlot> SlotsOf(Impl& impl, const Impl::SubstreamLayout& layout) {
    std::vector<AttributeSlot> slots;
    const int64_t* classRecord = impl.IntegerWords(layout.classRecordBead);
    for (int64_t i = 0; i < classRecord[records::kSubstreamClassSlotCount]; ++i) {
        const int64_t* slot =
            classRecord + records::kSubstreamClassFirstSlot + records::kSlotWords * i;
        const int64_t* attribute = impl.IntegerWords(slot[records::kSlotAttributeBead]);
        if (attribute == nullptr) {
            continue;
        }
        slots.push_back({UnpackText(attribute + records::kAttributeName, records::kIdChars),
                         slot[records::kSlotValueOffset], slot[records::kSlotValueCount]});
    }
    return slots;
}

void ReserveResults(Impl& impl) {
    ThermoState& state = impl.thermo;
    if (state.resultsCapacity > 0) {
        return;
    }
    const int64_t capacity =
        std::max<int64_t>(1, impl.componentCounts[records::kCountConventional]);
    const int64_t real = impl.plex.Allocate(4 * capacity);
    try {
        state.resultsInteger = impl.plex.Allocate(capacity);
    } catch (...) {
        impl.plex.Release(real, 4 * capacity);
        throw;
    }
    state.resultsReal = real;
    state.resultsCapacity = capacity;
}

EquilibriumResults ResultsOf(const PhaseSplit& split) {
    return {split.components, split.x, split.y};
}

void PublishResults(Impl& impl, const EquilibriumResults& results, const double* owner) {
    ReserveResults(impl);
    ThermoState& state = impl.thermo;
    const int64_t capacity = state.resultsCapacity;
    const auto count = std::min<int64_t>(static_cast<int64_t>(results.components.size()), capacity);
    double* arrays = &impl.plex.Real(state.resultsReal);
    int64_t* numbers = &impl.plex.Integer(state.resultsInteger);
    std::fill(arrays, arrays + 4 * capacity, 0.0);
    std::fill(numbers, numbers + capacity, int64_t{0});
    for (int64_t j = 0; j < count; ++j) {
        arrays[j] = results.x[j];                 // A
        arrays[capacity + j] = results.y[j];      // B
        arrays[2 * capacity + j] = results.x[j];  // C
        numbers[j] = results.components[j];
    }
    impl.streamWork[kWorkRealBase] = state.resultsReal - 1;
    impl.streamWork[kWorkIntegerBase] = state.resultsInteger - 1;
    impl.streamWork[kWorkCount] = count;
    std::memcpy(&impl.streamWork[kWorkBeta], &kLiquidSplit, sizeof(double));
    impl.streamWork2[kWork2ArrayA] = 1;
    impl.streamWork2[kWork2ArrayB] = 1 + capacity;
    impl.streamWork2[kWork2ArrayC] = 1 + 2 * capacity;
    impl.streamWork2[kWork2ArrayD] = 1 + 3 * capacity;
    impl.streamWork2[kWork2Components] = 1;
    state.lastResults = results;
    state.resultsOwner = owner;
}

}  // namespace brixel::host
