#include <gtest/gtest.h>

#include "model_textbox.h"

TEST(ModelTextBox, StartsEmpty) {
  velmora::ModelTextBox box;
  EXPECT_EQ(box.Text(), u"");
}
