#include "page_windows.h"

#include <algorithm>
#include <numeric>

#include "errors.h"

namespace velmora::win32 {

namespace {

// Child window identifiers: the control's row in the form description plus
// this base.
constexpr int kFirstControlId = 100;

// The window class lives only while a page window does: the library may be
// unloaded and loaded again at another address between two pages, and a
// class left registered would point into the old image.
int g_pageWindows = 0;

PageControl ControlOf(PageOption array) {
  return array == PageOption::Option1 ? PageControl::Option1 : PageControl::Option2;
}

PageControl ControlOf(PageCheck box) {
  switch (box) {
    case PageCheck::chkInvio: return PageControl::chkInvio;
    case PageCheck::chkDateValue: return PageControl::chkDateValue;
    case PageCheck::chkVirgola: return PageControl::chkVirgola;
  }
  return PageControl::chkInvio;
}

PageControl ControlOf(PageText box) {
  return box == PageText::Text1 ? PageControl::Text1 : PageControl::txtMaxLength;
}

PageCheck CheckOf(PageControl control) {
  switch (control) {
    case PageControl::chkDateValue: return PageCheck::chkDateValue;
    case PageControl::chkVirgola: return PageCheck::chkVirgola;
    default: return PageCheck::chkInvio;
  }
}

std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string WindowText(HWND hwnd) {
  int length = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
  return std::u16string(text.begin(), text.begin() + std::max(got, 0));
}

void SetWindowTextOrThrow(HWND hwnd, std::u16string_view text) {
  if (!::SetWindowTextW(hwnd, ToWide(text).c_str())) {
    throw VelmoraError(ErrorNumber::ServiceFailed, "the page could not set the text of one of its controls");
  }
}

struct WindowKind {
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
};

// Every control that is not an option button starts a group of its own, so
// the arrow keys move only within an option array; the array's first button
// in tab order starts the array's group.
WindowKind KindOf(const PageLayoutControl& row, bool firstOfArray) {
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  switch (row.kind) {
    case ControlKind::CheckBox:
      return {L"BUTTON", kChild | WS_TABSTOP | WS_GROUP | BS_3STATE, 0};
    case ControlKind::TextBox:
      return {L"EDIT", kChild | WS_TABSTOP | WS_GROUP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::Frame:
      return {L"BUTTON", kChild | WS_GROUP | BS_GROUPBOX, 0};
    case ControlKind::OptionButton:
      return {L"BUTTON", kChild | WS_TABSTOP | BS_RADIOBUTTON | (firstOfArray ? WS_GROUP : 0), 0};
    case ControlKind::Label:
      return {L"STATIC", kChild | WS_GROUP | SS_LEFT, 0};
  }
  return {L"STATIC", kChild, 0};
}

bool FirstOfArray(const PageLayoutControl& row) {
  if (row.kind != ControlKind::OptionButton) return false;
  for (const auto& other : GeneraleLayout().controls) {
    if (other.id.name == row.id.name && other.tabIndex < row.tabIndex) return false;
  }
  return true;
}

}  // namespace

int TwipsToPixels(std::int32_t twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }

SIZE PageSizeInPixels() {
  ScreenDpi dpi = CurrentScreenDpi();
  const PageLayout& layout = GeneraleLayout();
  return {TwipsToPixels(layout.clientWidth, dpi.x), TwipsToPixels(layout.clientHeight, dpi.y)};
}

PageWindows::PageWindows(HWND parent, const RECT& rect) {
  if (g_pageWindows == 0) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &PageWindows::WindowProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPageWindowClass;
    if (::RegisterClassExW(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      throw HresultError(HRESULT_FROM_WIN32(::GetLastError()));
    }
  }
  ++g_pageWindows;
  try {
    // WS_EX_CONTROLPARENT lets the host's dialog loop tab into the page.
    HWND page = ::CreateWindowExW(WS_EX_CONTROLPARENT, kPageWindowClass, L"Generale", WS_CHILD | WS_CLIPSIBLINGS,
                                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                  nullptr, ModuleInstance(), this);
    if (page == nullptr) throw HresultError(HRESULT_FROM_WIN32(::GetLastError()));
    page_.reset(page);

    // The page takes the host's font when the host has one.
    auto font = reinterpret_cast<HFONT>(::SendMessageW(parent, WM_GETFONT, 0, 0));
    if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));

