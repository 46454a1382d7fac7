#include "platform.h"

namespace velmora {
bool RecognizeDate(std::u16string_view, CalendarDate*) { return false; }
}  // namespace velmora
