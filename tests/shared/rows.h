// What the tables of parameterised tests share: a row whose first member is
// its name prints as that name and gives its test that name.
#pragma once

#include <ostream>
#include <string>

namespace velmora::testing {

// The base of a named row; rows are still written {"Name", ...}.
struct NamedRow {
  const char* name;
  friend std::ostream& operator<<(std::ostream& os, const NamedRow& row) { return os << row.name; }
};

// INSTANTIATE_TEST_SUITE_P's namer for rows with a name.
inline constexpr auto kRowName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace velmora::testing
