#include "com/connection_point.h"

#include <new>

#include "com/com_edge.h"
#include "com/com_object.h"

namespace velmora::win32 {

namespace {

// Both enumerators hand out AddRef'ed copies of a snapshot taken when the
// enumerator is made; a missing count of fetched items is allowed only for
// a request of one.
struct PointTraits : EnumeratorTraits<IEnumConnectionPoints, IConnectionPoint*, std::vector<ComPtr<IConnectionPoint>>,
                                       MissingFetched::kInvalidArgUnlessOne> {
  static bool Hand(const ComPtr<IConnectionPoint>& point, IConnectionPoint** out) noexcept {
    point->AddRef();
    *out = point.Get();
    return true;
  }
  static void TakeBack(IConnectionPoint*& point) noexcept { point->Release(); }
};

struct ConnectionTraits : EnumeratorTraits<IEnumConnections, CONNECTDATA, std::vector<std::pair<ComPtr<IUnknown>, DWORD>>,
                                            MissingFetched::kInvalidArgUnlessOne> {
  static bool Hand(const std::pair<ComPtr<IUnknown>, DWORD>& connection, CONNECTDATA* out) noexcept {
    connection.first->AddRef();
    *out = CONNECTDATA{connection.first.Get(), connection.second};
    return true;
  }
  static void TakeBack(CONNECTDATA& connection) noexcept { connection.pUnk->Release(); }
};

}  // namespace

HRESULT CreateConnectionPointEnumerator(std::vector<ComPtr<IConnectionPoint>> points,
                                        IEnumConnectionPoints** out) noexcept {
  return Enumerator<PointTraits>::Create(std::move(points), out);
}

HRESULT ConnectionPoint::FindInterface(REFIID riid, void** ppv) noexcept {
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
  }, IID_IConnectionPoint);
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
    return Enumerator<ConnectionTraits>::Create(std::move(items), connections);
  }, IID_IConnectionPoint);
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
  std::vector<ComPtr<IUnknown>> sinks;
  sinks.reserve(sinks_.size());
  for (const Connection& c : sinks_) sinks.push_back(c.sink);
  return sinks;
}

}  // namespace velmora::win32
