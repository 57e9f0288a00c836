#include "settings/date_forms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "db/date_time.h"
#include "settings/value_errors.h"

namespace tir {
namespace {

double Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  db::CivilTime t;
  t.year = y;
  t.month = mo;
  t.day = d;
  t.hour = h;
  t.minute = mi;
  t.second = s;
  return db::EncodeDateTime(t);
}

TEST(DateForms, ToJsonWritesFourteenDigits) {
  EXPECT_EQ(gDateToJSON(0), "18991230000000");
  EXPECT_EQ(gDateToJSON(Date(2024, 2, 29, 23, 59, 59)), "20240229235959");
  EXPECT_EQ(gDateToJSON(Date(2026, 1, 5, 7, 8, 9)), "20260105070809");
  // Milliseconds round to the nearest second's millisecond first and are then dropped.
  EXPECT_EQ(gDateToJSON(Date(2026, 1, 5, 7, 8, 9) + 0.9 / 86400.0), "20260105070809");
}

TEST(DateForms, ToJsonOfNoDateRaises) {
  EXPECT_THROW(gDateToJSON(std::numeric_limits<double>::quiet_NaN()), EConvertError);
  EXPECT_THROW(gDateToJSON(1e300), EConvertError);
}

TEST(DateForms, FromJsonAcceptsLeapDay) {
  EXPECT_DOUBLE_EQ(gDateFromJSON("20240229235959"), Date(2024, 2, 29, 23, 59, 59));
  EXPECT_DOUBLE_EQ(gDateFromJSON("20000229000000"), Date(2000, 2, 29));
}

TEST(DateForms, FromJsonRejectsBadTexts) {
  for (const char* text :
       {"20230229000000", "2023022900000", "202302280000000", "", "19000229000000",
        "00001231000000", "20231301000000", "20230001000000", "20230100000000", "20230132000000",
        "20230431000000", "20230101240000", "20230101006000", "20230101000060", "2023010100000a",
        " 2023010100000", "-2023010100000", "2023-01-01 000"}) {
    EXPECT_EQ(gDateFromJSON(text), -1) << text;
  }
}

TEST(DateForms, RoundTrip) {
  for (const char* text :
       {"00010101000000", "18991230000000", "19700101120000", "20241231235959", "99991231235959"}) {
    const double d = gDateFromJSON(text);
    ASSERT_NE(d, -1) << text;
    EXPECT_EQ(gDateToJSON(d), text);
  }
}

}  // namespace
}  // namespace tir
