// The property page Generale as a COM class.
#pragma once

#include <windows.h>
#include <unknwn.h>

// The class factory's creation function: one page object answering riid.
// The page cannot be aggregated: a non-null outer gets
// CLASS_E_NOAGGREGATION.
HRESULT CreateGeneralePage(IUnknown* outer, REFIID riid, void** ppv);
