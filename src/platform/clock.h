#pragma once
// The millisecond timer the frame loop paces itself by.
#include <cstdint>

namespace vesk::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps like a 32-bit tick count.
  virtual uint32_t NowMs() = 0;
  virtual void SleepMs(uint32_t duration_ms) = 0;
};

// A clock that moves only when told to: for the headless runtime and tests.
// Sleeping advances it, so pacing code behaves as on a real clock.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(uint32_t start_ms = 0) : now_ms_(start_ms) {}
  uint32_t NowMs() override { return now_ms_; }
  void SleepMs(uint32_t duration_ms) override {
    slept_ms_ += duration_ms;
    if (sleep_advances_) now_ms_ += duration_ms;
  }
  void Advance(uint32_t delta_ms) { now_ms_ += delta_ms; }
  void Set(uint32_t now_ms) { now_ms_ = now_ms; }
  // The headless runtime gives every frame exactly --step ms, so its sleeps
  // must not move the clock.
  void SetSleepAdvances(bool on) { sleep_advances_ = on; }
  uint64_t slept_ms() const { return slept_ms_; }

 private:
  uint32_t now_ms_;
  uint64_t slept_ms_ = 0;
  bool sleep_advances_ = true;
};

}  // namespace vesk::platform

namespace vesk::platform {

struct LocalDateTime {
  int year = 0, month = 0, day = 0;
  int weekday = 1;  // 1 = Sunday ... 7 = Saturday
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};
// The wall clock in local time.
LocalDateTime NowLocal();
// The same fields in UTC (seeds that must not depend on the time zone).
LocalDateTime NowUtc();
// The system's millisecond timer (wraps at 32 bits), independent of any
// game clock.
uint32_t SystemTickMs();

}  // namespace vesk::platform