    const PageLayout& layout = GeneraleLayout();
    const ScreenDpi dpi = CurrentScreenDpi();
    children_.reserve(layout.controls.size());
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
      const PageLayoutControl& row = layout.controls[i];
      // Positions inside a frame are relative to the frame; the page
      // window is the parent of both, so the frame's offset is added.
      std::int32_t left = row.left, top = row.top;
      if (row.container) {
        const PageLayoutControl& frame = FindLayoutControl(*row.container);
        left += frame.left;
        top += frame.top;
      }
      const int x = TwipsToPixels(left, dpi.x), y = TwipsToPixels(top, dpi.y);
      const int width = TwipsToPixels(left + row.width, dpi.x) - x;
      const int height = TwipsToPixels(top + row.height, dpi.y) - y;
      const WindowKind kind = KindOf(row, FirstOfArray(row));
      HWND child = ::CreateWindowExW(kind.exStyle, kind.windowClass, ToWide(row.caption).c_str(), kind.style, x, y,
                                     width, height, page, reinterpret_cast<HMENU>(kFirstControlId + i),
                                     ModuleInstance(), nullptr);
      if (child == nullptr) throw HresultError(HRESULT_FROM_WIN32(::GetLastError()));
      ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      children_.push_back({&row, child, true});
    }

    // The z-order is the tab order: lowest TabIndex on top.
    std::vector<std::size_t> order(children_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return children_[a].row->tabIndex < children_[b].row->tabIndex;
    });
    for (std::size_t i : order) {
      ::SetWindowPos(children_[i].hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  } catch (...) {
    if (page_) ::SetWindowLongPtrW(page_.get(), GWLP_USERDATA, 0);
    page_.reset();
    if (--g_pageWindows == 0) ::UnregisterClassW(kPageWindowClass, ModuleInstance());
    throw;
  }
}

PageWindows::~PageWindows() {
  events_ = nullptr;
  if (page_) ::SetWindowLongPtrW(page_.get(), GWLP_USERDATA, 0);
  page_.reset();
  if (--g_pageWindows == 0) ::UnregisterClassW(kPageWindowClass, ModuleInstance());
}

LRESULT CALLBACK PageWindows::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<PageWindows*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (self != nullptr && lparam != 0) {
        self->OnCommand(reinterpret_cast<HWND>(lparam), HIWORD(wparam));
        return 0;
      }
      break;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

void PageWindows::OnCommand(HWND control, WORD code) noexcept {
  auto child = std::find_if(children_.begin(), children_.end(), [&](const Child& c) { return c.hwnd == control; });
  if (child == children_.end()) return;
  const ControlId id = child->row->id;
  try {
    switch (child->row->kind) {
      case ControlKind::OptionButton:
        // A plain radio button reports the second click of a double click
        // as BN_DOUBLECLICKED: it is a click all the same.
        if (code == BN_CLICKED || code == BN_DOUBLECLICKED) {
          setOptionValue(id.name == PageControl::Option1 ? PageOption::Option1 : PageOption::Option2, id.index, true);
        }
        break;
      case ControlKind::CheckBox:
        // A click checks an unchecked or grayed box and clears a checked one.
        if (code == BN_CLICKED) {
          const PageCheck box = CheckOf(id.name);
          setCheckValue(box, CheckValue(box) == kChecked ? kUnchecked : kChecked);
        }
        break;
      case ControlKind::TextBox:
        // Text1 has no handler: typing a number there does not by itself
        // mark the page changed.
        if (code == EN_CHANGE && !settingText_ && id.name == PageControl::txtMaxLength && events_ != nullptr) {
          events_->txtMaxLength_Change();
        }
        break;
      default:
        break;
    }
  } catch (...) {
    // A click has no caller to hand a failure to: the window procedure is
    // the end of the line, and no exception may cross it.
  }
}

PageWindows::Child& PageWindows::Find(ControlId id) {
  return const_cast<Child&>(static_cast<const PageWindows*>(this)->Find(id));
}

