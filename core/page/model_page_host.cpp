#include "page/model_page_host.h"

#include "errors.h"

namespace velmora {

namespace {

// A 16-bit Boolean property as a dispatch returns it. True and False travel
// as Booleans; any other stored value (a DateValue of 1 selects number mode)
// must reach the page unchanged, so it travels as the 16-bit integer it is.
Variant FromBoolean16(std::int16_t value) {
  if (value == kTrue || value == kFalse) return Variant::Boolean(value == kTrue);
  return Variant::Integer(value);
}

[[noreturn]] void ThrowRefused(int number, const std::u16string& name) {
  throw VelmoraError(number, "the control refused the property " + ToUtf8(name));
}

[[noreturn]] void ThrowNotSupported(const std::u16string& name) {
  throw VelmoraError(kPropertyNotSupported, "the control has no property " + ToUtf8(name));
}

}  // namespace

VelmoraControl& ModelPageHost::Add() {
  entries_.push_back(std::make_unique<Selected>(*this, SelectedCount()));
  return entries_.back()->control;
}

ModelPageHost::Selected& ModelPageHost::Entry(std::int32_t i) {
  if (i < 0 || i >= SelectedCount()) {
    throw VelmoraError(kSubscriptOutOfRange, "no element " + std::to_string(i) + " in the selection list");
  }
  return *entries_[static_cast<std::size_t>(i)];
}

void ModelPageHost::RefuseRead(std::int32_t i, const std::u16string& name, int number) {
  Entry(i).refusedReads[name] = number;
}

void ModelPageHost::RefuseWrite(std::int32_t i, const std::u16string& name, int number) {
  Entry(i).refusedWrites[name] = number;
}

Variant ModelPageHost::Selected::GetProperty(const std::u16string& name) {
  owner_.reads.push_back({place_, name, Variant()});
  if (auto refused = refusedReads.find(name); refused != refusedReads.end()) ThrowRefused(refused->second, name);
  if (name == u"MaxLength") return Variant::Integer(control.MaxLength());
  if (name == u"DateValue") return FromBoolean16(control.DateValue());
  if (name == u"BackColor") return Variant::Long(static_cast<std::int32_t>(control.BackColor()));
  if (name == u"Font") return Variant::FromObject(control.Font());
  if (name == u"Enabled") return FromBoolean16(control.Enabled());
  if (name == u"ForeColor") return Variant::Long(static_cast<std::int32_t>(control.ForeColor()));
  if (name == u"Text") return Variant::String(control.Text());
  if (name == u"Virgola") return FromBoolean16(control.Virgola());
  if (name == u"TastoInvio") return FromBoolean16(control.TastoInvio());
  ThrowNotSupported(name);
}

void ModelPageHost::Selected::SetProperty(const std::u16string& name, const Variant& value) {
  owner_.writes.push_back({place_, name, value});
  if (auto refused = refusedWrites.find(name); refused != refusedWrites.end()) ThrowRefused(refused->second, name);
  // Each value is converted before the setter runs, so a value that does
  // not convert leaves the property untouched.
  if (name == u"MaxLength") return control.setMaxLength(value.ToInteger());
  if (name == u"DateValue") return control.setDateValue(value.ToBoolean());
  if (name == u"BackColor") return control.setBackColor(static_cast<std::uint32_t>(value.ToLong()));
  if (name == u"Font") return control.setFont(value.ToFont());
  if (name == u"Enabled") return control.setEnabled(value.ToBoolean());
  if (name == u"ForeColor") return control.setForeColor(static_cast<std::uint32_t>(value.ToLong()));
  if (name == u"Text") return control.setText(value.ToString());
  if (name == u"Virgola") return control.setVirgola(value.ToBoolean());
  if (name == u"TastoInvio") return control.setTastoInvio(value.ToBoolean());
  ThrowNotSupported(name);
}

}  // namespace velmora
