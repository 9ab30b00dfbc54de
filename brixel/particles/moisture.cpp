#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/component_table.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/port_name_call.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

using brixel::kStatusCapeBadInvocationOrder;
using brixel::kStatusCapeInvalidArgument;
using brixel::kStatusFail;
using brixel::kStatusInvalidArgument;
using brixel::kStatusOk;

namespace {

constexpr const char* kWaterCas = "7732-18-5";
constexpr double kMoistureTolerance = 1e-15;

enum class MoistureBasis { Dry, Wet };

MoistureBasis BasisOf(const CComBSTR& attribute) {
    std::string name = brixel::ToStdString(attribute);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (name == "SMC" || name == "SMC(DRY)") {
        return MoistureBasis::Dry;
    }
    if (name == "SMC(WET)") {
        return MoistureBasis::Wet;
    }
    throw kStatusInvalidArgument;
}

void CheckNoDistributions(const CComSafeArray<BSTR>* distributions) {
    if (distributions && distributions->m_psa) {
        throw kStatusCapeBadInvocationOrder;
    }
}

std::vector<int64_t> MoistureComponents() {
    int64_t location = 0;
    int64_t count = 0;
    HostMoistureComponents(&location, &count);
    const int64_t* numbers = count > 0 ? brixel::plex::IntAt(location) : nullptr;
    std::vector<int64_t> components;
    for (int64_t j = 0; numbers && j < count; ++j) {
        components.push_back(numbers[j] - 1);
    }
    return components;
}

int64_t WaterComponent(int64_t ncc) {
    for (int64_t c = 0; c < ncc; ++c) {
        if (brixel::ComponentCas(c) == kWaterCas) {
            return c;
        }
    }
    return -1;
}

// Earlier lines are collected, the last one raises the message.
void RaiseLines(CBrixelBaseUnit& unit, uint32_t code, const std::vector<std::string>& lines,
                const char* tag) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        unit.RaiseCalculationError(code, CString(lines[i].c_str()), tag, i + 1 < lines.size());
    }
}

// What the solid substreams of a stream carry, in kg/s.
struct MoistureInventory {
    int bead = 0;
    int64_t ncc = 0;
    int64_t nncc = 0;
    std::vector<double> conventional;  // per conventional component, all solid substreams
    std::vector<int> cisolid;          // CISOLID substreams
    std::vector<double> cisolidDry;    // their mass without moisture components
    struct NcMoisture {
        int substream;
        int64_t component;  // 0-based NC component
        int64_t position;   // 0-based position of the moisture value in the stream vector
        double dry;         // kg/s without moisture
    };
    std::vector<NcMoisture> ncSlots;  // NC components with a moisture value
    double ncWater = 0.0;             // water carried as NC moisture
    double total = 0.0;               // S: all solids, wet
    double moisture = 0.0;            // W
    std::vector<int64_t> moistureComponents;
    int64_t water = -1;
};

