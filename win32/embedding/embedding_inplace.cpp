// In-place and UI activation, and the container's keys while the control
// is active.
#include "embedding/embedding_impl.h"
#include "velmora_h.h"

namespace velmora::win32 {

namespace {

// The modifier bits of IOleControlSite::TranslateAccelerator.
constexpr DWORD kKeyModControl = 2, kKeyModAlt = 4;
DWORD KeyModifiers() { return HeldModifierKeys().Mask(); }

}  // namespace

bool OleEmbedding::Impl::IsOurs(HWND target) const {
  return hwnd && target && (target == hwnd || target == owner.TextBoxWindow() || IsChild(hwnd, target));
}

void OleEmbedding::Impl::WindowDestroyed() {
  // Destroyed from outside (the container's window went first).
  hwnd = nullptr;
}

void OleEmbedding::WindowFocusChanged(bool gained) noexcept { impl_->OnText1Focus(gained); }
void OleEmbedding::WindowDestroyed() noexcept { impl_->WindowDestroyed(); }

void OleEmbedding::Impl::OnText1Focus(bool gained) {
  if (!inPlaceActive) return;
  if (gained && !uiActive && !activating) UIActivate(false);
  if (controlSite) controlSite->OnFocus(gained ? TRUE : FALSE);
}

HRESULT OleEmbedding::Impl::InPlaceActivate(IOleClientSite* activeSite) {
  if (inPlaceActive) return S_OK;
  IOleClientSite* from = activeSite ? activeSite : site.Get();
  if (!from) return E_UNEXPECTED;
  ComPtr<IOleInPlaceSite> ips;
  HRESULT hr = from->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(ips.GetAddressOf()));
  if (FAILED(hr)) return hr;
  hr = ips->CanInPlaceActivate();
  if (hr != S_OK) return FAILED(hr) ? hr : OLE_E_NOT_INPLACEACTIVE;
  // A container that loaded nothing and did not call InitNew still gets
  // a control with its new-instance settings before it is shown.
  hr = owner.EnsureInitialized();
  if (FAILED(hr)) return hr;

  ComPtr<IOleInPlaceSiteEx> ex;
  ips->QueryInterface(IID_IOleInPlaceSiteEx, reinterpret_cast<void**>(ex.GetAddressOf()));
  if (ex) {
    BOOL noRedraw = FALSE;
    hr = ex->OnInPlaceActivateEx(&noRedraw, 0);
  } else {
    hr = ips->OnInPlaceActivate();
  }
  if (FAILED(hr)) return hr;
  inPlaceSite = ips;
  inPlaceSiteEx = ex;
  inPlaceActive = true;

  HWND parent = nullptr;
  RECT pos{}, clip{};
  OLEINPLACEFRAMEINFO frameInfo{};
  frameInfo.cb = sizeof(frameInfo);
  hr = ips->GetWindow(&parent);
  if (SUCCEEDED(hr) && !parent) hr = E_UNEXPECTED;
  if (SUCCEEDED(hr))
    hr = ips->GetWindowContext(frame.ReleaseAndGetAddressOf(), docWindow.ReleaseAndGetAddressOf(), &pos, &clip,
                               &frameInfo);
  if (SUCCEEDED(hr)) {
    hr = ComEdge([&] {
      // The windows are made where the container puts them, hidden, with
      // Text1's state already in place.
      window.SetRect(pos);
      window.SetParentWindow(parent);
      hwnd = window.hwnd();
      return S_OK;
    }, IID__VelmoraControl);
  }
  if (FAILED(hr)) {
    InPlaceDeactivate_();
    return hr;
  }
  ApplyUserMode();
  SetRects(pos, clip);
  window.Show();
  hidden = false;
  if (site) site->ShowObject();
  return S_OK;
}

HRESULT OleEmbedding::Impl::UIActivate(bool takeFocus) {
  if (!inPlaceActive) return OLE_E_NOT_INPLACEACTIVE;
  if (!uiActive) {
    activating = true;
    uiActive = true;
    HRESULT hr = inPlaceSite->OnUIActivate();
    if (FAILED(hr)) {
      uiActive = false;
      activating = false;
      return hr;
    }
    // The control has no menus and no tools: it takes no border space.
    if (frame) {
      frame->SetActiveObject(ActiveObject(), kEmbeddingObjectName);
      frame->SetBorderSpace(nullptr);
    }
    if (docWindow) {
      docWindow->SetActiveObject(ActiveObject(), kEmbeddingObjectName);
      docWindow->SetBorderSpace(nullptr);
    }
    activating = false;
  }
  if (takeFocus && hwnd && !IsOurs(GetFocus())) SetFocus(hwnd);  // the window hands it to Text1
  return S_OK;
}

void OleEmbedding::Impl::UIDeactivate_() {
  if (!uiActive) return;
  uiActive = false;
  if (docWindow) docWindow->SetActiveObject(nullptr, nullptr);
  if (frame) frame->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite) inPlaceSite->OnUIDeactivate(FALSE);
}

