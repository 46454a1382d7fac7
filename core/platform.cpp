#include "platform.h"

#include <ctime>

#include "date/date_recognition.h"

namespace velmora {

namespace {
PortablePlatform& Portable() {
  static PortablePlatform portable;
  return portable;
}
Platform* g_platform = nullptr;
}  // namespace

bool Platform::IsDate(std::u16string_view text) { return RecognizeDate(text); }

CalendarDate PortablePlatform::Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (const std::tm* t = std::localtime(&now)) local = *t;
  return CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

Platform& CurrentPlatform() { return g_platform ? *g_platform : Portable(); }

Platform* InstallPlatform(Platform* platform) {
  Platform* previous = g_platform;
  g_platform = platform;
  return previous;
}

}  // namespace velmora
