// Saving and loading the control's settings: the nine keys with their types,
// defaults and order, round trips, and bags that a damaged or foreign form
// could hand us.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "control/velmora_control.h"
#include "errors.h"
#include "model_textbox.h"
#include "property_bag.h"
#include "variant.h"
#include "../../shared/control_error.h"
#include "../../shared/rows.h"

namespace velmora {
namespace {

const std::u16string kMask = u"  /  /    ";
const std::vector<std::u16string> kKeys = {u"MaxLength", u"DateValue", u"BackColor", u"Font", u"Enabled",
                                           u"ForeColor", u"Text", u"Virgola", u"TastoInvio"};

// A bag that fails on one key, reading or writing.
class FailingBag : public MemoryPropertyBag {
 public:
  std::u16string failOn;
  std::vector<std::u16string> read;
  Variant ReadProperty(const std::u16string& name, const Variant& def) override {
    read.push_back(name);
    if (name == failOn) throw VelmoraError(ErrorNumber::ServiceFailed, "bag failed");
    return MemoryPropertyBag::ReadProperty(name, def);
  }
  void WriteProperty(const std::u16string& name, const Variant& value, const Variant& def) override {
    if (name == failOn) throw VelmoraError(ErrorNumber::ServiceFailed, "bag failed");
    MemoryPropertyBag::WriteProperty(name, value, def);
  }
};

struct Loaded {
  ModelTextBox box;
  RecordingControlHost host;
  VelmoraControl control{box, host};
  Loaded() {
    host.ambientFont = std::make_shared<StdFont>(u"Ambient", 9);
    control.UserControl_Initialize();
    host.notified.clear();
    host.events.clear();
  }
};

std::vector<std::u16string> Names(const std::vector<std::pair<std::u16string, Variant>>& entries) {
  std::vector<std::u16string> names;
  for (const auto& e : entries) names.push_back(e.first);
  return names;
}

TEST(ControlPersistence, EmptyBagGivesTheDefaultsAndTheTextText1) {
  Loaded c;
  FailingBag bag;
  c.control.UserControl_ReadProperties(bag);
  EXPECT_EQ(bag.read, kKeys);
  EXPECT_EQ(c.control.MaxLength(), 10);
  EXPECT_EQ(c.control.DateValue(), kTrue);
  EXPECT_EQ(c.box.BackColor(), kWindowBackground);
  EXPECT_EQ(c.box.ForeColor(), kWindowText);
  EXPECT_EQ(c.box.Font(), c.host.ambientFont);
  EXPECT_TRUE(c.box.Enabled());
  EXPECT_EQ(c.box.Text(), u"Text1");
  EXPECT_EQ(c.control.Virgola(), kFalse);
  EXPECT_EQ(c.control.TastoInvio(), kFalse);
  // Only the three steps that go through setters tell the container.
  EXPECT_EQ(c.host.notified, (std::vector<std::u16string>{u"MaxLength", u"DateValue", u"Font"}));
}

TEST(ControlPersistence, DateValueFalseWithoutTextStillShowsText1) {
  Loaded c;
  MemoryPropertyBag bag;
  bag.Set(u"DateValue", Variant::Boolean(false));
  c.control.UserControl_ReadProperties(bag);
  EXPECT_EQ(c.control.DateValue(), kFalse);
  EXPECT_EQ(c.box.Text(), u"Text1");
}

TEST(ControlPersistence, WritesNineKeysWithTheirTypesAndDefaults) {
  Loaded c;
  c.control.UserControl_InitProperties();
  MemoryPropertyBag bag;
  c.control.UserControl_WriteProperties(bag);
  EXPECT_EQ(Names(bag.Entries()), kKeys);
  EXPECT_EQ(Names(bag.WrittenDefaults()), kKeys);
  using T = Variant::Type;
  const std::vector<T> types = {T::Integer, T::Boolean, T::Long, T::Object, T::Boolean,
                                T::Long,    T::String,  T::Boolean, T::Boolean};
  const std::vector<Variant> defaults = {
      Variant::Integer(10), Variant::Boolean(true), Variant::Long(static_cast<std::int32_t>(kWindowBackground)),
      Variant::FromObject(c.host.ambientFont), Variant::Boolean(true),
      Variant::Long(static_cast<std::int32_t>(kWindowText)), Variant::String(u"Text1"),
      // The two flags default to the integer 0, not to False.
      Variant::Integer(0), Variant::Integer(0)};
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    EXPECT_EQ(bag.Entries()[i].second.type(), types[i]) << ToUtf8(kKeys[i]);
    EXPECT_EQ(bag.WrittenDefaults()[i].second, defaults[i]) << ToUtf8(kKeys[i]);
  }
  EXPECT_EQ(*bag.Find(u"Text"), Variant::String(kMask));
}

TEST(ControlPersistence, WriteStopsAtAFailingKeyAndChangesNothing) {
  Loaded c;
  c.control.setText(u"14/12/1967");
  FailingBag bag;
  bag.failOn = u"Font";
  EXPECT_THROW(c.control.UserControl_WriteProperties(bag), VelmoraError);
  EXPECT_EQ(Names(bag.Entries()), (std::vector<std::u16string>{u"MaxLength", u"DateValue", u"BackColor"}));
  EXPECT_EQ(c.box.Text(), u"14/12/1967");
}

// Settings of a saved control; each row is saved, then loaded into a new one.
struct RoundTripRow : testing::NamedRow {
  std::function<void(VelmoraControl&)> configure;
};

class RoundTrip : public ::testing::TestWithParam<RoundTripRow> {};

TEST_P(RoundTrip, LoadGivesBackEverySetting) {
  const RoundTripRow& row = GetParam();
  Loaded saved;
  saved.control.UserControl_InitProperties();
  row.configure(saved.control);
  MemoryPropertyBag bag;
  saved.control.UserControl_WriteProperties(bag);

  Loaded loaded;
  loaded.control.UserControl_ReadProperties(bag);
  EXPECT_EQ(loaded.control.MaxLength(), saved.control.MaxLength()) << row.name;
  EXPECT_EQ(loaded.control.InDateMode(), saved.control.InDateMode()) << row.name;
  EXPECT_EQ(loaded.box.BackColor(), saved.box.BackColor()) << row.name;
  EXPECT_EQ(loaded.box.ForeColor(), saved.box.ForeColor()) << row.name;
  EXPECT_EQ(loaded.box.Font(), saved.box.Font()) << row.name;
  EXPECT_EQ(loaded.box.Enabled(), saved.box.Enabled()) << row.name;
  EXPECT_EQ(loaded.box.Text(), saved.box.Text()) << row.name;
  // What the flags do survives, whatever non-True value they held.
  EXPECT_EQ(loaded.control.Virgola() == kTrue, saved.control.Virgola() == kTrue) << row.name;
  EXPECT_EQ(loaded.control.TastoInvio() != 0, saved.control.TastoInvio() != 0) << row.name;

  // Saving the loaded control writes the same bag again.
  MemoryPropertyBag again;
  loaded.control.UserControl_WriteProperties(again);
  EXPECT_EQ(again.Entries(), bag.Entries()) << row.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RoundTrip,
    ::testing::Values(
        RoundTripRow{"new control", [](VelmoraControl&) {}},
        RoundTripRow{"typed date", [](VelmoraControl& c) { c.setText(u"14/12/1967"); }},
        RoundTripRow{"short date style", [](VelmoraControl& c) { c.setMaxLength(8); c.setText(u"14/12/67"); }},
        RoundTripRow{"number with comma and Enter off",
                     [](VelmoraControl& c) {
                       c.setDateValue(kFalse);
                       c.setMaxLength(15);
                       c.setText(u"-14.121.967,5");
                       c.setForeColor(kRed);
                       c.setVirgola(kTrue);
                       c.setTastoInvio(kTrue);
                     }},
        RoundTripRow{"colours, font, disabled",
                     [](VelmoraControl& c) {
                       c.setBackColor(0x00C0FFEE);
                       c.setFont(std::make_shared<StdFont>(u"Courier", 10));
                       c.setEnabled(kFalse);
                     }},
        // A stored 1 selects number mode (and no comma): it must not come
        // back as True and switch the control to date mode.
        RoundTripRow{"DateValue 1", [](VelmoraControl& c) { c.setDateValue(1); c.setText(u"1.234"); }},
        RoundTripRow{"Virgola 1 and TastoInvio 1",
                     [](VelmoraControl& c) { c.setDateValue(kFalse); c.setVirgola(1); c.setTastoInvio(1); }},
        RoundTripRow{"MaxLength 0 and an empty text", [](VelmoraControl& c) { c.setMaxLength(0); }},
        RoundTripRow{"text with every kind of character",
                     [](VelmoraControl& c) { c.setText(u"\u00e8\"\\\n\U0001F600"); }}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

// Bags a container could hand over from a damaged or foreign form. A failing
// conversion ends the load at its step; what the steps before did stays.
struct HostileRow : testing::NamedRow {
  std::vector<std::pair<std::u16string, Variant>> entries;
  int expectedError;  // 0: loads
  std::int16_t maxLength;
  std::int16_t dateValue;
  std::u16string text;
  std::function<bool(Loaded&)> extra;
};

class HostileBag : public ::testing::TestWithParam<HostileRow> {};

TEST_P(HostileBag, FailsAtItsStepOrLoads) {
  const HostileRow& row = GetParam();
  Loaded c;
  MemoryPropertyBag bag;
  for (const auto& [key, value] : row.entries) bag.Set(key, value);
  EXPECT_CONTROL_ERROR(row.expectedError, c.control.UserControl_ReadProperties(bag)) << row.name;
  EXPECT_EQ(c.box.MaxLength(), row.maxLength) << row.name;
  EXPECT_EQ(c.control.DateValue(), row.dateValue) << row.name;
  EXPECT_EQ(c.box.Text(), row.text) << row.name << ": text \"" << ToUtf8(c.box.Text()).substr(0, 40) << "\"";
  EXPECT_TRUE(row.extra(c)) << row.name;
}

const auto kAny = [](Loaded&) { return true; };
const int kOverflow = 6, kMismatch = 13, kInvalid = 380;
// A million characters, far beyond any 16-bit position.
const std::u16string kHugeText(1 << 20, u'7');

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileBag,
    ::testing::Values(
        HostileRow{"MaxLength beyond 16 bits", {{u"MaxLength", Variant::Long(40000)}}, kOverflow, 10, kTrue, kMask, kAny},
        HostileRow{"MaxLength not a number", {{u"MaxLength", Variant::String(u"ten")}}, kMismatch, 10, kTrue, kMask, kAny},
        HostileRow{"MaxLength negative, refused by the box", {{u"MaxLength", Variant::Integer(-3)}}, kInvalid, 10, kTrue, kMask, kAny},
        HostileRow{"MaxLength as text with blanks", {{u"MaxLength", Variant::String(u" 8 ")}}, 0, 8, kTrue, u"Text1", kAny},
        HostileRow{"MaxLength half rounds to even", {{u"MaxLength", Variant::Double(8.5)}}, 0, 8, kTrue, u"Text1", kAny},
        HostileRow{"DateValue as the word False", {{u"DateValue", Variant::String(u"False")}}, 0, 10, kFalse, u"Text1", kAny},
        HostileRow{"DateValue as a number 5 is True", {{u"DateValue", Variant::Integer(5)}}, 0, 10, kTrue, u"Text1", kAny},
        HostileRow{"DateValue not a Boolean: length kept",
                   {{u"MaxLength", Variant::Integer(5)}, {u"DateValue", Variant::String(u"maybe")}},
                   kMismatch, 5, kTrue, u"  /  ", kAny},
        HostileRow{"BackColor beyond 32 bits: mode and reset done",
                   {{u"DateValue", Variant::Boolean(false)}, {u"BackColor", Variant::Double(1e20)}},
                   kOverflow, 10, kFalse, u"0",
                   [](Loaded& c) { return c.box.BackColor() == kWindowBackground; }},
        HostileRow{"Font that is a number", {{u"Font", Variant::Integer(5)}}, kMismatch, 10, kTrue, kMask,
                   [](Loaded& c) { return c.box.Font() != c.host.ambientFont; }},
        HostileRow{"Font that is some other object",
                   {{u"Font", Variant::FromObject(std::make_shared<Object>())}, {u"Enabled", Variant::Boolean(false)}},
                   kMismatch, 10, kTrue, kMask, [](Loaded& c) { return c.box.Enabled(); }},
        HostileRow{"Font that is an empty object", {{u"Font", Variant::FromObject(nullptr)}}, kMismatch, 10, kTrue, kMask, kAny},
        HostileRow{"Text that is an object", {{u"Text", Variant::FromObject(std::make_shared<StdFont>())}},
                   kMismatch, 10, kTrue, kMask, [](Loaded& c) { return c.control.Virgola() == kFalse; }},
        HostileRow{"Text of a million characters loads whole",
                   {{u"Text", Variant::String(kHugeText)}, {u"TastoInvio", Variant::Integer(1)}},
                   0, 10, kTrue, kHugeText, [](Loaded& c) { return c.control.TastoInvio() == kTrue; }},
        HostileRow{"Text as a number", {{u"Text", Variant::Double(1.5)}}, 0, 10, kTrue, u"1.5", kAny},
        HostileRow{"Virgola stored as 1 reads True", {{u"Virgola", Variant::Integer(1)}}, 0, 10, kTrue, u"Text1",
                   [](Loaded& c) { return c.control.Virgola() == kTrue; }},
        HostileRow{"TastoInvio as the word True", {{u"TastoInvio", Variant::String(u"True")}}, 0, 10, kTrue, u"Text1",
                   [](Loaded& c) { return c.control.TastoInvio() == kTrue; }},
        HostileRow{"TastoInvio not a Boolean: the rest loaded",
                   {{u"Text", Variant::String(u"x")}, {u"Virgola", Variant::Boolean(true)}, {u"TastoInvio", Variant::String(u"?")}},
                   kMismatch, 10, kTrue, u"x",
                   [](Loaded& c) { return c.control.Virgola() == kTrue && c.control.TastoInvio() == kFalse; }},
        HostileRow{"Enabled as 0 disables", {{u"Enabled", Variant::Integer(0)}}, 0, 10, kTrue, u"Text1",
                   [](Loaded& c) { return !c.box.Enabled(); }},
        HostileRow{"unknown keys are ignored", {{u"Colour", Variant::Integer(1)}, {u"maxlength", Variant::Integer(3)}},
                   0, 10, kTrue, u"Text1", kAny}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST(ControlPersistence, ReadStopsAtAFailingBag) {
  Loaded c;
  FailingBag bag;
  bag.Set(u"MaxLength", Variant::Integer(8));
  bag.Set(u"BackColor", Variant::Long(1));
  bag.failOn = u"Enabled";
  EXPECT_THROW(c.control.UserControl_ReadProperties(bag), VelmoraError);
  EXPECT_EQ(c.box.MaxLength(), 8);
  EXPECT_EQ(c.box.BackColor(), 1u);
  EXPECT_EQ(c.box.Font(), c.host.ambientFont);
  EXPECT_EQ(c.box.Text(), u"  /  /  ");
  EXPECT_EQ(bag.read.back(), u"Enabled");
}

}  // namespace
}  // namespace velmora
