// Connection points of an object with events (typically one for its event
// interface and one for IPropertyNotifySink). A point lives inside its
// container object and counts its references on the container, so a client
// holding a point, a connection enumerator or a point enumerator keeps the
// whole object alive, as the connection point rules require.
//
// Firing walks a copy of the connected sinks: a sink may disconnect itself,
// or make the object fire again, from inside its own callback.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <utility>
#include <vector>

#include "com/com_object.h"

namespace velmora::win32 {

// A point's references are its container's; its QueryInterface is its own
// (a point answers only IUnknown and IConnectionPoint, with itself).
class ConnectionPoint final : public DelegatingFacet<ConnectionPoint, IConnectionPoint> {
 public:
  // `iid` is the interface the point serves; a sink that lacks it but is
  // an IDispatch is taken when `acceptDispatch` is set (event sinks of
  // late-bound clients implement only IDispatch).
  ConnectionPoint(IConnectionPointContainer& container, const IID& iid, bool acceptDispatch) noexcept
      : DelegatingFacet(&container), container_(container), iid_(iid), acceptDispatch_(acceptDispatch) {}

  HRESULT FindInterface(REFIID riid, void** ppv) noexcept;

  STDMETHODIMP GetConnectionInterface(IID* iid) noexcept override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) noexcept override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) noexcept override;
  STDMETHODIMP Unadvise(DWORD cookie) noexcept override;
  STDMETHODIMP EnumConnections(IEnumConnections** connections) noexcept override;

  const IID& iid() const noexcept { return iid_; }
  bool empty() const noexcept { return sinks_.empty(); }

  // The connected sinks, each as the interface the point serves (or as
  // IDispatch), in the order they connected.
  std::vector<ComPtr<IUnknown>> Sinks() const;
  // Drops every connection (the object is going away).
  void Clear() noexcept { sinks_.clear(); }

 private:
  struct Connection {
    DWORD cookie;
    ComPtr<IUnknown> sink;
  };

  IConnectionPointContainer& container_;
  const IID& iid_;
  bool acceptDispatch_;
  DWORD nextCookie_ = 1;
  std::vector<Connection> sinks_;
};

// IEnumConnectionPoints over a fixed list of points of one container.
HRESULT CreateConnectionPointEnumerator(std::vector<ComPtr<IConnectionPoint>> points,
                                        IEnumConnectionPoints** out) noexcept;

}  // namespace velmora::win32
