#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"
#include "brixel/particles/psd_mixing.h"
#include "brixel/particles/psd_record.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/property_stream.h"

namespace rec = brixel::records;
namespace sv = brixel::stream_vector;

brixel::PsdRef brixel::FirstPsd(const brixel::StreamClassView& view, double* vector,
                                int64_t substream) {
    const int64_t* substreamClass = view.SubstreamClass(substream);
    if (!substreamClass) {
        return {};
    }
    const int64_t slots = substreamClass[rec::kSubstreamClassSlotCount];
    for (int64_t slot = 0; slot < slots; ++slot) {
        const int64_t* words =
            substreamClass + rec::kSubstreamClassFirstSlot + rec::kSlotWords * slot;
        const int64_t bead = words[rec::kSlotAttributeBead];
        const int64_t* attribute = bead != 0 ? brixel::plex::IntRecord(bead) : nullptr;
        if (!brixel::IsPsdAttribute(attribute)) {
            continue;
        }
        PsdRef psd;
        psd.intervals = attribute[rec::kPsdIntervals];
        psd.mesh = brixel::plex::RealRecord(bead);
        const int64_t first = view.Offset(substream) + words[rec::kSlotValueOffset];
        // A record that does not fit its stream vector is read as no PSD rather than past it.
        if (psd.intervals <= 0 || !psd.mesh || words[rec::kSlotValueCount] < psd.intervals ||
            words[rec::kSlotValueOffset] < 0 || first + psd.intervals > view.VectorLength()) {
            return {};
        }
        psd.fractions = vector ? vector + first : nullptr;
        return psd;
    }
    return {};
}

namespace {

using brixel::FirstPsd;
using brixel::PsdRef;

std::string UpperName(BSTR name) {
    std::string text = brixel::ToStdString(name);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    return text;
}

constexpr long kInvalid = brixel::kStatusInvalidArgument;

void Check(long status) {
    if (status != brixel::kStatusOk) {
        throw status;
    }
}

// Substreams a phase id selects: 0 (the mixed substream's solids) and every solid substream
// for -3, else the one named. Vapour, liquid and ids past the last substream have no solids.
std::vector<int> SelectedSubstreams(const brixel::StreamClassView& view, int phaseId) {
    const int64_t count = view.SubstreamCount();
    if (phaseId >= count || (phaseId < 0 && phaseId != brixel::kPhaseSolid)) {
        throw kInvalid;
    }
    if (phaseId >= 0) {
        return {phaseId};
    }
    std::vector<int> selected;
    for (int64_t k = 0; k < count; ++k) {
        if (k == 0 || view.Type(k) != rec::kMixed) {
            selected.push_back(static_cast<int>(k));
        }
    }
    return selected;
}

bool Usable(double value) {
    return brixel::IsGiven(value) && std::isfinite(value);
}

void StoreValues(const std::vector<double>& values, CComSafeArray<double>& out) {
    Check(out.Create(static_cast<uint32_t>(values.size())));
    for (std::size_t i = 0; i < values.size(); ++i) {
        out.SetAt(static_cast<long>(i), values[i]);
    }
}

// The new array's elements are empty variants: each is written in place, without the copy
// and clear of an element-wise put.
void StoreMesh(const std::vector<double>& values, CComSafeArray<VARIANT>& out) {
    Check(out.Create(static_cast<uint32_t>(values.size())));
    auto* cells = static_cast<VARIANT*>(out.m_psa->pvData);
    for (std::size_t i = 0; i < values.size(); ++i) {
        cells[i].vt = VT_R8;
        cells[i].dblVal = values[i];
    }
}

}  // namespace

double CBrixelBaseUnit::SubstreamSolidsMass(int bead, int substream) {
    const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, bead);
    if (substream < 0 || substream >= static_cast<int>(s.substreams.size())) {
        return 0.0;
    }
    const brixel::SubstreamSlice& sub = s.substreams[static_cast<std::size_t>(substream)];
    if (sub.type != rec::kMixed) {
        const double f = sub.state[sv::kTotalFlow];
        const double mw = sub.state[sv::kMolecularWeight];
        return f > 0.0 && Usable(f) && Usable(mw) ? f * mw : 0.0;
    }
    if (substream != 0 || GetNumberOfSolidComps() == 0 || !(sub.state[sv::kTotalFlow] > 0.0) ||
        !Usable(sub.state[sv::kTotalFlow]) || !IsSolidFlowInSubStream(s.bead, 0)) {
        return 0.0;
    }
    const std::vector<double> weights = brixel::ConventionalWeights();
    double mass = 0.0;
    for (const int c : m_naSolidComps) {
        if (c < 0 || c >= sub.count || IsPolymerOligomer(c) || !Usable(sub.flows[c]) ||
            static_cast<std::size_t>(c) >= weights.size()) {
            continue;
        }
        mass += sub.flows[c] * weights[static_cast<std::size_t>(c)];
    }
    if (IsSolidmerPresent()) {
        mass += GetPolymerRichPhaseMassFlow(s.bead);
    }
    return mass;
}

