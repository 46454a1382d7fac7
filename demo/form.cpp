#include "form.h"

#include <olectl.h>

#include "form_bag.h"

namespace velmora::demo {

namespace {

// `use` given a new bag over section, released after it.
template <class Use>
HRESULT WithBag(FormSection& section, Use&& use) {
  IPropertyBag* bag = NewFormPropertyBag(section);
  const HRESULT hr = use(bag);
  bag->Release();
  return hr;
}

// A load or save that failed: `error`, when asked for, says what and with
// which HRESULT.
HRESULT Refused(HRESULT hr, std::string* error, const std::string& what) {
  if (error) *error = what + " (" + HresultText(hr) + ")";
  return hr;
}

constexpr wchar_t kFormClass[] = L"VelmoraDemoForm";
// The form's font, which the controls also get as their ambient font: a
// face that looks the same under wine and on Windows.
constexpr wchar_t kFontFace[] = L"DejaVu Sans";
constexpr int kFontPoints = 10;

// Layout at 96 dots per inch: caption column, field column, rows. The form
// scales them to the screen's resolution, as it scales its font, so that
// captions and fields keep their proportions at 120, 144 or 192 DPI.
constexpr int kMargin96 = 12, kCaptionWidth96 = 190, kFieldWidth96 = 170, kRowHeight96 = 26, kRowStep96 = 36,
              kCaptionDrop96 = 4;

int ScaleX(int pixels96) { return MulDiv(pixels96, ScreenDpi(true), 96); }
int ScaleY(int pixels96) { return MulDiv(pixels96, ScreenDpi(false), 96); }

struct Metrics {
  int margin, captionWidth, fieldWidth, rowHeight, rowStep, captionDrop, top;
};

Metrics Layout() {
  return {ScaleX(kMargin96), ScaleX(kCaptionWidth96), ScaleX(kFieldWidth96), ScaleY(kRowHeight96),
          ScaleY(kRowStep96), ScaleY(kCaptionDrop96), ScaleY(kMargin96)};
}

// The client area that holds rows down to `rowsBottom`.
RECT ClientFor(int rowsBottom) {
  const Metrics m = Layout();
  return {0, 0, m.margin * 3 + m.captionWidth + m.fieldWidth, rowsBottom + m.top};
}

ATOM RegisterFormClass(HINSTANCE instance, WNDPROC proc) {
  static ATOM atom = 0;
  if (atom) return atom;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  atom = RegisterClassExW(&wc);
  return atom;
}

HMENU BuildMenu() {
  HMENU form = CreatePopupMenu();
  AppendMenuW(form, MF_STRING, kCommandSave, L"&Salva\tCtrl+S");
  AppendMenuW(form, MF_STRING, kCommandProperties, L"&Propriet\u00E0 del campo...\tF4");
  AppendMenuW(form, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(form, MF_STRING, kCommandExit, L"&Esci");
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(form), L"&Modulo");
  return bar;
}

}  // namespace

std::unique_ptr<Form> Form::Create(const std::wstring& title, bool withMenu) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterFormClass(instance, &Form::WindowProc)) return nullptr;
  std::unique_ptr<Form> form(new Form());
  form->font_ = CreateFontW(-MulDiv(kFontPoints, ScreenDpi(false), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, kFontFace);
  ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'S', kCommandSave}, {FVIRTKEY, VK_F4, kCommandProperties}};
  if (withMenu) form->accelerators_ = CreateAcceleratorTableW(keys, 2);
  const Metrics m = Layout();
  form->nextTop_ = m.top;
  RECT frame = ClientFor(7 * m.rowStep);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  AdjustWindowRectEx(&frame, style, withMenu, WS_EX_CONTROLPARENT);
  form->hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, title.c_str(), style, 40, 40,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                withMenu ? BuildMenu() : nullptr, instance, form.get());
  if (!form->hwnd_) return nullptr;
  // Taken over as made (mingw-w64's ComPtr::Attach would add a reference).
  *form->frame_.GetAddressOf() = NewFormFrame(form->hwnd_, form->accelerators_);
  return form;
}

