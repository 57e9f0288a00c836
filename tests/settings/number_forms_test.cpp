#include "settings/number_forms.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "settings/value_errors.h"
#include "settings/value_params.h"

namespace tir {
namespace {

// Restores the value params and the dialog after each test.
class NumberForms : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = gValueParams;
    SetErrorDialogFunc([this](const std::string& m) { dialogs_.push_back(m); });
  }
  void TearDown() override {
    gValueParams = saved_;
    SetErrorDialogFunc(nullptr);
  }
  TValueParams saved_;
  std::vector<std::string> dialogs_;
};

TEST_F(NumberForms, RoundingExamples) {
  EXPECT_EQ(TirRountFloatToDig(2.345L, 2), 2.35L);
  EXPECT_EQ(TirRountFloatToDig(-2.345L, 2), -2.35L);
  EXPECT_EQ(TirRountFloatToDig(2.3449999L, 2), 2.34L);
  EXPECT_EQ(TirRountFloatToDig(1.005L, 2), 1.01L);
  // A hair below a half still rounds away from zero.
  EXPECT_EQ(TirRountFloatToDig(0.12499999999L, 2), 0.13L);
  EXPECT_EQ(TirRountFloatToDig(-0.12499999999L, 2), -0.13L);
  EXPECT_EQ(TirRountFloatToDig(0.1249998L, 2), 0.12L);
}

TEST_F(NumberForms, RoundingDigitEdges) {
  EXPECT_EQ(TirRountFloatToDig(2.5L, 0), 3.0L);
  EXPECT_EQ(TirRountFloatToDig(-2.5L, 0), -3.0L);
  EXPECT_EQ(TirRountFloatToDig(2.5L, -3), 3.0L);  // negative digits count as 0
  EXPECT_EQ(TirRountFloatToDig(1.123456789L, 8), 1.12345679L);
  EXPECT_NEAR(static_cast<double>(TirRountFloatToDig(1.1234567891L, 9)), 1.123456789, 1e-15);
  EXPECT_EQ(TirRountFloatToDig(0.0L, 3), 0.0L);
}

TEST_F(NumberForms, PriceAndCountUseHostDecimals) {
  gValueParams.fPriceDigit = 2;
  gValueParams.fCountDigit = 3;
  EXPECT_EQ(FloatToPrice(10.005L), 10.01L);
  EXPECT_EQ(FloatToCount(10.0005L), 10.001L);
  gValueParams.fPriceDigit = 0;
  EXPECT_EQ(FloatToPrice(10.5L), 11.0L);
}

TEST_F(NumberForms, LenientParseExamples) {
  EXPECT_EQ(TirStrToFloat("1 234,567 грн", 2, u','), 1234.57L);
  EXPECT_EQ(TirStrToFloat("-.5", 2, u'.'), -0.5L);
  EXPECT_EQ(TirStrToFloat("1e3", 2, u'.'), 13.0L);
  EXPECT_EQ(TirStrToFloat("12.3.4", 2, u'.'), 12.34L);
  EXPECT_EQ(TirStrToFloat("", 2, u'.'), 0.0L);
  EXPECT_EQ(TirStrToFloat("-", 2, u'.'), 0.0L);
  EXPECT_EQ(TirStrToFloat("--5", 2, u'.'), -5.0L);
  EXPECT_EQ(TirStrToFloat("5-", 2, u'.'), 5.0L);
}

