// Groups, subtotals and totals, checked on what a renderer receives.
#include <gtest/gtest.h>

#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

using Lines = std::vector<std::string>;

constexpr std::string_view kGrouped = R"({
  "name": "rptTeste", "title": "Teste",
  "formulas": ["Dias"],
  "fields": [
    {"column": "Grupo", "visible": false, "labels": {"C": "Combustíveis", "P": "Outros"}},
    {"column": "Item", "caption": "Item"},
    {"column": "Qtde", "caption": "Qtde", "format": "quantity", "total": "sum"},
    {"column": "Valor", "caption": "Valor", "format": "money", "total": "sum"},
    {"name": "Preco", "caption": "Preço", "compute": "Valor / Qtde", "format": "price",
     "total": {"expression": "Valor / Qtde"}},
    {"name": "PorDia", "caption": "Por dia", "compute": "Qtde / @Dias", "format": "quantity"}
  ],
  "groups": [{"field": "Grupo", "header": "{Grupo}", "footer": "Total {Grupo}"}],
  "sections": [
    {"name": "Section1", "kind": "reportHeader", "lines": ["Dias: {@Dias}"]},
    {"name": "Section3", "kind": "details"},
    {"name": "Section4", "kind": "reportFooter", "totals": true}
  ]
})";

TEST(TotalsTest, SubtotalsAddUpToTheTotalOfWhatIsPrinted) {
  const auto report = testing::ReportOf(kGrouped);
  // 0,1 ten times drifts as doubles; 1,005 and 2,675 print rounded up although their
  // doubles lie below the half.
  std::vector<MemoryRecordset::Row> rows;
  for (int i = 0; i < 10; ++i) {
    rows.push_back({"C", "Gasolina", 0.1, 0.1});
  }
  rows.push_back({"P", "Água", 1.0, 1.005});
  rows.push_back({"P", "Gelo", 1.0, 1.005});
  rows.push_back({"P", "Óleo", 1.0, 2.675});
  report->SetDataSource(testing::Recordset({"Grupo", "Item", "Qtde", "Valor"}, rows));
  report->SetFormula("Dias", "2");

  const Lines lines = testing::Record(*report);
  const Lines expected = {
      "begin Teste",
      "paragraph Dias: 2",
      "table Item|Qtde|Valor|Preço|Por dia",
      "group 0 Combustíveis",
  };
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4), expected);
  EXPECT_EQ(lines[4], "detail|Gasolina|0,100|0,10|1,000|0,050");
  EXPECT_EQ(lines[13], "detail+|Gasolina|0,100|0,10|1,000|0,050");
  EXPECT_EQ(lines[14], "subtotal 0|Total Combustíveis|1,000|1,00|1,000|");
  EXPECT_EQ(lines[15], "group 0 Outros");
  EXPECT_EQ(lines[16], "detail|Água|1,000|1,01|1,010|0,500");
  EXPECT_EQ(lines[18], "detail+|Óleo|1,000|2,68|2,680|0,500");
  // 1,01 + 1,01 + 2,68, not the 4,69 the unrounded values make.
  EXPECT_EQ(lines[19], "subtotal 0+|Total Outros|3,000|4,70|1,567|");  // with the total
  EXPECT_EQ(lines[20], "total|Total geral|4,000|5,70|1,425|");
  EXPECT_EQ(lines[21], "end table");
}

constexpr std::string_view kNested = R"({
  "name": "rptTeste", "title": "Teste",
  "fields": [
    {"column": "ST", "visible": false},
    {"column": "Aliq", "format": "percent", "visible": false},
    {"column": "Item"},
    {"column": "Valor", "format": "money", "total": "sum"},
    {"column": "Vendas", "format": "integer", "total": "count"},
    {"column": "Ticket", "format": "money", "total": "average"}
  ],
  "sort": ["ST", "Aliq"],
  "groups": [{"field": "ST", "header": "ST {ST}"}, {"field": "Aliq", "header": "Alíquota {Aliq}"}],
  "sections": [
    {"name": "GroupHeaderSection1", "kind": "groupHeader", "group": "ST", "lines": ["grupo {ST}:"]},
    {"name": "Section3", "kind": "details"},
    {"name": "Section4", "kind": "reportFooter", "totals": true, "label": "Geral"}
  ]
})";

