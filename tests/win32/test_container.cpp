#include "test_container.h"

#include <atomic>
#include <memory>
#include <string>
#include <utility>

#include "com/com_object.h"
#include "com/handles.h"
#include "control/control_object.h"
#include "shared/win32_harness.h"
#include "velmora_h.h"

namespace velmora::testing {

// ---- the container's objects ------------------------------------------------------

// The form's frame: it records the UI-active object for the loop.
class FormFrame final : public HostObject<FormFrame, IOleInPlaceFrame> {
 public:
  explicit FormFrame(TestForm& form) : form_(form) {}
  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    using win32::EntryAs;
    const win32::InterfaceEntry table[] = {EntryAs<FormFrame, IOleInPlaceFrame>(IID_IOleInPlaceFrame),
                                           EntryAs<FormFrame, IOleInPlaceFrame>(IID_IOleWindow),
                                           EntryAs<FormFrame, IOleInPlaceFrame>(IID_IOleInPlaceUIWindow)};
    return win32::QueryInterfaceFromTable(this, table, riid, ppv);
  }
  STDMETHODIMP GetWindow(HWND* out) noexcept override {
    *out = form_.hwnd();
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetBorder(LPRECT) noexcept override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) noexcept override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) noexcept override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) noexcept override {
    form_.active_ = object;
    return S_OK;
  }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) noexcept override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) noexcept override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) noexcept override { return S_FALSE; }

 private:
  TestForm& form_;
};

