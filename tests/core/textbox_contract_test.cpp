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

VELMORA_CONTRACT_SUITE(ModelTextBoxContract, ::testing::TestWithParam<contract::Row>, ModelDriver);

}  // namespace
}  // namespace velmora