double CBrixelBaseUnit::MixedSolidsDensity(int bead) {
    const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, bead);
    const brixel::SubstreamSlice& mixed = s.substreams[0];
    const std::vector<double> weights = brixel::ConventionalWeights();
    std::vector<int64_t> numbers;
    std::vector<double> moles;
    double total = 0.0;
    double mass = 0.0;
    for (const int c : m_naSolidComps) {
        if (c < 0 || c >= mixed.count || IsPolymerOligomer(c) || !Usable(mixed.flows[c]) ||
            !(mixed.flows[c] > 0.0) || static_cast<std::size_t>(c) >= weights.size()) {
            continue;
        }
        numbers.push_back(c + 1);
        moles.push_back(mixed.flows[c]);
        total += mixed.flows[c];
        mass += mixed.flows[c] * weights[static_cast<std::size_t>(c)];
    }
    if (numbers.empty()) {
        return 0.0;
    }
    for (double& x : moles) {
        x /= total;
    }
    double t = mixed.state[sv::kTemperature];
    double p = mixed.state[sv::kPressure];
    int64_t printLevel = 0;
    MonitorContext(s.bead, 0, t, p, printLevel);
    const int64_t n = static_cast<int64_t>(numbers.size());
    double volume = 0.0;  // m3/kmol
    int64_t error = 0;
    HostSolidMolarVolume(&t, &p, moles.data(), &n, numbers.data(), m_pNBOPST, &printLevel, &volume,
                         &error);
    if (error != 0 || !(volume > 0.0) || !std::isfinite(volume)) {
        return 0.0;
    }
    return mass / total / volume;
}

long CBrixelBaseUnit::GetSolidAttributeList(int port, CComSafeArray<BSTR>& names) {
    return brixel::GuardedCall([&]() -> long {
        const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, port);
        CComSafeArray<BSTR> list;
        Check(list.Add(CComBSTR("fraction")));
        for (int64_t k = 0; k < s.view.SubstreamCount(); ++k) {
            if (!s.view.HasPsd(k)) {
                continue;
            }
            list.Add(CComBSTR("PSD"));
            list.Add(CComBSTR("Density"));
            int64_t location = 0;
            int64_t count = 0;
            HostMoistureComponents(&location, &count);
            if (count > 0 && s.view.SubstreamCount() >= 2) {
                list.Add(CComBSTR("SMC"));
            }
            break;
        }
        names = std::move(list);
        return brixel::kStatusOk;
    });
}

namespace {

struct Carrier {
    int substream = 0;
    double mass = 0.0;  // kg/s
};

// The common mesh of the carriers' PSDs; throws 0x80070057 when interval counts differ.
PsdRef CommonPsd(const brixel::StreamClassView& view, const std::vector<Carrier>& carriers) {
    PsdRef first;
    for (const Carrier& carrier : carriers) {
        const PsdRef psd = FirstPsd(view, nullptr, carrier.substream);
        if (psd.intervals == 0) {
            continue;
        }
        if (first.intervals == 0) {
            first = psd;
        } else if (psd.intervals != first.intervals) {
            throw kInvalid;
        }
    }
    return first;
}

}  // namespace

void CBrixelBaseUnit::WarnUnassignedPsd() {
    if (!m_bPSDWarning) {
        return;
    }
    if (CheckErrorPrint("PSDMESH", true, 3, 1)) {
        AddErrorText(1, "PSD FRACTIONS ARE NOT PROVIDED IN ALL SUBSTREAMS THAT HAVE SOLIDS FLOW.");
        AddErrorText(2, "SOLIDS ARE EVENLY DISTRIBUTED INTO SIZE INTERVALS.");
        PrintError(2);
    }
    if (int64_t* status = GetIscp()) {
        status[rec::kStatusOutcome] = rec::kOutcomeWarning;
    }
    m_bPSDWarning = false;
}

