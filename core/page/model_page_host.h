// A portable page host whose selected controls are real VelmoraControl
// objects, each with its own model text box and recording container. A
// written value is converted to the property's type exactly as a dispatch
// call converts it; the host records every read and write in order and can
// be told to refuse a property, so tests can prove where a failing step
// stops.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control/control_host.h"
#include "control/velmora_control.h"
#include "model_textbox.h"
#include "page/page_host.h"

namespace velmora {

class ModelPageHost : public PageHost {
 public:
  struct Access {
    std::int32_t control;  // its place in the selection list
    std::u16string name;
    Variant value;  // as the page passed it (writes only)
  };

  // Adds a control at the end of the selection list. The control is as the
  // object is constructed; tests give it its settings through its setters.
  VelmoraControl& Add();

  VelmoraControl& Control(std::int32_t i) { return Entry(i).control; }
  ModelTextBox& Text1(std::int32_t i) { return Entry(i).text1; }
  RecordingControlHost& Site(std::int32_t i) { return Entry(i).site; }

  // From now on a read or a write of the named property of control i fails
  // with the given error number; the property keeps its value.
  void RefuseRead(std::int32_t i, const std::u16string& name, int number = 380);
  void RefuseWrite(std::int32_t i, const std::u16string& name, int number = 380);

  std::int32_t SelectedCount() override { return static_cast<std::int32_t>(entries_.size()); }
  PageObject& SelectedControl(std::int32_t i) override { return Entry(i); }
  void setChanged(bool value) override {
    changed = value;
    ++changedCalls;
  }

  std::vector<Access> reads;
  std::vector<Access> writes;
  bool changed = false;
  int changedCalls = 0;

 private:
  class Selected : public PageObject {
   public:
    Selected(ModelPageHost& owner, std::int32_t place) : owner_(owner), place_(place) {}
    Variant GetProperty(const std::u16string& name) override;
    void SetProperty(const std::u16string& name, const Variant& value) override;

    ModelTextBox text1;
    RecordingControlHost site;
    VelmoraControl control{text1, site};
    std::map<std::u16string, int> refusedReads, refusedWrites;

   private:
    ModelPageHost& owner_;
    std::int32_t place_;
  };

  Selected& Entry(std::int32_t i);

  std::vector<std::unique_ptr<Selected>> entries_;
};

}  // namespace velmora
