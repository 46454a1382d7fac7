#include "windows/ole_font.h"

#include <atomic>
#include <cmath>
#include <cwchar>
#include <limits>

#include "com/com_util.h"
#include "errors.h"

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

std::shared_ptr<OleFont> OleFont::CreateDefault() {
  // The classic dialog face comes first; where the system only substitutes
  // it (the realised font reports another face and size), a face that the
  // system has as itself keeps what is saved with a form equal to what the
  // user sees. Which one that is is found once per module: realising a font
  // to ask is the dearest part of making one.
  static const char16_t* const kFaces[] = {u"MS Sans Serif", u"DejaVu Sans"};
  static std::atomic<int> chosen{-1};
  if (const int known = chosen.load(std::memory_order_relaxed); known >= 0)
    return std::make_shared<OleFont>(NewFont(kFaces[known], PointsToCy(8.25), false, false, false, false));
  std::shared_ptr<OleFont> first;
  for (int i = 0; i < 2; ++i) {
    auto font = std::make_shared<OleFont>(NewFont(kFaces[i], PointsToCy(8.25), false, false, false, false));
    HFONT realised = nullptr;
    font->font()->get_hFont(&realised);  // realises it: the name then tells
    if (font->Name() == kFaces[i]) {
      chosen.store(i, std::memory_order_relaxed);
      return font;
    }
    if (!first) first = font;
  }
  chosen.store(0, std::memory_order_relaxed);
  return first;
}

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

bool OleFont::Bold() const {
  BOOL bold = FALSE;
  ThrowIfFailed(font_->get_Bold(&bold), "IFont::get_Bold");
  return bold != FALSE;
}

void OleFont::setBold(bool bold) { ThrowIfFailed(font_->put_Bold(ToBool(bold)), "IFont::put_Bold"); }

bool OleFont::Italic() const {
  BOOL italic = FALSE;
  ThrowIfFailed(font_->get_Italic(&italic), "IFont::get_Italic");
  return italic != FALSE;
}

void OleFont::setItalic(bool italic) { ThrowIfFailed(font_->put_Italic(ToBool(italic)), "IFont::put_Italic"); }

bool OleFont::Underline() const {
  BOOL underline = FALSE;
  ThrowIfFailed(font_->get_Underline(&underline), "IFont::get_Underline");
  return underline != FALSE;
}

void OleFont::setUnderline(bool underline) {
  ThrowIfFailed(font_->put_Underline(ToBool(underline)), "IFont::put_Underline");
}

bool OleFont::Strikethrough() const {
  BOOL strike = FALSE;
  ThrowIfFailed(font_->get_Strikethrough(&strike), "IFont::get_Strikethrough");
  return strike != FALSE;
}

void OleFont::setStrikethrough(bool strike) {
  ThrowIfFailed(font_->put_Strikethrough(ToBool(strike)), "IFont::put_Strikethrough");
}

}  // namespace velmora::win32
