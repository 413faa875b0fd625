#include "host/regional_settings.h"

#include <gtest/gtest.h>

namespace orla::host {
namespace {

const RegionalSettings kBrazil = RegionalSettings::Brazilian();

TEST(ReadDate, AcceptsDayFirstAndIsoForms) {
  struct Row {
    const char* text;
    const char* iso;
  };
  const Row rows[] = {
      {"01/03/2024", "2024-03-01"},
      {"1/3/2024", "2024-03-01"},
      {"  01/03/2024 ", "2024-03-01"},
      {"01-03-2024", "2024-03-01"},
      {"01.03.2024", "2024-03-01"},
      {"29/02/2024", "2024-02-29"},  // leap year
      {"2024-03-01", "2024-03-01"},
      {"2024/03/01", "2024-03-01"},
      {"01/03/2024 10:30", "2024-03-01 10:30:00"},
      {"01/03/2024 07:05:09", "2024-03-01 07:05:09"},
      {"2024-03-01T23:59:59", "2024-03-01 23:59:59"},
      // Two-digit years: up to 29 is this century, from 30 the last.
      {"01/03/24", "2024-03-01"},
      {"01/03/00", "2000-03-01"},
      {"31/12/29", "2029-12-31"},
      {"01/01/30", "1930-01-01"},
      {"15/06/99", "1999-06-15"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto date = kBrazil.ReadDate(row.text);
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(date->ToIso(), row.iso);
  }
}

TEST(ReadDate, RefusesWhatIsNotADate) {
  for (const char* text : {"",
                           "   ",
                           "31/02/2024",
                           "29/02/2023",
                           "32/01/2024",
                           "00/01/2024",
                           "01/13/2024",
                           "01/00/2024",
                           "01/03",
                           "2024",
                           "01/03/024",
                           "01/03/20245",
                           "01/03-2024",
                           "abc",
                           "01/03/2024x",
                           "01/03/2024 25:00",
                           "01/03/2024 10:5",
                           "01/03/2024 10:30:60",
                           "2024-02-30",
                           "01/03/0099",
                           "'01/03/2024'"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(kBrazil.IsDate(text));
  }
}

TEST(FormatDate, WritesThePatternsTheReportsUse) {
  const DateTime date = *DateTime::FromParts(2024, 3, 1, 9, 5, 7);
  EXPECT_EQ(kBrazil.FormatDate(date, "dd/mm/yy"), "01/03/24");
  EXPECT_EQ(kBrazil.FormatDate(date, "yyyy/mm/dd"), "2024/03/01");
  EXPECT_EQ(kBrazil.FormatDate(date, "d/m/yyyy hh:nn:ss"), "1/3/2024 09:05:07");
  EXPECT_EQ(kBrazil.ShortDate(date), "01/03/2024");
  EXPECT_EQ(kBrazil.FormatDate(*DateTime::FromParts(2005, 12, 31), "dd/mm/yy"), "31/12/05");
}

TEST(ReadNumber, FollowsTheBrazilianNumberRules) {
  struct Row {
    const char* text;
    double number;
  };
  const Row rows[] = {
      {"40", 40},  {" 40 ", 40},          {"-3", -3},      {"+3", 3},     {"12,5", 12.5},
      {",5", 0.5}, {"1.234,56", 1234.56}, {"1.234", 1234}, {"1E3", 1000}, {"2,5e-1", 0.25},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto number = kBrazil.ReadNumber(row.text);
    ASSERT_TRUE(number.has_value());
    EXPECT_DOUBLE_EQ(*number, row.number);
  }
  for (const char* text : {"", "abc", "12a", ".5", "1,2,3", "--1", "1e", "1 000", "12.", "e5"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(kBrazil.IsNumeric(text));
  }
}

}  // namespace
}  // namespace orla::host
