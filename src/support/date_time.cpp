#include "support/date_time.h"

#include <cmath>

#include "platform/clock.h"
#include "support/error.h"

namespace qx {

namespace {

bool IsLeap(int aYear) { return (aYear % 4 == 0 && aYear % 100 != 0) || aYear % 400 == 0; }

int DaysInMonth(int aYear, int aMonth) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return aMonth == 2 && IsLeap(aYear) ? 29 : kDays[aMonth - 1];
}

// Days from 0001-01-01 (day 0) in the proleptic Gregorian calendar.
constexpr int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;  // days since 1970-01-01
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// Constant-initialised: code that runs before dynamic initialisation (a library's load hook) sees it.
constexpr int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);  // 1970-based day of the TDateTime epoch

}  // namespace

bool IsValidDate(int aYear, int aMonth, int aDay) {
  return aYear >= 1 && aYear <= 9999 && aMonth >= 1 && aMonth <= 12 && aDay >= 1 &&
         aDay <= DaysInMonth(aYear, aMonth);
}

bool IsValidTime(int aHour, int aMinute, int aSecond, int aMillisecond) {
  return aHour >= 0 && aHour < 24 && aMinute >= 0 && aMinute < 60 && aSecond >= 0 && aSecond < 60 &&
         aMillisecond >= 0 && aMillisecond < 1000;
}

bool TryEncodeDateTime(const DateTimeParts& p, TDateTime& aValue) {
  if (!IsValidDate(p.Year, p.Month, p.Day) || !IsValidTime(p.Hour, p.Minute, p.Second, p.Millisecond))
    return false;
  const double days = static_cast<double>(DaysFromCivil(p.Year, p.Month, p.Day) - kEpochOffset);
  const double time =
      (((p.Hour * 60.0 + p.Minute) * 60.0 + p.Second) * 1000.0 + p.Millisecond) / kMSecsPerDay;
  // Before the epoch the fraction still counts forward from midnight, as the type defines it.
  aValue = days >= 0 ? days + time : days - time;
  return true;
}

TDateTime EncodeDateTime(const DateTimeParts& aParts) {
  TDateTime value = 0;
  if (!TryEncodeDateTime(aParts, value)) throw Error(u"Invalid argument to date encode");
  return value;
}

TDateTime EncodeDate(int aYear, int aMonth, int aDay) {
  return EncodeDateTime({aYear, aMonth, aDay, 0, 0, 0, 0});
}

TDateTime EncodeTime(int aHour, int aMinute, int aSecond, int aMillisecond) {
  if (!IsValidTime(aHour, aMinute, aSecond, aMillisecond)) throw Error(u"Invalid argument to time encode");
  return (((aHour * 60.0 + aMinute) * 60.0 + aSecond) * 1000.0 + aMillisecond) / kMSecsPerDay;
}

DateTimeParts DecodeDateTime(TDateTime aValue) {
  DateTimeParts p;
  if (!std::isfinite(aValue) || std::fabs(aValue) > 2958465.0) return p;  // beyond 9999-12-31
  const double whole = std::trunc(aValue);
  int64_t days = static_cast<int64_t>(whole);
  int64_t msecs = std::llround(std::fabs(aValue - whole) * kMSecsPerDay);
  if (msecs >= static_cast<int64_t>(kMSecsPerDay)) {
    msecs -= static_cast<int64_t>(kMSecsPerDay);
    days += aValue >= 0 ? 1 : -1;
  }
  CivilFromDays(days + kEpochOffset, p.Year, p.Month, p.Day);
  p.Millisecond = static_cast<int>(msecs % 1000);
  p.Second = static_cast<int>(msecs / 1000 % 60);
  p.Minute = static_cast<int>(msecs / 60000 % 60);
  p.Hour = static_cast<int>(msecs / 3600000);
  return p;
}

int DayOfWeek(TDateTime aValue) {
  const int64_t days = static_cast<int64_t>(std::trunc(aValue));
  // 1899-12-30 was a Saturday (7).
  return static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
}

TDateTime Now() {
  const platform::LocalTime t = platform::LocalNow();
  return EncodeDateTime({t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Millisecond});
}

TDateTime Date() { return std::trunc(Now()); }

}  // namespace qx
