#include "date/date_editing.h"
#include "errors.h"

namespace velmora {
std::int16_t ControllaData(std::u16string, std::int16_t) { throw VelmoraError(ErrorNumber::ServiceFailed, "not built yet"); }
}  // namespace velmora
