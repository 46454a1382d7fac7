// The property page Generale: its loading, view switch and apply steps and
// the handlers of its controls. While shown, the page keeps no data of its
// own: all it knows lies in the values of its controls, and it reads and
// writes the selected controls only through their properties by name. A
// frame may take a page's controls away (a tab that is not shown) and still
// apply it at OK, so what the developer set can be taken out of the controls
// as GeneraleEdits, shown again on new controls and applied without any. The
// Windows page creates the windows from GeneraleLayout(), puts them behind
// GeneraleControls and forwards the host's calls here.
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

// What the developer can set on the page: the buttons selected in the two
// option arrays (-1: none), the check boxes and the text boxes. Applying
// writes all but chkDateValue and txtMaxLength, which lie out of sight.
struct GeneraleEdits {
  std::int16_t mode = -1;   // Option2
  std::int16_t style = -1;  // Option1
  std::int16_t virgola = kUnchecked, invio = kUnchecked, dateValue = kUnchecked;
  std::u16string text1, maxLength;
  bool operator==(const GeneraleEdits&) const = default;
};

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

  // What the controls hold now.
  GeneraleEdits Edits() const;
  // Sets the controls to kept edits, usually just after loading; each value
  // that changes raises its control's click as a developer's click would,
  // which switches the view and marks the page changed.
  void ShowEdits(const GeneraleEdits& edits);
  // The apply step over kept edits, with or without the page's controls.
  static void ApplyChanges(const GeneraleEdits& edits, PageHost& host);

  // Handlers of the page's controls.
  void Option1_Click(std::int16_t Index) override;
  void Option2_Click(std::int16_t Index) override;
  void chkInvio_Click() override;
  void chkVirgola_Click() override;
  void chkDateValue_Click() override;
  void txtMaxLength_Change() override;

 private:
  // A property of the first selected control: its low bit (a check box's
  // value), its number or its text.
  std::int16_t ReadFirstBit(const char16_t* name);
  double ReadFirstNumber(const char16_t* name);
  std::u16string ReadFirstText(const char16_t* name);

  GeneraleControls& controls_;
  PageHost& host_;
};

}  // namespace velmora
