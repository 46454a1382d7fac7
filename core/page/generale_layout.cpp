#include "page/generale_layout.h"

#include <array>
#include <string>

#include "errors.h"

namespace velmora {

namespace {

using enum PageControl;
using enum ControlKind;

// Captions carry the Latin-1 letters à (U+00E0) and è (U+00E8), written as
// escapes so that no compiler's idea of the source encoding can alter them.
// chkDateValue, txtMaxLength and lblMaxLength lie beyond the right edge of
// the client area: they exist and keep their tab places, but are never seen.
constexpr std::array<PageLayoutControl, 15> kControls{{
    {{chkInvio}, CheckBox, std::nullopt, u"Disabilita il tasto Invio", 270, 3075, 2280, 240, 14},
    {{chkDateValue}, CheckBox, std::nullopt, u"DateValue", 8820, 120, 2700, 285, 12},
    {{txtMaxLength}, TextBox, std::nullopt, u"", 6150, 2970, 2700, 330, 11},
    {{Frame3}, Frame, std::nullopt, u"Decimali", 2280, 600, 3495, 1935, 9},
    {{chkVirgola}, CheckBox, Frame3, u"Accetta virgola e decimali", 600, 720, 2460, 285, 13},
    {{Text1}, TextBox, std::nullopt, u"10", 5265, 2730, 435, 285, 8},
    {{Frame2}, Frame, std::nullopt, u"Data o numero?", 240, 600, 1935, 1935, 4},
    {{Option2, 1}, OptionButton, Frame2, u"Numero (14.121.967)", 105, 960, 1800, 255, 6},
    {{Option2, 0}, OptionButton, Frame2, u"Data (14/12/1967)", 105, 600, 1695, 255, 5},
    {{Frame1}, Frame, std::nullopt, u"Impostare la modalit\u00E0 della data", 2280, 600, 3495, 1935, 0},
    {{Option1, 0}, OptionButton, Frame1, u"Modalit\u00E0 LongDate: 14/12/1967", 480, 600, 2895, 195, 3},
    {{Option1, 1}, OptionButton, Frame1, u"Modalit\u00E0 ShortDate: 14/12/67", 480, 960, 2895, 195, 2},
    {{Option1, 2}, OptionButton, Frame1, u"Modalit\u00E0 Giorno/Mese: 14/12", 480, 1320, 2895, 195, 1},
    {{lblMaxLength}, Label, std::nullopt, u"MaxLength:", 6150, 2715, 2700, 240, 10},
    // The stored sentence is replaced by the loading step before the page is
    // ever shown.
    {{Label1}, Label, std::nullopt,
     u"L'attuale numero di cifre inseribili in Velmora \u00E8 . Vuoi modificarla?", 270, 2760, 5040, 420, 7},
}};

constexpr PageLayout kLayout{u"Generale", 5925, 3495, kControls};

}  // namespace

std::string_view PageControlName(PageControl control) {
  switch (control) {
    case chkInvio: return "chkInvio";
    case chkDateValue: return "chkDateValue";
    case txtMaxLength: return "txtMaxLength";
    case Frame3: return "Frame3";
    case chkVirgola: return "chkVirgola";
    case Text1: return "Text1";
    case Frame2: return "Frame2";
    case Option2: return "Option2";
    case Frame1: return "Frame1";
    case Option1: return "Option1";
    case lblMaxLength: return "lblMaxLength";
    case Label1: return "Label1";
  }
  return "?";
}

const PageLayout& GeneraleLayout() { return kLayout; }

const PageLayoutControl& FindLayoutControl(ControlId id) {
  for (const auto& row : kControls) {
    if (row.id == id) return row;
  }
  throw VelmoraError(ErrorNumber::ServiceFailed,
                     std::string("the page has no control ") + std::string(PageControlName(id.name)) +
                         (id.index >= 0 ? "(" + std::to_string(id.index) + ")" : std::string()));
}

}  // namespace velmora
