// The property page object Generale: IPropertyPage2 over the page's windows
// (PageWindows), the page logic of the core (Generale) and the selected
// objects' dispatch interfaces (DispatchPageHost). Its default interface
// _Generale has no members of its own; it answers IDispatch from the type
// library.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <new>

#include "com/com_object.h"
#include "com/com_edge.h"
#include "com/com_module.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "windows/desktop.h"
#include "core/page/generale.h"
#include "core/page/generale_layout.h"
#include "core/page/page_keys.h"
#include "page/page_dispatch.h"
#include "page/page_object.h"
#include "page/page_windows.h"
#include "typelib/module_types.h"
#include "velmora_h.h"

namespace velmora::win32 {
namespace {

class GeneralePage final : public ComBase<GeneralePage, IPropertyPage2, _Generale> {
 public:
  GeneralePage() : host_([this](bool changed) { OnChanged(changed); }) {}

  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    const InterfaceEntry table[] = {
        Entry<GeneralePage, IPropertyPage2>(),
        EntryAs<GeneralePage, IPropertyPage2>(IID_IPropertyPage),
        Entry<GeneralePage, _Generale>(),
        EntryAs<GeneralePage, _Generale>(IID_IDispatch),
    };
    return QueryInterfaceFromTable(this, table, riid, ppv);
  }

  // IPropertyPage
  STDMETHODIMP SetPageSite(IPropertyPageSite* site) noexcept override {
    site_ = site;
    return S_OK;
  }

  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL /*modal*/) noexcept override {
    if (rect == nullptr) return E_POINTER;
    if (windows_) return E_UNEXPECTED;
    return ComEdge([&] {
      windows_ = std::make_unique<PageWindows>(parent, *rect);
      page_ = std::make_unique<Generale>(*windows_, host_);
      if (host_.empty()) return S_OK;
      try {
        return Load();
      } catch (...) {
        // A page that could not load its selection is not shown half
        // filled.
        Close();
        throw;
      }
    }, IID_IPropertyPage);
  }

