// The cost of one keystroke through VelmoraControl, in date and in number
// mode, against the floor it cannot beat: the same keystroke into the bare
// model text box, with none of the control's procedures.
#include <benchmark/benchmark.h>

#include <string>

#include "control/velmora_control.h"
#include "model_textbox.h"
#include "platform.h"

namespace {

using namespace velmora;

// A container and a platform that only count: recording every event would
// measure the recorder.
class CountingHost : public ControlHost {
 public:
  std::int64_t changes = 0;
  void PropertyChanged(const std::u16string&) override {}
  FontRef AmbientFont() override { return nullptr; }
  std::int32_t ScaleWidth() override { return 1125; }
  std::int32_t ScaleHeight() override { return 300; }
  void RaiseDataNonValida() override {}
  void RaiseChange() override { ++changes; }
};

class QuietPlatform : public Platform {
 public:
  void Beep() override {}
  void SendKeys(std::u16string_view) override {}
  CalendarDate Today() override { return {2024, 5, 1}; }
};

struct Field {
  QuietPlatform platform;
  ScopedPlatform installed{platform};
  ModelTextBox box;
  CountingHost host;
  VelmoraControl control{box, host};
  Field() {
    control.UserControl_Initialize();
    control.UserControl_InitProperties();
    box.GotFocus();
  }
};

// A field in number mode holding `text`.
struct NumberField : Field {
  NumberField(const std::u16string& text, std::int16_t maxLength) {
    control.setDateValue(kFalse);
    control.setMaxLength(maxLength);
    control.setText(text);
  }
};

void Type(ModelTextBox& box, char16_t ch) { box.Keystroke(static_cast<std::int16_t>(ch), 0, ch); }

// Grouped digits "123.456.7..." of the given length in characters.
std::u16string NumberText(std::size_t length) {
  std::u16string digits;
  while (digits.size() + digits.size() / 3 < length) digits += static_cast<char16_t>(u'1' + digits.size() % 9);
  std::u16string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += u'.';
    grouped += digits[i];
  }
  return grouped;
}

// A date typed over the long mask, starting over at the end of the field.
void BM_DateKeystroke(benchmark::State& state) {
  Field f;
  const std::u16string digits = u"14121967";
  std::size_t i = 0;
  for (auto _ : state) {
    if (f.box.SelStart() >= 10) f.box.Select(0, 0);
    Type(f.box, digits[i++ % digits.size()]);
  }
  benchmark::DoNotOptimize(f.host.changes);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DateKeystroke);

// A digit typed inside a 19-character number: overwritten in place.
void BM_NumberOverwrite(benchmark::State& state) {
  NumberField f(u"123.456.789.012.345", 20);
  char16_t digit = u'1';
  for (auto _ : state) {
    if (f.box.SelStart() >= 19) f.box.Select(0, 0);
    Type(f.box, digit);
    digit = digit == u'9' ? u'1' : static_cast<char16_t>(digit + 1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NumberOverwrite);

// A digit appended at the end and taken back with Backspace: both rebuild
// the 17- to 19-character text.
void BM_NumberAppendAndBackspace(benchmark::State& state) {
  NumberField f(u"12.345.678.901.234", 20);
  f.box.Select(18, 0);
  for (auto _ : state) {
    Type(f.box, u'5');
    Type(f.box, u'\b');
  }
  state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_NumberAppendAndBackspace);

// The cost per keystroke against the length of the text: every keystroke
// reads and writes the whole text, so it grows linearly.
void BM_NumberOverwriteByLength(benchmark::State& state) {
  const auto length = static_cast<std::size_t>(state.range(0));
  NumberField f(NumberText(length), 32767);
  const auto middle = static_cast<std::int32_t>(length / 2);
  for (auto _ : state) {
    f.box.Select(middle, 0);
    Type(f.box, u'7');
  }
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NumberOverwriteByLength)->RangeMultiplier(4)->Range(16, 16384)->Complexity(benchmark::oN);

void BM_NumberRebuildByLength(benchmark::State& state) {
  const auto length = static_cast<std::size_t>(state.range(0));
  NumberField f(NumberText(length), 32767);
  for (auto _ : state) {
    f.box.Select(32767, 0);
    Type(f.box, u'5');
    Type(f.box, u'\b');
  }
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_NumberRebuildByLength)->RangeMultiplier(4)->Range(16, 16384)->Complexity(benchmark::oN);

// The floor: one character replacing one character of the bare box.
void BM_BareBoxKeystroke(benchmark::State& state) {
  ModelTextBox box;
  const auto length = static_cast<std::size_t>(state.range(0));
  box.setText(NumberText(length));
  box.GotFocus();
  const auto middle = static_cast<std::int32_t>(length / 2);
  for (auto _ : state) {
    box.Select(middle, 1);
    Type(box, u'7');
  }
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareBoxKeystroke)->Arg(10)->Arg(19)->RangeMultiplier(4)->Range(16, 16384)->Complexity(benchmark::oN);

}  // namespace