namespace {

// Takes over a new object's first reference (mingw's ComPtr::Attach adds
// one more, which would keep the object alive for ever).
template <class T>
ComPtr<T> Adopt(T* object) {
  ComPtr<T> owned;
  *owned.ReleaseAndGetAddressOf() = object;
  return owned;
}

// One control's site: client site, in-place site, control site, and the
// ambient properties through IDispatch.
class Site final : public HostObject<Site, IOleClientSite, IOleInPlaceSite, IOleControlSite, IDispatch> {
 public:
  Site(TestForm& form, Placed& placed, IOleInPlaceFrame* frame, RECT rect)
      : form_(form), placed_(placed), frame_(frame), rect_(rect) {}
  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    using win32::Entry;
    const win32::InterfaceEntry table[] = {Entry<Site, IOleClientSite>(), Entry<Site, IOleInPlaceSite>(),
                                           win32::EntryAs<Site, IOleInPlaceSite>(IID_IOleWindow),
                                           Entry<Site, IOleControlSite>(), Entry<Site, IDispatch>()};
    return win32::QueryInterfaceFromTable(this, table, riid, ppv);
  }
  // Logs a site call; S_OK, the answer of most of them.
  HRESULT Note(const char* what) {
    placed_.log.entries.push_back(what);
    return S_OK;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() noexcept override { return Note("SaveObject"); }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) noexcept override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** out) noexcept override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() noexcept override { return Note("ShowObject"); }
  STDMETHODIMP OnShowWindow(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* out) noexcept override {
    Note("GetWindow");
    *out = placed_.host;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() noexcept override { return Note("CanInPlaceActivate"); }
  STDMETHODIMP OnInPlaceActivate() noexcept override { return Note("OnInPlaceActivate"); }
  STDMETHODIMP OnUIActivate() noexcept override {
    Note("OnUIActivate");
    form_.SiteUIActivating(&placed_);
    return S_OK;
  }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) noexcept override {
    Note("GetWindowContext");
    *frame = frame_.Get();
    frame_->AddRef();
    *doc = nullptr;  // the form is frame and document at once
    RECT client{};
    GetClientRect(placed_.host, &client);
    *pos = client;
    *clip = client;
    info->fMDIApp = FALSE;
    info->hwndFrame = form_.hwnd();
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) noexcept override { return Note("OnUIDeactivate"); }
  STDMETHODIMP OnInPlaceDeactivate() noexcept override { return Note("OnInPlaceDeactivate"); }
  STDMETHODIMP DiscardUndoState() noexcept override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() noexcept override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) noexcept override { return S_OK; }

  // IOleControlSite
  STDMETHODIMP OnControlInfoChanged() noexcept override {
    Note("OnControlInfoChanged");
    placed_.controlInfoValid = false;
    return S_OK;
  }
  STDMETHODIMP LockInPlaceActive(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP GetExtendedControl(IDispatch** out) noexcept override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG* msg, DWORD) noexcept override {
    // The form has no accelerators; Tab is the dialog loop's.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) Note("TranslateAccelerator(Tab)");
    return S_FALSE;
  }
  STDMETHODIMP OnFocus(BOOL got) noexcept override {
    Note(got ? "OnFocus(1)" : "OnFocus(0)");
    return S_OK;
  }
  STDMETHODIMP ShowPropertyFrame() noexcept override { return E_NOTIMPL; }

  // IDispatch: the ambient properties.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) noexcept override {
    if (!result) return E_POINTER;
    VariantInit(result);
    const Ambients& a = form_.ambients();
    switch (id) {
      case DISPID_AMBIENT_USERMODE: *result = BoolVariant(a.userMode); return S_OK;
      case DISPID_AMBIENT_BACKCOLOR: *result = I4Variant(static_cast<LONG>(a.back)); return S_OK;
      case DISPID_AMBIENT_FORECOLOR: *result = I4Variant(static_cast<LONG>(a.fore)); return S_OK;
      case DISPID_AMBIENT_FONT:
        if (!a.font) return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_DISPATCH;
        result->pdispVal = a.font.Get();
        result->pdispVal->AddRef();
        return S_OK;
      case DISPID_AMBIENT_DISPLAYNAME:
        if (placed_.displayName.empty()) return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(placed_.displayName.c_str());
        return S_OK;
      case DISPID_AMBIENT_LOCALEID: *result = I4Variant(0x0410); return S_OK;
      case DISPID_AMBIENT_MESSAGEREFLECT: *result = BoolVariant(a.messageReflect); return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  TestForm& form_;
  Placed& placed_;
  ComPtr<IOleInPlaceFrame> frame_;
  RECT rect_;
};

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // The site window of a form that reflects (marked with a property) sends
  // its children's notifications back to them.
  if ((msg == WM_COMMAND || msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC) && lParam &&
      GetPropW(hwnd, L"VelmoraReflects"))
    if (const LRESULT answer = SendMessageW(reinterpret_cast<HWND>(lParam), OCM__BASE + msg, wParam, lParam);
        answer || msg == WM_COMMAND)
      return answer;
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {  // buttons, not the fields' notifications
    if (auto* commands = reinterpret_cast<std::vector<int>*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
      commands->push_back(LOWORD(wParam));
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterClasses() {
  static bool done = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = FormProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"VelmoraTestContainerForm";
    RegisterClassW(&wc);
    wc.lpszClassName = L"VelmoraTestContainerHost";
    RegisterClassW(&wc);
    return true;
  }();
  (void)done;
}

}  // namespace

// ---- control creation and properties -------------------------------------------

// ---- the container's property bag --------------------------------------------

STDMETHODIMP TestBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) noexcept {
  reads.push_back(name);
  if (failKey == name) return E_FAIL;
  Item* item = Find(name);
  if (!item) return absent;  // S_OK: success, the value left VT_EMPTY
  if (item->object) {
    LARGE_INTEGER start{};
    item->object->Seek(start, STREAM_SEEK_SET, nullptr);
    V_VT(value) = VT_DISPATCH;
    return OleLoadFromStream(item->object.Get(), IID_IDispatch, reinterpret_cast<void**>(&V_DISPATCH(value)));
  }
  return VariantCopy(value, item->value.get());
}

STDMETHODIMP TestBag::Write(LPCOLESTR name, VARIANT* value) noexcept {
  writes.push_back(name);
  if (auto hook = std::exchange(onWrite, nullptr)) hook();
  types.push_back(V_VT(value));
  if (V_VT(value) == VT_DISPATCH || V_VT(value) == VT_UNKNOWN) {
    ComPtr<IPersistStream> persist;
    HRESULT hr = V_UNKNOWN(value)->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(persist.GetAddressOf()));
    if (FAILED(hr)) return hr;
    ComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    hr = OleSaveToStream(persist.Get(), stream.Get());
    if (FAILED(hr)) return hr;
    Slot(name).object = stream;
    return S_OK;
  }
  return Set(name, *value);
}

