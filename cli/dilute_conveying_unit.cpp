#include "cli/dilute_conveying_unit.h"

#include "brixel/framework/status.h"

namespace brixel::cli {

DiluteConveyingUnit::DiluteConveyingUnit() : m_line(this) {
    EnableOutput(true);
}

long DiluteConveyingUnit::Initialize() {
    const long status = CBrixelBaseUnit::Initialize();
    return status < 0 ? status : m_line.InitializePorts(&m_saPortNames);
}

void DiluteConveyingUnit::ValidateData() {
    m_line.ValidateData();
}

long DiluteConveyingUnit::Calculate() {
    long status = CBrixelBaseUnit::Calculate();
    if (status >= 0) {
        status = m_line.Calculate();
    }
    if (status >= 0) {
        status = m_line.GenerateProfiles(m_nProfileIntervals);
    }
    return status;
}

void DiluteConveyingUnit::SetOutletStreams() {
    m_line.SetOutletStreams();
}

}  // namespace brixel::cli
