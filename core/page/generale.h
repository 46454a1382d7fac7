// The property page Generale: its loading, view switch and apply steps and
// the handlers of its controls. The page keeps no data of its own: all it
// knows lies in the values of its controls, and it reads and writes the
// selected controls only through their properties by name. The Windows page
// creates the windows from GeneraleLayout(), puts them behind
// GeneraleControls and forwards the host's two calls here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "page/page_controls.h"
#include "page/page_host.h"

namespace velmora {

// The sentence of Label1 around the number of editable digits.
inline constexpr std::u16string_view kLabel1Before = u"L'attuale numero di cifre editabili in Velmora \u00E8 ";
inline constexpr std::u16string_view kLabel1After = u". Vuoi modificarlo?";

class Generale : public GeneraleEvents {
 public:
  // The page handles its controls' notifications from construction on.
  Generale(GeneraleControls& controls, PageHost& host);
  ~Generale() override;
  Generale(const Generale&) = delete;
  Generale& operator=(const Generale&) = delete;

  // Called by the host. A failing step throws VelmoraError and ends the
  // handler there; what was already set keeps its new value.
  void PropertyPage_SelectionChanged();
  void PropertyPage_ApplyChanges();

  // Handlers of the page's controls.
  void Option1_Click(std::int16_t Index) override;
  void Option2_Click(std::int16_t Index) override;
  void chkInvio_Click() override;
  void chkVirgola_Click() override;
  void chkDateValue_Click() override;
  void txtMaxLength_Change() override;

 private:
  Variant ReadFirst(const std::u16string& name);

  GeneraleControls& controls_;
  PageHost& host_;
};

}  // namespace velmora
