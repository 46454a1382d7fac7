// velmora-keys: plays a key script into one VelmoraControl on a model form
// and prints the outcome as one JSON object. With --plain the same keys go
// into the bare model text box: the floor that the control's cost is
// measured against.
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "errors.h"
#include "key_form.h"
#include "key_script.h"
#include "platform.h"
#include "variant.h"

namespace {

using namespace velmora;
using namespace velmora::keys;

constexpr const char* kUsage =
    "usage: velmora-keys [--number] [--maxlength N] [--virgola] [--tastoinvio] [--text T]\n"
    "                    [--caret N | --select START LENGTH] [--today YYYY-MM-DD] [--plain]\n"
    "                    (--keys KEYS | --keys-file FILE)\n";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Options {
  bool number = false, virgola = false, tastoInvio = false, plain = false;
  std::optional<std::int16_t> maxLength;
  std::optional<std::u16string> text;
  std::optional<std::int32_t> selStart;
  std::int32_t selLength = 0;
  std::optional<CalendarDate> today;
  std::optional<std::string> keys, keysFile;
};

template <typename Int>
Int ParseInt(const std::string& text, const char* option, long long lo, long long hi) {
  long long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi)
    throw UsageError(std::string(option) + ": not a number in range: \"" + text + "\"");
  return static_cast<Int>(value);
}

CalendarDate ParseDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-')
    throw UsageError("--today: expected YYYY-MM-DD, got \"" + text + "\"");
  CalendarDate date{ParseInt<int>(text.substr(0, 4), "--today", 1, 9999),
                    ParseInt<int>(text.substr(5, 2), "--today", 1, 12),
                    ParseInt<int>(text.substr(8, 2), "--today", 1, 31)};
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  if (date.day > kDays[date.month - 1] || (date.month == 2 && date.day == 29 && !leap))
    throw UsageError("--today: no such date: " + text);
  return date;
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  std::vector<std::string> args(argv + 1, argv + argc);
  auto value = [&](std::size_t& i, const std::string& name) -> const std::string& {
    if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
    return args[++i];
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--number") o.number = true;
    else if (a == "--virgola") o.virgola = true;
    else if (a == "--tastoinvio") o.tastoInvio = true;
    else if (a == "--plain") o.plain = true;
    else if (a == "--maxlength") o.maxLength = ParseInt<std::int16_t>(value(i, a), "--maxlength", INT16_MIN, INT16_MAX);
    else if (a == "--text") o.text = FromUtf8(value(i, a));
    else if (a == "--caret") {
      if (o.selStart) throw UsageError("--caret and --select exclude each other");
      o.selStart = ParseInt<std::int32_t>(value(i, a), "--caret", 0, INT32_MAX);
    } else if (a == "--select") {
      if (o.selStart) throw UsageError("--caret and --select exclude each other");
      o.selStart = ParseInt<std::int32_t>(value(i, a), "--select", 0, INT32_MAX);
      o.selLength = ParseInt<std::int32_t>(value(i, a), "--select", 0, INT32_MAX);
    } else if (a == "--today") o.today = ParseDate(value(i, a));
    else if (a == "--keys") o.keys = value(i, a);
    else if (a == "--keys-file") o.keysFile = value(i, a);
    else throw UsageError("unknown option \"" + a + "\"");
  }
  if (o.keys.has_value() == o.keysFile.has_value()) throw UsageError("give exactly one of --keys and --keys-file");
  return o;
}

std::string ReadKeys(const Options& o) {
  if (o.keys) return *o.keys;
  std::ifstream in(*o.keysFile, std::ios::binary);
  if (!in) throw UsageError("cannot read the key file \"" + *o.keysFile + "\"");
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// JSON string of a UTF-16 text: UTF-8 where the text is well formed, and a
// \u escape for a lone surrogate, which UTF-8 cannot carry.
void AppendJsonString(std::string& out, const std::u16string& text) {
  out += '"';
  char buf[8];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'"') out += "\\\"";
    else if (c == u'\\') out += "\\\\";
    else if (c == u'\n') out += "\\n";
    else if (c == u'\r') out += "\\r";
    else if (c == u'\t') out += "\\t";
    else if (c < 0x20 || c == 0x7F) {
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out += buf;
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += ToUtf8(text.substr(i, 2));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out += buf;
    } else {
      out += ToUtf8(std::u16string(1, c));
    }
  }
  out += '"';
}

std::string Outcome(KeyForm& form) {
  ModelTextBox& box = form.Box();
  VelmoraControl* control = form.Control();
  std::string out = "{\"text\":";
  AppendJsonString(out, box.Text());
  out += ",\"selStart\":" + std::to_string(box.SelStart());
  out += ",\"selLength\":" + std::to_string(box.SelLength());
  // The control's getters; the bare box has none of the control's fields.
  out += ",\"maxLength\":" + std::to_string(control ? control->MaxLength() : box.MaxLength());
  out += ",\"dateValue\":" + std::to_string(control ? control->DateValue() : 0);
  out += ",\"virgola\":" + std::to_string(control ? control->Virgola() : 0);
  out += ",\"tastoInvio\":" + std::to_string(control ? control->TastoInvio() : 0);
  out += ",\"foreColor\":" + std::to_string(control ? control->ForeColor() : box.ForeColor());
  out += ",\"focus\":\"" + std::string(FieldName(form.Focus())) + "\"";
  out += ",\"events\":[";
  bool first = true;
  for (Event e : form.Events()) {
    if (!first) out += ',';
    first = false;
    out += '"';
    out += EventName(e);
    out += '"';
  }
  out += "]}\n";
  return out;
}

int Run(int argc, char** argv) {
  Options o;
  std::vector<Key> keys;
  try {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
      std::cout << kUsage;
      return 0;
    }
    o = ParseOptions(argc, argv);
    keys = ParseKeys(FromUtf8(ReadKeys(o)));
  } catch (const std::exception& e) {
    std::cerr << "velmora-keys: " << e.what() << "\n";
    return 2;
  }

  try {
    KeyForm form(o.plain, o.today);
    if (VelmoraControl* control = form.Control()) {
      control->UserControl_Initialize();
      control->UserControl_InitProperties();
      if (o.number) control->setDateValue(kFalse);
      if (o.maxLength) control->setMaxLength(*o.maxLength);
      if (o.virgola) control->setVirgola(kTrue);
      if (o.tastoInvio) control->setTastoInvio(kTrue);
      if (o.text) control->setText(*o.text);
    } else {
      // The floor: the same box with the length a new control gives it.
      form.Box().setMaxLength(o.maxLength.value_or(10));
      if (o.text) form.Box().setText(*o.text);
    }
    if (o.selStart) form.Box().Select(*o.selStart, o.selLength);
    form.MoveFocus(Field::Control);
    form.ClearEvents();
    for (const Key& key : keys) form.Play(key);
    const std::string out = Outcome(form);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const VelmoraError& e) {
    std::cerr << "velmora-keys: error " << e.number() << ": " << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "velmora-keys: " << e.what() << "\n";
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
