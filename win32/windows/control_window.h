// Where the control's windows live: nowhere until a container places the
// control, so a control made by a script, loaded, saved or drawn inactive
// costs no window at all (Text1 keeps its state in a model meanwhile).
//
// Placed into a container's window, the control gets one of two shapes:
//   - the container reflects notifications (ambient MessageReflect): it
//     sends OCM_COMMAND, OCM_CTLCOLOREDIT and OCM_CTLCOLORSTATIC back to
//     the child that sent them, so Text1's EDIT is the control's only
//     window, made directly in the container's window at its rectangle;
//   - it does not: a thin control window, made at the control's rectangle,
//     parents the EDIT and reflects those notifications itself as the OCM_
//     messages (olectl.h) with the original wParam and lParam. One extra
//     child window is the cheapest sound way to still hear EN_CHANGE and the
//     colour requests, which a window only ever sends to its parent.
// Taken out of the container, the windows go and the state goes back into
// the model.
//
// Apartment-threaded: each window is created and used on one thread (its
// container's user-interface thread); any number of threads may have their
// own at once.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace velmora::win32 {

class ControlWindow {
 public:
  // What the control window asks of the object it belongs to, told once,
  // at construction: how to place its face, whether the container reflects,
  // what to follow of the window, what to answer a screen reader, and which
  // COM object to hold while a message runs. Only PlaceFace may throw.
  class Client {
   public:
    // The face, Text1, which makes its window when the control is placed
    // and takes its state back when it is taken out. Place makes the face's
    // window, a child of parent at rect: shown at once inside a control
    // window, hidden when it is the control's only window (Show shows it).
    // Returns it (nullptr: no face), or throws.
    virtual HWND PlaceFace(HWND parent, const RECT& rect, bool alone) = 0;
    // Takes the state back out of the face's window and destroys it.
    virtual void UnplaceFace() noexcept = 0;
    // Whether the face itself is enabled (alone, its window is disabled
    // when either it or the control's input is).
    virtual bool FaceEnabled() const noexcept = 0;
    // Asked at each placing: whether the container sends notifications
    // back to the child that sent them (ambient MessageReflect).
    virtual bool ContainerReflects() noexcept = 0;
    // Told from inside the window procedure: the face gained or lost the
    // focus (EN_SETFOCUS or EN_KILLFOCUS, before it is reflected), and the
    // window was destroyed from outside.
    virtual void FocusChanged(bool gained) noexcept = 0;
    virtual void WindowDestroyed() noexcept = 0;
    // Answers WM_GETOBJECT, the request of a screen reader for the window's
    // accessible objects: an LRESULT from LresultFromObject, or 0 to leave
    // the request to the system.
    virtual LRESULT AnswerGetObject(WPARAM flags, LPARAM id) noexcept = 0;
    // The COM object the window belongs to, held for the length of every
    // message: what a message sets off (a container told of the focus) may
    // release the object's last reference, which must then wait until the
    // window procedure is done. nullptr holds nothing.
    virtual IUnknown* Lifetime() noexcept = 0;
    // The control window object is being destroyed while the face may live
    // on (the control object destroys its face first and ignores this).
    virtual void WindowGone() noexcept {}

   protected:
    ~Client() = default;
  };

  // No window yet: SetParentWindow makes them.
  explicit ControlWindow(Client& client) noexcept : client_(client) {}
  ~ControlWindow();
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;

  // The window the container sees (the control window, or the face alone);
  // nullptr while the control is not placed.
  HWND hwnd() const { return hwnd_; }
  // Whether the face is the control's only window.
  bool FaceAlone() const { return alone_; }

  // Places the control in parent at its rectangle in parent's client
  // coordinates, hidden, making its windows when it has none (a placed
  // control is reparented, keeping its visibility); nullptr takes it out of
  // the container: its windows go and the face keeps its state. Throws
  // VelmoraError when a window cannot be created.
  void SetParentWindow(HWND parent);
  HWND ParentWindow() const { return hwnd_ ? parent_ : nullptr; }
  void Show();
  void Hide();
  // Position and size, in the parent's client coordinates (pixels): kept
  // while unplaced, and the windows are made there; a placed window moves
  // only when the rectangle really changed.
  void SetRect(const RECT& rect);
  const RECT& Rect() const { return rect_; }
  // Whether the control takes input: a designer's form takes none, while
  // Text1's own Enabled stays as it is. Kept while unplaced.
  void SetInputEnabled(bool on);
  bool InputEnabled() const { return input_; }

  // What the face's window, alone, passes on as the control window would:
  // its focus changes, the requests for accessible objects, its end; and
  // the object to hold while one of its messages runs.
  void FaceFocusChanged(bool gained) { client_.FocusChanged(gained); }
  LRESULT FaceGetObject(WPARAM flags, LPARAM id) { return client_.AnswerGetObject(flags, id); }
  void FaceDestroyed();
  IUnknown* Lifetime() const { return client_.Lifetime(); }

  // When set, the child covers the whole client area after every WM_SIZE
  // (and at once). nullptr stops it.
  void FillWith(HWND child);

  // The window class, registered once per module. UnregisterClass is for
  // the module's unload, when no control window is left.
  static const wchar_t* ClassName();
  static void UnregisterWindowClass();

 private:
  void Destroy() noexcept;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  bool IsOwnChild(HWND child) const;
  void FillNow();

  HWND hwnd_ = nullptr;
  HWND parent_ = nullptr;
  HWND child_ = nullptr;  // the face's window inside the control window
  HWND fill_ = nullptr;
  RECT rect_{};
  bool alone_ = false;
  bool input_ = true;
  Client& client_;
};

}  // namespace velmora::win32
