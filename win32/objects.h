// Creation functions of the library's two classes, called by the class
// factory in module.cpp. Each creates one object and answers riid on it.
//
// `outer` is the controlling unknown when a client aggregates the object;
// the factory passes it on only with riid == IID_IUnknown, as aggregation
// requires. A class that cannot be aggregated answers a non-null outer with
// CLASS_E_NOAGGREGATION.
#pragma once

#include <windows.h>
#include <unknwn.h>

HRESULT CreateVelmoraControl(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateGeneralePage(IUnknown* outer, REFIID riid, void** ppv);
