#include "date/date_editing.h"
#include "errors.h"

namespace velmora {
void DataKeyDown(TextBox&, std::int16_t&, std::u16string) { throw VelmoraError(ErrorNumber::ServiceFailed, "not built yet"); }
void DataKeyPress(TextBox&, std::int16_t&, std::u16string) { throw VelmoraError(ErrorNumber::ServiceFailed, "not built yet"); }
}  // namespace velmora
