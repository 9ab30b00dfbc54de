#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/port_name_call.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/property_stream.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

namespace {

constexpr long kInvalid = brixel::kStatusInvalidArgument;
constexpr double kMinimumFlow = 1e-15;  // kmol/s; below it a substream takes no PSD

std::string UpperName(BSTR name) {
    std::string text = brixel::ToStdString(name);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    return text;
}

// A fraction written into a stream: finite, not negative, not above 1.
bool ValidFraction(double value) {
    return std::isfinite(value) && value >= 0.0 && value <= 1.0;
}

}  // namespace

long CBrixelBaseUnit::SetSolidAttribute(int port, const CComSafeArray<BSTR>& names,
                                        const CComSafeArray<double>& values, int phaseId) {
    const uint32_t nameCount = names.GetDimensions() == 1 ? names.GetCount() : 0;
    if (nameCount < 1 || nameCount > 2 || values.GetDimensions() != nameCount) {
        throw kInvalid;
    }
    const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, port);
    const long first = names.GetLowerBound();
    if (nameCount == 1) {
        if (UpperName(names.GetAt(first)) != "PSD") {
            throw kInvalid;
        }
        const int64_t count = s.view.SubstreamCount();
        if (phaseId >= count || (phaseId < 0 && phaseId != brixel::kPhaseSolid)) {
            throw kInvalid;
        }
        std::vector<double> given(values.GetCount());
        for (std::size_t i = 0; i < given.size(); ++i) {
            given[i] = values.GetAt(values.GetLowerBound() + static_cast<long>(i));
            if (!ValidFraction(given[i])) {
                throw kInvalid;
            }
        }
        // Every target is checked before any is written.
        std::vector<double*> targets;
        for (int64_t k = phaseId >= 0 ? phaseId : 1; k < (phaseId >= 0 ? phaseId + 1 : count);
             ++k) {
            if (phaseId < 0 && s.view.Type(k) == rec::kMixed) {
                continue;
            }
            const double flow = s.substreams[static_cast<std::size_t>(k)].state[sv::kTotalFlow];
            double* fractions = nullptr;
            double* mesh = nullptr;
            const int n = GetPSDPointer(s.bead, static_cast<int>(k), fractions, mesh);
            if (!(flow >= kMinimumFlow) || !brixel::IsGiven(flow) || n == 0) {
                continue;
            }
            if (static_cast<std::size_t>(n) != given.size()) {
                throw kInvalid;
            }
            targets.push_back(fractions);
        }
        for (double* fractions : targets) {
            std::copy(given.begin(), given.end(), fractions);
        }
        return brixel::kStatusOk;
    }

    const std::string a = UpperName(names.GetAt(first));
    const std::string b = UpperName(names.GetAt(first + 1));
    if (!((a == "DENSITY" && b == "PSD") || (a == "PSD" && b == "DENSITY")) ||
        phaseId != brixel::kPhaseSolid) {
        throw kInvalid;
    }
    // Density classes run along the first dimension whatever the order of the names.
    const unsigned int sizeDim = 1;
    const uint32_t classes = values.GetCount(1 - sizeDim);
    const uint32_t intervals = values.GetCount(sizeDim);
    double total = 0.0;
    const long status = GetSinglePhaseProp(s.bead, brixel::kPropertyTotalFlow, brixel::kPhaseSolid,
                                           &total, brixel::kBasisMass);
    if (status != brixel::kStatusOk) {
        throw status;
    }
    std::vector<int> carriers;
    for (int64_t k = 1; k < s.view.SubstreamCount(); ++k) {
        if (s.view.Type(k) != rec::kMixed && IsSolidFlowInSubStream(s.bead, static_cast<int>(k))) {
            carriers.push_back(static_cast<int>(k));
        }
    }
    if (carriers.size() != classes) {
        throw kInvalid;
    }
    struct Row {
        double* fractions = nullptr;
        std::vector<double> values;
        double factor = 1.0;
    };
    std::vector<Row> rows(classes);
    for (uint32_t k = 0; k < classes; ++k) {
        double* mesh = nullptr;
        const int n = GetPSDPointer(s.bead, carriers[k], rows[k].fractions, mesh);
        if (n == 0 || static_cast<uint32_t>(n) != intervals) {
            throw kInvalid;
        }
        double sum = 0.0;
        for (uint32_t i = 0; i < intervals; ++i) {
            long index[2] = {values.GetLowerBound(0), values.GetLowerBound(1)};
            index[1 - sizeDim] += static_cast<long>(k);
            index[sizeDim] += static_cast<long>(i);
            double value = 0.0;
            if (values.MultiDimGetAt(index, value) != brixel::kStatusOk || !ValidFraction(value)) {
                throw kInvalid;
            }
            rows[k].values.push_back(value);
            sum += value;
        }
        // A row carries the class's share of the solids; its PSD is the row's shape.
        if (sum > 0.0) {
            for (double& value : rows[k].values) {
                value /= sum;
            }
        }
        const brixel::SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(carriers[k])];
        const double mass = sub.state[sv::kTotalFlow] * sub.state[sv::kMolecularWeight];
        if (!(mass > 0.0) || !std::isfinite(mass)) {
            throw kInvalid;
        }
        rows[k].factor = std::min(1.0, sum) * total / mass;
    }
    for (uint32_t k = 0; k < classes; ++k) {
        std::copy(rows[k].values.begin(), rows[k].values.end(), rows[k].fractions);
        const brixel::SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(carriers[k])];
        const int64_t type = sub.type;
        for (int64_t c = 0; c < sub.count; ++c) {
            if (!brixel::IsGiven(sub.flows[c])) {
                continue;
            }
            const double old = sub.flows[c];
            sub.flows[c] = old * rows[k].factor;
            if (old != sub.flows[c]) {
                const int64_t number = c + 1;
                HostUpdateClassData(&type, &number, sub.flows, &old, &sub.flows[c]);
            }
        }
        sub.state[sv::kTotalFlow] *= rows[k].factor;
    }
    return brixel::kStatusOk;
}