  STDMETHODIMP Deactivate() noexcept override {
    if (!windows_) return E_UNEXPECTED;
    // A frame deactivates a page it does not show and still applies it at
    // OK: what the developer set outlives the windows.
    const HRESULT hr = ComEdge([&] {
      if (dirty_ || kept_ || windows_->Text1Typed()) {
        pending_ = page_->Edits();
        kept_ = true;
      }
      return S_OK;
    }, IID_IPropertyPage);
    Close();
    return hr;
  }

  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) noexcept override {
    if (info == nullptr) return E_POINTER;
    *info = PROPPAGEINFO{};
    wchar_t* copy = TaskMemoryString(ToWide(GeneraleLayout().title));
    if (copy == nullptr) return E_OUTOFMEMORY;
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = copy;
    info->size = PageSizeInPixels();
    return S_OK;
  }

  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) noexcept override {
    return ComEdge([&] {
      HRESULT hr = host_.SetObjects(count, objects);
      if (FAILED(hr)) return hr;
      // Edits made for other objects are not theirs.
      kept_ = dirty_ = false;
      // A new selection replaces whatever the page showed; an empty one
      // (the host letting the objects go) loads nothing.
      if (windows_ && !host_.empty()) return Load();
      return S_OK;
    }, IID_IPropertyPage);
  }

  STDMETHODIMP Show(UINT command) noexcept override {
    if (!windows_) return E_UNEXPECTED;
    ::ShowWindow(windows_->hwnd(), static_cast<int>(command));
    return S_OK;
  }

  STDMETHODIMP Move(LPCRECT rect) noexcept override {
    if (rect == nullptr) return E_POINTER;
    if (!windows_) return E_UNEXPECTED;
    ::MoveWindow(windows_->hwnd(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
  }

  STDMETHODIMP IsPageDirty() noexcept override { return dirty_ ? S_OK : S_FALSE; }

  STDMETHODIMP Apply() noexcept override {
    if (host_.empty()) return S_OK;
    // Applying writes DateValue and MaxLength back, and each of those
    // resets the control's text: a page the developer has not changed
    // leaves the controls as they are. A number typed into Text1 is a
    // change to apply, though it does not mark the page changed.
    if (!dirty_ && !kept_ && !(windows_ && windows_->Text1Typed())) return S_OK;
    // The values to apply are the windows' while shown, else those kept.
    if (!page_ && !kept_) return E_UNEXPECTED;
    return ComEdge([&] {
      if (page_) page_->PropertyPage_ApplyChanges();
      else Generale::ApplyChanges(pending_, host_);
      dirty_ = kept_ = false;
      if (windows_) windows_->ForgetTyping();
      return S_OK;
    }, IID_IPropertyPage);
  }

  STDMETHODIMP Help(LPCOLESTR) noexcept override { return E_NOTIMPL; }

  // The frame offers the page every key first. The page moves the focus
  // between its own controls and answers S_OK; what is the frame's (OK,
  // Cancel, help, its tabs, the way out of the page) it offers to the site
  // and otherwise answers S_FALSE, so the frame handles it; any other key is
  // left to the focused control through the frame's ordinary dispatch.
  STDMETHODIMP TranslateAccelerator(MSG* message) noexcept override {
    if (message == nullptr) return E_POINTER;
    // A site handing the key back to the page while it decides.
    if (!windows_ || offering_) return S_FALSE;
    const PageKeyMessage kind = KeyMessageOf(message->message);
    if (kind == PageKeyMessage::Other) return S_FALSE;
    HWND page = windows_->hwnd();
    if (message->hwnd != page && !::IsChild(page, message->hwnd)) return S_FALSE;
    const ModifierKeys held = HeldModifierKeys();
    const PageKey key{kind, static_cast<std::uint32_t>(message->wParam), held.shift, held.control, held.alt};
    try {
      switch (RoutePageKey(key, windows_->FocusOf(*message))) {
        case PageKeyRoute::Frame: return OfferToSite(message);
        case PageKeyRoute::Control: return S_FALSE;
        case PageKeyRoute::NextTabStop: windows_->MoveToTabStop(message->hwnd, false); return S_OK;
        case PageKeyRoute::PreviousTabStop: windows_->MoveToTabStop(message->hwnd, true); return S_OK;
        case PageKeyRoute::NextInGroup: windows_->MoveInGroup(message->hwnd, false); return S_OK;
        case PageKeyRoute::PreviousInGroup: windows_->MoveInGroup(message->hwnd, true); return S_OK;
      }
    } catch (...) {
      // The arrow's click failed like a click of the mouse would: there is
      // no one to tell, and the key has been used.
      return S_OK;
    }
    return S_FALSE;
  }

  // IPropertyPage2
  STDMETHODIMP EditProperty(DISPID dispid) noexcept override {
    if (!windows_ || host_.empty()) return E_UNEXPECTED;
    return ComEdge([&]() -> HRESULT {
      HWND target = ControlFor(dispid);
      if (target == nullptr) return E_NOTIMPL;
      ::SetFocus(target);
      return S_OK;
    }, IID_IPropertyPage);
  }

  // IDispatch (_Generale has no members: only its type information)
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    HRESULT hr = LoadTypeInfo();
    if (FAILED(hr)) return hr;
    *info = typeInfo_.Get();
    (*info)->AddRef();
    return S_OK;
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr) return E_POINTER;
    // _Generale has no members: no name is one of them, whatever the
    // type information's view of IDispatch's own methods would say.
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return count == 0 ? S_OK : DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID, REFIID riid, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  friend ComBase;
  ~GeneralePage() { Close(); }

  // The loading step, then the edits kept while the page was not shown. Its
  // nested clicks change nothing: the page stays as changed as it was
  // (without kept edits it shows exactly what the selection holds, so it
  // has nothing to apply) and the site hears nothing.
  HRESULT Load() {
    {
      ScopedFlag loading(loading_);
      page_->PropertyPage_SelectionChanged();
      if (kept_) page_->ShowEdits(pending_);
    }
    windows_->ForgetTyping();
    return S_OK;
  }

  static PageKeyMessage KeyMessageOf(UINT message) noexcept {
    switch (message) {
      case WM_KEYDOWN: return PageKeyMessage::KeyDown;
      case WM_KEYUP: return PageKeyMessage::KeyUp;
      case WM_CHAR: return PageKeyMessage::Char;
      case WM_SYSKEYDOWN: return PageKeyMessage::SysKeyDown;
      case WM_SYSKEYUP: return PageKeyMessage::SysKeyUp;
      case WM_SYSCHAR: return PageKeyMessage::SysChar;
      default: return PageKeyMessage::Other;
    }
  }

  // The frame's key, offered to the frame through the site: S_OK when the
  // site used it, S_FALSE for the frame to handle it on its own. The site
  // may close the frame and let the page go meanwhile.
  HRESULT OfferToSite(MSG* message) noexcept {
    if (!site_) return S_FALSE;
    ComPtr<IPropertyPageSite> site = site_;
    ComPtr<GeneralePage> self(this);
    ScopedFlag offering(offering_);
    return site->TranslateAccelerator(message) == S_OK ? S_OK : S_FALSE;
  }

  void OnChanged(bool changed) noexcept {
    if (loading_) return;
    dirty_ = changed;
    if (changed && site_) site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
  }

  void Close() noexcept {
    page_.reset();
    windows_.reset();
  }

  // The window that edits the property `dispid` of the selected objects,
  // found by the objects' own names for it; nullptr for a property the
  // page does not edit or whose control the current view hides.
  HWND ControlFor(DISPID dispid) {
    IDispatch* first = host_.First();
    auto idOf = [&](const wchar_t* name) {
      std::wstring copy(name);
      LPOLESTR names[] = {copy.data()};
      DISPID id = DISPID_UNKNOWN;
      return SUCCEEDED(first->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) ? id : DISPID_UNKNOWN;
    };
    if (dispid == DISPID_UNKNOWN) return nullptr;
    const bool dateView = windows_->OptionValue(PageOption::Option2, 0);
    if (dispid == idOf(L"DateValue")) return windows_->Window({PageControl::Option2, static_cast<std::int16_t>(dateView ? 0 : 1)});
    if (dispid == idOf(L"MaxLength")) {
      if (!dateView) return windows_->Window(PageControl::Text1);
      for (std::int16_t i = 0; i < 3; ++i) {
        if (windows_->OptionValue(PageOption::Option1, i)) return windows_->Window({PageControl::Option1, i});
      }
      return windows_->Window({PageControl::Option1, 0});
    }
    // The decimals choice is shown in the number view only.
    if (dispid == idOf(L"Virgola")) return dateView ? nullptr : windows_->Window(PageControl::chkVirgola);
    return nullptr;
  }

  HRESULT LoadTypeInfo() noexcept {
    if (typeInfo_) return S_OK;
    return ModuleTypeInfo(ModuleType::PageDispatch, &typeInfo_);  // the module's, shared with the control
  }

  ComPtr<IPropertyPageSite> site_;
  DispatchPageHost host_;
  // The page logic refers to the windows: declared after them, it goes
  // first.
  std::unique_ptr<PageWindows> windows_;
  std::unique_ptr<Generale> page_;
  ComPtr<ITypeInfo> typeInfo_;
  // What the developer set, kept from Deactivate until applied or until
  // new objects come.
  GeneraleEdits pending_;
  bool kept_ = false;
  bool dirty_ = false;
  bool loading_ = false;
  bool offering_ = false;
};

}  // namespace
}  // namespace velmora::win32

HRESULT CreateGeneralePage(IUnknown* outer, REFIID riid, void** ppv) {
  using namespace velmora::win32;
  if (const HRESULT hr = StartCreation(outer, riid, ppv, Aggregation::Refused); hr != S_OK) return hr;
  try {
    return HandOver(GeneralePage::New(), riid, ppv);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}
