// The property page object Generale.
#include "objects.h"

HRESULT CreateGeneralePage(IUnknown* /*outer*/, REFIID /*riid*/, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}
