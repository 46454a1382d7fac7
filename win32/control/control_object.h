// The control object VelmoraControl: the COM face of the core control.
//
// One object holds everything the control is made of, created together and
// released together: the control's windows (none until it is placed),
// Text1 (a real EDIT while placed, the core's model until then), the core
// VelmoraControl driving Text1, the two connection points, and the OLE
// embedding that a container uses to place it on a form.
//
// What it serves itself:
//   _VelmoraControl / IDispatch  the nine properties; IDispatch runs from
//                                the type library's own type information
//   IProvideClassInfo(2)         the class and its default event interface
//   IConnectionPointContainer    __VelmoraControl (events) and
//                                IPropertyNotifySink (property changes)
//   IPersistStreamInit / IPersistStream / IPersistStorage /
//   IPersistPropertyBag          the nine settings, through the core's
//                                UserControl_ReadProperties/WriteProperties
//   ISpecifyPropertyPages, IPerPropertyBrowsing, ISupportErrorInfo
// Anything else is asked of the OLE embedding.
//
// The object may be aggregated: its IUnknown is then the outer object's,
// and the inner unknown answers the aggregator.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

#include "control/accessible.h"
#include "com/com_object.h"
#include "com/com_edge.h"
#include "com/handles.h"
#include "com/connection_point.h"
#include "core/control/control_host.h"
#include "core/control/velmora_control.h"
#include "windows/control_window.h"
#include "windows/edit_textbox.h"
#include "embedding/ole_embedding.h"
#include "velmora_h.h"

// The class factory's creation function: one control answering riid.
// `outer` is the controlling unknown when a client aggregates the control;
// the factory passes it on only with riid == IID_IUnknown, as aggregation
// requires.
HRESULT CreateVelmoraControl(IUnknown* outer, REFIID riid, void** ppv);