TEST(TotalsTest, NestedGroupsCloseInnerFirstAndKeepTheirLastLinesTogether) {
  const auto report = testing::ReportOf(kNested);
  report->SetDataSource(testing::Recordset({"ST", "Aliq", "Item", "Valor", "Vendas", "Ticket"},
                                           {{"TT", 18.0, "a", 10.0, int64_t{1}, 10.0},
                                            {"FF", 0.0, "b", 1.0, int64_t{2}, 1.0},
                                            {"TT", 12.0, "c", 2.0, host::Value(), 3.0},
                                            {"TT", 18.0, "d", 5.0, int64_t{4}, host::Value()}}));
  const Lines expected = {
      "begin Teste",
      "table Item|Valor|Vendas|Ticket",
      "group 0 ST FF",
      "group 0 grupo FF:",
      "group 1 Alíquota 0,00%",
      "detail+|b|1,00|2|1,00",
      "subtotal 1+|Total 0,00%|1,00|1|1,00",
      "subtotal 0|Total FF|1,00|1|1,00",
      "group 0 ST TT",
      "group 0 grupo TT:",
      "group 1 Alíquota 12,00%",
      "detail+|c|2,00||3,00",
      "subtotal 1|Total 12,00%|2,00|0|3,00",
      "group 1 Alíquota 18,00%",
      "detail|a|10,00|1|10,00",
      "detail+|d|5,00|4|",
      // Counts and averages skip nulls.
      "subtotal 1+|Total 18,00%|15,00|2|10,00",
      "subtotal 0+|Total TT|17,00|2|6,50",
      "total|Geral|18,00|3|4,67",
      "end table",
      "end",
  };
  EXPECT_EQ(testing::Record(*report), expected);
}

TEST(TotalsTest, ALayoutWithoutDetailsPrintsOneLinePerGroup) {
  auto json = std::string(kGrouped);
  json.insert(json.rfind('}'), R"(, "details": false)");
  const auto report = testing::ReportOf(json);
  report->SetDataSource(
      testing::Recordset({"Grupo", "Item", "Qtde", "Valor"},
                         {{"C", "x", 2.0, 10.0}, {"C", "y", 2.0, 11.0}, {"P", "z", 1.0, 3.0}}));
  const Lines expected = {
      "begin Teste",
      "table Item|Qtde|Valor|Preço|Por dia",
      "summary 0|Combustíveis|4,000|21,00|5,250|",
      "summary 0+|Outros|1,000|3,00|3,000|",
      "total|Total geral|5,000|24,00|4,800|",
      "end table",
      "end",
  };
  EXPECT_EQ(testing::Record(*report), expected);
}

// An average price prints to three places; the value it gives back must be the value sold,
// so an exact field is read as stored (5,8994 a litre, not the 5,899 printed).
TEST(TotalsTest, AnExactFieldIsComputedWithAsStored) {
  const auto report = testing::ReportOf(R"({
    "name": "rptTeste", "title": "Teste",
    "fields": [
      {"column": "Litros", "format": "quantity"},
      {"column": "Preco", "format": "price", "exact": true},
      {"name": "Valor", "compute": "Litros * Preco", "format": "money"}
    ],
    "sections": [{"name": "Section3", "kind": "details"}]
  })");
  report->SetDataSource(testing::Recordset({"Litros", "Preco"}, {{1000.0, 5.8994}}));
  EXPECT_EQ(testing::Record(*report)[2], "detail|1.000,000|5,899|5.899,40");
}

TEST(TotalsTest, AReportWithNoDataPrintsItsColumnsAndNothingElse) {
  const auto report = testing::ReportOf(kGrouped);
  const Lines expected = {"begin Teste", "table Item|Qtde|Valor|Preço|Por dia", "end table", "end"};
  EXPECT_EQ(testing::Record(*report), expected);
}

TEST(TotalsTest, FieldsTheDataLacksAreLeftOut) {
  const auto report = testing::ReportOf(kGrouped);
  report->SetDataSource(testing::Recordset({"Grupo", "Item", "Qtde"}, {{"C", "x", 2.0}}));
  const Lines lines = testing::Record(*report);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[1], "table Item|Qtde|Por dia");
  EXPECT_EQ(lines[3], "detail+|x|2,000|");
}

}  // namespace
}  // namespace orla::engine
