#include "brixel/framework/unit_element.h"

// Out of line so that the vtable and type information live in the library.
CUnitElement::~CUnitElement() = default;
