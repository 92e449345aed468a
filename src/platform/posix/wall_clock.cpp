#include <sys/time.h>
#include <time.h>

#include "platform/clock.h"

namespace vesk::platform {

namespace {

// The wall clock broken down by `split` (localtime_r or gmtime_r).
LocalDateTime Now(tm* (*split)(const time_t*, tm*)) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm t{};
  split(&now.tv_sec, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_wday + 1,
          t.tm_hour,        t.tm_min,     t.tm_sec,  static_cast<int>(now.tv_nsec / 1000000)};
}

}  // namespace

LocalDateTime NowLocal() {
  return Now(localtime_r);
}

LocalDateTime NowUtc() {
  return Now(gmtime_r);
}

uint32_t SystemTickMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000);
}

}  // namespace vesk::platform
