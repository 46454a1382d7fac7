// IOleControl (the keys the control owns, ambient changes, frozen events)
// and IQuickActivate.
#include "embedding/embedding_impl.h"

#include <algorithm>
#include <cstring>

namespace velmora::win32 {

STDMETHODIMP OleEmbedding::Impl::GetControlInfo(CONTROLINFO* info) noexcept {
  if (!info) return E_POINTER;
  const bool enterToForm = LeavesEnterToForm();
  UniqueHaccel& table = keyTables[enterToForm ? 1 : 0];
  if (!table) {
    ACCEL keys[4];
    int count = 0;
    if (!enterToForm) {
      keys[count++] = ACCEL{FVIRTKEY, VK_RETURN, VK_RETURN};
      keys[count++] = ACCEL{FVIRTKEY | FSHIFT, VK_RETURN, VK_RETURN};
    }
    keys[count++] = ACCEL{FVIRTKEY, VK_ESCAPE, VK_ESCAPE};
    keys[count++] = ACCEL{FVIRTKEY | FSHIFT, VK_ESCAPE, VK_ESCAPE};
    table.reset(CreateAcceleratorTableW(keys, count));
    if (!table) return E_OUTOFMEMORY;
  }
  info->cb = sizeof(CONTROLINFO);
  info->hAccel = table.get();
  info->cAccel = static_cast<USHORT>(CopyAcceleratorTableW(table.get(), nullptr, 0));
  info->dwFlags = CTRLINFO_EATS_ESCAPE | (enterToForm ? 0 : CTRLINFO_EATS_RETURN);
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::OnMnemonic(MSG* msg) noexcept {
  if (!msg) return E_INVALIDARG;
  if (!inPlaceActive || !IsOurs(GetFocus())) return S_FALSE;
  MSG key = *msg;
  key.hwnd = owner.TextBoxWindow();
  return TranslateAccelerator(&key);
}

STDMETHODIMP OleEmbedding::Impl::OnAmbientPropertyChange(DISPID id) noexcept {
  return HeldEdge([&] {
    if (id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN) {
      ReadUserMode();
      ApplyUserMode();
    }
    owner.AmbientPropertyChanged(id);
    // Font and colours of the form show in a designer's drawing of the
    // control.
    LookChanged();
    return S_OK;
  }, IID_IOleControl);
}

STDMETHODIMP OleEmbedding::Impl::FreezeEvents(BOOL freeze) noexcept {
  if (freeze)
    ++frozen;
  else if (frozen > 0)
    --frozen;
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::QuickActivate(QACONTAINER* container, QACONTROL* control) noexcept {
  if (!container || !control) return E_POINTER;
  if (container->cbSize < offsetof(QACONTAINER, pUndoMgr) || control->cbSize < sizeof(QACONTROL))
    return E_INVALIDARG;
  return HeldEdge([&] {
    SetSite(container->pClientSite);
    if (container->dwAmbientFlags & QACONTAINER_USERMODE)
      userMode = true;
    else
      userMode = false;
    ApplyUserMode();
    owner.ClientSiteChanged(container->pClientSite);
    if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    const ULONG size = control->cbSize;
    std::memset(control, 0, sizeof(QACONTROL));
    control->cbSize = std::min<ULONG>(size, sizeof(QACONTROL));
    control->dwMiscStatus = kVelmoraMiscStatus;
    control->dwViewStatus = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
    // A sink the owner cannot take leaves its cookie 0: the container
    // sees that and may connect through the connection points itself.
    if (container->pPropertyNotifySink &&
        FAILED(owner.AdvisePropertyNotify(container->pPropertyNotifySink, &control->dwPropNotifyCookie)))
      control->dwPropNotifyCookie = 0;
    if (container->pUnkEventSink && FAILED(owner.AdviseEvents(container->pUnkEventSink, &control->dwEventCookie)))
      control->dwEventCookie = 0;
    return S_OK;
  }, IID_IQuickActivate);
}

STDMETHODIMP OleEmbedding::Impl::SetContentExtent(LPSIZEL size) noexcept {
  return static_cast<IOleObject*>(this)->SetExtent(DVASPECT_CONTENT, size);
}

STDMETHODIMP OleEmbedding::Impl::GetContentExtent(LPSIZEL size) noexcept {
  return static_cast<IOleObject*>(this)->GetExtent(DVASPECT_CONTENT, size);
}

}  // namespace velmora::win32
