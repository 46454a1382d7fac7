// A test container that behaves like a real form: one top-level window with
// plain edit fields and controls, each control in a host window of its own
// with a full site (client site, in-place site, control site, ambient
// properties through IDispatch), a frame that knows the UI-active object,
// and a message loop that gives that object the first look at every key
// (TranslateAccelerator) and then runs IsDialogMessage, so that Tab, and
// the Tab keystrokes the control sends for Enter and Escape, move the focus
// between the fields.
//
// Controls come from CreateTestControl: the library's own control object,
// created as the class factory creates it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com/com_object.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "typelib/dispids.h"

namespace velmora::testing {

using Microsoft::WRL::ComPtr;

// Dispatch identifiers of the control's properties.
inline constexpr DISPID kDispTastoInvio = DISPID_VELMORA_TASTOINVIO;
inline constexpr DISPID kDispVirgola = DISPID_VELMORA_VIRGOLA;
inline constexpr DISPID kDispText = DISPID_VELMORA_TEXT;
inline constexpr DISPID kDispForeColor = DISPID_VELMORA_FORECOLOR;
inline constexpr DISPID kDispEnabled = DISPID_VELMORA_ENABLED;
inline constexpr DISPID kDispBackColor = DISPID_VELMORA_BACKCOLOR;
inline constexpr DISPID kDispDateValue = DISPID_VELMORA_DATEVALUE;
inline constexpr DISPID kDispMaxLength = DISPID_VELMORA_MAXLENGTH;

// The control's errors as callers see them, written out rather than derived
// from the control's own table: the numbers are what scripts test for.
inline constexpr HRESULT kOverflow = 0x800A0006;
inline constexpr HRESULT kTypeMismatch = 0x800A000D;
inline constexpr HRESULT kInvalidUseOfNull = 0x800A005E;
inline constexpr HRESULT kInvalidPropertyValue = 0x800A017C;

// A new control object (its IUnknown), or null.
ComPtr<IUnknown> CreateTestControl();

// The interface I of an object (null when it has none, or no object).
template <class I>
ComPtr<I> As(IUnknown* object) {
  ComPtr<I> out;
  if (object) object->QueryInterface(__uuidof(I), reinterpret_cast<void**>(out.GetAddressOf()));
  return out;
}

// A new standard font of DejaVu Sans, the face wine gives back as it was
// asked for (null if none was made).
ComPtr<IFontDisp> NewFont(double points, bool bold = false);

// The base of the tests' own COM objects (sinks, sites, frames). One that
// lives on a test's stack is simply never released by its creator.
template <class Derived, class... Interfaces>
using HostObject = win32::HostComBase<Derived, Interfaces...>;

// A client's sink of the control's events and property notifications: the
// event interface (or only IDispatch, as a late-bound client's, when
// `answerEventIid` is false) and IPropertyNotifySink. It records what it
// hears, runs `onEvent` inside each event, and answers events with E_FAIL
// when `failEvents` is set.
class ClientSink final : public HostObject<ClientSink, IDispatch, IPropertyNotifySink> {
 public:
  explicit ClientSink(bool answerEventIid = true) : answerEventIid_(answerEventIid) {}
  HRESULT FindInterface(REFIID riid, void** ppv) noexcept;

  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override;
  STDMETHODIMP OnChanged(DISPID id) noexcept override;
  STDMETHODIMP OnRequestEdit(DISPID) noexcept override { return S_OK; }

  // How many of the events heard were `id`.
  int Heard(DISPID id) const;

  std::function<void(DISPID)> onEvent;
  std::vector<DISPID> events, changed;
  // Events that did not come as a method call without arguments.
  int malformedEvents = 0;
  bool failEvents = false;

