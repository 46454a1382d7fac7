// The control's own window: the parent of Text1 and the window a container
// sees. It exists for the whole life of the control object, whether or not a
// container ever shows it: it starts as a child of a hidden parking window
// (one per thread) and is reparented into the container's window for
// in-place activation, and back to the parking window when the control is
// deactivated.
//
// It paints nothing of its own. Notifications that its children send to
// their parent (WM_COMMAND, WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC) are reflected
// back to the child that sent them as OCM_COMMAND, OCM_CTLCOLOREDIT and
// OCM_CTLCOLORSTATIC (olectl.h), with the original wParam and lParam, so that
// a child window class handles its own notifications (see EditTextBox).
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
  // Creates the window, hidden, registering its class on first use.
  // Throws VelmoraError when the window cannot be created.
  ControlWindow();
  ~ControlWindow();
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;

  HWND hwnd() const { return hwnd_; }

  // Makes the window a child of parent at its current rectangle in parent's
  // client coordinates; nullptr takes it back to the hidden parking window.
  // The visibility is kept when reparenting into a window and dropped when
  // taken back out.
  void SetParentWindow(HWND parent);
  HWND ParentWindow() const;  // nullptr while not in a container
  void Show();
  void Hide();
  // Position and size, in the parent's client coordinates (pixels).
  void SetRect(const RECT& rect);

  // When set, the child covers the whole client area after every WM_SIZE
  // (and at once). nullptr stops it.
  void FillWith(HWND child);

  // Told, from inside the window procedure, of what the window's owner must
  // follow: a child gaining or losing the focus (its EN_SETFOCUS or
  // EN_KILLFOCUS notification, before it is reflected), and the window being
  // destroyed from outside. The listener must not throw.
  class Listener {
   public:
    virtual void ChildFocusChanged(bool gained) = 0;
    virtual void WindowDestroyed() = 0;

   protected:
    ~Listener() = default;
  };
  void SetListener(Listener* listener) { listener_ = listener; }
  // The COM object the window belongs to, held for the length of every
  // message: what a message sets off (a container told of the focus) may
  // release the object's last reference, which must then wait until the
  // window procedure is done. nullptr holds nothing.
  void SetLifetime(IUnknown* owner) { lifetime_ = owner; }

  // Answers WM_GETOBJECT, the request of a screen reader for the window's
  // accessible objects: an LRESULT from LresultFromObject, or 0 to leave
  // the request to the system. Must not throw.
  class ObjectSource {
   public:
    virtual LRESULT AnswerGetObject(WPARAM flags, LPARAM id) = 0;

   protected:
    ~ObjectSource() = default;
  };
  void SetObjectSource(ObjectSource* source) { objects_ = source; }

  // The window class, registered once per module. UnregisterClass is for
  // the module's unload, when no control window is left.
  static const wchar_t* ClassName();
  static void UnregisterWindowClass();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  bool IsOwnChild(HWND child) const;
  void FillNow();

  HWND hwnd_ = nullptr;
  HWND fill_ = nullptr;
  Listener* listener_ = nullptr;
  IUnknown* lifetime_ = nullptr;
  ObjectSource* objects_ = nullptr;
};

}  // namespace velmora::win32
