#include "page/model_page_controls.h"

namespace velmora {

ModelGeneraleControls::ModelGeneraleControls() {
  for (const auto& row : GeneraleLayout().controls) states_.push_back({0, std::u16string(row.caption)});
}

}  // namespace velmora