HRESULT TestBag::Set(const std::wstring& name, const VARIANT& value) {
  Item& item = Slot(name);
  item.object.Reset();
  return VariantCopy(item.value.put(), const_cast<VARIANT*>(&value));
}

TestBag::Item* TestBag::Find(const std::wstring& name) {
  for (Item& item : items_)
    if (item.name == name) return &item;
  return nullptr;
}

TestBag::Item& TestBag::Slot(const std::wstring& name) {
  if (Item* item = Find(name)) return *item;
  items_.emplace_back();
  items_.back().name = name;
  return items_.back();
}

HRESULT ClientSink::FindInterface(REFIID riid, void** ppv) noexcept {
  using win32::EntryAs;
  const win32::InterfaceEntry table[] = {
      EntryAs<ClientSink, IDispatch>(IID_IDispatch),
      EntryAs<ClientSink, IPropertyNotifySink>(IID_IPropertyNotifySink),
      EntryAs<ClientSink, IDispatch>(DIID___VelmoraControl),
  };
  return win32::QueryInterfaceFromTable(this, table, answerEventIid_ ? 3 : 2, riid, ppv);
}

STDMETHODIMP ClientSink::GetTypeInfoCount(UINT* count) noexcept {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP ClientSink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                UINT*) noexcept {
  events.push_back(id);
  if (flags != DISPATCH_METHOD || !params || params->cArgs != 0) ++malformedEvents;
  if (onEvent) onEvent(id);
  return failEvents ? E_FAIL : S_OK;
}

STDMETHODIMP ClientSink::OnChanged(DISPID id) noexcept {
  changed.push_back(id);
  return S_OK;
}

int ClientSink::Heard(DISPID id) const {
  int count = 0;
  for (DISPID heard : events) count += heard == id ? 1 : 0;
  return count;
}

DWORD Connect(IUnknown* object, REFIID iid, IUnknown* sink, HRESULT* hr) {
  HRESULT answer = E_POINTER;
  win32::ConnectionAdvise connection = win32::AdviseConnection(object, iid, sink, &answer);
  if (hr) *hr = answer;
  // The cookie goes to the caller, who disconnects when it chooses.
  return connection.release();
}

HRESULT Disconnect(IUnknown* object, REFIID iid, DWORD cookie) {
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  HRESULT hr = object->QueryInterface(IID_PPV_ARGS(&container));
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(iid, &point);
  return SUCCEEDED(hr) ? point->Unadvise(cookie) : hr;
}

// VT_EMPTY, then the type and the value.
VARIANT I2Variant(short value) { VARIANT v{}; V_VT(&v) = VT_I2; V_I2(&v) = value; return v; }
VARIANT I4Variant(LONG value) { VARIANT v{}; V_VT(&v) = VT_I4; V_I4(&v) = value; return v; }
VARIANT R8Variant(double value) { VARIANT v{}; V_VT(&v) = VT_R8; V_R8(&v) = value; return v; }
VARIANT BoolVariant(bool value) { VARIANT v{}; V_VT(&v) = VT_BOOL; V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE; return v; }
VARIANT NullVariant() { VARIANT v{}; V_VT(&v) = VT_NULL; return v; }

HRESULT InvokePut(IDispatch* dispatch, DISPID id, VARIANT value, WORD how, EXCEPINFO* error, UINT* argError,
                  bool named) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, named ? &put : nullptr, 1, named ? 1u : 0u};
  return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, how, &params, nullptr, error, argError);
}

HRESULT InvokeGet(IDispatch* dispatch, DISPID id, VARIANT* value, EXCEPINFO* error) {
  DISPPARAMS none{};
  return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, error, nullptr);
}

ComPtr<IUnknown> CreateTestControl() {
  ComPtr<IUnknown> object;
  if (FAILED(CreateVelmoraControl(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()))))
    object.Reset();
  return object;
}

namespace {
BOOL CALLBACK CountOne(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}
BOOL CALLBACK CountWithChildren(HWND hwnd, LPARAM count) {
  CountOne(hwnd, count);
  EnumChildWindows(hwnd, &CountOne, count);
  return TRUE;
}
}  // namespace

int ThreadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountWithChildren, reinterpret_cast<LPARAM>(&count));
  return count;
}

ComPtr<IFontDisp> NewFont(double points, bool bold) {
  FONTDESC desc{sizeof(FONTDESC), const_cast<LPOLESTR>(L"DejaVu Sans"), {}, static_cast<SHORT>(bold ? FW_BOLD : FW_NORMAL),
                DEFAULT_CHARSET, FALSE, FALSE, FALSE};
  desc.cySize.int64 = static_cast<LONGLONG>(points * 10000);
  ComPtr<IFontDisp> font;
  OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(font.GetAddressOf()));
  return font;
}

HRESULT PutProperty(IUnknown* control, DISPID id, const VARIANT& value) {
  const ComPtr<IDispatch> dispatch = As<IDispatch>(control);
  return dispatch ? InvokePut(dispatch.Get(), id, value) : E_NOINTERFACE;
}

HRESULT GetProperty(IUnknown* control, DISPID id, VARIANT* value) {
  const ComPtr<IDispatch> dispatch = As<IDispatch>(control);
  return dispatch ? InvokeGet(dispatch.Get(), id, value) : E_NOINTERFACE;
}

HRESULT PutInt(IUnknown* control, DISPID id, long value) { return PutProperty(control, id, I4Variant(value)); }

HRESULT PutBool(IUnknown* control, DISPID id, bool value) { return PutProperty(control, id, BoolVariant(value)); }

HRESULT PutText(IUnknown* control, const std::wstring& text) {
  const win32::UniqueBstr value = win32::UniqueBstr::FromWide(text);
  VARIANT v{};
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = value.get();
  return PutProperty(control, kDispText, v);
}

long GetInt(IUnknown* control, DISPID id) {
  VARIANT v;
  VariantInit(&v);
  long out = 0;
  if (SUCCEEDED(GetProperty(control, id, &v)) && SUCCEEDED(VariantChangeType(&v, &v, 0, VT_I4))) out = v.lVal;
  VariantClear(&v);
  return out;
}

std::vector<std::string> Log::Events() const {
  std::vector<std::string> events;
  for (const std::string& entry : entries)
    if (entry == "Change" || entry == "DataNonValida") events.push_back(entry);
  return events;
}

// ---- Placed --------------------------------------------------------------------------

HWND Placed::ControlWindow() const {
  ComPtr<IOleWindow> window;
  HWND hwnd = nullptr;
  if (object && SUCCEEDED(object->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(window.GetAddressOf()))))
    window->GetWindow(&hwnd);
  return hwnd;
}

HWND Placed::Edit() const {
  HWND window = ControlWindow();
  HWND child = window ? ::GetWindow(window, GW_CHILD) : nullptr;
  return child ? child : window;
}

std::wstring Placed::Text() const {
  HWND edit = Edit();
  if (!edit) return L"";
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
  return text;
}

int Placed::Caret() const {
  DWORD start = 0, end = 0;
  SendMessageW(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

// ---- TestForm ---------------------------------------------------------------------------

TestForm::TestForm(Loop loop) : loop_(loop) {
  RegisterClasses();
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, L"VelmoraTestContainerForm", L"form",
                          WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 240, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&commands));
  frame_ = Adopt<IOleInPlaceFrame>(FormFrame::New(*this));
  SetForegroundWindow(hwnd_);
}