namespace velmora::win32 {

class ControlObject final : public AggregatableComBase<ControlObject, _VelmoraControl, IProvideClassInfo2,
                                                      IConnectionPointContainer, IPersistStreamInit, IPersistStorage,
                                                      IPersistPropertyBag, ISpecifyPropertyPages,
                                                      IPerPropertyBrowsing, ISupportErrorInfo>,
                            public EmbeddingOwner,
                            private ControlWindow::Client,
                            private velmora::ControlHost {
 public:
  // The class factory's creation function (CreateVelmoraControl).
  static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv) noexcept;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) noexcept override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) noexcept override;

  // _VelmoraControl
  STDMETHODIMP get_MaxLength(short* value) noexcept override;
  STDMETHODIMP put_MaxLength(short vNewValue) noexcept override;
  STDMETHODIMP get_DateValue(VARIANT_BOOL* value) noexcept override;
  STDMETHODIMP put_DateValue(VARIANT_BOOL vNewValue) noexcept override;
  STDMETHODIMP get_BackColor(OLE_COLOR* value) noexcept override;
  STDMETHODIMP put_BackColor(OLE_COLOR New_BackColor) noexcept override;
  STDMETHODIMP get_Font(IFontDisp** value) noexcept override;
  STDMETHODIMP putref_Font(IFontDisp* New_Font) noexcept override;
  STDMETHODIMP get_Enabled(VARIANT_BOOL* value) noexcept override;
  STDMETHODIMP put_Enabled(VARIANT_BOOL New_Enabled) noexcept override;
  STDMETHODIMP get_ForeColor(OLE_COLOR* value) noexcept override;
  STDMETHODIMP put_ForeColor(OLE_COLOR New_ForeColor) noexcept override;
  STDMETHODIMP get_Text(BSTR* value) noexcept override;
  STDMETHODIMP put_Text(BSTR New_Text) noexcept override;
  STDMETHODIMP get_Virgola(VARIANT_BOOL* value) noexcept override;
  STDMETHODIMP put_Virgola(VARIANT_BOOL New_Virgola) noexcept override;
  STDMETHODIMP get_TastoInvio(VARIANT_BOOL* value) noexcept override;
  STDMETHODIMP put_TastoInvio(VARIANT_BOOL New_TastoInvio) noexcept override;

  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) noexcept override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) noexcept override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) noexcept override;
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) noexcept override;

  // IPersist, shared by the three persistence interfaces
  STDMETHODIMP GetClassID(CLSID* clsid) noexcept override;
  // IPersistStreamInit, IPersistStorage
  STDMETHODIMP IsDirty() noexcept override;
  // IPersistStreamInit, IPersistPropertyBag
  STDMETHODIMP InitNew() noexcept override;
  // IPersistStreamInit
  STDMETHODIMP Load(IStream* stream) noexcept override;
  STDMETHODIMP Save(IStream* stream, BOOL clearDirty) noexcept override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) noexcept override;
  // IPersistStorage
  STDMETHODIMP InitNew(IStorage* storage) noexcept override;
  STDMETHODIMP Load(IStorage* storage) noexcept override;
  STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) noexcept override;
  STDMETHODIMP SaveCompleted(IStorage* storage) noexcept override;
  STDMETHODIMP HandsOffStorage() noexcept override;
  // IPersistPropertyBag
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) noexcept override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAllProperties) noexcept override;

  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pages) noexcept override;

  // IPerPropertyBrowsing
  STDMETHODIMP GetDisplayString(DISPID id, BSTR* text) noexcept override;
  STDMETHODIMP MapPropertyToPage(DISPID id, CLSID* page) noexcept override;
  STDMETHODIMP GetPredefinedStrings(DISPID id, CALPOLESTR* strings, CADWORD* cookies) noexcept override;
  STDMETHODIMP GetPredefinedValue(DISPID id, DWORD cookie, VARIANT* value) noexcept override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) noexcept override;

  // EmbeddingOwner
  IUnknown* OuterUnknown() override { return Controlling(); }
  ControlWindow& Window() noexcept { return window_; }
  EditTextBox& Text1Box() noexcept { return text1_; }
  velmora::VelmoraControl& Control() noexcept { return control_; }
  HWND TextBoxWindow() override { return text1_.hwnd(); }
  void TextBoxKey(const MSG& key, unsigned modifiers) override { text1_.DispatchKey(key, modifiers); }
  void DiscardUndo() override;
  bool LeavesEnterToForm() override { return control_.TastoInvio() != 0; }
  TextBoxLook Look() override;
  void ClientSiteChanged(IOleClientSite* site) override;
  HRESULT EnsureInitialized() override;
  HRESULT AdviseEvents(IUnknown* sink, DWORD* cookie) override;
  HRESULT AdvisePropertyNotify(IUnknown* sink, DWORD* cookie) override;
  void Resized() override;

  // The persisted settings in the object's own stream format; also used
  // by IPersistStorage for the stream inside the storage.
  void SaveToStream(IStream* stream);
  void LoadFromStream(IStream* stream);

 private:
  explicit ControlObject(IUnknown* outer);
  friend AggregatableComBase;
  ~ControlObject();
  // The object's own interfaces (the inner unknown's answers).
  HRESULT FindInterface(REFIID riid, void** ppv) noexcept;

  // A reference for the length of a call. An event handler or a container
  // answering a notification may release the last reference of its own
  // (closing the form): the object then goes when the outermost call that
  // reached it returns, never under a frame still running in it.
  ComPtr<IUnknown> KeepAlive() const noexcept { return ComPtr<IUnknown>(Controlling()); }
  // The methods' COM edge: ComEdge, holding the object alive for the whole
  // body (every method that runs through it may raise events), after
  // clearing the error information an earlier call left on this thread, so
  // that what a failing call leaves behind is always its own.
  template <class Body>
  HRESULT ComEdge(Body&& body, REFIID iid = IID__VelmoraControl) noexcept;
  // The properties' accessors through that edge: a read answers E_POINTER
  // without a place for the value and empties that place first; a write
  // only runs.
  template <class T, class Read>
  HRESULT GetProperty(T* value, Read&& read) noexcept;
  template <class Write>
  HRESULT PutProperty(Write&& write) noexcept;

  // velmora::ControlHost
  void PropertyChanged(const std::u16string& name) override;
  velmora::FontRef AmbientFont() override;
  std::int32_t ScaleWidth() override;
  std::int32_t ScaleHeight() override;
  RECT ScaleRect();
  void RaiseDataNonValida() override;
  void RaiseChange() override;

  // ControlWindow::Client: Text1 is the face; the embedding follows the
  // focus and the window's end; the accessible objects answer screen
  // readers; the window's messages hold the object as its methods do.
  HWND PlaceFace(HWND parent, const RECT& rect, bool alone) override { return text1_.Place(parent, rect, alone); }
  void UnplaceFace() noexcept override { text1_.Unplace(); }
  bool FaceEnabled() const noexcept override { return text1_.Enabled(); }
  // Whether the container sends notifications back to the control's window
  // (ambient MessageReflect): Text1's EDIT is then the only window.
  bool ContainerReflects() noexcept override;
  void FocusChanged(bool gained) noexcept override { embedding_.WindowFocusChanged(gained); }
  void WindowDestroyed() noexcept override { embedding_.WindowDestroyed(); }
  LRESULT AnswerGetObject(WPARAM flags, LPARAM id) noexcept override {
    return accessibility_.AnswerGetObject(flags, id);
  }
  // Messages reach the object through its windows as well as through its
  // interfaces, and the window procedures hold it alive the same way. No
  // window exists before a container places the control, so none holds an
  // aggregator still being made (and not yet counted).
  IUnknown* Lifetime() noexcept override { return Controlling(); }

  void FireEvent(DISPID id);
  // Follows the font object in use: a change made through the font itself
  // (a script's Font.Bold = True) is a change to save, like any setter.
  void WatchFont() noexcept;
  ITypeInfo& VtableTypeInfo();
  // Everything that starts an object's persistent life: exactly one of
  // the InitNew and Load calls may do it.
  template <class Step>
  HRESULT Initialize(REFIID iid, HRESULT alreadyDone, Step&& step) noexcept;

  ControlWindow window_;
  EditTextBox text1_;
  velmora::VelmoraControl control_;
  ConnectionPoint events_;
  ConnectionPoint propertyNotify_;
  ComPtr<ITypeInfo> vtableInfo_;
  ComPtr<IStorage> storage_;  // the storage given by IPersistStorage, until HandsOffStorage
  bool initialized_ = false;
  bool loadMayFollow_ = false;  // started by InitNew, nothing but property sets since
  // Changes are counted, not flagged: a save makes clean only the changes
  // it wrote, so one made while it runs (by the container's own stream or
  // bag, say), or between IPersistStorage's Save and SaveCompleted, is
  // still to be saved.
  std::uint32_t changes_ = 0;
  std::uint32_t cleanAt_ = 0;  // the count the container's saved copy holds
  std::uint32_t savedAt_ = 0;  // the count written by the last IPersistStorage::Save
  // Whether Enter was left to the form when the site was last told of the
  // keys (or when a load began): a load that ends otherwise tells it again.
  bool enterToForm_ = false;
  std::uint8_t storageMode_ = 0;  // IPersistStorage's mode (control_persistence.cpp)
  FontFollower fontFollower_;
  // Last: it gives back what the container lent before the rest goes.
  OleEmbedding embedding_;
  // After the embedding, so destroyed first: the accessible objects that
  // screen readers hold are cut off before anything of the control goes.
  ControlAccessibility accessibility_;
};

template <class Body>
HRESULT ControlObject::ComEdge(Body&& body, REFIID iid) noexcept {
  const ComPtr<IUnknown> keep = KeepAlive();
  ::SetErrorInfo(0, nullptr);
  return win32::ComEdge(std::forward<Body>(body), iid);
}

// The dispatch identifier of a property by the name the core notifies it
// with, DISPID_UNKNOWN for any other name.
DISPID PropertyDispid(const std::u16string& name) noexcept;

}  // namespace velmora::win32
