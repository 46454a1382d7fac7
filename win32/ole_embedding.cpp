// Placeholder until in-place activation is built: no embedding interfaces.
#include "ole_embedding.h"

namespace velmora::win32 {

struct OleEmbedding::Impl {
  explicit Impl(EmbeddingOwner& o) : owner(o) {}
  EmbeddingOwner& owner;
  ComPtr<IOleClientSite> site;
};

OleEmbedding::OleEmbedding(EmbeddingOwner& owner) : impl_(new Impl(owner)) {}
OleEmbedding::~OleEmbedding() {
  ReleaseContainer();
  delete impl_;
}

HRESULT OleEmbedding::Find(REFIID, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return E_NOINTERFACE;
}

IOleClientSite* OleEmbedding::ClientSite() const noexcept { return impl_->site.Get(); }

HRESULT OleEmbedding::GetAmbient(DISPID, VARIANT* value) noexcept {
  if (!value) return E_POINTER;
  VariantInit(value);
  return E_NOTIMPL;
}

void OleEmbedding::ReleaseContainer() noexcept { impl_->site.Reset(); }

}  // namespace velmora::win32