TestForm::~TestForm() {
  while (!controls_.empty()) RemoveControl(controls_.back().get());
  active_.Reset();
  frame_.Reset();
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

HWND TestForm::AddField(int x, int y) {
  HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, x,
                              y, 90, 24, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowPos(edit, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return edit;
}

HWND TestForm::AddButton(int id, const wchar_t* text, bool isDefault, int x, int y) {
  HWND button = CreateWindowExW(0, L"BUTTON", text,
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), x,
                                y, 80, 24, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
  SetWindowPos(button, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return button;
}

bool TestForm::ReadControlInfo(Placed& placed) {
  ComPtr<IOleControl> control = As<IOleControl>(placed.object.Get());
  if (!control) return false;
  CONTROLINFO info{};
  info.cb = sizeof(info);
  if (FAILED(control->GetControlInfo(&info))) return false;
  placed.controlInfo = info;
  placed.controlInfoValid = true;
  ++placed.controlInfoReads;
  return true;
}

bool TestForm::FormTakesKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE)) return false;
  Placed* focused = nullptr;
  for (const auto& placed : controls_)
    if (IsChild(placed->host, GetFocus())) focused = placed.get();
  if (!focused) return false;
  if (!focused->controlInfoValid && !ReadControlInfo(*focused)) return false;
  const bool enter = msg.wParam == VK_RETURN;
  if (focused->controlInfo.dwFlags & (enter ? CTRLINFO_EATS_RETURN : CTRLINFO_EATS_ESCAPE)) return false;
  const int id = enter ? IDOK : IDCANCEL;
  SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, id)));
  return true;
}

Placed* TestForm::AddControl(ComPtr<IUnknown> object, RECT rect, bool quickActivate,
                             const std::function<HRESULT(IUnknown*)>& start) {
  failure_.clear();
  if (!object) {
    failure_ = "no object";
    return nullptr;
  }
  auto placed = std::make_unique<Placed>();
  placed->object = object;
  placed->host = CreateWindowExW(WS_EX_CONTROLPARENT, L"VelmoraTestContainerHost", L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, hwnd_, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  SetWindowPos(placed->host, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (ambients_.messageReflect) SetPropW(placed->host, L"VelmoraReflects", reinterpret_cast<HANDLE>(1));
  auto* site = Site::New(*this, *placed, frame_.Get(), rect);
  placed->site = Adopt<IUnknown>(static_cast<IOleClientSite*>(site));
  auto fail = [&](const char* step, HRESULT hr) -> Placed* {
    char text[96];
    snprintf(text, sizeof(text), "%s failed: 0x%08lx", step, static_cast<unsigned long>(hr));
    failure_ = text;
    controls_.push_back(std::move(placed));
    RemoveControl(controls_.back().get());
    return nullptr;
  };

  ComPtr<IOleObject> ole = As<IOleObject>(object.Get());
  if (!ole) return fail("QueryInterface(IOleObject)", E_NOINTERFACE);
  HRESULT hr;
  // The form's own sink writes the events into the control's log by name.
  ClientSink* events = ClientSink::New();
  events->onEvent = [&log = placed->log](DISPID id) {
    log.entries.push_back(id == 1 ? "DataNonValida" : id == 2 ? "Change" : "Event" + std::to_string(id));
  };
  ComPtr<IDispatch> sink = Adopt<IDispatch>(events);
  if (ComPtr<IQuickActivate> quick = quickActivate ? As<IQuickActivate>(object.Get()) : nullptr) {
    QACONTAINER container{};
    container.cbSize = sizeof(container);
    container.pClientSite = static_cast<IOleClientSite*>(site);
    container.pUnkEventSink = sink.Get();
    container.dwAmbientFlags = ambients_.userMode ? QACONTAINER_USERMODE : 0;
    container.colorFore = ambients_.fore;
    container.colorBack = ambients_.back;
    QACONTROL control{};
    control.cbSize = sizeof(control);
    hr = quick->QuickActivate(&container, &control);
    if (FAILED(hr)) return fail("QuickActivate", hr);
    placed->eventCookie = control.dwEventCookie;
  } else {
    hr = ole->SetClientSite(static_cast<IOleClientSite*>(site));
    if (FAILED(hr)) return fail("SetClientSite", hr);
  }
  if (placed->eventCookie == 0) {
    ComPtr<IConnectionPointContainer> points = As<IConnectionPointContainer>(object.Get());
    if (points && SUCCEEDED(points->FindConnectionPoint(DIID___VelmoraControl, placed->eventPoint.GetAddressOf())))
      placed->eventPoint->Advise(sink.Get(), &placed->eventCookie);
  }
  if (loop_ == Loop::kFormEngine) ReadControlInfo(*placed);
  if (start) {
    hr = start(object.Get());
    if (FAILED(hr)) return fail("Load", hr);
  } else if (ComPtr<IPersistStreamInit> persist = As<IPersistStreamInit>(object.Get())) {
    hr = persist->InitNew();
    if (FAILED(hr)) return fail("InitNew", hr);
  }
  HDC screen = GetDC(nullptr);
  SIZEL extent{MulDiv(rect.right - rect.left, 2540, GetDeviceCaps(screen, LOGPIXELSX)),
               MulDiv(rect.bottom - rect.top, 2540, GetDeviceCaps(screen, LOGPIXELSY))};
  ReleaseDC(nullptr, screen);
  hr = ole->SetExtent(DVASPECT_CONTENT, &extent);
  if (FAILED(hr)) return fail("SetExtent", hr);
  RECT client{0, 0, rect.right - rect.left, rect.bottom - rect.top};
  hr = ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site), 0, placed->host, &client);
  if (FAILED(hr)) return fail("DoVerb(OLEIVERB_INPLACEACTIVATE)", hr);
  controls_.push_back(std::move(placed));
  return controls_.back().get();
}