TEST_F(NumberForms, LenientParseDetails) {
  // The separator handed over does not change the result: both ',' and '.' are the point.
  EXPECT_EQ(TirStrToFloat("3,25", 2, u'.'), 3.25L);
  EXPECT_EQ(TirStrToFloat("3.25", 2, u','), 3.25L);
  EXPECT_EQ(TirStrToFloat("$ -1,5", 1, u','), -1.5L);
  EXPECT_EQ(TirStrToFloat(".", 2, u'.'), 0.0L);
  EXPECT_EQ(TirStrToFloat("7.", 2, u'.'), 7.0L);
  EXPECT_EQ(TirStrToFloat("abc", 2, u'.'), 0.0L);
  EXPECT_EQ(TirStrToFloat("a-1", 2, u'.'), -1.0L);
  EXPECT_EQ(TirStrToFloat("1a-1", 2, u'.'), 11.0L);
  EXPECT_EQ(TirStrToFloat("0.125", 2, u'.'), 0.13L);
  EXPECT_EQ(TirStrToFloat("-0", 2, u'.'), 0.0L);
  // Locale-free: a thousand digits saturate instead of failing.
  EXPECT_EQ(TirStrToFloat(std::string(6000, '9'), 2, u'.'),
            std::numeric_limits<long double>::infinity());
  EXPECT_EQ(TirStrToFloat("0." + std::string(6000, '0') + "1", 2, u'.'), 0.0L);
}

