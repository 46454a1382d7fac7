#include "variant.h"

#include <algorithm>
#include <cmath>

#include "errors.h"
#include "exact_decimal.h"

namespace velmora {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }


std::u16string Trim(const std::u16string& text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// Round to the nearest integer, halves to even, and check the range.
std::int64_t RoundChecked(double v, double lo, double hi, const char* what) {
  if (std::isnan(v)) ThrowOverflow(what);
  double r = std::nearbyint(v);  // the default rounding mode rounds halves to even
  if (r < lo || r > hi) ThrowOverflow(what);
  return static_cast<std::int64_t>(r);
}

}  // namespace

bool EqualsIgnoringCase(std::u16string_view text, std::string_view word) {
  const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (lower(text[i]) != lower(static_cast<unsigned char>(word[i]))) return false;
  return true;
}

double ParseNumberStrict(const std::u16string& raw) {
  std::u16string text = Trim(raw);
  if (EqualsIgnoringCase(text, "true")) return -1;
  if (EqualsIgnoringCase(text, "false")) return 0;
  // Taken apart into significant digits and a decimal exponent (the value
  // is 0.digits x 10^exponent), then converted exactly.
  bool negative = false;
  std::string digits;
  std::int64_t exponent = 0;
  std::size_t i = 0;
  auto digitRun = [&](bool afterPoint) {
    std::size_t count = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++count) {
      if (digits.empty() && text[i] == u'0') {
        if (afterPoint) --exponent;  // a zero right after the point shifts the value down
        continue;
      }
      digits += static_cast<char>(text[i]);
      if (!afterPoint) ++exponent;
    }
    return count;
  };
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::size_t n = digitRun(false);
  if (i < text.size() && text[i] == u'.') {
    ++i;
    n += digitRun(true);
  }
  if (n == 0) ThrowTypeMismatch("not a number");
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negativeExponent = text[i++] == u'-';
    std::int64_t e = 0;
    const std::size_t start = i;
    // Past this the value is infinite or zero anyway; the cap keeps the
    // exponent arithmetic from wrapping.
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
      e = std::min<std::int64_t>(e * 10 + (text[i] - u'0'), 1'000'000'000);
    if (i == start) ThrowTypeMismatch("not a number");
    exponent += negativeExponent ? -e : e;
  }
  if (i != text.size()) ThrowTypeMismatch("not a number");
  if (digits.empty()) return negative ? -0.0 : 0.0;
  const double v = DecimalToDouble(digits, exponent);
  if (std::isinf(v)) ThrowOverflow("number too large");
  return negative ? -v : v;
}

double Variant::ToDouble() const {
  switch (type()) {
    case Type::Empty: return 0;
    case Type::Integer: return std::get<1>(value_);
    case Type::Long: return std::get<2>(value_);
    case Type::Double: return std::get<3>(value_);
    case Type::Boolean: return std::get<4>(value_) ? -1 : 0;
    case Type::String: return ParseNumberStrict(std::get<5>(value_));
    case Type::Object: break;
  }
  ThrowTypeMismatch("an object is not a number");
}

std::int16_t Variant::ToInteger() const {
  if (type() == Type::Integer) return std::get<1>(value_);
  return static_cast<std::int16_t>(RoundChecked(ToDouble(), INT16_MIN, INT16_MAX, "16-bit integer"));
}

std::int32_t Variant::ToLong() const {
  if (type() == Type::Long) return std::get<2>(value_);
  return static_cast<std::int32_t>(RoundChecked(ToDouble(), INT32_MIN, INT32_MAX, "32-bit integer"));
}

std::int16_t Variant::ToBoolean() const {
  if (type() == Type::Boolean) return std::get<4>(value_) ? -1 : 0;
  return ToDouble() != 0 ? -1 : 0;
}

std::u16string Variant::ToString() const {
  switch (type()) {
    case Type::Empty: return u"";
    case Type::Integer: return FromUtf8(std::to_string(std::get<1>(value_)));
    case Type::Long: return FromUtf8(std::to_string(std::get<2>(value_)));
    case Type::Double: return FromUtf8(FormatGeneral(std::get<3>(value_), 15));
    case Type::Boolean: return std::get<4>(value_) ? u"True" : u"False";
    case Type::String: return std::get<5>(value_);
    case Type::Object: break;
  }
  ThrowTypeMismatch("an object is not a string");
}

std::shared_ptr<Object> Variant::ToObject() const {
  if (type() != Type::Object) ThrowTypeMismatch("not an object");
  return std::get<6>(value_);
}

FontRef Variant::ToFont() const {
  auto font = std::dynamic_pointer_cast<Font>(ToObject());
  if (!font) ThrowTypeMismatch("not a font object");
  return font;
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string FromUtf8(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    char32_t c;
    int extra;
    if (b < 0x80) { c = b; extra = 0; }
    else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; extra = 1; }
    else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; extra = 2; }
    else if ((b & 0xF8) == 0xF0) { c = b & 0x07; extra = 3; }
    else { out += u'\uFFFD'; ++i; continue; }
    bool bad = false;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) { bad = true; break; }
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    // Overlong forms, encoded surrogates and values beyond U+10FFFF are not
    // characters: they would come out as other characters or as a broken
    // surrogate pair, so they are replaced like any other bad byte.
    if (!bad) {
      static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
      bad = c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF);
    }
    if (bad) { out += u'\uFFFD'; ++i; continue; }
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

}  // namespace velmora
