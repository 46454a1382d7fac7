// What number editing costs against the floor it cannot beat.
//
// Rebuilding: FormattaNumero on texts of digits against a plain copy of the
// same text; the rebuild must grow linearly with the length. The longest
// text that fits the box is 24,576 digits (32,767 characters once grouped);
// 32,000 digits would group to 42,667 characters and are refused with an
// overflow error, whose cost is measured too.
//
// Typing: one digit keystroke on a number field of up to 20 characters
// against the bare text box inserting the same character.
#include <benchmark/benchmark.h>

#include <string>

#include "errors.h"
#include "model_textbox.h"
#include "number/number_editing.h"

namespace {

std::u16string Digits(std::size_t count) {
  std::u16string text(count, u'0');
  for (std::size_t k = 0; k < count; ++k) text[k] = static_cast<char16_t>(u'1' + k % 9);
  return text;
}

void BM_CopyFloor(benchmark::State& state) {
  const std::u16string text = Digits(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::u16string copy = text;
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CopyFloor)->Arg(10)->Arg(1000)->Arg(24576)->Arg(32000);

void BM_FormattaNumero(benchmark::State& state) {
  const std::u16string text = Digits(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::u16string rebuilt = velmora::FormattaNumero(text);
    benchmark::DoNotOptimize(rebuilt.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FormattaNumero)->Arg(10)->Arg(1000)->Arg(24576);

void BM_FormattaNumeroRefusesTooLong(benchmark::State& state) {
  const std::u16string text = Digits(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    try {
      benchmark::DoNotOptimize(velmora::FormattaNumero(text).data());
    } catch (const velmora::VelmoraError& e) {
      benchmark::DoNotOptimize(e.number());
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FormattaNumeroRefusesTooLong)->Arg(32000);

// A field of 17 characters with the caret at the end; the digit appended
// makes 18 (within MaxLength 20) and the text is rebuilt.
const std::u16string kField = u"1.234.567.890.123";

void BM_KeystrokeFloor(benchmark::State& state) {
  velmora::ModelTextBox box;
  box.setMaxLength(20);
  for (auto _ : state) {
    box.setText(kField);
    box.setSelStart(static_cast<std::int32_t>(kField.size()));
    box.Keystroke(u'4', 0, u'4');  // the bare box inserts the digit itself
    benchmark::DoNotOptimize(box.SelStart());
  }
}
BENCHMARK(BM_KeystrokeFloor);

// A digit typed at `at`: appended at the end (the text is rebuilt) or
// over the first digit.
void BM_NumeroKeyPress(benchmark::State& state, std::size_t at) {
  velmora::ModelTextBox box;
  box.setMaxLength(20);
  const std::int16_t virgola = 0;
  for (auto _ : state) {
    box.setText(kField);
    box.setSelStart(static_cast<std::int32_t>(at));
    std::int16_t key = u'4';
    velmora::NumeroKeyPress(box, key, virgola);
    benchmark::DoNotOptimize(key);
  }
}
BENCHMARK_CAPTURE(BM_NumeroKeyPress, Append, kField.size());
BENCHMARK_CAPTURE(BM_NumeroKeyPress, Overwrite, 0);

}  // namespace
