#include <algorithm>
#include <set>
#include <stdexcept>

#include "host/substitute_host_impl.h"
#include "host/validation.h"

namespace brixel::host {

namespace {

constexpr int kFormulaWords = records::kFormulaChars / 4;
constexpr int kCasWords = records::kCasChars / 4;

// Parameters every component has; further ones come from Component::parameters.
bool IsBuiltInParameter(const std::string& name) {
    return name == "MW" || name == "TB" || name == "FRMULA";
}

void ThrowIfLaidOut(bool laidOut) {
    if (laidOut) {
        throw std::logic_error("components must be added before the first stream class");
    }
}

}  // namespace

int64_t SubstituteHost::AddComponent(const Component& component) {
    ThrowIfLaidOut(m_impl->componentsLaidOut);
    RequireName(component.id, records::kIdChars, "component ID");
    if (m_impl->ComponentIndexFromId(component.id) != 0) {
        throw std::invalid_argument("component " + component.id + " is already defined");
    }
    RequirePositive(component.molecularWeight, "molecular weight");
    RequireNonNegative(component.boilingPoint, "normal boiling point");
    for (const std::string* text : {&component.formula, &component.cas}) {
        const std::size_t limit =
            text == &component.cas ? records::kCasChars : records::kFormulaChars;
        if (text->size() > limit || (!text->empty() && text->back() == ' ')) {
            throw std::invalid_argument("component " + component.id +
                                        ": formula or CAS number too long or blank-padded");
        }
    }
    for (const auto& [name, values] : component.parameters) {
        RequireName(name, records::kIdChars, "parameter name");
        if (IsBuiltInParameter(name) || values.empty()) {
            throw std::invalid_argument("component " + component.id + ": parameter " + name +
                                        " is reserved or has no value");
        }
        for (const double value : values) {
            RequireFinite(value, "component parameter");
        }
    }
    m_impl->components.push_back(component);
    m_impl->componentCounts[records::kCountConventional] =
        static_cast<int64_t>(m_impl->components.size());
    return static_cast<int64_t>(m_impl->components.size());
}

int64_t SubstituteHost::AddNonconventionalComponent(const std::string& id) {
    ThrowIfLaidOut(m_impl->componentsLaidOut);
    RequireName(id, records::kIdChars, "component ID");
    auto& ids = m_impl->nonconventional;
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) {
        throw std::invalid_argument("non-conventional component " + id + " is already defined");
    }
    ids.push_back(id);
    m_impl->componentCounts[records::kCountNonconventional] = static_cast<int64_t>(ids.size());
    return static_cast<int64_t>(ids.size());
}

int64_t SubstituteHost::ConventionalCount() const {
    return static_cast<int64_t>(m_impl->components.size());
}

int64_t SubstituteHost::NonconventionalCount() const {
    return static_cast<int64_t>(m_impl->nonconventional.size());
}