 private:
  bool answerEventIid_;
};

// Hears an object's advise sinks (IOleObject::Advise, IViewObject::SetAdvise,
// IDataObject::DAdvise) and counts what it hears.
class AdviseSink final : public HostObject<AdviseSink, IAdviseSink> {
 public:
  STDMETHODIMP_(void) OnDataChange(FORMATETC* format, STGMEDIUM* medium) noexcept override {
    ++dataChanges;
    lastFormat = format ? format->cfFormat : 0;
    withPicture = medium && medium->tymed == TYMED_ENHMF && medium->hEnhMetaFile;
  }
  STDMETHODIMP_(void) OnViewChange(DWORD, LONG) noexcept override { ++viewChanges; }
  STDMETHODIMP_(void) OnRename(IMoniker*) noexcept override {}
  STDMETHODIMP_(void) OnSave() noexcept override {}
  STDMETHODIMP_(void) OnClose() noexcept override { ++closes; }
  int dataChanges = 0, viewChanges = 0, closes = 0;
  CLIPFORMAT lastFormat = 0;
  bool withPicture = false;
};

// A container's property bag, as wine has none. Objects are kept through
// their stream (wine's font cannot save itself into a bag), and are made
// afresh at every read, as a container does when it loads a form.
class TestBag final : public HostObject<TestBag, IPropertyBag> {
 public:
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) noexcept override;
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) noexcept override;
  // Stores a value as it stands, objects included (for hostile bags).
  HRESULT Set(const std::wstring& name, const VARIANT& value);

  // How Read says a key is absent; containers disagree.
  HRESULT absent = E_INVALIDARG;
  std::wstring failKey;
  std::function<void()> onWrite;  // run inside the next Write, once
  std::vector<std::wstring> reads, writes;
  std::vector<VARTYPE> types;

 private:
  struct Item {
    std::wstring name;
    win32::UniqueVariant value;
    ComPtr<IStream> object;
  };
  Item* Find(const std::wstring& name);
  Item& Slot(const std::wstring& name);
  std::vector<Item> items_;
};

// Connects `sink` to the connection point `iid` of `object`: the cookie, 0
// when there is no such point or it refuses (its answer in *hr).
DWORD Connect(IUnknown* object, REFIID iid, IUnknown* sink, HRESULT* hr = nullptr);
// IConnectionPoint::Unadvise of that point.
HRESULT Disconnect(IUnknown* object, REFIID iid, DWORD cookie);

// Plain VARIANTs of each type, for the values of late-bound calls.
VARIANT I2Variant(short value);
VARIANT I4Variant(LONG value);
VARIANT R8Variant(double value);
VARIANT BoolVariant(bool value);
VARIANT NullVariant();

// Late-bound calls through IDispatch::Invoke: a property put (the value
// named DISPID_PROPERTYPUT unless `named` is false) and a property get.
HRESULT InvokePut(IDispatch* dispatch, DISPID id, VARIANT value, WORD how = DISPATCH_PROPERTYPUT,
                  EXCEPINFO* error = nullptr, UINT* argError = nullptr, bool named = true);
HRESULT InvokeGet(IDispatch* dispatch, DISPID id, VARIANT* value, EXCEPINFO* error = nullptr);

// Reads and writes a property by dispatch identifier.
HRESULT PutProperty(IUnknown* control, DISPID id, const VARIANT& value);
HRESULT GetProperty(IUnknown* control, DISPID id, VARIANT* value);
HRESULT PutInt(IUnknown* control, DISPID id, long value);  // as VT_I4, converted by the control
HRESULT PutBool(IUnknown* control, DISPID id, bool value);
HRESULT PutText(IUnknown* control, const std::wstring& text);
long GetInt(IUnknown* control, DISPID id);

// The items one after another, ", " between them.
inline std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

// Every window of this thread, top-level or child.
int ThreadWindows();

// What the container's sinks and sites heard, in order: events by name
// ("Change", "DataNonValida"), site calls ("OnUIActivate", ...).
struct Log {
  std::vector<std::string> entries;
  std::vector<std::string> Events() const;  // only Change and DataNonValida
  void Clear() { entries.clear(); }
};

struct Ambients {
  bool userMode = true;
  OLE_COLOR back = 0x80000005;
  OLE_COLOR fore = 0x80000008;
  ComPtr<IFontDisp> font;  // null: the site has no ambient font
  // Ambient MessageReflect: the site's window then sends its children's
  // notifications back to them as OCM_ messages.
  bool messageReflect = false;
};

class TestForm;

// One control on the form.
class Placed {
 public:
  ComPtr<IUnknown> object;
  HWND host = nullptr;  // the site's window
  Log log;              // site calls and events of this control
  std::wstring displayName;  // the site's ambient DisplayName; empty: none
  HWND ControlWindow() const;  // through IOleWindow, or null when inactive
  // What the form engine last read with IOleControl::GetControlInfo (only
  // kFormEngine reads it, when it places the control); re-read after
  // OnControlInfoChanged.
  CONTROLINFO controlInfo{};
  bool controlInfoValid = false;
  int controlInfoReads = 0;
  HWND Edit() const;           // Text1 (the control's window itself when it is the only one)
  std::wstring Text() const;
  int Caret() const;

