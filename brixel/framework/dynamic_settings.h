#pragma once

#include "brixel/framework/export.h"

// Settings of a dynamic run, as the host reports them (HostInquireDynamic). Clears the eight
// flags, then sets flag k when bit k (k = 0 ... 7) of the host's flag word is set; the five
// reals are filled by the host. A null real is given to the host as a scratch value and not
// handed back; a null flag is skipped.
BRIXEL_API void GetDynextCmn(double* value1, double* value2, double* value3, double* value4,
                             double* value5, bool* flag0, bool* flag1, bool* flag2, bool* flag3,
                             bool* flag4, bool* flag5, bool* flag6, bool* flag7);
