// IDataObject of the control: its picture as metafiles, and the data-advise
// connections of hosts that cache it.
#include "embedding/data_object.h"

#include "com/com_edge.h"
#include "com/com_object.h"
#include "com/handles.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <vector>

namespace velmora::win32 {

namespace {

// The formats offered, in the order of preference: the enhanced metafile
// keeps the drawing exactly; the Windows metafile is for older hosts.
const FORMATETC kFormats[] = {
    {CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF},
    {CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT},
};

// Whether the picture can be given as `format` asks: S_OK, or the error
// that names what cannot. The aspects are the ones the view object draws.
HRESULT CheckFormat(const FORMATETC& format) {
  if (format.cfFormat != CF_ENHMETAFILE && format.cfFormat != CF_METAFILEPICT) return DV_E_FORMATETC;
  if (format.dwAspect != DVASPECT_CONTENT && format.dwAspect != DVASPECT_DOCPRINT &&
      format.dwAspect != DVASPECT_THUMBNAIL)
    return DV_E_DVASPECT;
  if (format.lindex != -1) return DV_E_LINDEX;
  const DWORD tymed = format.cfFormat == CF_ENHMETAFILE ? TYMED_ENHMF : TYMED_MFPICT;
  if (!(format.tymed & tymed)) return DV_E_TYMED;
  return S_OK;
}

// The formats are handed out as they stand (no target device to copy); a
// missing count of fetched items is refused only for more than one.
struct FormatTraits
    : EnumeratorTraits<IEnumFORMATETC, FORMATETC, TableItems<FORMATETC>, MissingFetched::kPointerAboveOne> {
  static bool Hand(const FORMATETC& format, FORMATETC* out) noexcept {
    *out = format;
    return true;
  }
  static void TakeBack(FORMATETC&) noexcept {}
};

// The picture as an enhanced metafile whose frame is the control's extent
// (HIMETRIC). It is drawn in the device units of the screen, the metafile's
// reference device, sized from the device's physical size so that the
// drawing fills the frame exactly when it is played back.
HRESULT RenderEnhMetafile(IViewObject* view, DWORD aspect, const SIZEL& extent, HENHMETAFILE* out) {
  *out = nullptr;
  const RECT frame{0, 0, extent.cx, extent.cy};
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, L"Velmora\0TextBox Formattato\0");
  if (!dc) return E_OUTOFMEMORY;
  const int mmWide = std::max(1, GetDeviceCaps(dc, HORZSIZE));
  const int mmHigh = std::max(1, GetDeviceCaps(dc, VERTSIZE));
  const RECTL bounds{0, 0, MulDiv(extent.cx, GetDeviceCaps(dc, HORZRES), mmWide * 100),
                     MulDiv(extent.cy, GetDeviceCaps(dc, VERTRES), mmHigh * 100)};
  const HRESULT hr = view->Draw(aspect, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
  UniqueHenhmetafile picture(CloseEnhMetaFile(dc));
  if (FAILED(hr)) return hr;
  if (!picture) return E_OUTOFMEMORY;
  *out = picture.release();
  return S_OK;
}

// The same picture as a Windows metafile in a METAFILEPICT, converted from
// the enhanced one by the system: scalable (MM_ANISOTROPIC), sized in
// HIMETRIC.
HRESULT RenderMetafilePict(HENHMETAFILE picture, const SIZEL& extent, HGLOBAL* out) {
  *out = nullptr;
  std::vector<BYTE> bits;
  {
    const WindowDc screen;
    const UINT size = GetWinMetaFileBits(picture, 0, nullptr, MM_ANISOTROPIC, screen.get());
    bits.resize(size);
    if (size == 0 || GetWinMetaFileBits(picture, size, bits.data(), MM_ANISOTROPIC, screen.get()) != size)
      return E_FAIL;
  }
  const UINT size = static_cast<UINT>(bits.size());
  UniqueHmetafile metafile(SetMetaFileBitsEx(size, bits.data()));
  if (!metafile) return E_OUTOFMEMORY;
  UniqueHglobal memory(GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT)));
  auto* pict = memory ? static_cast<METAFILEPICT*>(GlobalLock(memory.get())) : nullptr;
  if (!pict) return E_OUTOFMEMORY;
  *pict = METAFILEPICT{MM_ANISOTROPIC, extent.cx, extent.cy, metafile.release()};
  GlobalUnlock(memory.get());
  *out = memory.release();
  return S_OK;
}

}  // namespace