void OleEmbedding::Impl::InPlaceDeactivate_() {
  if (!inPlaceActive) return;
  UIDeactivate_();
  inPlaceActive = false;
  // The windows go, with any region set on them; Text1 keeps its state.
  window.SetParentWindow(nullptr);
  clipped = false;
  hwnd = nullptr;
  ComPtr<IOleInPlaceSite> ips = std::move(inPlaceSite);
  ComPtr<IOleInPlaceSiteEx> ex = std::move(inPlaceSiteEx);
  frame.Reset();
  docWindow.Reset();
  if (ex)
    ex->OnInPlaceDeactivateEx(TRUE);
  else if (ips)
    ips->OnInPlaceDeactivate();
  // From now on the container shows the control through its view.
  LookChanged();
}

void OleEmbedding::Impl::SetRects(const RECT& pos, const RECT& clip) {
  const bool resized = pos.right - pos.left != posRect.right - posRect.left ||
                       pos.bottom - pos.top != posRect.bottom - posRect.top;
  posRect = pos;
  if (!hwnd) return;
  window.SetRect(pos);
  // Only the part inside the clip rectangle shows: the rest of the
  // control lies under the container's scroll edges or other windows.
  // The parent window already cuts off what lies outside its own client
  // area, which is all a form's clip rectangle usually asks for: a region
  // is set only where the clip cuts deeper. (A region costs the window
  // server a trip and a redraw, and on a form taller than its window most
  // fields lie partly or wholly below the edge.)
  RECT visible{}, parentClient{}, shown{}, wanted{};
  IntersectRect(&visible, &pos, &clip);
  const HWND parent = GetParent(hwnd);
  if (parent && GetClientRect(parent, &parentClient)) {
    IntersectRect(&shown, &pos, &parentClient);
    IntersectRect(&wanted, &visible, &parentClient);
  } else {
    shown = pos;
    wanted = visible;
  }
  if (EqualRect(&wanted, &shown)) {
    if (clipped) SetWindowRgn(hwnd, nullptr, TRUE);  // a region never set needs no clearing
    clipped = false;
  } else {
    OffsetRect(&visible, -pos.left, -pos.top);
    // The window owns the region once it is set.
    UniqueHrgn region(CreateRectRgnIndirect(&visible));
    clipped = region && SetWindowRgn(hwnd, region.get(), TRUE);
    if (clipped) region.release();
  }
  if (resized) {
    extent.cx = PixelsToHimetric(pos.right - pos.left, false);
    extent.cy = PixelsToHimetric(pos.bottom - pos.top, true);
    NotifyResized();
  }
}

STDMETHODIMP OleEmbedding::Impl::GetWindow(HWND* out) noexcept {
  if (!out) return E_POINTER;
  *out = inPlaceActive ? hwnd : nullptr;
  return *out ? S_OK : E_FAIL;
}

STDMETHODIMP OleEmbedding::Impl::InPlaceDeactivate() noexcept {
  return HeldEdge([&] { InPlaceDeactivate_(); }, IID_IOleInPlaceObject);
}

STDMETHODIMP OleEmbedding::Impl::UIDeactivate() noexcept {
  return HeldEdge([&] { UIDeactivate_(); }, IID_IOleInPlaceObject);
}

STDMETHODIMP OleEmbedding::Impl::SetObjectRects(LPCRECT pos, LPCRECT clip) noexcept {
  if (!pos || !clip) return E_INVALIDARG;
  return HeldEdge([&] { SetRects(*pos, *clip); }, IID_IOleInPlaceObject);
}

STDMETHODIMP OleEmbedding::Impl::TranslateAccelerator(LPMSG msg) noexcept {
  if (!msg) return E_INVALIDARG;
  if (!inPlaceActive || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !IsOurs(msg->hwnd))
    return S_FALSE;
  return HeldEdge([&]() -> HRESULT {
    const UINT message = msg->message;
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    const bool system = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR ||
                        message == WM_SYSDEADCHAR;
    const bool tab = (message == WM_KEYDOWN || message == WM_KEYUP) ? msg->wParam == VK_TAB
                                                                     : (message == WM_CHAR && msg->wParam == L'\t');
    // Enter that the control leaves to the form goes back to the
    // container (after the site had its look), whose dialog manager
    // gives it to the default button.
    const bool formsEnter = message == WM_KEYDOWN && msg->wParam == VK_RETURN && LeavesEnterToForm();
    // The modifiers read here go on with the key to the box, unless the
    // site had the key first: whatever it did may have moved the key state.
    DWORD mods = 0;
    bool modsHold = false;
    if (down) {
      mods = KeyModifiers();
      modsHold = true;
      const bool functionKey = msg->wParam >= VK_F1 && msg->wParam <= VK_F24;
      if (tab || system || functionKey || formsEnter || (mods & (kKeyModControl | kKeyModAlt))) {
        modsHold = false;
        if (controlSite && controlSite->TranslateAccelerator(msg, mods) == S_OK) return S_OK;
      }
    }
    if (tab || system || formsEnter) return S_FALSE;
    if (down && !CharacterQueued(*msg)) TranslateMessage(msg);
    if (modsHold)
      owner.TextBoxKey(*msg, mods);
    else
      DispatchMessageW(msg);
    return S_OK;
  }, IID_IOleInPlaceActiveObject);
}

bool OleEmbedding::Impl::CharacterQueued(const MSG& keyDown) {
  return TypedCharacterQueued(keyDown.hwnd, keyDown.message, keyDown.lParam);
}

}  // namespace velmora::win32
