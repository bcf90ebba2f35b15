#include "platform/clock.h"

#include <windows.h>

namespace qx::platform {

LocalTime LocalNow() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

int64_t MonotonicMs() { return static_cast<int64_t>(::GetTickCount64()); }

void SleepMs(int64_t aMilliseconds) {
  // Sleep takes at most 0xFFFFFFFE ms (0xFFFFFFFF is INFINITE): longer waits go in steps.
  while (aMilliseconds > 0) {
    const DWORD step = aMilliseconds > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(aMilliseconds);
    ::Sleep(step);
    aMilliseconds -= step;
  }
}

}  // namespace qx::platform
