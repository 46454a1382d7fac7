#include "windows/text_box_look.h"

// It looks like Text1 on screen: the sunken edge of an edit box, the
// background colour, and the text in its font and colour from the top left,
// grey when the box is disabled.
#include <cmath>
#include <utility>

#include "com/handles.h"

namespace velmora::win32 {

namespace {

// Text1's inner margin from its edge, in pixels of the control.
constexpr int kTextMargin = 1;

}  // namespace

void PaintTextBoxLook(HDC dc, const RECT& bounds, const TextBoxLook& look) {
  RECT area = bounds;
  // Bounds may come upside down from a DC whose y axis grows upwards.
  if (area.top > area.bottom) std::swap(area.top, area.bottom);
  if (area.left > area.right) std::swap(area.left, area.right);
  const int saved = SaveDC(dc);

  if (const UniqueHbrush background(CreateSolidBrush(look.back)); background) FillRect(dc, &area, background.get());
  DrawEdge(dc, &area, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  const int margin = static_cast<int>(std::lround(kTextMargin * look.scale));
  InflateRect(&area, -margin, -margin);

  UniqueHfont scaled;
  HFONT font = look.font ? look.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (std::fabs(look.scale - 1.0) > 0.01) {
    LOGFONTW logFont{};
    if (GetObjectW(font, sizeof(logFont), &logFont) == sizeof(logFont)) {
      logFont.lfHeight = static_cast<LONG>(std::lround(logFont.lfHeight * look.scale));
      logFont.lfWidth = static_cast<LONG>(std::lround(logFont.lfWidth * look.scale));
      scaled.reset(CreateFontIndirectW(&logFont));
      if (scaled) font = scaled.get();
    }
  }
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, look.enabled ? look.fore : GetSysColor(COLOR_GRAYTEXT));
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  if (!look.text.empty())
    DrawTextW(dc, look.text.c_str(), static_cast<int>(look.text.size()), &area,
              DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);

  RestoreDC(dc, saved);  // deselects the scaled font before it goes
}

}  // namespace velmora::win32