MoistureInventory TakeMoistureInventory(CBrixelBaseUnit& unit, int port) {
    MoistureInventory inventory;
    inventory.bead = unit.ConvertPortToStreamBeadNumber(std::as_const(port));
    const brixel::StreamClassView view(brixel::StreamClassOfStream(inventory.bead));
    double* vector = brixel::plex::RealRecord(inventory.bead);
    if (!view.record || !vector) {
        throw kStatusFail;
    }
    inventory.ncc = brixel::ConventionalComponentCount();
    inventory.nncc = brixel::NonconventionalComponentCount();
    inventory.conventional.assign(static_cast<std::size_t>(inventory.ncc), 0.0);
    inventory.moistureComponents = MoistureComponents();
    inventory.water = WaterComponent(inventory.ncc);
    const auto isMoisture = [&](int64_t c) {
        return std::find(inventory.moistureComponents.begin(), inventory.moistureComponents.end(),
                         c) != inventory.moistureComponents.end();
    };
    const auto given = [](double v) { return v > 0.0 && brixel::IsGiven(v); };
    double ncMoisture = 0.0;
    for (int k = 1; k < static_cast<int>(view.SubstreamCount()); ++k) {
        const int64_t type = view.Type(k);
        const int64_t offset = view.Offset(k);
        if (type == brixel::records::kNonconventional) {
            for (int64_t j = 0; j < inventory.nncc; ++j) {
                const double flow = vector[offset + j];
                if (!given(flow)) {
                    continue;
                }
                const int64_t position = brixel::MoisturePosition(inventory.bead, k + 1, j + 1);
                const double w = position > 0 ? vector[position - 1] : 0.0;
                if (position > 0 && std::isfinite(w) && w > 0.0 && w < 100.0) {
                    inventory.ncSlots.push_back({k, j, position - 1, flow * (100.0 - w) / 100.0});
                    ncMoisture += flow * w / 100.0;
                } else if (position > 0) {
                    inventory.ncSlots.push_back({k, j, position - 1, flow});
                }
                inventory.total += flow;
            }
        } else if (type == brixel::records::kCiSolid) {
            double dry = 0.0;
            for (int64_t c = 0; c < inventory.ncc; ++c) {
                const double flow = vector[offset + c];
                if (!given(flow)) {
                    continue;
                }
                const double mass = flow * brixel::ComponentMolecularWeight(c);
                inventory.conventional[static_cast<std::size_t>(c)] += mass;
                inventory.total += mass;
                if (!isMoisture(c)) {
                    dry += mass;
                }
            }
            inventory.cisolid.push_back(k);
            inventory.cisolidDry.push_back(dry);
        }
    }
    // The polymer-rich liquid of the mixed substream counts as solid material.
    const std::vector<double> rich = unit.GetPolymerRichPhaseFlows(inventory.bead, inventory.ncc);
    for (int64_t c = 0; c < inventory.ncc; ++c) {
        const double flow = rich[static_cast<std::size_t>(c)];
        if (given(flow)) {
            const double mass = flow * brixel::ComponentMolecularWeight(c);
            inventory.conventional[static_cast<std::size_t>(c)] += mass;
            inventory.total += mass;
        }
    }
    if (ncMoisture > 0.0) {
        if (inventory.water < 0) {
            RaiseLines(unit, 1,
                       {"STREAM CONTAINS NON-CONVENTIONAL SOLIDS WITH DEFINED WATER CONTENT",
                        "BUT WATER HAS NOT BEEN DEFINED AS MOISTURE COMPONENT.",
                        "PLEASE ADD WATER AS CONVENTIONAL MOISTURE COMPONENT."},
                       "GETSMC");
            throw kStatusFail;
        }
        inventory.ncWater = ncMoisture;
        inventory.conventional[static_cast<std::size_t>(inventory.water)] += ncMoisture;
    }
    for (const int64_t c : inventory.moistureComponents) {
        if (c >= 0 && c < inventory.ncc) {
            inventory.moisture += inventory.conventional[static_cast<std::size_t>(c)];
        }
    }
    return inventory;
}

bool IsMoistureComponent(const MoistureInventory& inventory, int64_t c) {
    return std::find(inventory.moistureComponents.begin(), inventory.moistureComponents.end(), c) !=
           inventory.moistureComponents.end();
}

}  // namespace

long CBrixelBaseUnit::GetDistrDependentSolidAttribute(int port, const CComBSTR& attribute,
                                                      const CComSafeArray<BSTR>* distributions,
                                                      CComSafeArray<double>& values) {
    return brixel::GuardedCall([&] {
        CheckNoDistributions(distributions);
        const MoistureBasis basis = BasisOf(attribute);
        const MoistureInventory inventory = TakeMoistureInventory(*this, port);
        std::vector<double> content(static_cast<std::size_t>(inventory.ncc), 0.0);
        for (const int64_t c : inventory.moistureComponents) {
            if (c >= 0 && c < inventory.ncc) {
                content[static_cast<std::size_t>(c)] =
                    inventory.conventional[static_cast<std::size_t>(c)];
            }
        }
        if (inventory.moisture > 0.0) {
            const double reference = basis == MoistureBasis::Dry
                                         ? inventory.total - inventory.moisture
                                         : inventory.total;
            if (!(reference > 0.0)) {
                return kStatusFail;  // solids of moisture alone have no dry basis
            }
            for (double& value : content) {
                value /= reference;
            }
        }
        StoreArray(content, values);
        return kStatusOk;
    });
}

