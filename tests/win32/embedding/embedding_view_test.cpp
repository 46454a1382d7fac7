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

#include "com/handles.h"
#include "test_container.h"
#include "test_support.h"
#include "windows/win32_platform.h"

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

class View : public OleTest {
 protected:
  void SetUp() override {
    control_ = CreateTestControl();
    ASSERT_TRUE(control_);
    control_->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(view_.GetAddressOf()));
    ASSERT_TRUE(view_);
    ASSERT_EQ(PutText(control_.Get(), L"14/12/1967"), S_OK);
    ASSERT_EQ(PutInt(control_.Get(), kDispForeColor, 255), S_OK);
    ASSERT_EQ(PutInt(control_.Get(), kDispBackColor, 0x00FFFF), S_OK);  // yellow
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

// ---- the picture a caching host keeps (IDataObject) ----------------------------


FORMATETC Format(CLIPFORMAT format, DWORD tymed, DWORD aspect = DVASPECT_CONTENT, LONG index = -1) {
  return FORMATETC{format, nullptr, aspect, index, tymed};
}

class Picture : public View {
 protected:
  void SetUp() override {
    View::SetUp();
    control_->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(data_.GetAddressOf()));
    ASSERT_TRUE(data_);
    ASSERT_EQ(view_->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent_), S_OK);
    // The canvas is the control's size on screen, where the view object
    // draws its text at the font's own size.
    HDC screen = GetDC(nullptr);
    width_ = MulDiv(extent_.cx, GetDeviceCaps(screen, LOGPIXELSX), 2540);
    height_ = MulDiv(extent_.cy, GetDeviceCaps(screen, LOGPIXELSY), 2540);
    ReleaseDC(nullptr, screen);
  }
  void TearDown() override {
    data_.Reset();
    View::TearDown();
  }
  // How many pixels differ between two canvases of the control's size.
  int Differences(const Canvas& a, const Canvas& b) const {
    int count = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (a.At(x, y) != b.At(x, y)) ++count;
    return count;
  }
  ComPtr<IDataObject> data_;
  SIZEL extent_{};
  int width_ = 0, height_ = 0;
};

TEST_F(Picture, BothMetafilesPlayBackAsTheViewDrawsTheControl) {
  Canvas drawn(width_, height_);
  ASSERT_EQ(Draw(drawn, RECTL{0, 0, width_, height_}), S_OK);
  ASSERT_GT(drawn.Count(Reddish), 20);
  const RECT all{0, 0, width_, height_};

  FORMATETC enhanced = Format(CF_ENHMETAFILE, TYMED_ENHMF);
  STGMEDIUM medium{};
  ASSERT_EQ(data_->GetData(&enhanced, &medium), S_OK);
  ASSERT_EQ(medium.tymed, static_cast<DWORD>(TYMED_ENHMF));
  ENHMETAHEADER header{};
  ASSERT_TRUE(GetEnhMetaFileHeader(medium.hEnhMetaFile, sizeof(header), &header));
  EXPECT_EQ(header.rclFrame.right - header.rclFrame.left, extent_.cx) << "framed to the control's extent";
  EXPECT_GT(header.nRecords, 5u);
  Canvas played(width_, height_);
  ASSERT_TRUE(PlayEnhMetaFile(played.dc(), medium.hEnhMetaFile, &all));
  ReleaseStgMedium(&medium);
  EXPECT_GT(played.Count(Reddish), 20);
  EXPECT_LT(Differences(drawn, played), width_ * height_ / 20) << "the same drawing";

  FORMATETC windows = Format(CF_METAFILEPICT, TYMED_MFPICT);
  ASSERT_EQ(data_->GetData(&windows, &medium), S_OK);
  ASSERT_EQ(medium.tymed, static_cast<DWORD>(TYMED_MFPICT));
  auto* pict = static_cast<METAFILEPICT*>(GlobalLock(medium.hMetaFilePict));
  ASSERT_NE(pict, nullptr);
  EXPECT_EQ(pict->mm, MM_ANISOTROPIC);
  EXPECT_EQ(pict->xExt, extent_.cx);
  EXPECT_EQ(pict->yExt, extent_.cy);
  Canvas playedOld(width_, height_);
  SetMapMode(playedOld.dc(), MM_ANISOTROPIC);
  SetViewportExtEx(playedOld.dc(), width_, height_, nullptr);
  ASSERT_TRUE(PlayMetaFile(playedOld.dc(), pict->hMF));
  GlobalUnlock(medium.hMetaFilePict);
  ReleaseStgMedium(&medium);
  SetMapMode(playedOld.dc(), MM_TEXT);
  EXPECT_GT(playedOld.Count(Reddish), 20);
  EXPECT_EQ(playedOld.At(width_ - 10, height_ / 2), kYellow) << "the background, as drawn";
}