void TestForm::RemoveControl(Placed* placed) {
  for (auto it = controls_.begin(); it != controls_.end(); ++it) {
    if (it->get() != placed) continue;
    std::unique_ptr<Placed> gone = std::move(*it);
    controls_.erase(it);
    if (uiActive_ == gone.get()) {
      uiActive_ = nullptr;
      active_.Reset();
    }
    ComPtr<IOleObject> ole = As<IOleObject>(gone->object.Get());
    if (ole) {
      ole->Close(OLECLOSE_NOSAVE);
      ole->SetClientSite(nullptr);
    }
    if (!gone->eventPoint && gone->eventCookie) {
      // Connected through quick activation: the cookie is the connection
      // point's all the same.
      if (auto points = As<IConnectionPointContainer>(gone->object.Get()))
        points->FindConnectionPoint(DIID___VelmoraControl, gone->eventPoint.GetAddressOf());
    }
    if (gone->eventPoint) gone->eventPoint->Unadvise(gone->eventCookie);
    gone->eventPoint.Reset();
    ole.Reset();
    gone->object.Reset();
    gone->site.Reset();
    if (gone->host) DestroyWindow(gone->host);
    return;
  }
}

void TestForm::AmbientChanged(DISPID id) {
  for (const auto& placed : controls_) {
    if (auto control = As<IOleControl>(placed->object.Get())) control->OnAmbientPropertyChange(id);
  }
}

IOleInPlaceActiveObject* TestForm::ActiveObject() const { return active_.Get(); }

void TestForm::SiteUIActivating(Placed* placed) {
  if (uiActive_ && uiActive_ != placed) {
    if (auto previous = As<IOleInPlaceObject>(uiActive_->object.Get())) previous->UIDeactivate();
  }
  uiActive_ = placed;
}

void TestForm::Pump(DWORD quietMs) {
  PumpWith(
      [this](MSG& msg) {
        const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
        if (loop_ == Loop::kTranslateMessageFirst) {
          TranslateMessage(&msg);
          ComPtr<IOleInPlaceActiveObject> active = active_;
          if (active && key) {
            ++translateCalls;
            if (active->TranslateAccelerator(&msg) == S_OK) return;
          }
          DispatchMessageW(&msg);
          return;
        }
        if (loop_ == Loop::kFormEngine && FormTakesKey(msg)) return;
        if ((loop_ == Loop::kTranslateAccelerator || loop_ == Loop::kFormEngine) && active_ && key) {
          ++translateCalls;
          ComPtr<IOleInPlaceActiveObject> active = active_;
          if (active->TranslateAccelerator(&msg) == S_OK) return;
        }
        if (IsDialogMessageW(hwnd_, &msg)) return;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      },
      quietMs);
}

void TestForm::Type(const std::wstring& keys, bool shift) {
  for (wchar_t ch : keys) {
    Send(CharStroke(ch, shift ? 1 : 0));
    Pump();
  }
}

void TestForm::Focus(HWND window) {
  SetForegroundWindow(hwnd_);
  SetActiveWindow(hwnd_);
  SetFocus(window);
  Pump();
}

}  // namespace velmora::testing
