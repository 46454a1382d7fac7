// What the control asks of the container that hosts it: the property-changed
// notification, the ambient font, the inner size, and the raising of the
// control's two events. The Windows layer implements it over the OLE site and
// the connection points; tests and the key-script player record it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "font.h"

namespace velmora {

class ControlHost {
 public:
  virtual ~ControlHost() = default;
  virtual void PropertyChanged(const std::u16string& name) = 0;
  virtual FontRef AmbientFont() = 0;
  virtual std::int32_t ScaleWidth() = 0;
  virtual std::int32_t ScaleHeight() = 0;
  virtual void RaiseDataNonValida() = 0;
  virtual void RaiseChange() = 0;
};

// A host that remembers everything it was told, in order.
class RecordingControlHost : public ControlHost {
 public:
  void PropertyChanged(const std::u16string& name) override { notified.push_back(name); }
  FontRef AmbientFont() override { return ambientFont; }
  std::int32_t ScaleWidth() override { return scaleWidth; }
  std::int32_t ScaleHeight() override { return scaleHeight; }
  void RaiseDataNonValida() override { events.push_back(u"DataNonValida"); }
  void RaiseChange() override { events.push_back(u"Change"); }

  std::vector<std::u16string> notified;
  std::vector<std::u16string> events;
  FontRef ambientFont = std::make_shared<StdFont>();
  std::int32_t scaleWidth = 1125;
  std::int32_t scaleHeight = 300;
};

}  // namespace velmora
