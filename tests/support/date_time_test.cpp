#include "support/date_time.h"

#include <gtest/gtest.h>

#include "support/error.h"

namespace qx {
namespace {

TEST(DateTime, EncodeMatchesTheDayCount) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2024, 3, 5), 45356.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 29, 12, 0, 0, 0}), -1.5);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_THROW(EncodeDate(2023, 2, 29), Error);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), Error);
}

TEST(DateTime, DecodeRoundTripsToTheMillisecond) {
  const DateTimeParts parts{2024, 3, 5, 14, 7, 9, 42};
  const DateTimeParts back = DecodeDateTime(EncodeDateTime(parts));
  EXPECT_EQ(back.Year, 2024);
  EXPECT_EQ(back.Month, 3);
  EXPECT_EQ(back.Day, 5);
  EXPECT_EQ(back.Hour, 14);
  EXPECT_EQ(back.Minute, 7);
  EXPECT_EQ(back.Second, 9);
  EXPECT_EQ(back.Millisecond, 42);
  const DateTimeParts lastMs = DecodeDateTime(EncodeDateTime({2024, 12, 31, 23, 59, 59, 999}));
  EXPECT_EQ(lastMs.Day, 31);
  EXPECT_EQ(lastMs.Millisecond, 999);
  const DateTimeParts before = DecodeDateTime(-1.5);
  EXPECT_EQ(before.Day, 29);
  EXPECT_EQ(before.Hour, 12);
}

TEST(DateTime, DayOfWeekAndNow) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 5)), 3);  // a Tuesday
  EXPECT_EQ(DayOfWeek(0), 7);
  EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
  EXPECT_EQ(Date(), static_cast<double>(static_cast<int64_t>(Now())));
}

}  // namespace
}  // namespace qx
