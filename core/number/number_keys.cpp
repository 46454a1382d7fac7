#include "number/number_editing.h"
#include "errors.h"

namespace velmora {
void NumeroKeyDown(TextBox&, std::int16_t&) { throw VelmoraError(ErrorNumber::ServiceFailed, "not built yet"); }
void NumeroKeyPress(TextBox&, std::int16_t&, const std::int16_t&) { throw VelmoraError(ErrorNumber::ServiceFailed, "not built yet"); }
}  // namespace velmora
