#include "com/connection_point.h"

#include <new>

namespace velmora::win32 {

namespace {

// The one shape of both enumerators: a snapshot of items taken when the
// enumerator is made, a position, and Clone copying both. Item is what the
// snapshot keeps; Out is what Next hands out (an AddRef'ed copy).
template <class IEnum, class Out, class Item>
class Enumerator final : public IEnum {
 public:
  explicit Enumerator(std::vector<Item> items, std::size_t position = 0)
      : items_(std::move(items)), position_(position) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    const InterfaceEntry table[] = {Entry<Enumerator, IEnum>()};
    return QueryInterfaceFromTable(this, table, riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return refs_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    ULONG left = refs_.Release();
    if (left == 0) delete this;
    return left;
  }

  STDMETHODIMP Next(ULONG count, Out* out, ULONG* fetched) noexcept override {
    if (out == nullptr) return E_POINTER;
    // Only a request for one item may leave out the count of fetched items.
    if (fetched == nullptr && count != 1) return E_INVALIDARG;
    ULONG done = 0;
    while (done < count && position_ < items_.size()) {
      out[done++] = Hand(items_[position_++]);
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) noexcept override {
    const std::size_t left = items_.size() - position_;
    if (count > left) {
      position_ = items_.size();
      return S_FALSE;
    }
    position_ += count;
    return S_OK;
  }
  STDMETHODIMP Reset() noexcept override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnum** out) noexcept override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return ComEdge([&] {
      *out = new Enumerator(items_, position_);
      return S_OK;
    });
  }

 private:
  ~Enumerator() = default;

  static IConnectionPoint* Hand(const ComPtr<IConnectionPoint>& point) {
    point->AddRef();
    return point.Get();
  }
  static CONNECTDATA Hand(const std::pair<ComPtr<IUnknown>, DWORD>& connection) {
    connection.first->AddRef();
    return CONNECTDATA{connection.first.Get(), connection.second};
  }

  ModuleReference module_;
  RefCount refs_;
  std::vector<Item> items_;
  std::size_t position_;
};

using PointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, ComPtr<IConnectionPoint>>;
using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, std::pair<ComPtr<IUnknown>, DWORD>>;

}  // namespace

HRESULT CreateConnectionPointEnumerator(std::vector<ComPtr<IConnectionPoint>> points,
                                        IEnumConnectionPoints** out) noexcept {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  return ComEdge([&] {
    *out = new PointEnumerator(std::move(points));
    return S_OK;
  });
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID riid, void** ppv) noexcept {
  const InterfaceEntry table[] = {Entry<ConnectionPoint, IConnectionPoint>()};
  return QueryInterfaceFromTable(this, table, riid, ppv);
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
  if (iid == nullptr) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) noexcept {
  if (container == nullptr) return E_POINTER;
  container_.AddRef();
  *container = &container_;
  return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
  if (cookie == nullptr) return E_POINTER;
  *cookie = 0;
  if (sink == nullptr) return E_POINTER;
  // The sink is called (QueryInterface) and released here: it may let the
  // object go meanwhile, which must wait until this call is over.
  const ComPtr<IConnectionPointContainer> keep(&container_);
  ComPtr<IUnknown> typed;
  if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(typed.GetAddressOf())))) {
    if (!acceptDispatch_ ||
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(typed.GetAddressOf()))))
      return CONNECT_E_CANNOTCONNECT;
  }
  return ComEdge([&] {
    // Cookies are never reused while the object lives, so a stale cookie
    // cannot disconnect somebody else's sink.
    if (nextCookie_ == 0) return CONNECT_E_ADVISELIMIT;
    sinks_.push_back({nextCookie_, std::move(typed)});
    *cookie = nextCookie_++;
    return S_OK;
  });
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) noexcept {
  const ComPtr<IConnectionPointContainer> keep(&container_);
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->cookie != cookie) continue;
    // Released after it has left the list: its Release may call back.
    ComPtr<IUnknown> sink = std::move(it->sink);
    sinks_.erase(it);
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** connections) noexcept {
  if (connections == nullptr) return E_POINTER;
  *connections = nullptr;
  return ComEdge([&] {
    std::vector<std::pair<ComPtr<IUnknown>, DWORD>> items;
    items.reserve(sinks_.size());
    for (const Connection& c : sinks_) items.emplace_back(c.sink, c.cookie);
    *connections = new ConnectionEnumerator(std::move(items));
    return S_OK;
  });
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
  std::vector<ComPtr<IUnknown>> sinks;
  sinks.reserve(sinks_.size());
  for (const Connection& c : sinks_) sinks.push_back(c.sink);
  return sinks;
}

}  // namespace velmora::win32