Form::~Form() {
  Clear();
  frame_.Reset();
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  if (font_) DeleteObject(font_);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && self->reflects_ && lParam != 0 &&
      (msg == WM_COMMAND || msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC)) {
    // A child's notification goes back to the child; a child that does not
    // colour itself answers 0 and gets the defaults.
    if (const LRESULT answer = SendMessageW(reinterpret_cast<HWND>(lParam), OCM__BASE + msg, wParam, lParam))
      return answer;
    if (msg == WM_COMMAND) return 0;
  }
  switch (msg) {
    case WM_COMMAND:
      // IDOK and IDCANCEL come from dialog navigation (Enter and Escape in
      // a plain field): the form has no default or cancel button.
      if (self && self->onCommand_ && lParam == 0 && LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)
        self->onCommand_(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      if (self && self->onCommand_) self->onCommand_(kCommandExit);
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

RECT Form::NextRow(int& top) {
  const Metrics m = Layout();
  RECT r = {m.margin * 2 + m.captionWidth, top, m.margin * 2 + m.captionWidth + m.fieldWidth, top + m.rowHeight};
  top += m.rowStep;
  return r;
}

HWND Form::AddLabel(const RECT& row) {
  if (pendingCaption_.empty()) return nullptr;
  const Metrics m = Layout();
  HWND label = CreateWindowExW(0, L"STATIC", pendingCaption_.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, m.margin,
                               row.top + m.captionDrop, m.captionWidth, m.rowHeight - m.captionDrop, hwnd_, nullptr,
                               nullptr, nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  pendingCaption_.clear();
  return label;
}

std::vector<std::string> Form::Misfits() {
  std::vector<std::string> misfits;
  RECT client;
  GetClientRect(hwnd_, &client);
  for (auto& field : fields_) {
    if (field.label) {
      wchar_t caption[256] = {};
      const int length = GetWindowTextW(field.label, caption, 256);
      RECT room, needed{0, 0, 0, 0};
      GetClientRect(field.label, &room);
      HDC dc = GetDC(field.label);
      HGDIOBJ old = SelectObject(dc, font_);
      DrawTextW(dc, caption, length, &needed, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
      SelectObject(dc, old);
      ReleaseDC(field.label, dc);
      if (needed.right > room.right || needed.bottom > room.bottom)
        misfits.push_back(field.name + ": the caption needs " + std::to_string(needed.right) + " x " +
                          std::to_string(needed.bottom) + " pixels, its label has " + std::to_string(room.right) +
                          " x " + std::to_string(room.bottom));
    }
    HWND box = field.edit ? field.edit : field.control ? field.control->window() : nullptr;
    if (!box) continue;
    RECT r;
    GetWindowRect(box, &r);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom)
      misfits.push_back(field.name + ": the field reaches past the form");
    if (field.label) {
      RECT label;
      GetWindowRect(field.label, &label);
      MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&label), 2);
      if (label.right > r.left) misfits.push_back(field.name + ": the caption runs into the field");
    }
  }
  return misfits;
}

void Form::AddCaption(const std::wstring& caption) { pendingCaption_ = caption; }

HRESULT Form::CreateControl(REFCLSID clsid, IOleObject** object) {
  if (!factory_ || !IsEqualCLSID(clsid, factoryClass_)) {
    factory_.Reset();
    HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(factory_.GetAddressOf()));
    if (FAILED(hr)) return hr;
    factoryClass_ = clsid;
  }
  return factory_->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(object));
}

HRESULT Form::AddControl(const std::string& name, REFCLSID clsid, IPropertyBag* bag, const RECT* at,
                         const char** failedStep) {
  int top = nextTop_;
  const RECT rect = at ? *at : NextRow(top);
  Field field;
  field.name = name;
  field.label = AddLabel(rect);
  HRESULT hr = ControlSite::Create(*this, name, clsid, bag, rect, &field.control, failedStep);
  if (FAILED(hr)) {
    if (field.label) DestroyWindow(field.label);
    return hr;
  }
  // Tab order is window order: a control's window joins the form at the
  // top, so it goes after the fields placed before it.
  if (HWND window = field.control->window())
    SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!at) nextTop_ = top;
  fields_.push_back(std::move(field));
  return S_OK;
}

HWND Form::AddPlainEdit(const std::string& name, const RECT* at) {
  int top = nextTop_;
  const RECT rect = at ? *at : NextRow(top);
  Field field;
  field.name = name;
  field.label = AddLabel(rect);
  field.edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                               rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, hwnd_, nullptr,
                               nullptr, nullptr);
  SendMessageW(field.edit, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (!at) nextTop_ = top;
  HWND edit = field.edit;
  fields_.push_back(std::move(field));
  return edit;
}