long CBrixelBaseUnit::GetSolidAttribute(int port, const CComBSTR& name, CComBSTR& unit,
                                        CComSafeArray<VARIANT>& mesh, CComSafeArray<double>& values,
                                        int phaseId) {
    return brixel::GuardedCall([&]() -> long {
        const std::string key = UpperName(name);
        if (key != "PSD" && key != "DENSITY") {
            return kInvalid;
        }
        unit = key == "PSD" ? "m" : "kg/m3";
        const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, port);
        std::vector<Carrier> carriers;
        double total = 0.0;
        for (const int k : SelectedSubstreams(s.view, phaseId)) {
            carriers.push_back({k, SubstreamSolidsMass(s.bead, k)});
            total += carriers.back().mass;
        }
        if (!(total > 0.0)) {
            return brixel::kStatusOk;
        }
        if (key == "PSD") {
            brixel::PsdMix mix;
            for (const Carrier& carrier : carriers) {
                const PsdRef psd = FirstPsd(s.view, s.vector, carrier.substream);
                if (!brixel::AddToPsdMix(mix, carrier.mass, psd.fractions, psd.mesh,
                                         psd.intervals)) {
                    return kInvalid;
                }
            }
            if (!mix.found) {
                // Solids that no substream describes by size have no PSD to give: as without
                // solids, the call succeeds and leaves the outputs as they are.
                return brixel::kStatusOk;
            }
            if (mix.unassigned > 0.0) {
                WarnUnassignedPsd();
            }
            StoreMesh(mix.mesh, mesh);
            StoreValues(brixel::MixedPsd(mix, total), values);
            return brixel::kStatusOk;
        }
        std::vector<double> densities;
        std::vector<double> shares;
        for (const Carrier& carrier : carriers) {
            if (!(carrier.mass > 0.0)) {
                continue;
            }
            const brixel::SubstreamSlice& sub =
                s.substreams[static_cast<std::size_t>(carrier.substream)];
            const double stored = sub.state[sv::kDensity];
            densities.push_back(sub.type == rec::kMixed ? MixedSolidsDensity(s.bead)
                                : Usable(stored)        ? stored
                                                        : 0.0);
            shares.push_back(carrier.mass / total);
        }
        StoreMesh(densities, mesh);
        StoreValues(shares, values);
        return brixel::kStatusOk;
    });
}

long CBrixelBaseUnit::GetSolidAttribute(int port, const CComSafeArray<BSTR>& names,
                                        CComSafeArray<BSTR>& units, CComSafeArray<VARIANT>& mesh,
                                        CComSafeArray<double>& values) {
    if (names.GetDimensions() != 1 || names.GetCount() < 1 || names.GetCount() > 2) {
        throw kInvalid;
    }
    if (names.GetCount() == 1) {
        CComBSTR unit;
        const long status = GetSolidAttribute(port, CComBSTR(names.GetAt(names.GetLowerBound())),
                                              unit, mesh, values, brixel::kPhaseSolid);
        if (status != brixel::kStatusOk) {
            throw status;
        }
        CComSafeArray<BSTR> list(1);
        list.SetAt(0, unit);
        units = std::move(list);
        return status;
    }
    const std::string a = UpperName(names.GetAt(names.GetLowerBound()));
    const std::string b = UpperName(names.GetAt(names.GetLowerBound() + 1));
    if (!((a == "DENSITY" && b == "PSD") || (a == "PSD" && b == "DENSITY"))) {
        throw kInvalid;
    }
    const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, port);
    std::vector<Carrier> classes;
    std::vector<Carrier> all;
    double total = 0.0;
    for (const int k : SelectedSubstreams(s.view, brixel::kPhaseSolid)) {
        all.push_back({k, SubstreamSolidsMass(s.bead, k)});
        if (all.back().mass > 0.0) {
            classes.push_back(all.back());
            total += all.back().mass;
        }
    }
    if (!(total > 0.0)) {
        return brixel::kStatusOk;
    }
    const PsdRef common = CommonPsd(s.view, all);
    if (common.intervals == 0) {
        return brixel::kStatusFail;
    }
    const int64_t n = common.intervals;
    const std::size_t rows = classes.size();
    const std::size_t columns = std::max(rows, static_cast<std::size_t>(n + 1));
    SAFEARRAYBOUND meshBounds[2] = {{2, 0}, {static_cast<uint32_t>(columns), 0}};
    CComSafeArray<VARIANT> joinedMesh(meshBounds, 2);
    SAFEARRAYBOUND valueBounds[2] = {{static_cast<uint32_t>(rows), 0},
                                     {static_cast<uint32_t>(n), 0}};
    CComSafeArray<double> joined(valueBounds, 2);
    // Both arrays are new and 0-based, the first index running fastest: written in place.
    auto* meshCells = static_cast<VARIANT*>(joinedMesh.m_psa->pvData);
    auto* valueCells = static_cast<double*>(joined.m_psa->pvData);
    const auto putMesh = [&](std::size_t row, std::size_t column, double value) {
        VARIANT& cell = meshCells[row + 2 * column];
        cell.vt = VT_R8;
        cell.dblVal = value;
    };
    for (std::size_t j = 0; j < columns; ++j) {
        putMesh(0, j, 0.0);
        putMesh(1, j, j <= static_cast<std::size_t>(n) ? common.mesh[j] : 0.0);
    }
    bool unassigned = false;
    for (std::size_t k = 0; k < rows; ++k) {
        const brixel::SubstreamSlice& sub =
            s.substreams[static_cast<std::size_t>(classes[k].substream)];
        const double stored = sub.state[sv::kDensity];
        putMesh(0, k,
                sub.type == rec::kMixed ? MixedSolidsDensity(s.bead)
                : Usable(stored)        ? stored
                                        : 0.0);
        brixel::PsdMix mix;
        const PsdRef psd = FirstPsd(s.view, s.vector, classes[k].substream);
        brixel::AddToPsdMix(mix, classes[k].mass, psd.fractions, psd.mesh, psd.intervals);
        std::vector<double> fractions = brixel::MixedPsd(mix, classes[k].mass);
        if (fractions.empty()) {
            fractions.assign(static_cast<std::size_t>(n), 1.0 / static_cast<double>(n));
        }
        unassigned = unassigned || mix.unassigned > 0.0 || !mix.found;
        const double share = classes[k].mass / total;
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            valueCells[k + rows * i] = share * fractions[i];
        }
    }
    if (unassigned) {
        WarnUnassignedPsd();
    }
    CComSafeArray<BSTR> unitList(2);
    unitList.SetAt(0, CComBSTR(a == "PSD" ? "m" : "kg/m3"));
    unitList.SetAt(1, CComBSTR(b == "PSD" ? "m" : "kg/m3"));
    units = std::move(unitList);
    mesh = std::move(joinedMesh);
    values = std::move(joined);
    return brixel::kStatusOk;
}

