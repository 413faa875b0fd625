#include "engine/decimal.h"

#include <gtest/gtest.h>

namespace orla::engine {
namespace {

TEST(DecimalTest, RoundsTheDatabaseTextOfADoubleHalfAwayFromZero) {
  struct Case {
    double value;
    int scale;
    const char* expected;
  };
  const Case cases[] = {
      // The double nearest 1.005 lies below it; the value the database wrote is 1.005.
      {1.005, 2, "1.01"},
      {2.675, 2, "2.68"},
      {-2.675, 2, "-2.68"},
      {0.0005, 3, "0.001"},
      {0.0004999, 3, "0.000"},
      {1e-7, 2, "0.00"},
      {-0.004, 2, "0.00"},
      {123456789.125, 2, "123456789.13"},
      {1.5e20, 0, "150000000000000000000"},
      {7.0, 3, "7.000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const auto d = Decimal::FromDouble(c.value, c.scale);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->ToString(), c.expected);
  }
  EXPECT_FALSE(Decimal::FromDouble(std::numeric_limits<double>::quiet_NaN(), 2).has_value());
}

// Plain and scientific text only; an exponent that could overflow, or more digits than an
// amount holds, is refused.
TEST(DecimalTest, ParsesPlainAndScientificTextOnly) {
  EXPECT_EQ(Decimal::Parse("-12.345", 2)->ToString(), "-12.35");
  EXPECT_EQ(Decimal::Parse("+2.5e-1", 1)->ToString(), "0.3");
  EXPECT_EQ(Decimal::Parse(".5", 2)->ToString(), "0.50");
  EXPECT_EQ(Decimal::Parse("5e-324", 2)->ToString(), "0.00") << "the smallest double";
  EXPECT_EQ(Decimal::Parse("1e-400", 2)->ToString(), "0.00");
  EXPECT_EQ(Decimal::Parse("1e35", 0)->ToString(), "100000000000000000000000000000000000");
  EXPECT_FALSE(Decimal::Parse("1e400", 0).has_value());
  for (const char* bad : {"", "abc", "1.2.3", "12,5", "1e", "--1", "1 2", "0.1e-2147483648",
                          "10e2147483647", "1e99999999999", "1e401", "0.5e-401", "-1e-99999"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(Decimal::Parse(bad, 2).has_value());
  }
}

TEST(DecimalTest, AddsAcrossScales) {
  Decimal sum = *Decimal::FromDouble(1.5, 1);
  sum += *Decimal::FromDouble(0.125, 3);
  EXPECT_EQ(sum.Scale(), 3);
  EXPECT_EQ(sum.ToString(), "1.625");
  EXPECT_EQ(sum.Rescaled(2).ToString(), "1.63");
  EXPECT_EQ((-sum).Rescaled(2).ToString(), "-1.63");
}

TEST(DecimalTest, DividesWithRounding) {
  const auto ten = Decimal::FromInteger(10);
  const auto three = Decimal::FromInteger(3);
  EXPECT_EQ(Decimal::Divide(ten, three, 2)->ToString(), "3.33");
  EXPECT_EQ(Decimal::Divide(Decimal::FromInteger(2), three, 2)->ToString(), "0.67");
  EXPECT_EQ(Decimal::Divide(Decimal::FromInteger(-2), three, 2)->ToString(), "-0.67");
  EXPECT_EQ(Decimal::Divide(Decimal::FromInteger(2), -three, 2)->ToString(), "-0.67");
  EXPECT_EQ(Decimal::Divide(*Decimal::Parse("1.5", 1), *Decimal::Parse("0.25", 2), 3)->ToString(),
            "6.000");
  EXPECT_FALSE(Decimal::Divide(ten, Decimal::FromInteger(0, 2), 2).has_value());
}

TEST(DecimalTest, EqualityIgnoresScale) {
  EXPECT_EQ(*Decimal::Parse("1.5", 1), *Decimal::Parse("1.500", 3));
  EXPECT_FALSE(*Decimal::Parse("1.5", 1) == *Decimal::Parse("1.501", 3));
}

}  // namespace
}  // namespace orla::engine
