#include "windows/ole_font.h"

#include <atomic>
#include <cmath>
#include <cwchar>
#include <limits>

#include "com/com_edge.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "core/errors.h"

using Microsoft::WRL::ComPtr;

namespace velmora::win32 {

namespace {

CY PointsToCy(double points) {
  // The CY of a font size counts 1/10000 point; a size that cannot be
  // held is refused rather than wrapped.
  const double units = std::round(points * 10000.0);
  if (!std::isfinite(units) || units < 0 || units > static_cast<double>(std::numeric_limits<LONGLONG>::max() / 2))
    throw VelmoraError(ErrorNumber::InvalidPropertyValue, "Font.Size");
  CY cy;
  cy.int64 = static_cast<LONGLONG>(units);
  return cy;
}

BOOL ToBool(bool value) { return value ? TRUE : FALSE; }

ComPtr<IFont> NewFont(const std::u16string& name, CY size, bool bold, bool italic, bool underline, bool strike) {
  // The name must outlive OleCreateFontIndirect only; the font copies it.
  std::wstring face(name.begin(), name.end());
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof(desc);
  desc.lpstrName = face.data();
  desc.cySize = size;
  desc.sWeight = static_cast<SHORT>(bold ? FW_BOLD : FW_NORMAL);
  desc.sCharset = DEFAULT_CHARSET;
  desc.fItalic = ToBool(italic);
  desc.fUnderline = ToBool(underline);
  desc.fStrikethrough = ToBool(strike);
  ComPtr<IFont> font;
  ThrowIfFailed(OleCreateFontIndirect(&desc, IID_IFont, reinterpret_cast<void**>(font.GetAddressOf())),
                "OleCreateFontIndirect");
  return font;
}

}  // namespace

OleFont::OleFont(ComPtr<IFont> font) : font_(std::move(font)) {
  if (!font_) throw VelmoraError(ErrorNumber::InvalidPropertyValue, "Font");
}

std::shared_ptr<OleFont> OleFont::Create(const Font& d) {
  return std::make_shared<OleFont>(
      NewFont(d.Name(), PointsToCy(d.Size()), d.Bold(), d.Italic(), d.Underline(), d.Strikethrough()));
}

namespace {

// The default faces' descriptions, made when the module loads and kept
// until it unloads, so that every thread and apartment reads the same two
// objects without a lock. Descriptions, not OLE fonts: an OLE font belongs
// to the apartment that made it, and each control changes its own.
velmora::StdFont g_defaultFaces[] = {velmora::StdFont(u"MS Sans Serif", 8.25), velmora::StdFont(u"DejaVu Sans", 8.25)};
std::atomic<int> g_defaultFace{-1};

// The classic dialog face comes first; where the system only substitutes
// it (the realised font reports another face and size), a face that the
// system has as itself keeps what is saved with a form equal to what the
// user sees. Which one that is is found once per module: realising a font
// to ask is the dearest part of making one. Two threads asking at once
// both find the same answer.
int DefaultFace() {
  int known = g_defaultFace.load(std::memory_order_relaxed);
  if (known < 0) {
    known = 0;  // substituted everywhere: the classic face
    for (int i = 0; i < 2; ++i) {
      auto font = OleFont::Create(g_defaultFaces[i]);
      HFONT realised = nullptr;
      font->font()->get_hFont(&realised);  // realises it: the name then tells
      if (font->Name() == g_defaultFaces[i].Name()) {
        known = i;
        break;
      }
    }
    g_defaultFace.store(known, std::memory_order_relaxed);
  }
  return known;
}

}  // namespace

velmora::FontRef OleFont::Default() {
  // Owned by the module, not by the reference: nothing to count.
  return velmora::FontRef(velmora::FontRef(), &g_defaultFaces[DefaultFace()]);
}

std::shared_ptr<OleFont> OleFont::CreateDefault() { return Create(*Default()); }

std::shared_ptr<OleFont> OleFont::From(const FontRef& font) {
  if (!font) throw VelmoraError(ErrorNumber::InvalidPropertyValue, "Font");
  if (auto ole = std::dynamic_pointer_cast<OleFont>(font)) return ole;
  return Create(*font);
}

ComPtr<IFontDisp> OleFont::FontDisp() const {
  ComPtr<IFontDisp> disp;
  ThrowIfFailed(font_.As(&disp), "IFont::QueryInterface(IFontDisp)");
  return disp;
}

std::u16string OleFont::Name() const {
  UniqueBstr name;
  ThrowIfFailed(font_->get_Name(name.put()), "IFont::get_Name");
  return name.ToU16();
}

void OleFont::setName(const std::u16string& name) {
  const UniqueBstr bstr = UniqueBstr::FromU16(name);
  ThrowIfFailed(font_->put_Name(bstr.get()), "IFont::put_Name");
}

double OleFont::Size() const {
  CY size{};
  ThrowIfFailed(font_->get_Size(&size), "IFont::get_Size");
  return static_cast<double>(size.int64) / 10000.0;
}

void OleFont::setSize(double points) { ThrowIfFailed(font_->put_Size(PointsToCy(points)), "IFont::put_Size"); }

namespace {

// The four styles are BOOL properties of the font, read and written alike.
using FlagGet = HRESULT (STDMETHODCALLTYPE IFont::*)(BOOL*);
using FlagPut = HRESULT (STDMETHODCALLTYPE IFont::*)(BOOL);

bool GetFlag(IFont* font, FlagGet get, const char* what) {
  BOOL flag = FALSE;
  ThrowIfFailed((font->*get)(&flag), what);
  return flag != FALSE;
}

void PutFlag(IFont* font, FlagPut put, bool flag, const char* what) { ThrowIfFailed((font->*put)(ToBool(flag)), what); }

}  // namespace

bool OleFont::Bold() const { return GetFlag(font_.Get(), &IFont::get_Bold, "IFont::get_Bold"); }
void OleFont::setBold(bool bold) { PutFlag(font_.Get(), &IFont::put_Bold, bold, "IFont::put_Bold"); }
bool OleFont::Italic() const { return GetFlag(font_.Get(), &IFont::get_Italic, "IFont::get_Italic"); }
void OleFont::setItalic(bool italic) { PutFlag(font_.Get(), &IFont::put_Italic, italic, "IFont::put_Italic"); }
bool OleFont::Underline() const { return GetFlag(font_.Get(), &IFont::get_Underline, "IFont::get_Underline"); }
void OleFont::setUnderline(bool underline) {
  PutFlag(font_.Get(), &IFont::put_Underline, underline, "IFont::put_Underline");
}
bool OleFont::Strikethrough() const {
  return GetFlag(font_.Get(), &IFont::get_Strikethrough, "IFont::get_Strikethrough");
}
void OleFont::setStrikethrough(bool strike) {
  PutFlag(font_.Get(), &IFont::put_Strikethrough, strike, "IFont::put_Strikethrough");
}

// ---- FontFollower -------------------------------------------------------------

class FontFollower::Sink final : public ComBase<Sink, IPropertyNotifySink> {
 public:
  explicit Sink(FontFollower* follower) noexcept : follower_(follower) {}
  void Detach() noexcept { follower_ = nullptr; }

  STDMETHODIMP OnChanged(DISPID) noexcept override {
    // The sink outlives a callback that stops the follower.
    const ComPtr<IPropertyNotifySink> keep(this);
    if (follower_) follower_->changed_();
    return S_OK;
  }
  STDMETHODIMP OnRequestEdit(DISPID) noexcept override { return S_OK; }

 private:
  friend ComBase;
  ~Sink() = default;
  FontFollower* follower_;
};

FontFollower::~FontFollower() { Stop(); }

bool FontFollower::Follow(IFont* font) {
  Stop();
  sink_ = Sink::New(this);  // New's reference, held until Stop
  advise_ = AdviseConnection(font, IID_IPropertyNotifySink, sink_);
  if (!advise_) Stop();
  return Following();
}

void FontFollower::Stop() noexcept {
  advise_.reset();
  if (Sink* sink = std::exchange(sink_, nullptr)) {
    sink->Detach();
    sink->Release();
  }
}

}  // namespace velmora::win32
