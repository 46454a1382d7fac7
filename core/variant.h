// A variant: the value type of the property bag and of property access by
// name, with the conversions the control relies on. Failed conversions throw
// VelmoraError with the platform's numbers: overflow (6) for a number out of
// the target's range, type mismatch (13) for a value of the wrong kind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "font.h"

namespace velmora {

class Variant {
 public:
  enum class Type { Empty, Integer, Long, Double, Boolean, String, Object };

  Variant() = default;
  static Variant Integer(std::int16_t v) { return Variant(Storage(std::in_place_index<1>, v)); }
  static Variant Long(std::int32_t v) { return Variant(Storage(std::in_place_index<2>, v)); }
  static Variant Double(double v) { return Variant(Storage(std::in_place_index<3>, v)); }
  // A Boolean is -1 (True) or 0 (False); any non-zero input is True.
  static Variant Boolean(bool v) { return Variant(Storage(std::in_place_index<4>, v)); }
  static Variant String(std::u16string v) { return Variant(Storage(std::in_place_index<5>, std::move(v))); }
  static Variant FromObject(std::shared_ptr<Object> v) {
    return Variant(Storage(std::in_place_index<6>, std::move(v)));
  }

  Type type() const { return static_cast<Type>(value_.index()); }
  bool isEmpty() const { return type() == Type::Empty; }

  // Conversions, as the platform's variant conversion does them: numbers
  // round to the nearest integer with halves to the even neighbour, strings
  // are read as numbers (or "True"/"False"), Booleans are -1/0.
  std::int16_t ToInteger() const;
  std::int32_t ToLong() const;
  double ToDouble() const;
  std::int16_t ToBoolean() const;  // -1 or 0
  std::u16string ToString() const;
  std::shared_ptr<Object> ToObject() const;
  FontRef ToFont() const;  // type mismatch unless it holds a font object

  bool operator==(const Variant& other) const { return value_ == other.value_; }

 private:
  using Storage = std::variant<std::monostate, std::int16_t, std::int32_t, double, bool,
                               std::u16string, std::shared_ptr<Object>>;
  explicit Variant(Storage s) : value_(std::move(s)) {}
  Storage value_;
};

// Reads a whole string as a number the way a variant conversion does:
// surrounding blanks allowed, then a sign, digits, one decimal point and an
// exponent; anything else is a type mismatch.
double ParseNumberStrict(const std::u16string& text);

// Whether text spells word, an ASCII word, in any mix of cases.
bool EqualsIgnoringCase(std::u16string_view text, std::string_view word);

std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);

}  // namespace velmora
