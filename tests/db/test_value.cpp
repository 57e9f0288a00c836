#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/value.h"

namespace tir::db {
namespace {

TEST(DbValueTest, NullsConvertToZeroAndEmptyAndKeepTheirType) {
  Value v = Value::Null(ValueType::kDateTime);
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(v.Type(), ValueType::kDateTime);
  EXPECT_EQ(v.AsInt64(), 0);
  EXPECT_EQ(v.AsDouble(), 0.0);
  EXPECT_EQ(v.AsText(), "");
  EXPECT_EQ(v.AsDateTime(), 0.0);
  EXPECT_FALSE(v.AsBool());
  EXPECT_TRUE(Value().IsNull());
  EXPECT_EQ(Value().Type(), ValueType::kNull);
}

TEST(DbValueTest, IntegersFromRealsTruncateAndFromTextParse) {
  EXPECT_EQ(Value::Double(2.9).AsInt64(), 2);
  EXPECT_EQ(Value::Double(-2.9).AsInt64(), -2);
  EXPECT_EQ(Value::Extended(7.99L).AsInt32(), 7);
  EXPECT_EQ(Value::Text("42").AsInt64(), 42);
  EXPECT_EQ(Value::Text(" -17 ").AsInt32(), -17);
  EXPECT_EQ(Value::Text("3.7").AsInt64(), 3);
  EXPECT_EQ(Value::Text("1e3").AsInt64(), 1000);
  EXPECT_TRUE(Value::Text("1").AsBool());
  for (const char* bad : {"", "abc", "12abc", "0x10", "--1"}) {
    EXPECT_THROW(Value::Text(bad).AsInt64(), DbError) << bad;
    EXPECT_THROW(Value::Text(bad).AsDouble(), DbError) << bad;
  }
  EXPECT_THROW(Value::Double(1e300).AsInt64(), DbError);
  EXPECT_THROW(Value::Int64(1LL << 40).AsInt32(), DbError);
  EXPECT_THROW(Value::Blob({1, 2}).AsInt64(), DbError);
}

TEST(DbValueTest, TextForms) {
  EXPECT_EQ(Value::Int32(-5).AsText(), "-5");
  EXPECT_EQ(Value::Double(0.1).AsText(), "0.1");
  EXPECT_EQ(Value::Double(12.5).AsText(), "12.5");
  EXPECT_EQ(Value::DateTime(36526.5).AsText(), "2000-01-01 12:00:00.000");
  EXPECT_EQ(Value::Blob({'a', 'b'}).AsText(), "ab");
  Value w = Value::WideText(u"Ґанок");
  EXPECT_EQ(w.Type(), ValueType::kText);
  EXPECT_EQ(w.AsText(), "Ґанок");
  EXPECT_EQ(w.AsWideText(), u"Ґанок");
  EXPECT_EQ(Value::Extended(1.25L).AsExtended(), 1.25L);
  // Extended values keep their full precision until they are bound.
  const long double fine = 1.0L + 1e-18L;
  EXPECT_EQ(Value::Extended(fine).AsExtended(), fine);
  EXPECT_EQ(Value::Extended(fine).AsDouble(), 1.0);
}

TEST(DbValueTest, DateTimesFromTextOrNumbers) {
  EXPECT_EQ(Value::Text("2000-01-01 18:00:00.000").AsDateTime(), 36526.75);
  EXPECT_EQ(Value::Text("2000-01-01").AsDateTime(), 36526.0);
  EXPECT_EQ(Value::Double(36526.25).AsDateTime(), 36526.25);
  EXPECT_EQ(Value::Int64(2).AsDateTime(), 2.0);
  EXPECT_EQ(Value::Text("45000.5").AsDateTime(), 45000.5);
  EXPECT_THROW(Value::Text("31.12.2000").AsDateTime(), DbError);
  EXPECT_EQ(Value::DateTime(1.5).AsDouble(), 1.5);
}

}  // namespace
}  // namespace tir::db
