#pragma once

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/guarded_call.h"
#include "brixel/framework/status.h"
#include "brixel/platform/cstring.h"

namespace brixel {

// The port-name form of an operation on a port number: 0x80004005 when it needs an inlet and
// the unit has none; "" stands for port -1; an unknown name is returned as its status.
template <typename Call>
long ByPortName(CBrixelBaseUnit& unit, const CString& portName, bool needsInlet, Call call) {
    if (needsInlet && unit.GetNumberOfInletPorts() == 0) {
        return kStatusFail;
    }
    return GuardedCall(
        [&] { return call(portName.IsEmpty() ? -1 : unit.GetPortNumberFromName(portName)); });
}

}  // namespace brixel
