// The fixed texts other tools rely on, and the labels and names the reports print.
#include <cstdlib>

#include <gtest/gtest.h>

#include "hostlib/host_utilities.h"
#include "hostlib/report_helper.h"
#include "tests/fakes/host_fakes.h"

namespace orla::hostlib {
namespace {

class HostTextsTest : public ::testing::Test {
 protected:
  orla::testing::ScopedFakePlatform platform;
  ReportHelper helper;
  HostUtilities utilities;
};

TEST_F(HostTextsTest, FiltersAreSqlServerSafeAndJoinTheConditionSoFar) {
  std::string caption;
  EXPECT_EQ(helper.BuildPeriodFilter("01/03/2024", "31/03/2024", "", caption),
            "({c} BETWEEN '20240301 00:00:00' AND '20240331 23:59:59')");
  EXPECT_EQ(helper.BuildPeriodFilter("1/3/24", "2024-03-05", "(x = 1)", caption),
            "(x = 1) AND ({c} BETWEEN '20240301 00:00:00' AND '20240305 23:59:59')");
  EXPECT_THROW(helper.BuildPeriodFilter("31/02/2024", "31/03/2024", "", caption), host::HostError);
  EXPECT_EQ(helper.BuildIdFilter("", "(x = 1)", "Turno", caption), "(x = 1)");
  EXPECT_EQ(helper.BuildIdFilter("007", "", host::Value(int32_t{0}), caption), "({c} = '007')");
  EXPECT_EQ(helper.BuildIdFilter("O'Hara", "(x = 1)", "Cliente", caption),
            "(x = 1) AND ({c} = 'O''Hara')");
}

TEST_F(HostTextsTest, ValuesForStatements) {
  EXPECT_EQ(utilities.TextForSql("GASOLINA D'OURO"), "GASOLINA D''OURO");
  EXPECT_EQ(utilities.TextForSql("''"), "''''");
  EXPECT_EQ(utilities.TextForSql(host::Value()), "");
  EXPECT_EQ(utilities.NumberForSql(int32_t{1234567}), "1234567");
  EXPECT_EQ(utilities.NumberForSql("12,5"), "12.5") << "a text under the regional rules";
  EXPECT_EQ(utilities.DateForSql("05/03/2024"), "20240305");
  EXPECT_EQ(utilities.DateForSql(*host::DateTime::FromParts(2024, 12, 31, 10, 0)), "20241231");
  EXPECT_THROW(utilities.DateForSql("2024-02-30"), host::HostError);
}

TEST_F(HostTextsTest, NumbersForStatementsNeverTakeAnExponentAndReadBackExactly) {
  struct Row {
    double value;
    const char* text;  // nullptr: only the shape and the round trip are checked
  };
  const Row rows[] = {
      {17, "17"},
      {7.6, "7.6"},
      {-2.5, "-2.5"},
      {0.1 + 0.2, "0.30000000000000004"},
      {0.00005, "0.00005"},
      {1e16, "10000000000000000"},
      {-1e-7, "-0.0000001"},
      {123456789012345678.0, "123456789012345680"},
      {1e21, "1000000000000000000000"},
      {5e-324, nullptr},
      {1.7976931348623157e308, nullptr},
      {2.2250738585072014e-308, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    const std::string text = utilities.NumberForSql(row.value);
    if (row.text != nullptr) {
      EXPECT_EQ(text, row.text);
    }
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), row.value) << text;
  }
}

TEST_F(HostTextsTest, FuelLabelsAreShortStableAndSafeInStatements) {
  struct Row {
    const char* description;
    const char* label;
  };
  const Row rows[] = {
      {"GASOLINA ADITIVADA", "GAS.AD."},
      {"GASOLINA COMUM", "GAS.CO."},
      {"ETANOL", "ETA."},
      {"GNV", "GNV"},
      {"DIESEL S10", "DIE.S10"},
      {"ÓLEO DIESEL S-500", "ÓLE.DI.S-500"},
      {"  gasolina   podium ", "GAS.PO."},
      {"GASOLINA D'OURO", "GAS.DO."},  // no quote can reach a statement
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.description);
    EXPECT_EQ(utilities.AbbreviateText(row.description), row.label);
  }
}

TEST_F(HostTextsTest, CompanyNamesAreTidied) {
  EXPECT_EQ(utilities.CompanyNameText("  Auto  Posto\tOrla   Ltda "), "Auto Posto Orla Ltda");
  EXPECT_EQ(utilities.CompanyNameText(host::Value()), "");
}

}  // namespace
}  // namespace orla::hostlib
