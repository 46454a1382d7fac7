// Whose key it is, when a frame offers the page Generale a key: the frame's
// own keys must go back to it, the page moves between its controls, and a
// control that claims a key keeps it.
#include <gtest/gtest.h>

#include <string>

#include "../../shared/page_rows.h"
#include "page/page_keys.h"

namespace velmora {
namespace {

class PageKeyRouteTest : public ::testing::TestWithParam<page_rows::KeyRow> {};

TEST_P(PageKeyRouteTest, Routes) {
  EXPECT_EQ(static_cast<int>(RoutePageKey(GetParam().key, GetParam().focus)), static_cast<int>(GetParam().route));
}

INSTANTIATE_TEST_SUITE_P(Rows, PageKeyRouteTest, ::testing::ValuesIn(page_rows::kKeyRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