TEST_F(Picture, AnswersWhichFormatsItGives) {
  const struct {
    const char* name;
    FORMATETC format;
    HRESULT expected;
  } rows[] = {
      {"enhanced metafile", Format(CF_ENHMETAFILE, TYMED_ENHMF), S_OK},
      {"metafile picture", Format(CF_METAFILEPICT, TYMED_MFPICT), S_OK},
      {"either medium offered", Format(CF_ENHMETAFILE, TYMED_ENHMF | TYMED_HGLOBAL), S_OK},
      {"printing", Format(CF_ENHMETAFILE, TYMED_ENHMF, DVASPECT_DOCPRINT), S_OK},
      {"bitmap", Format(CF_BITMAP, TYMED_GDI), DV_E_FORMATETC},
      {"text", Format(CF_UNICODETEXT, TYMED_HGLOBAL), DV_E_FORMATETC},
      {"enhanced metafile in a storage", Format(CF_ENHMETAFILE, TYMED_ISTORAGE), DV_E_TYMED},
      {"icon", Format(CF_METAFILEPICT, TYMED_MFPICT, DVASPECT_ICON), DV_E_DVASPECT},
      {"a part", Format(CF_ENHMETAFILE, TYMED_ENHMF, DVASPECT_CONTENT, 2), DV_E_LINDEX},
  };
  for (const auto& row : rows) {
    FORMATETC format = row.format;
    EXPECT_EQ(data_->QueryGetData(&format), row.expected) << row.name;
    STGMEDIUM medium{};
    const HRESULT got = data_->GetData(&format, &medium);
    EXPECT_EQ(got, row.expected) << row.name;
    if (SUCCEEDED(got)) ReleaseStgMedium(&medium);
    EXPECT_EQ(data_->GetDataHere(&format, &medium), DATA_E_FORMATETC) << row.name;
  }
  EXPECT_EQ(data_->QueryGetData(nullptr), E_INVALIDARG);

  ComPtr<IEnumFORMATETC> formats;
  ASSERT_EQ(data_->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
  FORMATETC listed[3]{};
  ULONG count = 0;
  EXPECT_EQ(formats->Next(3, listed, &count), S_FALSE);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(listed[0].cfFormat, CF_ENHMETAFILE);
  EXPECT_EQ(listed[1].cfFormat, CF_METAFILEPICT);
  for (ULONG i = 0; i < count; ++i) {
    EXPECT_EQ(data_->QueryGetData(&listed[i]), S_OK) << "every listed format is given";
  }
  ComPtr<IEnumFORMATETC> none;
  EXPECT_EQ(data_->EnumFormatEtc(DATADIR_SET, &none), E_NOTIMPL);
}

TEST_F(Picture, AdviseSinksHearEveryChangeOfTheLook) {
  AdviseSink withData, changeOnly;
  FORMATETC enhanced = Format(CF_ENHMETAFILE, TYMED_ENHMF);
  FORMATETC any = Format(0, TYMED_NULL, DVASPECT_CONTENT);
  DWORD dataCookie = 0, anyCookie = 0;
  ASSERT_EQ(data_->DAdvise(&enhanced, 0, &withData, &dataCookie), S_OK);
  ASSERT_EQ(data_->DAdvise(&any, ADVF_NODATA, &changeOnly, &anyCookie), S_OK);
  FORMATETC bitmap = Format(CF_BITMAP, TYMED_GDI);
  DWORD refused = 1;
  EXPECT_EQ(data_->DAdvise(&bitmap, 0, &withData, &refused), DV_E_FORMATETC);
  EXPECT_EQ(refused, 0u);

  ComPtr<IEnumSTATDATA> connections;
  ASSERT_EQ(data_->EnumDAdvise(&connections), S_OK);
  STATDATA entries[3]{};
  ULONG count = 0;
  connections->Next(3, entries, &count);
  EXPECT_EQ(count, 2u);
  for (ULONG i = 0; i < count; ++i)
    if (entries[i].pAdvSink) entries[i].pAdvSink->Release();
  connections.Reset();

  ASSERT_EQ(PutInt(control_.Get(), kDispBackColor, 0xFFFFFF), S_OK);
  EXPECT_EQ(withData.dataChanges, 1);
  EXPECT_TRUE(withData.withPicture) << "the new picture comes with the notification";
  EXPECT_EQ(withData.lastFormat, CF_ENHMETAFILE);
  EXPECT_EQ(changeOnly.dataChanges, 1);
  ASSERT_EQ(PutText(control_.Get(), L"01/01/2000"), S_OK);
  EXPECT_EQ(withData.dataChanges, 3) << "the Text property and the text's own change";

  EXPECT_EQ(data_->DUnadvise(dataCookie), S_OK);
  EXPECT_EQ(data_->DUnadvise(dataCookie), OLE_E_NOCONNECTION);
  ASSERT_EQ(PutBool(control_.Get(), kDispEnabled, false), S_OK);
  EXPECT_EQ(withData.dataChanges, 3) << "unadvised";
  EXPECT_GT(changeOnly.dataChanges, 3);
  EXPECT_EQ(data_->DUnadvise(anyCookie), S_OK);
  EXPECT_EQ(withData.References(), 1u);
  EXPECT_EQ(changeOnly.References(), 1u) << "the connections gave their sinks back";
}

// A document host keeps the picture in the system's data cache, which the
// running control keeps up to date through its data-advise connection
// (the Windows metafile: the format every cache draws).
TEST_F(Picture, TheSystemCacheKeepsAnUpToDatePicture) {
  ComPtr<IOleCache2> cache;
  ASSERT_EQ(CreateDataCache(nullptr, CLSID_NULL, IID_IOleCache2, reinterpret_cast<void**>(cache.GetAddressOf())),
            S_OK);
  FORMATETC picture = Format(CF_METAFILEPICT, TYMED_MFPICT);
  DWORD connection = 0;
  ASSERT_TRUE(SUCCEEDED(cache->Cache(&picture, 0, &connection)));
  ComPtr<IOleCacheControl> control;
  ASSERT_EQ(cache.As(&control), S_OK);
  ASSERT_EQ(control->OnRun(data_.Get()), S_OK);  // the cache advises on the running object
  ComPtr<IViewObject> cached;
  ASSERT_EQ(cache.As(&cached), S_OK);
  auto drawCached = [&](Canvas& canvas) {
    RECTL bounds{0, 0, width_, height_};
    return cached->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc(), &bounds, nullptr, nullptr, 0);
  };

  ASSERT_EQ(PutInt(control_.Get(), kDispForeColor, 0x00FF00), S_OK);  // green: a change of the look
  Canvas green(width_, height_);
  ASSERT_EQ(drawCached(green), S_OK);
  EXPECT_GT(green.Count([](COLORREF c) { return GetGValue(c) > 150 && GetRValue(c) < 100; }), 20)
      << "the cache drew the picture it was sent";
  EXPECT_EQ(green.Count(Reddish), 0);
  EXPECT_EQ(control->OnStop(), S_OK);
}

}  // namespace
}  // namespace velmora::testing
