#include "control/accessible_text.h"

#include "control/velmora_control.h"

namespace velmora {

namespace {

// The pattern read for the date mask "  /  /    ", position by position, so
// that a shorter mask is described by the same cut.
constexpr std::u16string_view kDatePattern = u"gg/mm/aaaa";
static_assert(kDatePattern.size() == kDateTemplate.size());

constexpr std::u16string_view kWholeNumber = u"numero intero";
constexpr std::u16string_view kDecimalNumber = u"numero con decimali";

}  // namespace

std::u16string AccessibleValue(std::u16string_view text, bool dateMode) {
  if (dateMode && text.find_first_not_of(u" /") == std::u16string_view::npos) return {};
  return std::u16string(text);
}

std::u16string AccessibleDescription(bool dateMode, std::int32_t maxLength, bool virgola) {
  if (!dateMode) return std::u16string(virgola ? kDecimalNumber : kWholeNumber);
  if (maxLength <= 0) return {};
  return std::u16string(kDatePattern.substr(0, static_cast<std::size_t>(maxLength)));
}

std::u16string LabelName(std::u16string_view caption) {
  std::u16string name;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    name += caption[i];
  }
  return name;
}

std::u16string LabelShortcut(std::u16string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    char16_t key = caption[++i];
    if (key == u'&') continue;  // a plain "&"
    if (key >= u'a' && key <= u'z') key = static_cast<char16_t>(key - u'a' + u'A');
    return std::u16string(u"Alt+") + key;
  }
  return {};
}

std::u16string AccessibleValue(const VelmoraControl& control) {
  return AccessibleValue(control.Text(), control.InDateMode());
}

std::u16string AccessibleDescription(const VelmoraControl& control) {
  // The comma key is taken only for True itself (-1), as the number keys test it.
  return AccessibleDescription(control.InDateMode(), control.MaxLength(), control.Virgola() == kTrue);
}

}  // namespace velmora