 private:
  friend class TestForm;
  ComPtr<IUnknown> site;  // the site object (IOleClientSite and friends)
  DWORD eventCookie = 0;
  ComPtr<IConnectionPoint> eventPoint;
};

class TestForm {
 public:
  // kTranslateAccelerator: the active object first, then IsDialogMessage.
  // kPlainDispatch: IsDialogMessage and dispatch, the active object never
  // asked. kTranslateMessageFirst: a loop that translates every message
  // before it offers it to the active object, and has no dialog handling.
  // kFormEngine: as kTranslateAccelerator, but first, as a form engine does,
  // Enter and Escape in a control that does not eat them (its CONTROLINFO,
  // kept until the site hears OnControlInfoChanged) press the form's
  // default or cancel button without the control seeing them.
  enum class Loop { kTranslateAccelerator, kPlainDispatch, kTranslateMessageFirst, kFormEngine };
  explicit TestForm(Loop loop = Loop::kTranslateAccelerator);
  ~TestForm();
  TestForm(const TestForm&) = delete;
  TestForm& operator=(const TestForm&) = delete;

  HWND hwnd() const { return hwnd_; }
  Ambients& ambients() { return ambients_; }

  // A plain edit field with a tab stop, last in the tab order.
  HWND AddField(int x, int y);
  // A push button with id (IDOK, IDCANCEL), the default one when isDefault
  // (BS_DEFPUSHBUTTON), last in the tab order. The ids of the buttons the
  // form hears pressed (WM_COMMAND, BN_CLICKED) are in commands.
  HWND AddButton(int id, const wchar_t* text, bool isDefault, int x, int y);
  std::vector<int> commands;
  // Places a control at rect (pixels of the form), last in the tab order:
  // quick activation when the control offers it (else SetClientSite and
  // the sinks through the connection points), the control info read
  // (kFormEngine only), InitNew (or `start`, a container's Load, when
  // given), the extent, then DoVerb(OLEIVERB_INPLACEACTIVATE). Null when a
  // step fails (the step's name and HRESULT go to failure()).
  Placed* AddControl(ComPtr<IUnknown> object, RECT rect, bool quickActivate = true,
                     const std::function<HRESULT(IUnknown*)>& start = nullptr);
  // Takes a control off the form: Close, SetClientSite(null), the event
  // connection, and the host window.
  void RemoveControl(Placed* placed);
  const std::string& failure() const { return failure_; }

  // Tells every control that an ambient property changed.
  void AmbientChanged(DISPID id);

  // Runs the container's loop until the queue has been quiet for quietMs.
  void Pump(DWORD quietMs = 30);
  // Types keys as a user does (SendInput into the focused window), one
  // after another, pumping after each: characters, and "\b" Backspace,
  // "\x7f" Delete, "\r" Enter, "\x1b" Escape, "\t" Tab. With shift held for
  // all of them when shift is true.
  void Type(const std::wstring& keys, bool shift = false);
  void Focus(HWND window);

  // The UI-active object the frame was given, or null.
  IOleInPlaceActiveObject* ActiveObject() const;
  // Called by a site: UI-deactivates the previous UI-active control.
  void SiteUIActivating(Placed* placed);
  Placed* uiActive() const { return uiActive_; }
  const std::vector<std::unique_ptr<Placed>>& controls() const { return controls_; }
  long translateCalls = 0;  // how many messages the loop offered the active object

 private:
  friend class FormFrame;
  // kFormEngine: Enter or Escape that the focused control does not eat
  // press the form's button; true when it did.
  bool FormTakesKey(const MSG& msg);
  static bool ReadControlInfo(Placed& placed);
  Loop loop_;
  HWND hwnd_ = nullptr;
  Ambients ambients_;
  ComPtr<IOleInPlaceFrame> frame_;
  ComPtr<IOleInPlaceActiveObject> active_;
  Placed* uiActive_ = nullptr;
  std::vector<std::unique_ptr<Placed>> controls_;
  std::string failure_;
};

}  // namespace velmora::testing
