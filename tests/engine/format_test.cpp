#include "engine/format.h"

#include <gtest/gtest.h>

#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

using testing::Date;

TEST(FormatTest, PrintsValuesTheBrazilianWay) {
  struct Case {
    const char* name;
    host::Value value;
    const char* format;
    const char* expected;
  };
  const Case cases[] = {
      {"money", 1234.5, "money", "1.234,50"},
      {"negative money", -0.5, "money", "-0,50"},
      {"litres keep three places", 1234.5675, "quantity", "1.234,568"},
      {"fuel price", 5.8994, "price", "5,899"},
      {"percent", 12.345, "percent", "12,35%"},
      {"integer money", int64_t{42}, "money", "42,00"},
      {"grouped integer", int64_t{1234567}, "integer", "1.234.567"},
      {"numeric text from the database", "1234.5", "money", "1.234,50"},
      {"text that is no number", "abc", "money", "abc"},
      {"null", host::Value(), "money", ""},
      {"date", Date(2024, 3, 1), "date", "01/03/2024"},
      {"ISO text as a date", "2024-03-01 10:00:00", "date", "01/03/2024"},
      {"date and time", Date(2024, 3, 1, 14, 5, 9), "datetime", "01/03/2024 14:05"},
      {"time of day", Date(1899, 12, 30, 14, 5, 9), "time", "14:05:09"},
      {"true", true, "boolean", "Sim"},
      {"zero as a flag", int64_t{0}, "boolean", "Não"},
      {"a code kept as an integer", int64_t{123456}, "text", "123456"},
      {"a whole double as text", 1234.0, "text", "1234"},
      {"a fraction as text", 0.5, "text", "0,5"},
      {"a date as text", Date(2024, 12, 31), "text", "31/12/2024"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto format = FormatFromName(c.format);
    ASSERT_TRUE(format.has_value());
    EXPECT_EQ(FormatValue(c.value, *format), c.expected);
  }
}

TEST(FormatTest, KnowsItsFormatNamesAndPlaces) {
  EXPECT_EQ(FormatFromName("money")->decimals, 2);
  EXPECT_EQ(FormatFromName("quantity")->decimals, 3);
  EXPECT_EQ(FormatFromName("number", 4)->decimals, 4);
  EXPECT_EQ(FormatFromName("integer", 3)->decimals, 0);
  EXPECT_FALSE(FormatFromName("currency").has_value());
  EXPECT_FALSE(FormatFromName("number", 9).has_value());
}

TEST(FormatTest, ShowsFormulaTextsWithoutTheirQuotes) {
  const std::pair<const char*, const char*> cases[] = {
      {"'01/03/2024'", "01/03/2024"},
      {"'It''s'", "It's"},
      {"\"texto\"", "texto"},
      {"31", "31"},
      {"'", "'"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(FormulaDisplayText(text), expected);
  }
}

}  // namespace
}  // namespace orla::engine
