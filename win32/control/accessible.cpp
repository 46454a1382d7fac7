#include "control/accessible.h"

#include <oleacc.h>

#include <memory>

#include "com/com_object.h"
#include "com/com_edge.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "core/control/accessible_text.h"
#include "core/control/velmora_control.h"
#include "windows/edit_textbox.h"
#include "embedding/ole_embedding.h"
#include "velmora_h.h"

namespace velmora::win32 {

namespace {

bool IsSelf(const VARIANT& child) { return V_VT(&child) == VT_I4 && V_I4(&child) == CHILDID_SELF; }

// A text answer: S_OK with the text, S_FALSE (and null) when there is none.
HRESULT Answer(const std::wstring& text, BSTR* out) {
  if (text.empty()) return S_FALSE;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

// One accessible object: the field (OBJID_CLIENT) or the alert of a refused
// date (OBJID_ALERT). Its IDispatch part is not served: readers call
// IAccessible directly.
class AccessibleObject final : public ComBase<AccessibleObject, IAccessible, IOleWindow> {
 public:
  enum class Kind { kField, kAlert };
  AccessibleObject(ControlAccessibility& link, Kind kind) noexcept : link_(&link), kind_(kind) {}

  void Disconnect() noexcept {
    link_ = nullptr;
    standard_.Reset();
  }

  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    using C = AccessibleObject;
    const InterfaceEntry table[] = {
        Entry<C, IAccessible>(), EntryAs<C, IAccessible>(IID_IDispatch), Entry<C, IOleWindow>()};
    return QueryInterfaceFromTable(this, table, riid, ppv);
  }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override {
    return E_NOTIMPL;
  }

  // IOleWindow: the window a reader finds the object in
  // (WindowFromAccessibleObject).
  STDMETHODIMP GetWindow(HWND* hwnd) noexcept override {
    if (!hwnd) return E_POINTER;
    *hwnd = link_ ? link_->WindowHandle() : nullptr;
    if (!link_) return CO_E_OBJNOTCONNECTED;
    return *hwnd ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

  // IAccessible: the control's own answers.
  STDMETHODIMP get_accParent(IDispatch** parent) noexcept override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!link_) return CO_E_OBJNOTCONNECTED;
    // The field's parent is the control's window, whichever window the
    // request came through; the alert belongs to the field.
    const HWND window = link_->WindowHandle();
    if (!window) return E_FAIL;
    return ::AccessibleObjectFromWindow(window, kind_ == Kind::kField ? OBJID_WINDOW : OBJID_CLIENT,
                                        IID_IDispatch, reinterpret_cast<void**>(parent));
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) noexcept override {
    if (!role) return E_POINTER;
    ::VariantInit(role);
    const HRESULT hr = Own(child);
    if (FAILED(hr)) return hr;
    V_VT(role) = VT_I4;
    V_I4(role) = kind_ == Kind::kField ? ROLE_SYSTEM_TEXT : ROLE_SYSTEM_ALERT;
    return S_OK;
  }
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) noexcept override {
    if (!name) return E_POINTER;
    *name = nullptr;
    const HRESULT hr = Own(child);
    if (FAILED(hr)) return hr;
    if (kind_ == Kind::kAlert) return Answer(ToWide(std::u16string(kInvalidDateAlert)), name);
    const std::wstring given = link_->DisplayName();
    if (!given.empty()) return Answer(given, name);
    return FromStandardOrLabel(&IAccessible::get_accName, &LabelName, name);
  }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) noexcept override {
    if (!value) return E_POINTER;
    *value = nullptr;
    HRESULT hr = Own(child);
    if (FAILED(hr)) return hr;
    if (kind_ == Kind::kAlert) return DISP_E_MEMBERNOTFOUND;
    try {
      // "" is a value too (the empty field): S_OK with an empty string.
      const std::wstring text = link_->Value();
      *value = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      return *value ? S_OK : E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  STDMETHODIMP put_accValue(VARIANT child, BSTR value) noexcept override {
    HRESULT hr = Own(child);
    if (FAILED(hr)) return hr;
    if (kind_ == Kind::kAlert) return DISP_E_MEMBERNOTFOUND;
    // As the property Text: the same rules, the same errors.
    ::SetErrorInfo(0, nullptr);
    return ComEdge([&] {
      link_->SetValue(std::wstring_view(value ? value : L"", ::SysStringLen(value)));
      return S_OK;
    }, IID__VelmoraControl);
  }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) noexcept override {
    if (!description) return E_POINTER;
    *description = nullptr;
    HRESULT hr = Own(child);
    if (FAILED(hr) || kind_ == Kind::kAlert) return FAILED(hr) ? hr : S_FALSE;
    try {
      return Answer(link_->Description(), description);
    } catch (...) {
      return E_FAIL;
    }
  }
  STDMETHODIMP put_accName(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }  // retired by MSAA

  // IAccessible: the standard object's answers.
  STDMETHODIMP get_accChildCount(long* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return Delegate(&IAccessible::get_accChildCount, count);
  }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Delegate(&IAccessible::get_accChild, child, out);
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) noexcept override {
    if (!state) return E_POINTER;
    ::VariantInit(state);
    return Delegate(&IAccessible::get_accState, child, state);
  }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) noexcept override {
    if (!help) return E_POINTER;
    *help = nullptr;
    return Delegate(&IAccessible::get_accHelp, child, help);
  }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) noexcept override {
    if (!file || !topic) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    return Delegate(&IAccessible::get_accHelpTopic, file, child, topic);
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) noexcept override {
    if (!shortcut) return E_POINTER;
    *shortcut = nullptr;
    const HRESULT hr = Own(child);
    if (FAILED(hr) || kind_ == Kind::kAlert) return FAILED(hr) ? hr : S_FALSE;
    return FromStandardOrLabel(&IAccessible::get_accKeyboardShortcut, &LabelShortcut, shortcut);
  }
  STDMETHODIMP get_accFocus(VARIANT* focus) noexcept override {
    if (!focus) return E_POINTER;
    ::VariantInit(focus);
    return Delegate(&IAccessible::get_accFocus, focus);
  }
  STDMETHODIMP get_accSelection(VARIANT* selection) noexcept override {
    if (!selection) return E_POINTER;
    ::VariantInit(selection);
    return Delegate(&IAccessible::get_accSelection, selection);
  }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) noexcept override {
    if (!action) return E_POINTER;
    *action = nullptr;
    return Delegate(&IAccessible::get_accDefaultAction, child, action);
  }
  STDMETHODIMP accSelect(long flags, VARIANT child) noexcept override {
    return Delegate(&IAccessible::accSelect, flags, child);
  }
  STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) noexcept override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    IAccessible* s = nullptr;
    const HRESULT hr = Standard(&s, true);  // the alert stands where the field does
    return FAILED(hr) ? hr : s->accLocation(left, top, width, height, child);
  }
  STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) noexcept override {
    if (!end) return E_POINTER;
    ::VariantInit(end);
    return Delegate(&IAccessible::accNavigate, direction, start, end);
  }
  STDMETHODIMP accHitTest(long x, long y, VARIANT* child) noexcept override {
    if (!child) return E_POINTER;
    ::VariantInit(child);
    return Delegate(&IAccessible::accHitTest, x, y, child);
  }
  STDMETHODIMP accDoDefaultAction(VARIANT child) noexcept override {
    return Delegate(&IAccessible::accDoDefaultAction, child);
  }

 private:
  friend ComBase;
  ~AccessibleObject() = default;

  // Whether the object answers for child itself.
  HRESULT Own(const VARIANT& child) const noexcept {
    if (!link_) return CO_E_OBJNOTCONNECTED;
    return IsSelf(child) ? S_OK : E_INVALIDARG;
  }

  // The standard object's answer, as it gives it; the out-parameters were
  // emptied first, so a failure leaves nothing behind.
  template <class Method, class... Args>
  HRESULT Delegate(Method ask, Args... args) noexcept {
    IAccessible* standard = nullptr;
    const HRESULT hr = Standard(&standard);
    return FAILED(hr) ? hr : (standard->*ask)(args...);
  }

  // The standard object's answer, else the label's.
  HRESULT FromStandardOrLabel(HRESULT (STDMETHODCALLTYPE IAccessible::*ask)(VARIANT, BSTR*),
                              std::u16string (*fromLabel)(std::u16string_view), BSTR* out) noexcept {
    IAccessible* standard = nullptr;
    if (SUCCEEDED(Standard(&standard))) {
      VARIANT self;
      V_VT(&self) = VT_I4;
      V_I4(&self) = CHILDID_SELF;
      if ((standard->*ask)(self, out) == S_OK && ::SysStringLen(*out) > 0) return S_OK;
      ::SysFreeString(*out);
      *out = nullptr;
    }
    try {
      const std::wstring caption = link_->LabelCaption();
      return Answer(ToWide(fromLabel(ToU16(caption))), out);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

  // The system's standard object for Text1's EDIT, made at the first
  // question it answers. The alert has nothing of the box but its place.
  HRESULT Standard(IAccessible** out, bool alertToo = false) noexcept {
    if (!link_) return CO_E_OBJNOTCONNECTED;
    if (kind_ == Kind::kAlert && !alertToo) return DISP_E_MEMBERNOTFOUND;
    if (!standard_) {
      const HWND edit = link_->EditHandle();
      if (!edit) return E_FAIL;
      const HRESULT hr = ::CreateStdAccessibleObject(edit, OBJID_CLIENT, IID_IAccessible,
                                                     reinterpret_cast<void**>(standard_.GetAddressOf()));
      if (FAILED(hr) || !standard_) {
        standard_.Reset();
        return FAILED(hr) ? hr : E_FAIL;
      }
    }
    *out = standard_.Get();
    return S_OK;
  }

  ControlAccessibility* link_;
  Kind kind_;
  ComPtr<IAccessible> standard_;
};

// ---- ControlAccessibility --------------------------------------------------

ControlAccessibility::ControlAccessibility(ControlWindow& window, EditTextBox& text1,
                                           velmora::VelmoraControl& control, OleEmbedding& embedding) noexcept
    : window_(window), text1_(text1), control_(control), embedding_(embedding) {}

ControlAccessibility::~ControlAccessibility() { Disconnect(); }

void ControlAccessibility::Disconnect() noexcept {
  for (ComPtr<AccessibleObject>* object : {std::addressof(field_), std::addressof(alert_)}) {
    if (!*object) continue;
    (*object)->Disconnect();
    object->Reset();
  }
}

LRESULT ControlAccessibility::AnswerGetObject(WPARAM flags, LPARAM id) noexcept {
  // The identifier is a 32-bit value, whatever the width of lParam.
  const LONG object = static_cast<LONG>(static_cast<DWORD>(id));
  ComPtr<AccessibleObject>* slot = nullptr;
  auto kind = AccessibleObject::Kind::kField;
  if (object == OBJID_CLIENT) {
    slot = std::addressof(field_);
  } else if (object == OBJID_ALERT && refused_) {
    slot = std::addressof(alert_);
    kind = AccessibleObject::Kind::kAlert;
  }
  if (!slot) return 0;
  if (!*slot) {
    try {
      *slot->ReleaseAndGetAddressOf() = AccessibleObject::New(*this, kind);  // New's reference, taken over
    } catch (...) {
      return 0;  // out of memory: the request goes to the system
    }
  }
  const LRESULT result = ::LresultFromObject(IID_IAccessible, flags, static_cast<IAccessible*>(slot->Get()));
  return result > 0 ? result : 0;  // a failure leaves the request to the system
}

void ControlAccessibility::TextChanged() noexcept {
  try {
    std::u16string value = AccessibleValue(control_);
    if (value == announced_) return;
    announced_ = std::move(value);
  } catch (...) {
    return;  // Text1 gone: nothing to announce
  }
  if (embedding_.InPlaceActive() && window_.hwnd())
    ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window_.hwnd(), OBJID_CLIENT, CHILDID_SELF);
}

