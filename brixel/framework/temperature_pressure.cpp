// Reading and setting a stream's temperature and pressure, and the TP flash of the outlets.
#include <cmath>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/flash_kode.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/missing_value.h"
#include "brixel/framework/plex.h"
#include "brixel/framework/status.h"
#include "brixel/framework/stream_class.h"
#include "brixel/framework/stream_vector.h"

namespace sv = brixel::stream_vector;

namespace {

// Runs a port-name form: the name becomes a port (empty: -1), and a thrown status is the result.
template <typename Operation>
long ByName(CBrixelBaseUnit& unit, const CString& name, Operation operation) {
    return brixel::GuardedCall([&]() -> long {
        return operation(name.IsEmpty() ? -1 : unit.GetPortNumberFromName(name));
    });
}

}  // namespace

long CBrixelBaseUnit::ReadFirstGivenState(int port, int64_t entry, double* value) {
    if (!value) {
        return brixel::kStatusNullPointer;
    }
    try {
        const int bead = BeadOf(port);
        const brixel::StreamClassView view(StreamClassOf(bead));
        const double* vector = brixel::plex::RealRecord(bead);
        for (int k = 0; vector && k < view.SubstreamCount(); ++k) {
            const double given = vector[view.Offset(k) + view.ComponentCount(k) + entry];
            if (brixel::IsGiven(given)) {
                *value = given;
                return brixel::kStatusOk;
            }
        }
        return brixel::kStatusFail;
    } catch (long status) {
        return status;
    }
}

long CBrixelBaseUnit::CheckTemperaturePressureRange(bool temperature, double value) {
    const double lower = std::max(temperature ? m_dblTmin : m_dblPmin, m_dblRMin);
    const double upper = temperature ? m_dblTmax : m_dblPmax;
    if (value >= lower && value <= upper) {
        return brixel::kStatusOk;
    }
    if (CheckErrorPrint("SETPROP", true, 2, 3)) {
        CString line;
        if (temperature) {
            line.Format("CALCULATED TEMPERATURE (%.3g K) IS OUT OF BOUNDS (%.3g - %.3g K).", value,
                        m_dblTmin, m_dblTmax);
        } else {
            line.Format("CALCULATED PRESSURE (%.6g Pa) IS OUT OF BOUNDS (%.6g - %.6g Pa).", value,
                        m_dblPmin, m_dblPmax);
        }
        AddErrorText(1, line);
        AddErrorText(
            2, temperature ? "TEMPERATURE NOT SET IN STREAM." : "PRESSURE NOT SET IN STREAM.");
        PrintError(2);
    }
    return brixel::kStatusFail;
}

long CBrixelBaseUnit::WriteStateEverywhere(int port, int64_t entry, double value) {
    try {
        const int bead = BeadOf(port);
        const brixel::StreamClassView view(StreamClassOf(bead));
        double* vector = brixel::plex::RealRecord(bead);
        if (!vector || view.SubstreamCount() == 0) {
            return brixel::kStatusFail;
        }
        const long status = CheckTemperaturePressureRange(entry == sv::kTemperature, value);
        if (status < 0) {
            return status;
        }
        for (int k = 0; k < view.SubstreamCount(); ++k) {
            vector[view.Offset(k) + view.ComponentCount(k) + entry] = value;
        }
        return brixel::kStatusOk;
    } catch (long status) {
        return status;
    }
}

long CBrixelBaseUnit::GetTemperature(int port, double* value) {
    return ReadFirstGivenState(port, sv::kTemperature, value);
}

long CBrixelBaseUnit::GetTemperature(const CString& portName, double* value) {
    return ByName(*this, portName, [&](int port) { return GetTemperature(port, value); });
}

long CBrixelBaseUnit::GetPressure(int port, double* value) {
    return ReadFirstGivenState(port, sv::kPressure, value);
}

long CBrixelBaseUnit::GetPressure(const CString& portName, double* value) {
    return ByName(*this, portName, [&](int port) { return GetPressure(port, value); });
}

long CBrixelBaseUnit::SetTemperature(int port, double value) {
    return WriteStateEverywhere(port, sv::kTemperature, value);
}

long CBrixelBaseUnit::SetTemperature(const CString& portName, double value) {
    return ByName(*this, portName, [&](int port) { return SetTemperature(port, value); });
}

long CBrixelBaseUnit::SetPressure(int port, double value) {
    return WriteStateEverywhere(port, sv::kPressure, value);
}

long CBrixelBaseUnit::SetPressure(const CString& portName, double value) {
    return ByName(*this, portName, [&](int port) { return SetPressure(port, value); });
}

void CBrixelBaseUnit::TPFlashOutlets() {
    constexpr int kTemperatureId = 1;
    constexpr int kMassBasis = 0;
    for (int j = 0; j < m_nOutlets; ++j) {
        const int outlet = static_cast<int>(m_pOutlets[j]);
        double temperature = 0.0;
        // An outlet without any temperature has no state to flash at.
        if (GetOverallProp(outlet, kTemperatureId, &temperature, kMassBasis) == brixel::kStatusOk) {
            FlashStream(outlet, brixel::kFlashTP, temperature, 0.0, 0.0, true);
        }
    }
}
