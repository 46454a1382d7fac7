#include "number/number_editing.h"
#include "errors.h"

namespace velmora {
double LeggiNumero(std::u16string) { throw VelmoraError(ErrorNumber::ServiceFailed, "not built yet"); }
std::u16string FormattaNumero(std::u16string) { throw VelmoraError(ErrorNumber::ServiceFailed, "not built yet"); }
}  // namespace velmora
