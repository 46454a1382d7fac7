// The form description of the page Generale: one table of every control
// with its kind, container, caption, index, position, size and tab index, in
// the order in which the page creates them (a frame before what it holds).
// The Windows page creates its windows from this table and the model page
// controls take their initial state from it, so both start out alike.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "page/page_controls.h"

namespace velmora {

struct PageLayoutControl {
  ControlId id;
  ControlKind kind;
  std::optional<PageControl> container;  // empty: the page itself
  std::u16string_view caption;           // for a text box: its initial text
  // Twips, relative to the container.
  std::int32_t left, top, width, height;
  std::int16_t tabIndex;
};

struct PageLayout {
  std::u16string_view title;
  std::int32_t clientWidth, clientHeight;  // twips
  std::span<const PageLayoutControl> controls;  // in creation order
};

const PageLayout& GeneraleLayout();

// The row of a control; throws VelmoraError for a control the page lacks.
const PageLayoutControl& FindLayoutControl(ControlId id);

}  // namespace velmora
