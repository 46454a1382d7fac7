// The shared key rows of the date and number fields, played on the Windows
// control placed on the test form: real keystrokes (SendInput) into its
// focused EDIT, through the container's loop. The same rows run on the
// core's control over the model text box, so both boxes are held to one
// table.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shared/key_rows.h"
#include "test_container.h"
#include "test_support.h"

namespace velmora::testing {
namespace {

using key_rows::KeyRow;
using key_rows::Outcome;
using key_rows::Stroke;

// One form and one control for every row: wine without a window manager
// waits two seconds for each top-level window taken down after it was shown.
// The beeps are counted from the control's creation on: the module puts its
// own platform in at its first creation.
class WindowsPlayer {
 public:
  WindowsPlayer() : form_(std::make_unique<TestForm>()) {
    placed_ = form_->AddControl(CreateTestControl(), RECT{10, 10, 210, 40});
    installed_.emplace(platform_);
  }
  const std::string& failure() const { return form_->failure(); }
  bool placed() const { return placed_ != nullptr; }

  void Prepare(const KeyRow& row) {
    IUnknown* control = placed_->object.Get();
    ASSERT_EQ(PutBool(control, kDispDateValue, row.field == key_rows::kDate), S_OK);
    ASSERT_EQ(PutBool(control, kDispVirgola, row.field == key_rows::kNumberComma), S_OK);
    ASSERT_EQ(PutInt(control, kDispMaxLength, row.maxLength), S_OK);
    ASSERT_EQ(PutInt(control, kDispForeColor, static_cast<long>(row.startColour)), S_OK);
    ASSERT_EQ(PutText(control, reinterpret_cast<const wchar_t*>(row.text)), S_OK);
    HWND edit = placed_->Edit();
    if (GetFocus() != edit) form_->Focus(edit);
    ASSERT_EQ(GetFocus(), edit);
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(row.selStart),
                 static_cast<LPARAM>(row.selStart + row.selLength));
    form_->Pump();
    platform_.beeps = 0;
  }

  // The key as the keyboard gives it: a character the layout types with its
  // own key (and Shift when the layout needs it), Ctrl+letter for a control
  // character, the bare key for one that types nothing, and any other
  // character as a character of its own.
  void Strike(char16_t key) {
    const Stroke s = key_rows::StrokeOf(key);
    Send(s.ch >= u' ' && s.ch != 0x7f ? CharStroke(static_cast<wchar_t>(s.ch))
                                      : Keystroke(static_cast<WORD>(s.keyCode), s.ctrl ? 2 : 0));
    form_->Pump();
  }

  Outcome Read() {
    DWORD start = 0, end = 0;
    SendMessageW(placed_->Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::wstring text = placed_->Text();
    return {std::u16string(text.begin(), text.end()), static_cast<int>(start), static_cast<int>(end - start),
            platform_.beeps, static_cast<std::uint32_t>(GetInt(placed_->object.Get(), kDispForeColor)), {}};
  }

 private:
  key_rows::BeepCounter platform_;
  std::unique_ptr<TestForm> form_;
  Placed* placed_ = nullptr;
  std::optional<ScopedPlatform> installed_;
};

class WindowsKeys : public ::testing::TestWithParam<KeyRow> {
 protected:
  static void SetUpTestSuite() {
    ole_ = new OleScope;
    player_ = new WindowsPlayer;
  }
  static void TearDownTestSuite() {
    delete player_;
    delete ole_;
  }
  static OleScope* ole_;
  static WindowsPlayer* player_;
};
OleScope* WindowsKeys::ole_ = nullptr;
WindowsPlayer* WindowsKeys::player_ = nullptr;

TEST_P(WindowsKeys, Play) {
  ASSERT_TRUE(player_->placed()) << player_->failure();
  key_rows::PlayRow(*player_, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Shared, WindowsKeys, ::testing::ValuesIn(key_rows::kKeyRows), kRowName);

}  // namespace
}  // namespace velmora::testing
