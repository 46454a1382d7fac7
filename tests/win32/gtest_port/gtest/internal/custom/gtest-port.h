// GoogleTest's hook for a port of its own, found ahead of GoogleTest's
// empty one. The win32 thread model of this gcc has no std::mutex or
// std::condition_variable, which GoogleTest's Notification is built on; the
// rest of its locking already uses the system's critical sections. This
// Notification rests on a manual-reset event instead.
#ifndef VELMORA_GTEST_CUSTOM_PORT_H_
#define VELMORA_GTEST_CUSTOM_PORT_H_

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace testing::internal

#endif  // VELMORA_GTEST_CUSTOM_PORT_H_
