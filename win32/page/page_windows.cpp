#include "page/page_windows.h"

#include <usp10.h>

#include <algorithm>

#include "com/com_module.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "core/errors.h"
#include "windows/desktop.h"

namespace velmora::win32 {

namespace {

// Child window identifiers: the control's row in the form description plus
// this base.
constexpr int kFirstControlId = 100;

// The window class lives only while a page window does: the library may be
// unloaded and loaded again at another address between two pages, and a
// class left registered would point into the old image. Pages of several
// apartment threads share the class, so the count and the registration
// change together under one lock (statically initialised: no set-up step
// that two threads could race on).
SRWLOCK g_pageClassLock = SRWLOCK_INIT;
int g_pageWindows = 0;
// wine's text boxes lay their text out through one cache per font, shared
// by every thread, made by the first box that needs it and freed with the
// last. Boxes of several threads making and freeing these caches at once
// corrupt wine's list of them, and a later box crashes (or hangs) on it.
// Every page's boxes have the page's font, so while any page window exists
// the pages hold that cache themselves: it is made once, under the lock,
// before any box needs it, and freed after the last box is gone.
SCRIPT_CACHE g_pageTextCache = nullptr;

void AddPageWindowClassUser(WNDPROC windowProc) {
  ::AcquireSRWLockExclusive(&g_pageClassLock);
  HRESULT hr = S_OK;
  if (g_pageWindows == 0) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = windowProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPageWindowClass;
    if (::RegisterClassExW(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      hr = HRESULT_FROM_WIN32(::GetLastError());
    }
  }
  if (SUCCEEDED(hr)) ++g_pageWindows;
  ::ReleaseSRWLockExclusive(&g_pageClassLock);
  if (FAILED(hr)) throw HresultError(hr);
}

void ReleasePageWindowClassUser() noexcept {
  ::AcquireSRWLockExclusive(&g_pageClassLock);
  if (--g_pageWindows == 0) {
    ::UnregisterClassW(kPageWindowClass, ModuleInstance());
    ::ScriptFreeCache(&g_pageTextCache);
  }
  ::ReleaseSRWLockExclusive(&g_pageClassLock);
}

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// Makes the shared text layout cache of the page's font, unless a page
// holds it already.
void HoldPageTextCache(HFONT font) noexcept {
  ::AcquireSRWLockExclusive(&g_pageClassLock);
  if (const WindowDc screen; screen && g_pageTextCache == nullptr) {
    HGDIOBJ old = ::SelectObject(screen.get(), font);
    long height;
    ::ScriptCacheGetHeight(screen.get(), &g_pageTextCache, &height);
    ::SelectObject(screen.get(), old);
  }
  ::ReleaseSRWLockExclusive(&g_pageClassLock);
}

// The font the page's layout is drawn for, at the screen's resolution;
// nullptr when the system has no such face (a font made under the name
// anyway would be some other face, whose captions do not fit).
HFONT CreatePageFont() {
  LOGFONTW font{};
  font.lfCharSet = DEFAULT_CHARSET;
  ::lstrcpynW(font.lfFaceName, kPageFontFace, LF_FACESIZE);
  bool found = false;
  if (const WindowDc screen; screen) ::EnumFontFamiliesExW(screen.get(), &font, &NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  if (!found) return nullptr;
  font.lfHeight = -::MulDiv(kPageFontPoints, CurrentScreenDpi().y, 72);
  font.lfWeight = FW_NORMAL;
  font.lfQuality = DEFAULT_QUALITY;
  return ::CreateFontIndirectW(&font);
}

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
  AddPageWindowClassUser(&PageWindows::WindowProc);
  try {
    // WS_EX_CONTROLPARENT lets the host's dialog loop tab into the page.
    HWND page = ::CreateWindowExW(WS_EX_CONTROLPARENT, kPageWindowClass, L"Generale", WS_CHILD | WS_CLIPSIBLINGS,
                                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                  nullptr, ModuleInstance(), this);
    if (page == nullptr) throw HresultError(HRESULT_FROM_WIN32(::GetLastError()));
    page_.reset(page);

    // The host's font, or the system's, only when the page's own face is
    // missing.
    ownFont_.reset(CreatePageFont());
    HFONT font = ownFont_.get();
    if (font != nullptr) HoldPageTextCache(font);
    if (font == nullptr) font = reinterpret_cast<HFONT>(::SendMessageW(parent, WM_GETFONT, 0, 0));
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
      // The caption comes after the font: a text box made with its text
      // would lay it out in the system font first, through a second
      // shared cache (see g_pageTextCache). Not yet a child of the page's
      // list, the box's change notification goes unheard.
      HWND child = ::CreateWindowExW(kind.exStyle, kind.windowClass, L"", kind.style, x, y, width, height, page,
                                     reinterpret_cast<HMENU>(kFirstControlId + i), ModuleInstance(), nullptr);
      if (child == nullptr) throw HresultError(HRESULT_FROM_WIN32(::GetLastError()));
      ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      SetWindowTextOrThrow(child, row.caption);
      children_.push_back({&row, child});
    }

    // The z-order is the tab order: lowest TabIndex on top. A form's tab
    // indexes are unique: each round sends the next one to the bottom.
    int last = -1;
    for (std::size_t placed = 0; placed < children_.size(); ++placed) {
      const Child* next = nullptr;
      for (const Child& child : children_) {
        if (child.row->tabIndex > last && (next == nullptr || child.row->tabIndex < next->row->tabIndex)) next = &child;
      }
      if (next == nullptr) break;
      last = next->row->tabIndex;
      ::SetWindowPos(next->hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  } catch (...) {
    if (page_) ::SetWindowLongPtrW(page_.get(), GWLP_USERDATA, 0);
    page_.reset();
    ReleasePageWindowClassUser();
    throw;
  }
}

PageWindows::~PageWindows() {
  events_ = nullptr;
  if (page_) ::SetWindowLongPtrW(page_.get(), GWLP_USERDATA, 0);
  page_.reset();
  ReleasePageWindowClassUser();
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
  const Child* child = ChildOf(control);
  if (child == nullptr) return;
  const ControlId id = child->row->id;
  try {
    switch (child->row->kind) {
      case ControlKind::OptionButton:
        // A plain radio button reports the second click of a double click
        // as BN_DOUBLECLICKED: it is a click all the same.
        if (code == BN_CLICKED || code == BN_DOUBLECLICKED) Click(id);
        break;
      case ControlKind::CheckBox:
        if (code == BN_CLICKED) Click(id);
        break;
      case ControlKind::TextBox:
        // Text1 has no handler: typing a number there does not by itself
        // mark the page changed, but it is a change to apply all the same.
        if (code == EN_CHANGE && !settingText_ && id.name == PageControl::Text1) text1Typed_ = true;
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

HWND PageWindows::Window(ControlId id) const { return children_[Slot(id)].hwnd; }

// BST_UNCHECKED, BST_CHECKED and BST_INDETERMINATE are 0, 1 and 2: the
// check box values themselves, and an option's 0 or 1.
std::int16_t PageWindows::ValueAt(std::size_t slot) const {
  return static_cast<std::int16_t>(::SendMessageW(children_[slot].hwnd, BM_GETCHECK, 0, 0));
}

void PageWindows::SetValueAt(std::size_t slot, std::int16_t value) {
  ::SendMessageW(children_[slot].hwnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  if (children_[slot].row->kind == ControlKind::OptionButton) UpdateTabStops(children_[slot].row->id.name);
}

std::u16string PageWindows::TextAt(std::size_t slot) const { return WindowText(children_[slot].hwnd); }

void PageWindows::SetTextAt(std::size_t slot, const std::u16string& text) {
  // The edit box's own change notification is held back here: a text set
  // from code notifies exactly when it changes, once, from LayoutControls.
  ScopedFlag settingText(settingText_);
  SetWindowTextOrThrow(children_[slot].hwnd, text);
}

void PageWindows::ShowAt(std::size_t slot, bool shown) {
  ::ShowWindow(children_[slot].hwnd, shown ? SW_SHOWNA : SW_HIDE);
}

void PageWindows::UpdateTabStops(PageControl array) {
  bool anySelected = false;
  for (const Child& child : children_) {
    if (child.row->id.name == array && ::SendMessageW(child.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
      anySelected = true;
    }
  }
  for (const Child& child : children_) {
    if (child.row->id.name != array) continue;
    const LONG_PTR style = ::GetWindowLongPtrW(child.hwnd, GWL_STYLE);
    const bool stop = !anySelected || ::SendMessageW(child.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::SetWindowLongPtrW(child.hwnd, GWL_STYLE, stop ? (style | WS_TABSTOP) : (style & ~LONG_PTR{WS_TABSTOP}));
  }
}

const PageWindows::Child* PageWindows::ChildOf(HWND hwnd) const noexcept {
  for (const Child& child : children_) {
    if (child.hwnd == hwnd) return &child;
  }
  return nullptr;
}

PageFocus PageWindows::FocusOf(const MSG& message) const {
  PageFocus focus;
  if (ChildOf(message.hwnd) == nullptr) return focus;
  const LRESULT claims = ::SendMessageW(message.hwnd, WM_GETDLGCODE, message.wParam,
                                        reinterpret_cast<LPARAM>(const_cast<MSG*>(&message)));
  focus.wantsArrows = (claims & DLGC_WANTARROWS) != 0;
  focus.wantsTab = (claims & DLGC_WANTTAB) != 0;
  focus.wantsAllKeys = (claims & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) != 0;
  // The tab stops the focus can reach, in tab order (the z-order).
  HWND first = nullptr, last = nullptr;
  for (HWND w = ::GetWindow(page_.get(), GW_CHILD); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) {
    if ((::GetWindowLongPtrW(w, GWL_STYLE) & WS_TABSTOP) && ::IsWindowVisible(w) && ::IsWindowEnabled(w)) {
      if (first == nullptr) first = w;
      last = w;
    }
  }
  focus.firstTabStop = message.hwnd == first;
  focus.lastTabStop = message.hwnd == last;
  return focus;
}

void PageWindows::MoveToTabStop(HWND from, bool previous) {
  HWND next = ::GetNextDlgTabItem(page_.get(), ChildOf(from) != nullptr ? from : nullptr, previous);
  if (next == nullptr) return;
  // A text box entered by Tab has its text selected, as in a dialog.
  if (::SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) ::SendMessageW(next, EM_SETSEL, 0, -1);
  ::SetFocus(next);
}

void PageWindows::MoveInGroup(HWND from, bool previous) {
  if (ChildOf(from) == nullptr) return;
  HWND next = ::GetNextDlgGroupItem(page_.get(), from, previous);
  if (next == nullptr || next == from) return;
  ::SetFocus(next);
  // An option reached by the arrows is chosen, exactly as by a click.
  const Child* landed = ChildOf(next);
  if (landed != nullptr && landed->row->kind == ControlKind::OptionButton) Click(landed->row->id);
}

}  // namespace velmora::win32
