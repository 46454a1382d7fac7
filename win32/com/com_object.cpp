#include "com/com_object.h"

namespace velmora::win32 {

HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry* table, std::size_t count,
                                REFIID riid, void** ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (count == 0) return E_NOINTERFACE;
  const InterfaceEntry* found = nullptr;
  if (IsEqualIID(riid, IID_IUnknown)) {
    found = &table[0];
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      if (IsEqualIID(riid, *table[i].iid)) {
        found = &table[i];
        break;
      }
    }
  }
  if (found == nullptr) return E_NOINTERFACE;
  auto* unknown = reinterpret_cast<IUnknown*>(static_cast<char*>(object) + found->offset);
  unknown->AddRef();
  *ppv = unknown;
  return S_OK;
}

ConnectionAdvise AdviseConnection(IUnknown* object, REFIID iid, IUnknown* sink, HRESULT* result) noexcept {
  ConnectionAdvise connection;
  HRESULT hr = E_POINTER;
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  DWORD cookie = 0;
  if (object && sink &&
      SUCCEEDED(hr = object->QueryInterface(IID_IConnectionPointContainer,
                                            reinterpret_cast<void**>(container.GetAddressOf()))) &&
      SUCCEEDED(hr = container->FindConnectionPoint(iid, &point)) && SUCCEEDED(hr = point->Advise(sink, &cookie)))
    connection.Attach(std::move(point), cookie);
  if (result) *result = hr;
  return connection;
}

HRESULT EnumeratorCursor::CheckNext(ULONG count, const void* out, const ULONG* fetched,
                                    MissingFetched rule) noexcept {
  if (out == nullptr) return E_POINTER;
  if (fetched == nullptr) {
    if (rule == MissingFetched::kInvalidArgUnlessOne && count != 1) return E_INVALIDARG;
    if (rule == MissingFetched::kPointerAboveOne && count > 1) return E_POINTER;
  }
  return S_OK;
}

HRESULT EnumeratorCursor::Skip(ULONG count) noexcept {
  const std::size_t left = size_ - position_;
  if (count > left) {
    position_ = size_;
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

}  // namespace velmora::win32
