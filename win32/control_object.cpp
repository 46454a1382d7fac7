// The control object VelmoraControl.
#include "objects.h"

HRESULT CreateVelmoraControl(IUnknown* /*outer*/, REFIID /*riid*/, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}
