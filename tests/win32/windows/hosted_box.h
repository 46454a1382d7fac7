// Text1 as a control's object builds it, for the tests of the Windows
// text box: the control window, reparented into the shared form between
// two other fields, with Text1 filling it.
#pragma once

#include <windows.h>

#include "shared/win32_harness.h"
#include "test_support.h"
#include "windows/control_window.h"
#include "windows/edit_textbox.h"

namespace velmora::testing {

struct Hosted : BoxInWindow {
  Hosted() {
    before = form.AddEdit(0);
    window.SetParentWindow(form.hwnd());
    window.SetRect(RECT{100, 10, 300, 40});
    window.FillWith(box.hwnd());
    window.Show();
    form.Last(window.hwnd());
    after = form.AddEdit(300);
  }
  ~Hosted() {
    DestroyWindow(before);
    DestroyWindow(after);
  }
  Form& form = Form::Shared();
  HWND before = nullptr, after = nullptr;
};

}  // namespace velmora::testing
