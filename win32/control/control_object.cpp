// The control object VelmoraControl: creation, identity, the font object it
// follows, and the services the embedding and the core control ask of it.
// Its other facets have files of their own: control_dispatch.cpp (IDispatch
// and the properties), control_class_info.cpp (class information, property
// pages, error information), control_events.cpp (events and connection
// points) and control_persistence.cpp.
#include "control/control_object.h"

#include "com/com_module.h"
#include "com/com_strings.h"
#include "typelib/module_types.h"

#include "core/errors.h"
#include "windows/ole_font.h"
#include "core/platform.h"
#include "windows/win32_platform.h"
#include "typelib/dispids.h"

namespace velmora::win32 {

namespace {

// One platform for the whole module: every control beeps and sends keys
// the same way, and the core reaches it without knowing about Windows.
// Installed once, at the first creation on whichever thread, so that a
// program that installs a platform of its own later (a test) keeps it.
Win32Platform g_platform;
INIT_ONCE g_platformOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InstallWindowsPlatform(PINIT_ONCE, PVOID, PVOID*) {
  velmora::InstallPlatform(&g_platform);
  return TRUE;
}

void InstallWindowsPlatformOnce() { ::InitOnceExecuteOnce(&g_platformOnce, &InstallWindowsPlatform, nullptr, nullptr); }

}  // namespace

// ---- The font's changes ----------------------------------------------------

void ControlObject::WatchFont() noexcept {
  fontFollower_.Stop();
  // The default font is made on first need: until then there is nothing
  // to watch, and get_Font watches it when it hands it out.
  if (!text1_.HasFont()) return;
  try {
    if (auto font = std::dynamic_pointer_cast<OleFont>(control_.Font())) fontFollower_.Follow(font->font());
  } catch (...) {
    // Without a watch the setters still mark the control dirty.
  }
}

// ---- Creation, identity ----------------------------------------------------

ControlObject::ControlObject(IUnknown* outer)
    : AggregatableComBase(outer),
      window_(*this),
      text1_(window_),
      control_(text1_, *this),
      events_(*this, DIID___VelmoraControl, true),
      propertyNotify_(*this, IID_IPropertyNotifySink, false),
      fontFollower_([this]() noexcept {
        const ComPtr<IUnknown> keep = KeepAlive();  // the view sink may let the control go
        ++changes_;
        embedding_.ViewChanged();
      }),
      embedding_(*this, window_),
      accessibility_(window_, text1_, control_, embedding_) {
  // Errors raised by Text1's event handlers inside its window procedure
  // have no caller to go back to: the key stays swallowed and the event
  // is over.
  text1_.setEventErrorHandler([](std::exception_ptr) {});
  // A dialog-style container asks Text1 which keys it wants: the same
  // answer as GetControlInfo's.
  text1_.setClaimsEnter([this] { return !LeavesEnterToForm(); });
}

ControlObject::~ControlObject() {
  fontFollower_.Stop();
  embedding_.ReleaseContainer();
  // The windows go while every part they tell of is still here.
  window_.SetParentWindow(nullptr);
  text1_.setClaimsEnter(nullptr);
  events_.Clear();
  propertyNotify_.Clear();
  storage_.Reset();
}

HRESULT ControlObject::Create(IUnknown* outer, REFIID riid, void** ppv) noexcept {
  if (const HRESULT hr = StartCreation(outer, riid, ppv, Aggregation::Allowed); hr != S_OK) return hr;
  ControlObject* object = nullptr;
  HRESULT hr = win32::ComEdge([&] {
    InstallWindowsPlatformOnce();
    object = ControlObject::New(outer);
    // The control runtime initialises every new instance at once, so a
    // client that never calls InitNew or Load (a script) still has the
    // date mask, the limit and a font.
    object->control_.UserControl_Initialize();
    object->WatchFont();
    object->cleanAt_ = object->changes_;
    return S_OK;
  }, IID__VelmoraControl);
  if (FAILED(hr)) {
    if (object) object->Inner().Release();
    return hr;
  }
  hr = object->Inner().QueryInterface(riid, ppv);
  object->Inner().Release();
  return hr;
}

HRESULT ControlObject::FindInterface(REFIID riid, void** ppv) noexcept {
  using C = ControlObject;
  // Not static: a function-local static would be set up by the first
  // caller, and apartments on two threads may both be first.
  // A line per interface, with the older interfaces it also answers for
  // (the IID constants, not __uuidof: the module links them anyway).
  const InterfaceEntry table[] = {
      EntryAs<C, _VelmoraControl>(IID__VelmoraControl), EntryAs<C, _VelmoraControl>(IID_IDispatch),
      EntryAs<C, IProvideClassInfo2>(IID_IProvideClassInfo2), EntryAs<C, IProvideClassInfo2>(IID_IProvideClassInfo),
      EntryAs<C, IConnectionPointContainer>(IID_IConnectionPointContainer),
      // IPersistStream's methods are the first five of IPersistStreamInit,
      // in the same order: one table of functions serves both.
      EntryAs<C, IPersistStreamInit>(IID_IPersistStreamInit), EntryAs<C, IPersistStreamInit>(IID_IPersist),
      EntryAs<C, IPersistStreamInit>(IID_IPersistStream),
      EntryAs<C, IPersistStorage>(IID_IPersistStorage), EntryAs<C, IPersistPropertyBag>(IID_IPersistPropertyBag),
      EntryAs<C, ISpecifyPropertyPages>(IID_ISpecifyPropertyPages),
      EntryAs<C, IPerPropertyBrowsing>(IID_IPerPropertyBrowsing), EntryAs<C, ISupportErrorInfo>(IID_ISupportErrorInfo),
  };
  HRESULT hr = QueryInterfaceFromTable(this, table, riid, ppv);
  if (hr != E_NOINTERFACE) return hr;
  return embedding_.Find(riid, ppv);
}

// ---- EmbeddingOwner --------------------------------------------------------

void ControlObject::DiscardUndo() {
  // Undo lives in Text1 alone.
  if (text1_.hwnd()) ::SendMessageW(text1_.hwnd(), EM_EMPTYUNDOBUFFER, 0, 0);
}

TextBoxLook ControlObject::Look() {
  TextBoxLook look;
  look.text = ToWide(text1_.Text());
  look.back = EditTextBox::ToColorRef(text1_.BackColor());
  look.fore = EditTextBox::ToColorRef(text1_.ForeColor());
  look.enabled = text1_.Enabled();
  HFONT hfont = nullptr;
  if (text1_.oleFont() && SUCCEEDED(text1_.oleFont()->font()->get_hFont(&hfont))) look.font = hfont;
  return look;
}

void ControlObject::ClientSiteChanged(IOleClientSite*) {
  // Ambient properties are read through the embedding when they are
  // needed (the ambient font at saving and loading); nothing is cached.
}

HRESULT ControlObject::EnsureInitialized() {
  const HRESULT hr = initialized_ ? S_OK : InitNew();
  loadMayFollow_ = false;  // shown on a form: a Load now would mix two starts
  return hr;
}

void ControlObject::Resized() {
  try {
    control_.UserControl_Resize();
  } catch (...) {
    // A size the text box refuses leaves it where it was; the container's
    // resize itself succeeded.
  }
}

// ---- velmora::ControlHost --------------------------------------------------

velmora::FontRef ControlObject::AmbientFont() {
  UniqueVariant ambient;
  if (SUCCEEDED(embedding_.GetAmbient(DISPID_AMBIENT_FONT, ambient.get())) &&
      (V_VT(ambient.get()) == VT_DISPATCH || V_VT(ambient.get()) == VT_UNKNOWN) && V_UNKNOWN(ambient.get())) {
    ComPtr<IFont> font;
    if (SUCCEEDED(V_UNKNOWN(ambient.get())->QueryInterface(IID_IFont, reinterpret_cast<void**>(font.GetAddressOf())))) {
      // A copy: the container's font object stays the container's, and a
      // change of the control's font must not restyle the whole form.
      ComPtr<IFont> copy;
      if (SUCCEEDED(font->Clone(&copy)) && copy) return std::make_shared<OleFont>(std::move(copy));
    }
  }
  // No container, or one without an ambient font (a script, wine's ATL
  // host): the module's default face, a description shared by every
  // control; a load that takes it as the font makes the control an OLE
  // font of its own from it.
  return OleFont::Default();
}

// The inside of the control window where there is one (a container may
// size that window itself), else the control's rectangle.
RECT ControlObject::ScaleRect() {
  RECT r = window_.Rect();
  if (window_.hwnd() && !window_.FaceAlone()) ::GetClientRect(window_.hwnd(), &r);
  return r;
}

std::int32_t ControlObject::ScaleWidth() {
  const RECT r = ScaleRect();
  return r.right - r.left;
}

std::int32_t ControlObject::ScaleHeight() {
  const RECT r = ScaleRect();
  return r.bottom - r.top;
}

bool ControlObject::ContainerReflects() noexcept {
  // A container that says nothing about it reflects nothing.
  UniqueVariant reflects;
  return SUCCEEDED(embedding_.GetAmbient(DISPID_AMBIENT_MESSAGEREFLECT, reflects.get())) &&
         V_VT(reflects.get()) == VT_BOOL && V_BOOL(reflects.get()) != VARIANT_FALSE;
}

}  // namespace velmora::win32

HRESULT CreateVelmoraControl(IUnknown* outer, REFIID riid, void** ppv) {
  return velmora::win32::ControlObject::Create(outer, riid, ppv);
}