TEST_F(NumberForms, IntegerForms) {
  EXPECT_EQ(gStrToInteger("12,6"), 13);
  EXPECT_EQ(gStrToInteger("-7.5"), -8);
  EXPECT_EQ(gStrToInteger("x"), 0);
  EXPECT_EQ(gStrToInteger(std::string(40, '9')), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(gStrToInteger("-" + std::string(40, '9')), std::numeric_limits<std::int64_t>::min());
  EXPECT_TRUE(gIsInteger("0123"));
  EXPECT_FALSE(gIsInteger(""));
  EXPECT_FALSE(gIsInteger("-1"));
  EXPECT_FALSE(gIsInteger("1 2"));
  EXPECT_TRUE(gIsNoFrac(5.0L));
  EXPECT_TRUE(gIsNoFrac(-5.0000000001L));
  EXPECT_FALSE(gIsNoFrac(5.01L));
  EXPECT_TRUE(gIsNoFrac(std::string_view("5,000")));
  EXPECT_FALSE(gIsNoFrac(std::string_view("5,0000001")));
  EXPECT_TRUE(gIsNoFrac(std::string_view("5,00000001")));  // below 7 digits
}

TEST_F(NumberForms, ComparisonExamples) {
  EXPECT_TRUE(IsFloatCMP(0.3L, "=", 0.1L + 0.2L));
  EXPECT_FALSE(IsFloatCMP(1.0L, "<", 1.0L + 0.0000000005L));
  gValueParams.fCountDigit = 1;
  EXPECT_TRUE(IsFloatCMP(10.0L, "%", 2.5L));
  EXPECT_FALSE(IsFloatCMP(10.0L, "!%", 2.5L));
  EXPECT_FALSE(IsFloatCMP(10.0L, "%", 3.0L));
  EXPECT_TRUE(IsFloatCMP(10.0L, "!%", 3.0L));
  EXPECT_TRUE(dialogs_.empty());
}

TEST_F(NumberForms, ComparisonOperators) {
  const long double e = 0.0000000005L;
  EXPECT_TRUE(IsFloatCMP(1.0L + e, "<=", 1.0L));
  EXPECT_FALSE(IsFloatCMP(1.00001L, "<=", 1.0L));
  EXPECT_TRUE(IsFloatCMP(1.0L - e, ">=", 1.0L));
  EXPECT_FALSE(IsFloatCMP(0.99999L, ">=", 1.0L));
  EXPECT_TRUE(IsFloatCMP(0.99999L, "<", 1.0L));
  EXPECT_TRUE(IsFloatCMP(1.00001L, ">", 1.0L));
  EXPECT_FALSE(IsFloatCMP(1.0L + e, ">", 1.0L));
  EXPECT_TRUE(IsFloatCMP(1.0L, "<>", 1.1L));
  EXPECT_TRUE(IsFloatCMP(1.0L, "!=", 1.1L));
  EXPECT_FALSE(IsFloatCMP(1.0L, "<>", 1.0L + e));
  EXPECT_TRUE(IsFloatNull(0.0000000009L));
  EXPECT_FALSE(IsFloatNull(0.000000001L));
  EXPECT_FALSE(IsFloatNull(-0.000000001L));
  EXPECT_TRUE(IsFloatIdent(2.0L, 2.0L + e));
}

TEST_F(NumberForms, ModuloRoundsHalfToEvenAndRejectsZero) {
  gValueParams.fCountDigit = 0;
  EXPECT_TRUE(IsFloatCMP(4.0L, "%", 2.5L));   // 2.5 rounds to 2
  EXPECT_FALSE(IsFloatCMP(6.0L, "%", 3.5L));  // 3.5 rounds to 4
  EXPECT_TRUE(IsFloatCMP(8.0L, "%", 3.5L));
  gValueParams.fCountDigit = 12;             // out of 0-8: k = 0
  EXPECT_TRUE(IsFloatCMP(9.0L, "%", 2.9L));  // 9 % 3
  EXPECT_TRUE(IsFloatCMP(-9.0L, "%", 3.0L));
  EXPECT_THROW(IsFloatCMP(9.0L, "%", 0.4L), EDivByZero);
  EXPECT_THROW(IsFloatCMP(9.0L, "!%", 0.0L), EDivByZero);
}

TEST_F(NumberForms, UnknownOperatorShowsDialog) {
  EXPECT_FALSE(IsFloatCMP(1.0L, "=>", 1.0L));
  EXPECT_FALSE(IsFloatCMP(1.0L, "", 1.0L));
  ASSERT_EQ(dialogs_.size(), 2u);
  EXPECT_EQ(dialogs_[0], "Error compare float: =>");
  EXPECT_EQ(dialogs_[1], "Error compare float: ");
}

TEST_F(NumberForms, TextForms) {
  gValueParams.fThousandSeparator = u' ';
  EXPECT_EQ(FloatToStringPrice(2, u',', 1234567.891L), "1 234 567,89");
  EXPECT_EQ(FloatToStringPrice(2, u'.', -1234.5L), "-1 234.50");
  EXPECT_EQ(FloatToStringPrice(3, u'.', 999.9999L), "1 000.000");
  EXPECT_EQ(FloatToStringPrice(0, u',', 2.5L), "3");
  EXPECT_EQ(FloatToStringPrice(2, u'.', -0.001L), "0.00");
  EXPECT_EQ(FloatToStringPrice(2, u'.', 0.0L), "0.00");
  EXPECT_EQ(FloatToStringPrice(2, u'.', 123.0L), "123.00");
  gValueParams.fThousandSeparator = 0;
  EXPECT_EQ(FloatToStringPrice(1, u'.', 1234567.0L), "1234567.0");
  gValueParams.fThousandSeparator = u'\u00A0';
  EXPECT_EQ(FloatToStringPrice(1, u',', 1234.0L), "1\u00A0234,0");
  EXPECT_EQ(FloatToStringPrice(2, u'.', std::numeric_limits<long double>::infinity()), "INF");
  EXPECT_EQ(FloatToStringPrice(2, u'.', std::numeric_limits<long double>::quiet_NaN()), "NAN");
}

TEST_F(NumberForms, HostTextForms) {
  gValueParams = TValueParams{2, 3, u',', u' '};
  EXPECT_EQ(ToStringPrice(1234.567L), "1 234,57");
  EXPECT_EQ(ToStringCount(1234.5678L), "1 234,568");
  EXPECT_EQ(ToStringPrice(std::string_view("1234.565 грн")), "1 234,57");
  EXPECT_EQ(ToStringCount(std::string_view("abc")), "0,000");
  EXPECT_EQ(StrToFloatPrice("12,345"), 12.35L);
  EXPECT_EQ(StrToFloatCount("12,3456"), 12.346L);
}

}  // namespace
}  // namespace tir
