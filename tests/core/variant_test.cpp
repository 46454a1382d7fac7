// Variant conversions as the property bag and access by name rely on them:
// halves round to the even neighbour, a number out of range is an overflow
// (6), a value of the wrong kind a type mismatch (13), Booleans are -1/0.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "errors.h"
#include "variant.h"
#include "../shared/control_error.h"
#include "../shared/rows.h"

namespace velmora {
namespace {

struct ConversionRow : testing::NamedRow {
  Variant value;
  std::function<double(const Variant&)> convert;
  double expected;  // ignored when an error is expected
  int error;        // 0, 6 or 13
};

const auto kInteger = [](const Variant& v) { return static_cast<double>(v.ToInteger()); };
const auto kLong = [](const Variant& v) { return static_cast<double>(v.ToLong()); };
const auto kBoolean = [](const Variant& v) { return static_cast<double>(v.ToBoolean()); };

class Conversion : public ::testing::TestWithParam<ConversionRow> {};

TEST_P(Conversion, GivesTheValueOrTheError) {
  const ConversionRow& row = GetParam();
  double actual = 0;
  EXPECT_CONTROL_ERROR(row.error, actual = row.convert(row.value)) << row.name;
  if (row.error == 0) {
    EXPECT_EQ(actual, row.expected) << row.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Conversion,
    ::testing::Values(
        ConversionRow{"2.5 to even 2", Variant::Double(2.5), kInteger, 2, 0},
        ConversionRow{"3.5 to even 4", Variant::Double(3.5), kInteger, 4, 0},
        ConversionRow{"-2.5 to even -2", Variant::Double(-2.5), kInteger, -2, 0},
        ConversionRow{"2.51 up", Variant::Double(2.51), kInteger, 3, 0},
        ConversionRow{"32767.4 fits", Variant::Double(32767.4), kInteger, 32767, 0},
        ConversionRow{"32767.5 rounds out of range", Variant::Double(32767.5), kInteger, 0, 6},
        ConversionRow{"-32768.5 rounds to even -32768", Variant::Double(-32768.5), kInteger, -32768, 0},
        ConversionRow{"-32769 overflows", Variant::Long(-32769), kInteger, 0, 6},
        ConversionRow{"Long 70000 overflows a 16-bit", Variant::Long(70000), kInteger, 0, 6},
        ConversionRow{"text with blanks", Variant::String(u"  12 "), kInteger, 12, 0},
        ConversionRow{"text with exponent", Variant::String(u"1e3"), kInteger, 1000, 0},
        ConversionRow{"text with half", Variant::String(u"0.5"), kInteger, 0, 0},
        ConversionRow{"text too large for a double", Variant::String(u"1e400"), kInteger, 0, 6},
        ConversionRow{"empty text is no number", Variant::String(u""), kInteger, 0, 13},
        ConversionRow{"words are no number", Variant::String(u"dieci"), kInteger, 0, 13},
        ConversionRow{"trailing garbage", Variant::String(u"12a"), kInteger, 0, 13},
        ConversionRow{"two points", Variant::String(u"1.2.3"), kInteger, 0, 13},
        ConversionRow{"Empty is 0", Variant(), kInteger, 0, 0},
        ConversionRow{"True is -1", Variant::Boolean(true), kInteger, -1, 0},
        ConversionRow{"an object is no number", Variant::FromObject(std::make_shared<StdFont>()), kInteger, 0, 13},
        ConversionRow{"system colour as Long", Variant::Long(static_cast<std::int32_t>(0x80000005u)), kLong,
                      static_cast<double>(static_cast<std::int32_t>(0x80000005u)), 0},
        ConversionRow{"2147483647.5 rounds out of range", Variant::Double(2147483647.5), kLong, 0, 6},
        ConversionRow{"-2147483648.5 rounds to even", Variant::Double(-2147483648.5), kLong, -2147483648.0, 0},
        ConversionRow{"Integer 1 is True", Variant::Integer(1), kBoolean, -1, 0},
        ConversionRow{"Integer 0 is False", Variant::Integer(0), kBoolean, 0, 0},
        ConversionRow{"0.1 is True", Variant::Double(0.1), kBoolean, -1, 0},
        ConversionRow{"the word True", Variant::String(u"True"), kBoolean, -1, 0},
        ConversionRow{"the word false, any case", Variant::String(u" fALSe "), kBoolean, 0, 0},
        ConversionRow{"the text 0", Variant::String(u"0"), kBoolean, 0, 0},
        ConversionRow{"yes is no Boolean", Variant::String(u"yes"), kBoolean, 0, 13},
        ConversionRow{"Empty is False", Variant(), kBoolean, 0, 0}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST(VariantString, NumbersAndBooleansAsText) {
  EXPECT_EQ(Variant::Integer(-5).ToString(), u"-5");
  EXPECT_EQ(Variant::Long(70000).ToString(), u"70000");
  EXPECT_EQ(Variant::Double(1.5).ToString(), u"1.5");
  EXPECT_EQ(Variant::Boolean(true).ToString(), u"True");
  EXPECT_EQ(Variant::Boolean(false).ToString(), u"False");
  EXPECT_EQ(Variant().ToString(), u"");
  EXPECT_THROW((void)Variant::FromObject(std::make_shared<StdFont>()).ToString(), VelmoraError);
}

TEST(VariantFont, OnlyAFontObjectIsAFont) {
  auto font = std::make_shared<StdFont>();
  EXPECT_EQ(Variant::FromObject(font).ToFont(), font);
  EXPECT_THROW((void)Variant::FromObject(std::make_shared<Object>()).ToFont(), VelmoraError);
  EXPECT_THROW((void)Variant::String(u"Arial").ToFont(), VelmoraError);
}

struct Utf8Row : testing::NamedRow {
  std::string utf8;
  std::u16string utf16;
};

class Utf8Decoding : public ::testing::TestWithParam<Utf8Row> {};

TEST_P(Utf8Decoding, ReplacesWhatIsNotACharacter) {
  EXPECT_EQ(FromUtf8(GetParam().utf8), GetParam().utf16) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Utf8Decoding,
    ::testing::Values(Utf8Row{"ascii", "14/12", u"14/12"},
                      Utf8Row{"two and three bytes", "\xc3\xa8\xe2\x82\xac", u"\u00e8\u20ac"},
                      Utf8Row{"four bytes make a pair", "\xf0\x9f\x98\x80", u"\U0001F600"},
                      Utf8Row{"stray continuation", "a\x80" "b", u"a\uFFFDb"},
                      Utf8Row{"cut short", "\xe2\x82", u"\uFFFD\uFFFD"},
                      Utf8Row{"overlong slash", "\xc0\xaf", u"\uFFFD\uFFFD"},
                      Utf8Row{"encoded surrogate", "\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},
                      Utf8Row{"beyond U+10FFFF", "\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST(Utf8Encoding, RoundTripsAndReplacesLoneSurrogates) {
  const std::u16string text = u"\u00e8\u20ac\U0001F600 14/12";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t{0xD800})), "\xef\xbf\xbd");
  EXPECT_EQ(ToUtf8(u"a" + std::u16string(1, char16_t{0xDC00})), "a\xef\xbf\xbd");
}

}  // namespace
}  // namespace velmora
