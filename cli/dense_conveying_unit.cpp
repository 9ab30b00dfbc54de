#include "cli/dense_conveying_unit.h"

#include "brixel/framework/status.h"

namespace brixel::cli {

DenseConveyingUnit::DenseConveyingUnit() {
    EnableOutput(true);
}

long DenseConveyingUnit::Initialize() {
    const long status = CBrixelBaseUnit::Initialize();
    if (status < 0) {
        return status;
    }
    return m_conveying.InitializePorts(&m_saPortNames);
}

void DenseConveyingUnit::ValidateData() {
    ClearValidationErrors();
    m_conveying.ValidateData();
}

long DenseConveyingUnit::Calculate() {
    long status = CBrixelBaseUnit::Calculate();
    if (status < 0) {
        return status;
    }
    status = m_conveying.Calculate();
    if (status < 0) {
        return status;
    }
    status = m_conveying.GeneratePressureProfile(m_nProfileIntervals);
    if (status < 0) {
        RaiseCalculationError(24, "Generation of pressure profile failed.", "DENSCONV", false);
        return status;
    }
    return kStatusOk;
}

void DenseConveyingUnit::SetOutletStreams() {
    m_conveying.SetOutletStreams();
}

}  // namespace brixel::cli