// Lays out every component table once; on failure (plex full) nothing is kept.
void SubstituteHost::Impl::LayoutComponents() {
    if (componentsLaidOut) {
        return;
    }
    const auto ncc = static_cast<int64_t>(components.size());
    const auto nncc = static_cast<int64_t>(nonconventional.size());
    Rollback rollback(*this);
    auto block = [&](int64_t words) {
        const int64_t position = plex.Allocate(words);
        rollback.AddBlock(position, words);
        return position;
    };
    auto putText = [&](int64_t position, const std::string& text, int characters) {
        const auto words = PackText(text, characters);
        std::copy(words.begin(), words.end(), &plex.Integer(position));
    };

    const int64_t idTable = block(2 * ncc);
    for (int64_t i = 0; i < ncc; ++i) {
        putText(idTable + 2 * i, components[i].id, records::kIdChars);
    }
    const int64_t ncIdTable = block(2 * nncc);
    for (int64_t i = 0; i < nncc; ++i) {
        putText(ncIdTable + 2 * i, nonconventional[i], records::kIdChars);
    }

    std::map<std::string, ParameterBlock> laidOut;
    auto realParameter = [&](const std::string& name, int64_t width, auto valuesOf) {
        const int64_t position = block(width * ncc);
        for (int64_t k = 0; k < ncc; ++k) {
            const std::vector<double> values = valuesOf(components[k]);
            for (int64_t w = 0; w < width; ++w) {
                plex.Real(position + k * width + w) =
                    w < static_cast<int64_t>(values.size()) ? values[w] : kRealMissing;
            }
        }
        laidOut[name] = {position - 1, width};
    };
    realParameter("MW", 1, [](const Component& c) { return std::vector{c.molecularWeight}; });
    realParameter("TB", 1, [](const Component& c) { return std::vector{c.boilingPoint}; });
    std::set<std::string> extraNames;
    for (const auto& component : components) {
        for (const auto& entry : component.parameters) {
            extraNames.insert(entry.first);
        }
    }
    for (const auto& name : extraNames) {
        int64_t width = 1;
        for (const auto& component : components) {
            const auto found = component.parameters.find(name);
            if (found != component.parameters.end()) {
                width = std::max(width, static_cast<int64_t>(found->second.size()));
            }
        }
        realParameter(name, width, [&name](const Component& c) {
            const auto found = c.parameters.find(name);
            return found == c.parameters.end() ? std::vector<double>{} : found->second;
        });
    }

    const int64_t formulas = block(kFormulaWords * ncc);
    for (int64_t k = 0; k < ncc; ++k) {
        putText(formulas + kFormulaWords * k, components[k].formula, records::kFormulaChars);
    }
    laidOut["FRMULA"] = {formulas - 1, kFormulaWords};

    const int64_t casTable = block(kCasWords * ncc);
    for (int64_t k = 0; k < ncc; ++k) {
        putText(casTable + kCasWords * k, components[k].cas, records::kCasChars);
    }

    std::vector<int64_t> solids;
    for (int64_t k = 0; k < ncc; ++k) {
        if (components[k].conventionalSolid) {
            solids.push_back(k + 1);
        }
    }
    int64_t solidList = 0;
    if (!solids.empty()) {
        solidList = block(static_cast<int64_t>(solids.size()));
        std::copy(solids.begin(), solids.end(), &plex.Integer(solidList));
    }

    // Index of each non-conventional component among the NC components: 1 ... NNCC.
    const int64_t ncIndex = block(nncc);
    for (int64_t i = 0; i < nncc; ++i) {
        plex.Integer(ncIndex + i) = i + 1;
    }

    rollback.Commit();
    parameters = std::move(laidOut);
    commonBlocks["IDXNCC"] = ncIndex - 1;
    propertyTable[records::kPropertyTableConventionalIds] = idTable - 1;
    propertyTable[records::kPropertyTableNonconventionalIds] = ncIdTable - 1;
    casTablePosition = casTable;
    solidListPosition = solidList;
    solidCount = static_cast<int64_t>(solids.size());
    componentsLaidOut = true;
}

int64_t SubstituteHost::Impl::ComponentIndexFromId(const std::string& id) const {
    for (std::size_t k = 0; k < components.size(); ++k) {
        if (components[k].id == id) {
            return static_cast<int64_t>(k) + 1;
        }
    }
    return 0;
}

int64_t SubstituteHost::Impl::ComponentIndexFromCas(const std::string& cas) const {
    if (cas.empty()) {
        return 0;
    }
    for (std::size_t k = 0; k < components.size(); ++k) {
        if (components[k].cas == cas) {
            return static_cast<int64_t>(k) + 1;
        }
    }
    return 0;
}

std::string SubstituteHost::Impl::CasOf(int64_t number) const {
    return components.at(static_cast<std::size_t>(number - 1)).cas;
}

// Non-conventional components carry no molecular weight here: their flows count as mass.
double SubstituteHost::Impl::MolecularWeight(int64_t number, bool nonconventionalComponent) const {
    if (nonconventionalComponent) {
        return 1.0;
    }
    return components.at(static_cast<std::size_t>(number - 1)).molecularWeight;
}

}  // namespace brixel::host
