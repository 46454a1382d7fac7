// The text box contract run on the core's model of the edit box: the same
// rows run on the real EDIT under wine (tests/win32/edit_textbox_test.cpp).
#include <gtest/gtest.h>

#include "../shared/textbox_contract.h"
#include "model_textbox.h"

namespace velmora {
namespace {

class ModelDriver final : public contract::Driver {
 public:
  TextBox& Box() override { return box_; }
  void Type(const contract::Key& key) override { box_.Keystroke(key.keyCode, key.shift, key.ch); }
  void Select(std::int32_t start, std::int32_t length) override { box_.Select(start, length); }
  void Focus() override { box_.GotFocus(); }
  void Blur() override { box_.LoseFocus(); }

 private:
  ModelTextBox box_;
};

class ModelTextBoxContract : public ::testing::TestWithParam<contract::Row> {};

TEST_P(ModelTextBoxContract, Holds) {
  ModelDriver driver;
  const std::string failure = contract::RunContractRow(driver, GetParam());
  EXPECT_TRUE(failure.empty()) << failure;
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelTextBoxContract, ::testing::ValuesIn(contract::ContractRows()),
                         [](const ::testing::TestParamInfo<contract::Row>& info) { return info.param.name; });

}  // namespace
}  // namespace velmora