void ControlAccessibility::DateRefused() noexcept {
  refused_ = true;
  if (embedding_.InPlaceActive() && window_.hwnd())
    ::NotifyWinEvent(EVENT_SYSTEM_ALERT, window_.hwnd(), OBJID_ALERT, CHILDID_SELF);
}

HWND ControlAccessibility::WindowHandle() const noexcept { return window_.hwnd(); }
HWND ControlAccessibility::EditHandle() const noexcept { return text1_.hwnd(); }

std::wstring ControlAccessibility::DisplayName() noexcept {
  UniqueVariant name;
  if (FAILED(embedding_.GetAmbient(DISPID_AMBIENT_DISPLAYNAME, name.get())) || V_VT(name.get()) != VT_BSTR)
    return {};
  try {
    return std::wstring(V_BSTR(name.get()) ? V_BSTR(name.get()) : L"", ::SysStringLen(V_BSTR(name.get())));
  } catch (...) {
    return {};
  }
}

std::wstring ControlAccessibility::LabelCaption() const noexcept {
  // The nearest visible window before the control in its parent's order; a
  // control alone in a window of the container's (a site window) is looked
  // for before that window. A static text there is the label, as the system
  // finds one for a plain box.
  HWND window = window_.hwnd();
  for (int level = 0; window && level < 2; ++level, window = ::GetParent(window)) {
    if (!(::GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) return {};  // top-level windows are not a form's
    HWND before = ::GetWindow(window, GW_HWNDPREV);
    while (before && !::IsWindowVisible(before)) before = ::GetWindow(before, GW_HWNDPREV);
    if (!before) {
      if (::GetWindow(window, GW_HWNDNEXT)) return {};  // first of several: nothing before it
      continue;
    }
    wchar_t kind[8] = {};
    if (::GetClassNameW(before, kind, 8) == 0 || ::lstrcmpiW(kind, L"Static") != 0) return {};
    wchar_t caption[256] = {};
    ::GetWindowTextW(before, caption, 256);
    try {
      return caption;
    } catch (...) {
      return {};
    }
  }
  return {};
}

std::wstring ControlAccessibility::Value() const { return ToWide(AccessibleValue(control_)); }
std::wstring ControlAccessibility::Description() const { return ToWide(AccessibleDescription(control_)); }

void ControlAccessibility::SetValue(std::wstring_view text) { control_.setText(ToU16(text)); }

}  // namespace velmora::win32
