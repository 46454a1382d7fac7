#include "control/velmora_control.h"

namespace velmora {
void VelmoraControl::UserControl_ReadProperties(PropertyBag&) {}
void VelmoraControl::UserControl_WriteProperties(PropertyBag&) {}
}  // namespace velmora
