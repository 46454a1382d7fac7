#include "com_object.h"

namespace velmora::win32 {

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
