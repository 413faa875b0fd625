#include "engine/crosstab.h"

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

TEST(CrossTabTest, SumsCellsByKeysInReadingOrder) {
  const auto report = Sales();
  const RenderContext context(*report);
  const auto rows = context.OpenRows();
  const CrossTab table = BuildCrossTab(context, *rows);
  EXPECT_EQ(table.inputRows, 4);
  ASSERT_EQ(table.columnKeys.size(), 2u);
  EXPECT_EQ(table.columnKeys[0].AsText(), "B2");  // before B10
  ASSERT_EQ(table.rowKeys.size(), 2u);
  EXPECT_EQ(table.rowKeys[0][0].AsDate(), testing::Date(2024, 3, 1));
  EXPECT_FALSE(table.cells[0][2].has_value());  // no sale at B10 on the 1st
  EXPECT_EQ(table.cells[1][2]->ToString(), "10.100");
  EXPECT_EQ(table.cells[1][3]->ToString(), "50.51");  // 50,01 + 0,50
  EXPECT_EQ(table.rowTotals[1][1].ToString(), "60.51");
  EXPECT_EQ(table.columnTotals[0][0].ToString(), "3.500");
  EXPECT_EQ(table.grandTotals[1].ToString(), "68.01");
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

// A writer with room for two value columns beside the fixed ones.
class NarrowWriter final : public DocumentWriter {
 public:
  std::vector<std::string> tables;
  void Begin(const DocumentHead&) override {}
  void Paragraph(const std::string&, bool) override {}
  size_t ColumnsThatFit(const std::vector<TableColumn>&, size_t) override { return 2; }
  void BeginTable(const std::vector<TableColumn>& columns, const std::string&) override {
    std::string captions;
    for (const TableColumn& c : columns) {
      captions += c.caption + "|";
    }
    tables.push_back(captions);
  }
  void GroupHeader(size_t, const std::string&) override {}
  void TableRow(RowKind, size_t, const std::vector<Cell>&, size_t, bool) override {}
  void EndTable() override {}
  void End() override {}
};

TEST(CrossTabTest, SplitsColumnsIntoBandsThatRepeatTheRowKeys) {
  NarrowWriter writer;
  WriteDocument(*Sales(), writer);
  const std::vector<std::string> expected = {"Dia||B2|B10|", "Dia||Total|"};
  EXPECT_EQ(writer.tables, expected);
}

}  // namespace
}  // namespace orla::engine
