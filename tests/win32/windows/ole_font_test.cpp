// OLE fonts behind the core's Font: descriptions round trip, the object is
// shared by reference, and bad values are refused with the core's errors.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cmath>
#include <limits>
#include <memory>

#include "errors.h"
#include "com/com_edge.h"
#include "com/handles.h"
#include "windows/ole_font.h"
#include "test_support.h"

namespace velmora::win32 {
namespace {

using namespace velmora::testing;
using OleFontTest = OleTest;

TEST_F(OleFontTest, DescriptionRoundTripsThroughARealisedFont) {
  struct {
    const char* name;
    double size;
    bool bold, italic, underline, strike;
  } const rows[] = {{"plain 8.25", 8.25, false, false, false, false}, {"bold 12", 12, true, false, false, false},
                    {"italic 9.75", 9.75, false, true, false, false}, {"underline 10", 10, false, false, true, false},
                    {"strike 14", 14, false, false, false, true},     {"all 20", 20, true, true, true, true}};
  for (const auto& row : rows) {
    StdFont description(u"DejaVu Sans", row.size);
    description.setBold(row.bold);
    description.setItalic(row.italic);
    description.setUnderline(row.underline);
    description.setStrikethrough(row.strike);
    auto font = OleFont::Create(description);
    HFONT hfont = nullptr;
    ASSERT_TRUE(SUCCEEDED(font->font()->get_hFont(&hfont))) << row.name;
    EXPECT_EQ(font->Name(), u"DejaVu Sans") << row.name;
    // wine's font reports the size of the font it realised, which is a
    // whole number of pixels: up to 0.75 point (one pixel at 96 dpi) off.
    EXPECT_NEAR(font->Size(), row.size, 0.75) << row.name;
    EXPECT_EQ(font->Bold(), row.bold) << row.name;
    EXPECT_EQ(font->Italic(), row.italic) << row.name;
    EXPECT_EQ(font->Underline(), row.underline) << row.name;
    EXPECT_EQ(font->Strikethrough(), row.strike) << row.name;
    LOGFONTW lf{};
    GetObjectW(hfont, sizeof lf, &lf);
    EXPECT_STREQ(lf.lfFaceName, L"DejaVu Sans") << row.name;
    EXPECT_EQ(lf.lfItalic != 0, row.italic) << row.name;
  }
}

TEST_F(OleFontTest, ChangesThroughTheCoreAreChangesOfTheSharedObject) {
  auto font = OleFont::Create(StdFont(u"DejaVu Sans", 10));
  auto disp = font->FontDisp();
  Microsoft::WRL::ComPtr<IFont> other;
  ASSERT_TRUE(SUCCEEDED(disp.As(&other)));
  EXPECT_EQ(other.Get(), font->font());  // one object behind IFont and IFontDisp
  font->setName(u"DejaVu Serif");
  font->setSize(15.5);
  font->setBold(true);
  BSTR name = nullptr;
  other->get_Name(&name);
  EXPECT_STREQ(name, L"DejaVu Serif");
  SysFreeString(name);
  CY size{};
  other->get_Size(&size);
  EXPECT_NEAR(static_cast<double>(size.int64), 155000, 7500);
  BOOL bold = FALSE;
  other->get_Bold(&bold);
  EXPECT_TRUE(bold);
}

TEST_F(OleFontTest, FromKeepsAnOleFontAndConvertsAPortableOne) {
  auto ole = OleFont::Create(StdFont(u"DejaVu Sans", 10));
  FontRef asRef = ole;
  EXPECT_EQ(OleFont::From(asRef), ole);
  auto portable = std::make_shared<StdFont>(u"DejaVu Sans", 11.25);
  portable->setItalic(true);
  auto converted = OleFont::From(portable);
  ASSERT_NE(converted, nullptr);
  EXPECT_EQ(converted->Name(), u"DejaVu Sans");
  EXPECT_NEAR(converted->Size(), 11.25, 0.75);
  EXPECT_TRUE(converted->Italic());
}

TEST_F(OleFontTest, BadValuesAreInvalidPropertyValues) {
  auto font = OleFont::Create(StdFont(u"DejaVu Sans", 10));
  const double size10 = font->Size();
  const double sizes[] = {-1, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          1e300};
  for (double size : sizes) {
    EXPECT_CONTROL_ERROR(380, font->setSize(size)) << size;
  }
  EXPECT_DOUBLE_EQ(font->Size(), size10);
  EXPECT_CONTROL_ERROR(380, OleFont::From(nullptr)) << "null font reference";
  EXPECT_CONTROL_ERROR(380, OleFont font{Microsoft::WRL::ComPtr<IFont>()}) << "null IFont";
}

TEST_F(OleFontTest, DefaultFontExistsAsItselfAt8Point25) {
  auto font = OleFont::CreateDefault();
  ASSERT_NE(font, nullptr);
  HFONT hfont = nullptr;
  ASSERT_TRUE(SUCCEEDED(font->font()->get_hFont(&hfont)));
  EXPECT_NE(hfont, nullptr);
  EXPECT_DOUBLE_EQ(font->Size(), 8.25);
  const std::u16string name = font->Name();
  EXPECT_TRUE(name == u"MS Sans Serif" || name == u"DejaVu Sans");
  LOGFONTW lf{};
  GetObjectW(hfont, sizeof lf, &lf);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(lf.lfFaceName)), name);
  // One description for the module; every font made of it is its own.
  const FontRef description = OleFont::Default();
  EXPECT_EQ(description.get(), OleFont::Default().get());
  EXPECT_EQ(description->Name(), name);
  EXPECT_NE(OleFont::CreateDefault()->font(), font->font());
}

TEST(ThrowIfFailedTest, HresultsOfCallsTheCoreMakesBecomeCoreErrorNumbers) {
  struct {
    HRESULT hr;
    int number;
  } const rows[] = {{E_INVALIDARG, 380}, {CTL_E_INVALIDPROPERTYVALUE, 380}, {CTL_E_OVERFLOW, 6}, {E_FAIL, 5},
                    {E_OUTOFMEMORY, 5}};
  for (const auto& row : rows) {
    EXPECT_CONTROL_ERROR(row.number, ThrowIfFailed(row.hr, "call")) << std::hex << row.hr;
  }
  EXPECT_NO_THROW(ThrowIfFailed(S_FALSE, "call"));
}

}  // namespace
}  // namespace velmora::win32
