// All of the COM layer's helpers at once, for code written before they were
// split by concern; library code includes the header of what it uses:
// com_module.h (the module, its counts and type information), com_strings.h
// (text, BSTR and VARIANT), com_edge.h (errors at the COM edge), com_object.h
// (the COM skeleton) and handles.h (owners of handles).
#pragma once

#include "com/com_edge.h"
#include "com/com_module.h"
#include "com/com_object.h"
#include "com/com_strings.h"
#include "com/handles.h"
