// Builder calls for databank components and moisture data.

#include <algorithm>
#include <set>
#include <stdexcept>

#include "brixel/framework/stream_vector.h"
#include "host/stream_flash.h"
#include "host/substitute_host_impl.h"
#include "host/validation.h"

namespace brixel::host {

namespace {

namespace sv = brixel::stream_vector;

constexpr double kMaxMoisturePercent = 100.0;

}  // namespace

int64_t SubstituteHost::AddDatabankComponent(const std::string& name) {
    const databank::Substance* substance = databank::FindSubstance(name);
    if (substance == nullptr) {
        throw std::invalid_argument("the databank has no substance " + name);
    }
    Component component;
    component.id = std::string(substance->id);
    component.molecularWeight = substance->molecularWeight;
    component.boilingPoint = substance->boilingPoint;
    component.formula = std::string(substance->formula);
    component.cas = std::string(substance->cas);
    if (substance->fluid != nullptr) {
        // Constants the library reads by host parameter name.
        component.parameters["TC"] = {substance->fluid->criticalTemperature};
        component.parameters["PC"] = {substance->fluid->criticalPressure};
        component.parameters["TFP"] = {substance->fluid->meltingPoint};
    }
    component.conventionalSolid = substance->solid != nullptr;
    const int64_t number = AddComponent(component);
    m_impl->thermo.substances[number] = substance;
    return number;
}

void SubstituteHost::SetMoistureAttribute(const std::string& name) {
    RequireName(name, records::kIdChars, "moisture attribute");
    if (m_impl->componentsLaidOut) {
        throw std::logic_error(
            "the moisture attribute must be named before the first stream class");
    }
    m_impl->thermo.moistureAttribute = name;
}

void SubstituteHost::Impl::PlaceMoistureAttribute(const StreamClass& streamClass) {
    ThermoState& state = thermo;
    if (state.moistureAttribute.empty()) {
        return;
    }
    const int64_t nncc = componentCounts[records::kCountNonconventional];
    int64_t placed = state.moistureValueOffset;
    for (const auto& layout : streamClass.substreams) {
        if (layout.type != records::kNonconventional) {
            continue;
        }
        const auto slots = SlotsOf(*this, layout);
        const auto slot = std::find_if(slots.begin(), slots.end(), [&](const AttributeSlot& s) {
            return s.name == state.moistureAttribute;
        });
        if (slot == slots.end() || slot->valueCount != nncc ||
            (placed >= 0 && slot->valueOffset != placed)) {
            throw std::invalid_argument("NC substream " + layout.id +
                                        " must carry the moisture attribute " +
                                        state.moistureAttribute +
                                        " with one value per NC component, at the same place "
                                        "in every NC substream");
        }
        placed = slot->valueOffset;
    }
    if (placed < 0 || state.moistureTable != 0) {
        return;
    }
    // Entry of NC component k (from 1): MOISTOFF adds NNCC, the substream's offset and the 9
    // state words to it and obtains the 1-based position of the value in the stream vector.
    const int64_t table = plex.Allocate(std::max<int64_t>(nncc, 1));
    for (int64_t k = 1; k <= nncc; ++k) {
        plex.Integer(table + k - 1) = placed - nncc - sv::kStateWords + k;
    }
    state.moistureTable = table;
    state.moistureValueOffset = placed;
    offsetCommon[records::kOffsetMoisture] = table - 1;
}

void SubstituteHost::SetMoisture(int64_t streamBead, int substream, int64_t component,
                                 double percent) {
    const auto& layout = m_impl->SubstreamOrThrow(streamBead, substream);
    const ThermoState& state = m_impl->thermo;
    if (layout.type != records::kNonconventional || state.moistureValueOffset < 0) {
        throw std::invalid_argument("substream " + layout.id + " carries no moisture attribute");
    }
    if (component < 1 || component > layout.components) {
        throw std::invalid_argument("no NC component " + std::to_string(component));
    }
    RequireNonNegative(percent, "moisture");
    if (percent >= kMaxMoisturePercent) {
        throw std::invalid_argument("moisture must be below 100 % (wet basis)");
    }
    m_impl->RealWords(streamBead)[layout.offset + state.moistureValueOffset + component - 1] =
        percent;
}

void SubstituteHost::SetMoistureComponents(std::vector<int64_t> components) {
    const std::set<int64_t> distinct(components.begin(), components.end());
    for (const int64_t number : components) {
        if (number < 1 || number > ConventionalCount()) {
            throw std::invalid_argument("no conventional component " + std::to_string(number));
        }
    }
    if (distinct.size() != components.size()) {
        throw std::invalid_argument("a moisture component is listed twice");
    }
    Impl& impl = *m_impl;
    ThermoState& state = impl.thermo;
    const auto count = static_cast<int64_t>(components.size());
    const int64_t position = count == 0 ? 0 : impl.plex.Allocate(count);
    if (count > 0) {
        std::copy(components.begin(), components.end(), &impl.plex.Integer(position));
    }
    if (state.moistureComponentsCount > 0) {
        impl.plex.Release(state.moistureComponentsPosition, state.moistureComponentsCount);
    }
    state.moistureComponentsPosition = position;
    state.moistureComponentsCount = count;
}

}  // namespace brixel::host
