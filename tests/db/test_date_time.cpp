#include <gtest/gtest.h>

#include <cmath>

#include "db/date_time.h"
#include "db/db_error.h"

namespace tir::db {
namespace {

TEST(DbDateTimeTest, DayNumbersCountFromTheEpoch) {
  EXPECT_EQ(EncodeDateTime(CivilTime{}), 0.0);
  EXPECT_EQ(EncodeDateTime(CivilTime{1899, 12, 31}), 1.0);
  EXPECT_EQ(EncodeDateTime(CivilTime{1900, 1, 1, 12}), 2.5);
  EXPECT_EQ(EncodeDateTime(CivilTime{2000, 1, 1}), 36526.0);
  EXPECT_EQ(EncodeDateTime(CivilTime{2024, 2, 29, 6}), 45351.25);
  // Before the epoch the time of day stays a positive fraction.
  EXPECT_EQ(EncodeDateTime(CivilTime{1899, 12, 29, 6}), -1.25);
  CivilTime t = DecodeDateTime(-1.25);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.hour, 6);
}

TEST(DbDateTimeTest, DecodeRoundsToTheMillisecondAcrossMidnight) {
  CivilTime t =
      DecodeDateTime(EncodeDateTime(CivilTime{2023, 12, 31, 23, 59, 59, 999}) + 0.4 / 86'400'000);
  EXPECT_EQ(t.millisecond, 999);
  t = DecodeDateTime(EncodeDateTime(CivilTime{2023, 12, 31}) + 1.0 - 0.2 / 86'400'000);
  EXPECT_EQ(t.year, 2024);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 0);
  EXPECT_THROW(DecodeDateTime(std::nan("")), DbError);
  EXPECT_THROW(DateTimeToSqlText(1e7), DbError);
}

TEST(DbDateTimeTest, TextRoundTripKeepsMilliseconds) {
  for (const char* text :
       {"2023-03-15 12:00:00.000", "1999-12-31 23:59:59.999", "2024-02-29 00:00:00.001",
        "1899-12-29 06:30:00.250", "0001-01-01 00:00:00.000", "9999-12-31 23:59:59.999"}) {
    auto day = DateTimeFromSqlText(text);
    ASSERT_TRUE(day.has_value()) << text;
    EXPECT_EQ(DateTimeToSqlText(*day), text);
  }
}

TEST(DbDateTimeTest, ParsesTheShorterForms) {
  EXPECT_EQ(DateTimeFromSqlText("2000-01-01"), 36526.0);
  EXPECT_EQ(DateTimeFromSqlText("2000-01-01 12:00"), 36526.5);
  EXPECT_EQ(DateTimeFromSqlText("2000-01-01T18:00:00"), 36526.75);
  EXPECT_EQ(DateTimeToSqlText(*DateTimeFromSqlText("2000-01-01 00:00:01.5")),
            "2000-01-01 00:00:01.500");
  EXPECT_EQ(DateTimeToSqlText(*DateTimeFromSqlText("2000-01-01 00:00:01.123456")),
            "2000-01-01 00:00:01.123");
}

TEST(DbDateTimeTest, RefusesMalformedText) {
  for (const char* bad :
       {"", "2000", "2000-1-01", "2000-13-01", "2023-02-29", "2000-01-00", "2000-01-01 24:00",
        "2000-01-01 10:60", "2000-01-01 10:00:61", "2000-01-01 10:00:00.", "2000-01-01 10",
        "2000-01-01x", "abcd-ef-gh", "2000-01-01 10:00:00Z", "20000101"}) {
    EXPECT_FALSE(DateTimeFromSqlText(bad).has_value()) << bad;
  }
}

TEST(DbDateTimeTest, NowIsLocalWallClock) {
  const double now = NowDateTime();
  time_t raw = time(nullptr);
  std::tm tm{};
  localtime_r(&raw, &tm);
  const double expected = EncodeDateTime(
      CivilTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
  EXPECT_NEAR(now, expected, 5.0 / 86400);
}

}  // namespace
}  // namespace tir::db