long CBrixelBaseUnit::SetDistrDependentSolidAttribute(int port, const CComBSTR& attribute,
                                                      const CComSafeArray<BSTR>* distributions,
                                                      const CComSafeArray<double>& values) {
    return brixel::GuardedCall([&] {
        CheckNoDistributions(distributions);
        const MoistureBasis basis = BasisOf(attribute);
        const std::vector<double> content = ReadArray(values);
        const MoistureInventory inventory = TakeMoistureInventory(*this, port);
        if (static_cast<int64_t>(content.size()) != inventory.ncc) {
            return kStatusInvalidArgument;
        }
        double all = 0.0;
        double ofMoisture = 0.0;
        for (int64_t c = 0; c < inventory.ncc; ++c) {
            const double value = content[static_cast<std::size_t>(c)];
            if (!std::isfinite(value) || value < 0.0) {
                return kStatusInvalidArgument;
            }
            all += value;
            ofMoisture += IsMoistureComponent(inventory, c) ? value : 0.0;
        }
        if (std::fabs(all - ofMoisture) > kMoistureTolerance) {
            std::vector<std::string> lines{
                "MODEL SET SOLIDS MOISTURE CONTENT FOR COMPONENTS NOT DEFINED AS",
                "MOISTURE COMPONENTS. PLEASE ENSURE "};
            for (int64_t c = 0; c < inventory.ncc; ++c) {
                if (content[static_cast<std::size_t>(c)] != 0.0 &&
                    !IsMoistureComponent(inventory, c)) {
                    lines.push_back(std::string(7, ' ') + brixel::ConventionalComponentId(c));
                }
            }
            lines.emplace_back("HAVE BEEN SELECTED AS MOISTURE COMPONENTS.");
            RaiseLines(*this, 2, lines, "SETSMC");
            return kStatusCapeInvalidArgument;
        }
        if (!(inventory.total > 0.0)) {
            return kStatusCapeInvalidArgument;
        }
        // Moisture masses (kg/s) on the unchanged dry solids.
        const double dry = inventory.total - inventory.moisture;
        double scale = dry;
        if (basis == MoistureBasis::Wet) {
            if (!(ofMoisture < 1.0)) {
                return kStatusInvalidArgument;  // wet solids cannot be moisture alone
            }
            scale = dry / (1.0 - ofMoisture);
        }
        std::vector<double> target(content.size());
        for (std::size_t c = 0; c < content.size(); ++c) {
            target[c] = content[c] * scale;
        }
        double cisolidDry = 0.0;
        for (const double mass : inventory.cisolidDry) {
            cisolidDry += mass;
        }
        double ncDry = 0.0;
        for (const auto& slot : inventory.ncSlots) {
            ncDry += slot.dry;
        }
        double* vector = brixel::plex::RealRecord(inventory.bead);
        const auto setNcMoisture = [&](double percent) {
            for (const auto& slot : inventory.ncSlots) {
                ChangeComponentFlow(inventory.bead, slot.substream, inventory.ncc + slot.component,
                                    slot.dry * 100.0 / (100.0 - percent));
                vector[slot.position] = percent;
            }
        };
        const auto noCarrier = [&] {
            RaiseLines(*this, 3,
                       {"NO SOLIDS FLOW IN CISOLID AND/OR NC SUB STREAM.",
                        "SETTING SOLIDS MOISTURE CONTENT NOT POSSIBLE."},
                       "SETSMC");
            return kStatusFail;
        };
        if (cisolidDry > 0.0) {
            // The conventional solids take up all moisture, in proportion to their dry mass;
            // NC moisture moves over to them.
            if (inventory.ncWater > 0.0) {
                setNcMoisture(0.0);
            }
            for (const int64_t c : inventory.moistureComponents) {
                if (c < 0 || c >= inventory.ncc) {
                    continue;
                }
                for (std::size_t k = 0; k < inventory.cisolid.size(); ++k) {
                    ChangeComponentFlow(
                        inventory.bead, inventory.cisolid[k], c,
                        target[static_cast<std::size_t>(c)] * inventory.cisolidDry[k] / cisolidDry);
                }
            }
            return kStatusOk;
        }
        // Only NC solids: water alone can be held, as their moisture value.
        for (std::size_t c = 0; c < target.size(); ++c) {
            if (target[c] > 0.0 && static_cast<int64_t>(c) != inventory.water) {
                return noCarrier();
            }
        }
        if (ncDry > 0.0) {
            const double water =
                inventory.water >= 0 ? target[static_cast<std::size_t>(inventory.water)] : 0.0;
            setNcMoisture(100.0 * water / (water + ncDry));
            return kStatusOk;
        }
        return ofMoisture > 0.0 ? noCarrier() : kStatusOk;
    });
}

long CBrixelBaseUnit::GetDistrDependentSolidAttribute(const CString& portName,
                                                      const CComBSTR& attribute,
                                                      const CComSafeArray<BSTR>* distributions,
                                                      CComSafeArray<double>& values) {
    return brixel::ByPortName(*this, portName, false, [&](int port) {
        return GetDistrDependentSolidAttribute(port, attribute, distributions, values);
    });
}

long CBrixelBaseUnit::SetDistrDependentSolidAttribute(const CString& portName,
                                                      const CComBSTR& attribute,
                                                      const CComSafeArray<BSTR>* distributions,
                                                      const CComSafeArray<double>& values) {
    return brixel::ByPortName(*this, portName, false, [&](int port) {
        return SetDistrDependentSolidAttribute(port, attribute, distributions, values);
    });
}