// ---- the picture -------------------------------------------------------------------

STDMETHODIMP DataObjectFacet::GetData(FORMATETC* format, STGMEDIUM* medium) noexcept {
  if (!format || !medium) return E_INVALIDARG;
  *medium = STGMEDIUM{};
  const HRESULT check = CheckFormat(*format);
  if (FAILED(check)) return check;
  return ComEdge([&]() -> HRESULT {
    ComPtr<IViewObject2> view;
    HRESULT hr = Controlling()->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(view.GetAddressOf()));
    if (FAILED(hr)) return hr;
    SIZEL extent{};
    hr = view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent);
    if (FAILED(hr)) return hr;
    UniqueHenhmetafile picture;
    hr = RenderEnhMetafile(view.Get(), format->dwAspect, extent, picture.put());
    if (FAILED(hr)) return hr;
    if (format->cfFormat == CF_ENHMETAFILE) {
      medium->tymed = TYMED_ENHMF;
      medium->hEnhMetaFile = picture.release();
      return S_OK;
    }
    HGLOBAL pict = nullptr;
    hr = RenderMetafilePict(picture.get(), extent, &pict);
    if (FAILED(hr)) return hr;
    medium->tymed = TYMED_MFPICT;
    medium->hMetaFilePict = pict;
    return S_OK;
  }, IID_IDataObject);
}

STDMETHODIMP DataObjectFacet::GetDataHere(FORMATETC* format, STGMEDIUM* medium) noexcept {
  if (!format || !medium) return E_INVALIDARG;
  // A metafile is a new handle every time: there is nothing the caller's
  // own medium (a global, a stream, a storage) could receive.
  return DATA_E_FORMATETC;
}

STDMETHODIMP DataObjectFacet::QueryGetData(FORMATETC* format) noexcept {
  if (!format) return E_INVALIDARG;
  return CheckFormat(*format);
}

STDMETHODIMP DataObjectFacet::GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) noexcept {
  if (!in || !out) return E_INVALIDARG;
  // The picture does not depend on the target device.
  *out = *in;
  out->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP DataObjectFacet::SetData(FORMATETC*, STGMEDIUM*, BOOL) noexcept { return E_NOTIMPL; }

STDMETHODIMP DataObjectFacet::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;  // nothing can be set
  return Enumerator<FormatTraits>::Create(kFormats, out);
}

// ---- data-advise connections ----------------------------------------------------

HRESULT DataObjectFacet::Holder() noexcept {
  if (holder_) return S_OK;
  return CreateDataAdviseHolder(holder_.GetAddressOf());
}

STDMETHODIMP DataObjectFacet::DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* cookie) noexcept {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!format || !sink) return E_INVALIDARG;
  // No clipboard format asks to hear of any change (with ADVF_NODATA).
  if (format->cfFormat != 0) {
    const HRESULT check = CheckFormat(*format);
    if (FAILED(check)) return check;
  }
  HRESULT hr = Holder();
  return FAILED(hr) ? hr : holder_->Advise(this, format, advf, sink, cookie);
}

STDMETHODIMP DataObjectFacet::DUnadvise(DWORD cookie) noexcept {
  if (!holder_) return OLE_E_NOCONNECTION;
  return holder_->Unadvise(cookie);
}

STDMETHODIMP DataObjectFacet::EnumDAdvise(IEnumSTATDATA** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  HRESULT hr = Holder();
  return FAILED(hr) ? hr : holder_->EnumAdvise(out);
}

void DataObjectFacet::DataChanged() noexcept {
  if (!holder_) return;
  // A sink that unadvises from inside the notification must not take the
  // holder away while it is at work.
  ComPtr<IDataAdviseHolder> holder = holder_;
  holder->SendOnDataChange(this, 0, 0);
}

void DataObjectFacet::ReleaseSinks() noexcept { holder_.Reset(); }

}  // namespace velmora::win32