const PageWindows::Child& PageWindows::Find(ControlId id) const {
  for (const Child& child : children_) {
    if (child.row->id == id) return child;
  }
  FindLayoutControl(id);  // throws, naming the control
  throw VelmoraError(ErrorNumber::ServiceFailed, "the page has no window for a control");
}

HWND PageWindows::Window(ControlId id) const { return Find(id).hwnd; }

bool PageWindows::ContainerVisible(const Child& child) const {
  return !child.row->container || Find(ControlId(*child.row->container)).visible;
}

void PageWindows::RaiseClick(ControlId id) {
  if (events_ == nullptr) return;
  switch (id.name) {
    case PageControl::Option1: events_->Option1_Click(id.index); break;
    case PageControl::Option2: events_->Option2_Click(id.index); break;
    case PageControl::chkInvio: events_->chkInvio_Click(); break;
    case PageControl::chkVirgola: events_->chkVirgola_Click(); break;
    case PageControl::chkDateValue: events_->chkDateValue_Click(); break;
    default: break;
  }
}

bool PageWindows::OptionValue(PageOption array, std::int16_t index) const {
  return ::SendMessageW(Find({ControlOf(array), index}).hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void PageWindows::setOptionValue(PageOption array, std::int16_t index, bool value) {
  const ControlId id{ControlOf(array), index};
  HWND target = Find(id).hwnd;
  const bool wasSelected = ::SendMessageW(target, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (!value) {
    ::SendMessageW(target, BM_SETCHECK, BST_UNCHECKED, 0);
    return;
  }
  for (const Child& child : children_) {
    if (child.row->id.name == id.name && child.hwnd != target) {
      ::SendMessageW(child.hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  ::SendMessageW(target, BM_SETCHECK, BST_CHECKED, 0);
  if (!wasSelected) RaiseClick(id);
}

std::int16_t PageWindows::CheckValue(PageCheck box) const {
  // BST_UNCHECKED, BST_CHECKED and BST_INDETERMINATE are 0, 1 and 2: the
  // check box values themselves.
  return static_cast<std::int16_t>(::SendMessageW(Find(ControlOf(box)).hwnd, BM_GETCHECK, 0, 0));
}

void PageWindows::setCheckValue(PageCheck box, std::int16_t value) {
  if (value != kUnchecked && value != kChecked && value != kGrayed) {
    ThrowInvalidPropertyValue("a check box value is 0, 1 or 2");
  }
  const ControlId id = ControlOf(box);
  HWND target = Find(id).hwnd;
  const bool changed = ::SendMessageW(target, BM_GETCHECK, 0, 0) != value;
  ::SendMessageW(target, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  if (changed) RaiseClick(id);
}

std::u16string PageWindows::Text(PageText box) const { return WindowText(Find(ControlOf(box)).hwnd); }

void PageWindows::setText(PageText box, const std::u16string& text) {
  HWND target = Find(ControlOf(box)).hwnd;
  const bool changed = WindowText(target) != text;
  // The edit box's own change notification is held back here and raised
  // once below, so a text set from code notifies exactly when it changes.
  settingText_ = true;
  try {
    SetWindowTextOrThrow(target, text);
  } catch (...) {
    settingText_ = false;
    throw;
  }
  settingText_ = false;
  if (changed && box == PageText::txtMaxLength && events_ != nullptr) events_->txtMaxLength_Change();
}

std::u16string PageWindows::Caption(ControlId control) const { return WindowText(Find(control).hwnd); }

void PageWindows::setCaption(ControlId control, const std::u16string& caption) {
  SetWindowTextOrThrow(Find(control).hwnd, caption);
}

bool PageWindows::Visible(ControlId control) const { return Find(control).visible; }

void PageWindows::setVisible(ControlId control, bool visible) {
  Child& target = Find(control);
  target.visible = visible;
  ::ShowWindow(target.hwnd, visible && ContainerVisible(target) ? SW_SHOWNA : SW_HIDE);
  if (target.row->kind != ControlKind::Frame) return;
  for (const Child& child : children_) {
    if (child.row->container == control.name) {
      ::ShowWindow(child.hwnd, visible && child.visible ? SW_SHOWNA : SW_HIDE);
    }
  }
}

}  // namespace velmora::win32
