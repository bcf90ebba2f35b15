#include "platform/clock.h"

#include <ctime>

#include <chrono>
#include <thread>

namespace qx::platform {

LocalTime LocalNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  // localtime_r takes a process-wide lock and works through the zone's rules; the log stamps
  // every line with the time, so each thread keeps the broken-down time of its last second.
  thread_local time_t lastSecond = 0;
  thread_local tm local{};
  thread_local bool known = false;
  if (!known || ts.tv_sec != lastSecond) {
    localtime_r(&ts.tv_sec, &local);
    lastSecond = ts.tv_sec;
    known = true;
  }
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
          local.tm_min,         local.tm_sec > 59 ? 59 : local.tm_sec, static_cast<int>(ts.tv_nsec / 1000000)};
}

int64_t MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void SleepMs(int64_t aMilliseconds) {
  if (aMilliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(aMilliseconds));
}

}  // namespace qx::platform
