#include "cli/pass_through_unit.h"

namespace brixel::cli {

PassThroughUnit::PassThroughUnit() {
    EnableOutput(true);
    SetTag("PASSTHRU");
}

long PassThroughUnit::Initialize() {
    const long status = CBrixelBaseUnit::Initialize();
    m_saPortNames.RemoveAll();
    m_saPortNames.Add("INLET");
    m_saPortNames.Add("OUTLET");
    return status;
}

long PassThroughUnit::Calculate() {
    const long status = CBrixelBaseUnit::Calculate();
    if (status < 0) {
        return status;
    }
    const long copied = CopyInletToOutlets("INLET", "OUTLET");
    if (copied < 0) {
        RaiseCalculationError(1, "OUTLET COULD NOT BE SET FROM THE INLET.", "", false);
        return copied;
    }
    RaiseInfoMsg(2, "OUTLET SET EQUAL TO INLET.", "", false);
    return 0;
}

long PassThroughUnit::WriteReport() {
    WriteHis("PASS-THROUGH BLOCK " + GetBlockName() + ": OUTLET = INLET");
    return 0;
}

}  // namespace brixel::cli