long CBrixelBaseUnit::GetSolidAttrDefinition(int port, const CComBSTR& name, CComBSTR& unit,
                                             CComSafeArray<VARIANT>& mesh, int phaseId) {
    return brixel::GuardedCall([&]() -> long {
        const std::string key = UpperName(name);
        if (key == "DENSITY") {
            CComSafeArray<double> unused;
            return GetSolidAttribute(port, name, unit, mesh, unused, phaseId);
        }
        if (key != "PSD") {
            return kInvalid;
        }
        unit = "m";
        const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, port);
        for (const int k : SelectedSubstreams(s.view, phaseId)) {
            const PsdRef psd = FirstPsd(s.view, nullptr, k);
            if (psd.intervals > 0) {
                StoreMesh(std::vector<double>(psd.mesh, psd.mesh + psd.intervals + 1), mesh);
                return brixel::kStatusOk;
            }
        }
        return brixel::kStatusFail;
    });
}

int CBrixelBaseUnit::GetPSDPointer(int port, int substream, double*& fractions, double*& mesh) {
    fractions = nullptr;
    mesh = nullptr;
    try {
        const brixel::PropertyStream s = brixel::ResolvePropertyStream(*this, port);
        const PsdRef psd = FirstPsd(s.view, s.vector, substream);
        if (psd.intervals == 0) {
            return 0;
        }
        fractions = psd.fractions;
        mesh = psd.mesh;
        return static_cast<int>(psd.intervals);
    } catch (...) {
        return 0;
    }
}

bool CBrixelBaseUnit::ValidatePSDMesh() {
    if (m_nInlets <= 0 || !m_pInlets) {
        return true;
    }
    const brixel::StreamClassView view(brixel::StreamClassOfStream(m_pInlets[0]));
    PsdRef first;
    for (int64_t k = 0; k < view.SubstreamCount(); ++k) {
        const PsdRef psd = FirstPsd(view, nullptr, k);
        if (psd.intervals == 0) {
            continue;
        }
        if (first.intervals == 0) {
            first = psd;
            continue;
        }
        if (psd.mesh == first.mesh || (psd.intervals == first.intervals &&
                                       brixel::SameMesh(psd.mesh, first.mesh, psd.intervals))) {
            continue;
        }
        if (CheckErrorPrint("PSDMESH", false, 2, 1)) {
            AddErrorText(1, "STREAMS CONTAIN MULTIPLE SOLID SUBSTREAMS WITH DIFFERENT PSD MESH.");
            AddErrorText(2,
                         "THIS IS NOT SUPPORTED BY THE CALCULATION METHOD SELECTED. YOU HAVE TO");
            AddErrorText(3, "USE THE SAME PSD MESH FOR ALL SOLIDS SUBSTREAMS.");
            PrintError(3);
            return false;
        }
    }
    return true;
}
