// What the control looks like: drawn by the view object while inactive
// (into a bitmap, as a designer, a printer or a thumbnail gets it), and on
// screen while active, with its colours, font and Enabled as the
// properties say.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "com_util.h"
#include "test_container.h"
#include "win32_platform.h"

namespace velmora::testing {
namespace {

// A 32-bit bitmap to draw into and read back.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, width, height};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    GdiFlush();
    const DWORD pixel = bits_[y * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }
  int Count(const std::function<bool(COLORREF)>& match) const {
    int count = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (match(At(x, y))) ++count;
    return count;
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  DWORD* bits_ = nullptr;
};

bool Reddish(COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100; }
bool Greyish(COLORREF c) {
  return GetRValue(c) > 60 && GetRValue(c) < 200 && std::abs(GetRValue(c) - GetGValue(c)) < 20 &&
         std::abs(GetRValue(c) - GetBValue(c)) < 20;
}
constexpr COLORREF kYellow = RGB(255, 255, 0);

class View : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    control_ = CreateTestControl();
    ASSERT_TRUE(control_);
    control_->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(view_.GetAddressOf()));
    ASSERT_TRUE(view_);
    ASSERT_EQ(PutText(control_.Get(), L"14/12/1967"), S_OK);
    ASSERT_EQ(PutInt(control_.Get(), kDispForeColor, 255), S_OK);
    ASSERT_EQ(PutInt(control_.Get(), kDispBackColor, 0x00FFFF), S_OK);  // yellow
  }
  void TearDown() override {
    view_.Reset();
    control_.Reset();
    OleUninitialize();
  }
  HRESULT Draw(Canvas& canvas, RECTL bounds, DWORD aspect = DVASPECT_CONTENT, LONG index = -1) {
    return view_->Draw(aspect, index, nullptr, nullptr, nullptr, canvas.dc(), &bounds, nullptr, nullptr, 0);
  }
  win32::Win32Platform platform_;
  ScopedPlatform installed_{platform_};
  ComPtr<IUnknown> control_;
  ComPtr<IViewObject2> view_;
};

TEST_F(View, InactiveControlDrawsItsTextInItsColours) {
  Canvas canvas(200, 30);
  ASSERT_EQ(Draw(canvas, RECTL{0, 0, 200, 30}), S_OK);
  EXPECT_GT(canvas.Count(Reddish), 20) << "the text in the fore colour, not a blank rectangle";
  EXPECT_EQ(canvas.At(180, 15), kYellow) << "the background colour right of the text";
}

TEST_F(View, EmptyTextDrawsNoTextPixels) {
  ASSERT_EQ(PutText(control_.Get(), L""), S_OK);
  Canvas canvas(200, 30);
  ASSERT_EQ(Draw(canvas, RECTL{0, 0, 200, 30}), S_OK);
  EXPECT_EQ(canvas.Count(Reddish), 0);
}

TEST_F(View, DisabledControlDrawsGreyText) {
  ASSERT_EQ(PutBool(control_.Get(), kDispEnabled, false), S_OK);
  Canvas canvas(200, 30);
  ASSERT_EQ(Draw(canvas, RECTL{0, 0, 200, 30}), S_OK);
  EXPECT_EQ(canvas.Count(Reddish), 0);
  EXPECT_GT(canvas.Count(Greyish), 10);
}

TEST_F(View, DrawingIntoLargerBoundsScalesTheFont) {
  // wine's own "MS Sans Serif", the default face, is a bitmap font with
  // few sizes: the scaling is checked on a scalable face.
  VARIANT font;
  VariantInit(&font);
  ASSERT_EQ(GetProperty(control_.Get(), DISPID_FONT, &font), S_OK);
  ASSERT_EQ(V_VT(&font), VT_DISPATCH);
  ComPtr<IFont> face;
  ASSERT_EQ(V_DISPATCH(&font)->QueryInterface(IID_PPV_ARGS(&face)), S_OK);
  VariantClear(&font);
  BSTR name = SysAllocString(L"DejaVu Sans");
  ASSERT_EQ(face->put_Name(name), S_OK);
  SysFreeString(name);
  Canvas small(200, 30), large(400, 60);
  ASSERT_EQ(Draw(small, RECTL{0, 0, 200, 30}), S_OK);
  ASSERT_EQ(Draw(large, RECTL{0, 0, 400, 60}), S_OK);
  EXPECT_GT(large.Count(Reddish), 3 * small.Count(Reddish)) << "a printer's page gets the text at its scale";
}

TEST_F(View, DrawRefusesWhatItCannotDraw) {
  Canvas canvas(20, 20);
  const struct {
    const char* name;
    DWORD aspect;
    LONG index;
    HRESULT expected;
  } rows[] = {
      {"icon", DVASPECT_ICON, -1, DV_E_DVASPECT},
      {"a part of the content", DVASPECT_CONTENT, 3, DV_E_LINDEX},
      {"print", DVASPECT_DOCPRINT, -1, S_OK},
      {"thumbnail", DVASPECT_THUMBNAIL, -1, S_OK},
  };
  for (const auto& row : rows) EXPECT_EQ(Draw(canvas, RECTL{0, 0, 20, 20}, row.aspect, row.index), row.expected) << row.name;
  EXPECT_EQ(view_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(), nullptr, nullptr, nullptr, 0),
            E_INVALIDARG);
  SIZEL size{};
  EXPECT_EQ(view_->GetExtent(DVASPECT_CONTENT, -1, nullptr, &size), S_OK);
  EXPECT_EQ(size.cx, 1984);
}

// The active control on screen, read back from the EDIT's own painting.
TEST_F(View, ActiveControlShowsColoursAndEnabledOnScreen) {
  TestForm form;
  Placed* placed = form.AddControl(control_, RECT{10, 10, 210, 40});
  ASSERT_NE(placed, nullptr) << form.failure();
  ASSERT_EQ(PutText(control_.Get(), L"14/12/1967"), S_OK);  // placing it ran InitNew: the empty mask
  form.Pump();
  auto capture = [&](Canvas& canvas) {
    HWND edit = placed->Edit();
    RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    form.Pump();
    SendMessageW(edit, WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT | PRF_ERASEBKGND | PRF_NONCLIENT);
  };
  Canvas enabled(200, 30);
  capture(enabled);
  EXPECT_GT(enabled.Count(Reddish), 20) << "ForeColor 255 is red text";
  EXPECT_GT(enabled.Count([](COLORREF c) { return c == kYellow; }), 1000) << "BackColor fills the box";

  ASSERT_EQ(PutBool(control_.Get(), kDispEnabled, false), S_OK);
  Canvas disabled(200, 30);
  capture(disabled);
  EXPECT_EQ(disabled.Count(Reddish), 0) << "a disabled box greys its text";
  EXPECT_FALSE(IsWindowEnabled(placed->Edit()));
}

}  // namespace
}  // namespace velmora::testing
