// The control drawn without its window: for a designer that shows it
// inactive, for printing and for thumbnails, in plain GDI.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::win32 {

// What the control looks like while it is not active: its text in its font
// and colours on its background, inside the sunken edge of an edit box.
struct TextBoxLook {
  std::wstring text;
  COLORREF back = RGB(255, 255, 255);
  COLORREF fore = RGB(0, 0, 0);
  HFONT font = nullptr;  // borrowed; nullptr for the system font
  bool enabled = true;
  // Device units of the target per pixel of the control on screen: the
  // font is scaled by it when printing or drawing into a metafile.
  double scale = 1.0;
};
// Paints the look into any DC, within bounds (logical units of the DC).
void PaintTextBoxLook(HDC dc, const RECT& bounds, const TextBoxLook& look);

}  // namespace velmora::win32
