// The platform services that the control's procedures call: the system
// beep, keystrokes sent to the focused window, today's date and the
// recognition of a text as a date. They sit behind one seam so that tests
// and the key-script player can record them and inject failures, and the
// Windows layer supplies the real ones.
//
// The procedures run on one user-interface thread, one call at a time, and
// reach the services through the installed Platform, as they would reach the
// runtime's own Beep or SendKeys.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

struct CalendarDate {
  int year = 1970;
  int month = 1;  // 1-12
  int day = 1;    // 1-31
  bool operator==(const CalendarDate&) const = default;
};

class Platform {
 public:
  virtual ~Platform() = default;
  virtual void Beep() = 0;
  // Queues keys in send-keys notation ("{TAB}", "+{TAB}") to the focused
  // window without waiting: they are processed after the current key event.
  virtual void SendKeys(std::u16string_view keys) = 0;
  virtual CalendarDate Today() = 0;
  // Whether the text is a date; the default is the strict day/month/year
  // recognition of RecognizeDate (date/date_recognition.h).
  virtual bool IsDate(std::u16string_view text);
};

// The portable services: the beep is silent, keys are dropped, today is the
// local date of the system clock.
class PortablePlatform : public Platform {
 public:
  void Beep() override {}
  void SendKeys(std::u16string_view) override {}
  CalendarDate Today() override;
};

Platform& CurrentPlatform();
// Installs a platform for the procedures; returns the previous one. Passing
// nullptr restores the portable platform.
Platform* InstallPlatform(Platform* platform);

class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform) : previous_(InstallPlatform(&platform)) {}
  ~ScopedPlatform() { InstallPlatform(previous_); }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

}  // namespace velmora
