// Wall clock, monotonic clock and sleeping.
#pragma once

#include <cstdint>

namespace qx::platform {

struct LocalTime {
  int Year, Month, Day, Hour, Minute, Second, Millisecond;
};

// The local time now, from the system clock and the process's time zone.
LocalTime LocalNow();
// Milliseconds of a clock that never goes back; for deadlines and time-outs.
int64_t MonotonicMs();
void SleepMs(int64_t aMilliseconds);

}  // namespace qx::platform
