#include "engine/crosstab.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

constexpr std::string_view kByNozzle = R"({
  "name": "rptTeste", "title": "Teste",
  "fields": [
    {"column": "Dia", "format": "date"},
    {"column": "Bico", "caption": "Bico"},
    {"column": "Litros", "caption": "Litros", "format": "quantity", "total": "sum"},
    {"column": "Valor", "caption": "Valor", "format": "money", "total": "sum"}
  ],
  "crosstab": {"rows": ["Dia"], "column": "Bico", "values": ["Litros", "Valor"]},
  "sections": [{"name": "Section3", "kind": "details"}]
})";

std::shared_ptr<Report> Sales() {
  const auto report = testing::ReportOf(kByNozzle);
  report->SetDataSource(testing::Recordset({"Dia", "Bico", "Litros", "Valor"},
                                           {{testing::Date(2024, 3, 2), "B10", 10.0, 50.005},
                                            {testing::Date(2024, 3, 1), "B2", 1.5, 7.5},
                                            {testing::Date(2024, 3, 2), "B2", 2.0, 10.0},
                                            {testing::Date(2024, 3, 2), "B10", 0.1, 0.5}}));
  return report;
}

TEST(CrossTabTest, PrintsAMeasurePerLineAndTotalsBothWays) {
  const std::vector<std::string> expected = {
      "begin Teste",
      "table Dia||B2|B10|Total",
      "detail+|01/03/2024|Litros|1,500||1,500",
      "detail||Valor|7,50||7,50",
      "detail+|02/03/2024|Litros|2,000|10,100|12,100",
      "detail+||Valor|10,00|50,51|60,51",  // the totals follow
      "total+|Total|Litros|3,500|10,100|13,600",
      "total||Valor|17,50|50,51|68,01",
      "end table",
      "end",
  };
  EXPECT_EQ(testing::Record(*Sales()), expected);
}

TEST(CrossTabTest, GroupsRowsByTheFirstRowFieldWithTotalsOfTheirOwn) {
  std::string json(kByNozzle);
  json.replace(json.find(R"("rows": ["Dia"])"), 15, R"("rows": ["Dia", "Caixa"])");
  json.replace(json.find(R"({"column": "Bico")"), 17, R"({"column": "Caixa"}, {"column": "Bico")");
  const auto report = testing::ReportOf(json);
  report->SetDataSource(testing::Recordset({"Dia", "Caixa", "Bico", "Litros", "Valor"},
                                           {{testing::Date(2024, 3, 1), "T2", "B1", 2.0, 10.0},
                                            {testing::Date(2024, 3, 1), "T1", "B1", 1.0, 5.0},
                                            {testing::Date(2024, 3, 2), "T1", "B1", 4.0, 20.0}}));
  const std::vector<std::string> expected = {
      "begin Teste",
      "table Dia|Caixa||B1|Total",
      "detail+|01/03/2024|T1|Litros|1,000|1,000",
      "detail+|||Valor|5,00|5,00",
      // The day prints once; its lines stay together and end with the day's totals.
      "detail+||T2|Litros|2,000|2,000",
      "detail+|||Valor|10,00|10,00",
      "subtotal 0+|Total 01/03/2024||Litros|3,000|3,000",
      "subtotal 0|||Valor|15,00|15,00",
      // A day of one line has its totals too, so that the days add up to the foot.
      "detail+|02/03/2024|T1|Litros|4,000|4,000",
      "detail+|||Valor|20,00|20,00",
      "subtotal 0+|Total 02/03/2024||Litros|4,000|4,000",
      "subtotal 0+|||Valor|20,00|20,00",
      "total+|Total||Litros|7,000|7,000",
      "total|||Valor|35,00|35,00",
      "end table",
      "end",
  };
  EXPECT_EQ(testing::Record(*report), expected);
}

TEST(CrossTabTest, SplitsColumnsIntoBandsThatRepeatTheRowKeys) {
  testing::RecordingWriter writer;
  writer.room = 2;  // value columns beside the fixed ones
  WriteDocument(*Sales(), writer);
  std::vector<std::string> tables;
  std::copy_if(writer.lines.begin(), writer.lines.end(), std::back_inserter(tables),
               [](const std::string& line) { return line.starts_with("table "); });
  const std::vector<std::string> expected = {"table Dia||B2|B10", "table Dia||Total"};
  EXPECT_EQ(tables, expected);
}

}  // namespace
}  // namespace orla::engine
