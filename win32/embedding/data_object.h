// The control's picture for hosts that keep one: document hosts and OLE
// caches show an inactive control from a stored picture, which they ask for
// through IDataObject and refresh when the data-advise sinks hear that the
// look changed. The picture is an enhanced metafile (CF_ENHMETAFILE) or a
// Windows metafile (CF_METAFILEPICT), drawn by the object's own view object
// (IViewObject::Draw), so a cached picture looks exactly like the control
// drawn directly.
//
// The facet lives inside the OLE embedding and shares the object's
// identity: IUnknown goes to the object's controlling unknown.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "com/com_object.h"

namespace velmora::win32 {

class DataObjectFacet final : public DelegatingFacet<DataObjectFacet, IDataObject> {
 public:
  // `controlling`: the object's controlling unknown, its identity.
  explicit DataObjectFacet(IUnknown* controlling) noexcept : DelegatingFacet(controlling) {}

  // The look changed: every data-advise sink hears it, with a new picture
  // unless it asked for none (ADVF_NODATA).
  void DataChanged() noexcept;
  // Lets go of the data-advise sinks (the object gives back what the
  // container lent).
  void ReleaseSinks() noexcept;

  // IDataObject
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) noexcept override;
  STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) noexcept override;
  STDMETHODIMP QueryGetData(FORMATETC* format) noexcept override;
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) noexcept override;
  STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) noexcept override;
  STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) noexcept override;
  STDMETHODIMP DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* cookie) noexcept override;
  STDMETHODIMP DUnadvise(DWORD cookie) noexcept override;
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA** out) noexcept override;

 private:
  HRESULT Holder() noexcept;

  ComPtr<IDataAdviseHolder> holder_;
};

}  // namespace velmora::win32
