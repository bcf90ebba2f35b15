// The date-time type: days since 1899-12-30 as a double, the fraction being the time of day.
// 0 means "no date". Encode and decode work in the proleptic Gregorian calendar.
#pragma once

#include <cstdint>

namespace qx {

using TDateTime = double;

struct DateTimeParts {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

constexpr double kMSecsPerDay = 86400000.0;

bool IsValidDate(int aYear, int aMonth, int aDay);
bool IsValidTime(int aHour, int aMinute, int aSecond, int aMillisecond);
bool TryEncodeDateTime(const DateTimeParts& aParts, TDateTime& aValue);
// Raises an Error when a part is out of range.
TDateTime EncodeDateTime(const DateTimeParts& aParts);
TDateTime EncodeDate(int aYear, int aMonth, int aDay);
TDateTime EncodeTime(int aHour, int aMinute, int aSecond, int aMillisecond);
// Splits to the millisecond (rounded to the nearest).
DateTimeParts DecodeDateTime(TDateTime aValue);
int DayOfWeek(TDateTime aValue);  // 1 = Sunday ... 7 = Saturday

// Local time from the system clock, to the millisecond.
TDateTime Now();
TDateTime Date();  // today at midnight

}  // namespace qx
