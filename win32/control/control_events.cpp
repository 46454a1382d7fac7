// The control object's events and connection points: the events raised to
// __VelmoraControl's sinks and the property changes told to
// IPropertyNotifySink's.
#include "control/control_object.h"

#include "typelib/dispids.h"

namespace velmora::win32 {

// ---- IConnectionPointContainer ---------------------------------------------

STDMETHODIMP ControlObject::EnumConnectionPoints(IEnumConnectionPoints** points) noexcept {
  if (points == nullptr) return E_POINTER;
  *points = nullptr;
  return win32::ComEdge([&] {
    return CreateConnectionPointEnumerator({ComPtr<IConnectionPoint>(&events_), ComPtr<IConnectionPoint>(&propertyNotify_)},
                                           points);
  }, IID__VelmoraControl);
}

STDMETHODIMP ControlObject::FindConnectionPoint(REFIID riid, IConnectionPoint** point) noexcept {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  for (ConnectionPoint* p : {&events_, &propertyNotify_}) {
    if (!IsEqualIID(riid, p->iid())) continue;
    p->AddRef();
    *point = p;
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

// ---- Sinks ----------------------------------------------------------------

HRESULT ControlObject::AdviseEvents(IUnknown* sink, DWORD* cookie) { return events_.Advise(sink, cookie); }

HRESULT ControlObject::AdvisePropertyNotify(IUnknown* sink, DWORD* cookie) {
  return propertyNotify_.Advise(sink, cookie);
}

void ControlObject::PropertyChanged(const std::u16string& name) {
  ++changes_;
  if (name == u"Font") WatchFont();
  if (name == u"TastoInvio") {
    enterToForm_ = control_.TastoInvio() != 0;
    embedding_.ControlInfoChanged();
  }
  // Every property shows in the control's look (the text, colours, font,
  // enabled state) or may change it: an inactive control is drawn again.
  embedding_.ViewChanged();
  const DISPID id = PropertyDispid(name);
  for (const ComPtr<IUnknown>& sink : propertyNotify_.Sinks()) {
    // What the container does with the notification is its business; a
    // failing sink does not fail the property.
    static_cast<IPropertyNotifySink*>(sink.Get())->OnChanged(id);
  }
}

void ControlObject::RaiseDataNonValida() {
  accessibility_.DateRefused();  // heard by a screen reader whatever the handlers do
  FireEvent(DISPID_VELMORA_DATANONVALIDA);
}

void ControlObject::RaiseChange() {
  // The text is a saved setting: any change of it is a change to save.
  ++changes_;
  embedding_.ViewChanged();
  accessibility_.TextChanged();
  FireEvent(DISPID_VELMORA_CHANGE);
}

void ControlObject::FireEvent(DISPID id) {
  // A container that froze events (while it loads a form, say) hears none.
  if (embedding_.EventsFrozen()) return;
  DISPPARAMS none{};
  for (const ComPtr<IUnknown>& sink : events_.Sinks()) {
    // Every sink hears the event, whatever an earlier one answered.
    static_cast<IDispatch*>(sink.Get())->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                                nullptr, nullptr, nullptr);
  }
}

}  // namespace velmora::win32