long CBrixelBaseUnit::GetSolidAttrState(const CString& /*portName*/, const CComBSTR& /*name*/,
                                        bool* /*state*/) {
    return brixel::kStatusFail;
}

long CBrixelBaseUnit::GetSolidMassFlow(int port, double* value) {
    if (!value) {
        return brixel::kStatusNullPointer;
    }
    return GetSinglePhaseProp(port, brixel::kPropertyTotalFlow, brixel::kPhaseSolid, value,
                              brixel::kBasisMass);
}

long CBrixelBaseUnit::SetSolidMassFlow(int port, double value) {
    if (!std::isfinite(value) || value < 0.0) {
        return kInvalid;
    }
    return SetSinglePhaseProp(port, brixel::kPropertyTotalFlow, brixel::kPhaseSolid, value,
                              brixel::kBasisMass);
}

// ---- port-name forms ----

using brixel::ByPortName;

long CBrixelBaseUnit::GetSolidAttributeList(const CString& portName, CComSafeArray<BSTR>& names) {
    return ByPortName(*this, portName, false,
                      [&](int port) { return GetSolidAttributeList(port, names); });
}

long CBrixelBaseUnit::GetSolidAttribute(const CString& portName, const CComBSTR& name,
                                        CComBSTR& unit, CComSafeArray<VARIANT>& mesh,
                                        CComSafeArray<double>& values) {
    return ByPortName(*this, portName, true, [&](int port) {
        return GetSolidAttribute(port, name, unit, mesh, values, brixel::kPhaseSolid);
    });
}

long CBrixelBaseUnit::GetSolidAttribute(const CString& portName, const CComSafeArray<BSTR>& names,
                                        CComSafeArray<BSTR>& units, CComSafeArray<VARIANT>& mesh,
                                        CComSafeArray<double>& values) {
    return ByPortName(*this, portName, true, [&](int port) {
        return GetSolidAttribute(port, names, units, mesh, values);
    });
}

long CBrixelBaseUnit::GetSolidAttrDefinition(const CString& portName, const CComBSTR& name,
                                             CComBSTR& unit, CComSafeArray<VARIANT>& mesh) {
    return ByPortName(*this, portName, true, [&](int port) {
        return GetSolidAttrDefinition(port, name, unit, mesh, brixel::kPhaseSolid);
    });
}

long CBrixelBaseUnit::SetSolidAttribute(const CString& portName, const CComSafeArray<BSTR>& names,
                                        const CComSafeArray<double>& values) {
    return ByPortName(*this, portName, true, [&](int port) {
        return SetSolidAttribute(port, names, values, brixel::kPhaseSolid);
    });
}

long CBrixelBaseUnit::GetSolidMassFlow(const CString& portName, double* value) {
    return ByPortName(*this, portName, true,
                      [&](int port) { return GetSolidMassFlow(port, value); });
}

long CBrixelBaseUnit::SetSolidMassFlow(const CString& portName, double value) {
    return ByPortName(*this, portName, true,
                      [&](int port) { return SetSolidMassFlow(port, value); });
}
