// The control's errors in tests: which one a call throws, asserted in one
// place whatever the layer.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "errors.h"

namespace velmora::testing {

// What a call threw as the control's error: number 0 when it threw none.
struct ThrownError {
  int number = 0;
  std::string message;
};

// What a call threw as an E, if it threw one (anything else goes on).
template <class E, class Call>
std::optional<E> Thrown(Call&& call) {
  try {
    call();
  } catch (const E& e) {
    return e;
  }
  return std::nullopt;
}

template <class Call>
ThrownError ErrorOf(Call&& call) {
  if (const auto e = Thrown<VelmoraError>(call)) return {e->number(), e->what()};
  return {};
}

}  // namespace velmora::testing

// Expects the statements to throw the control's error `expected` (0: none);
// a failure shows the message thrown. Takes << like any EXPECT.
#define EXPECT_CONTROL_ERROR(expected, ...)                                                             \
  switch (0)                                                                                             \
  case 0:                                                                                                \
  default:                                                                                               \
    if (const ::velmora::testing::ThrownError velmoraThrown_ = ::velmora::testing::ErrorOf([&] { __VA_ARGS__; }); \
      velmoraThrown_.number == (expected)) {                                                               \
  } else                                                                                                 \
    ADD_FAILURE() << "error " << velmoraThrown_.number << " (\"" << velmoraThrown_.message << "\"), expected " \
                  << (expected) << ". "
