// The view: what the control looks like while it is not active, and the
// sinks told when that changes.
#include "embedding/embedding_impl.h"

#include <cmath>

namespace velmora::win32 {

void OleEmbedding::Impl::SendViewChange() {
  if (!viewSink || !(viewAspects & DVASPECT_CONTENT)) return;
  ComPtr<IAdviseSink> sink = viewSink;
  if (viewAdvf & ADVF_ONLYONCE) viewSink.Reset();
  sink->OnViewChange(DVASPECT_CONTENT, -1);
}

void OleEmbedding::Impl::LookChanged() {
  SendViewChange();
  data.DataChanged();
}

STDMETHODIMP OleEmbedding::Impl::Draw(DWORD aspect, LONG index, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                  BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) noexcept {
  if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_DOCPRINT && aspect != DVASPECT_THUMBNAIL)
    return DV_E_DVASPECT;
  if (index != -1) return DV_E_LINDEX;
  if (!dc || !bounds) return E_INVALIDARG;
  return ComEdge([&] {
    TextBoxLook look = owner.Look();
    const RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
    // The control's size on screen, placed or not.
    const RECT& onScreen = window.Rect();
    LONG pixelHeight = onScreen.bottom - onScreen.top;
    if (pixelHeight <= 0) pixelHeight = HimetricToPixels(extent.cy, true);
    if (pixelHeight > 0) look.scale = std::abs(static_cast<double>(rect.bottom - rect.top)) / pixelHeight;
    PaintTextBoxLook(dc, rect, look);
    return S_OK;
  }, IID_IViewObject);
}

STDMETHODIMP OleEmbedding::Impl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** palette) noexcept {
  if (!palette) return E_POINTER;
  *palette = nullptr;
  return S_FALSE;  // drawn with plain colours, no palette
}

STDMETHODIMP OleEmbedding::Impl::Freeze(DWORD, LONG, void*, DWORD* cookie) noexcept {
  if (cookie) *cookie = 0;
  return E_NOTIMPL;
}

STDMETHODIMP OleEmbedding::Impl::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) noexcept {
  auto keep = KeepAlive();
  viewSink = sink;
  viewAspects = sink ? aspects : 0;
  viewAdvf = sink ? advf : 0;
  if (sink && (advf & ADVF_PRIMEFIRST)) SendViewChange();
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) noexcept {
  if (aspects) *aspects = viewAspects;
  if (advf) *advf = viewAdvf;
  if (sink) {
    *sink = viewSink.Get();
    if (*sink) (*sink)->AddRef();
  }
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) noexcept {
  return IOleObject_GetExtent(aspect, size);
}

STDMETHODIMP OleEmbedding::Impl::GetRect(DWORD aspect, LPRECTL rect) noexcept {
  if (!rect) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *rect = RECTL{0, 0, extent.cx, extent.cy};
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::GetViewStatus(DWORD* status) noexcept {
  if (!status) return E_POINTER;
  *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT where, LONG, DWORD* result) noexcept {
  if (!bounds || !result) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *result = PtInRect(bounds, where) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT probe, LONG, DWORD* result) noexcept {
  if (!bounds || !probe || !result) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  RECT common{};
  *result = IntersectRect(&common, bounds, probe) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) noexcept {
  return E_NOTIMPL;  // any size the container chooses suits the control
}

}  // namespace velmora::win32