void Form::Clear() {
  uiActive_ = nullptr;
  for (auto& field : fields_) {
    if (field.control) field.control->Close();
  }
  for (auto& field : fields_) {
    field.control.reset();
    if (field.edit) DestroyWindow(field.edit);
    if (field.label) DestroyWindow(field.label);
  }
  fields_.clear();
  nextTop_ = Layout().top;
}

HRESULT Form::Load(FormFile& file, std::string* error) {
  for (FormSection& section : file.sections) {
    const std::string* cls = section.Find("Class");
    const std::string* caption = section.Find("Caption");
    if (caption) AddCaption(Widen(ParseValue(*caption).text));
    const std::string kind = cls ? ParseValue(*cls).text : std::string();
    if (EqualNoCase(kind, "Edit")) {
      HWND edit = AddPlainEdit(section.name);
      if (const std::string* text = section.Find("Text")) SetWindowTextW(edit, Widen(ParseValue(*text).text).c_str());
      continue;
    }
    CLSID clsid{};
    HRESULT hr = kind.empty() ? E_INVALIDARG : CLSIDFromProgID(Widen(kind).c_str(), &clsid);
    if (FAILED(hr)) {
      if (error)
        *error = "[" + section.name + "]: class \"" + kind + "\" is not registered (run regsvr32 on the control)";
      return hr;
    }
    const char* step = nullptr;
    hr = WithBag(section, [&](IPropertyBag* bag) { return AddControl(section.name, clsid, bag, nullptr, &step); });
    if (FAILED(hr))
      return Refused(hr, error, "[" + section.name + "]: placing the control failed at " + (step ? step : "?"));
  }
  // The window fits the fields it holds.
  const Metrics m = Layout();
  RECT client = ClientFor(nextTop_ - (m.rowStep - m.rowHeight));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  AdjustWindowRectEx(&client, style, GetMenu(hwnd_) != nullptr, WS_EX_CONTROLPARENT);
  SetWindowPos(hwnd_, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return S_OK;
}

HRESULT Form::Save(FormFile& file, std::string* error) {
  for (auto& field : fields_) {
    FormSection* section = file.Find(field.name);
    if (!section) {
      file.sections.push_back(FormSection{field.name, {}});
      section = &file.sections.back();
    }
    if (field.edit) {
      const int n = GetWindowTextLengthW(field.edit);
      std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
      GetWindowTextW(field.edit, text.data(), n + 1);
      text.resize(static_cast<std::size_t>(n));
      section->Set("Text", FormatValue(FormValue::Text(Narrow(text))));
      continue;
    }
    const HRESULT hr = WithBag(*section, [&](IPropertyBag* bag) { return field.control->Save(bag); });
    if (FAILED(hr)) return Refused(hr, error, "[" + field.name + "]: the control refused to save its properties");
  }
  return S_OK;
}

Form::Field* Form::FocusedField() {
  HWND focus = GetFocus();
  if (!focus) return nullptr;
  for (auto& field : fields_) {
    HWND w = field.edit ? field.edit : field.control ? field.control->window() : nullptr;
    if (w && (w == focus || IsChild(w, focus))) return &field;
  }
  return nullptr;
}

void Form::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
}

bool Form::PreTranslate(MSG& msg) { return PreTranslateFormMessage(hwnd_, frame_.Get(), accelerators_, msg); }

HRESULT Form::AmbientFont(IFontDisp** font) {
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.lpstrName = const_cast<LPOLESTR>(kFontFace);
  desc.cySize.int64 = kFontPoints * 10000;
  desc.sWeight = FW_NORMAL;
  desc.sCharset = DEFAULT_CHARSET;
  return OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(font));
}

// One UI-active control at a time: the one that takes the focus replaces
// the one that had it.
void Form::UIActivating(ControlSite* site) {
  if (uiActive_ && uiActive_ != site) {
    ControlSite* previous = uiActive_;
    uiActive_ = nullptr;
    previous->UIDeactivate();
  }
  uiActive_ = site;
}

void Form::UIDeactivated(ControlSite* site) {
  if (uiActive_ == site) uiActive_ = nullptr;
}

void Form::EventFired(const std::string& field, const std::string& event) { events_.emplace_back(field, event); }

}  // namespace velmora::demo
