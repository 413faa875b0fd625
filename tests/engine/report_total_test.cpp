// A computed field that reads the report's total of a column: an entry's share, drawn as a
// bar where the output can draw.
#include <sstream>

#include <gtest/gtest.h>

#include "engine/render.h"
#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

constexpr std::string_view kShares = R"({
  "name": "rptParticipacao", "title": "Participação",
  "fields": [
    {"column": "Nome"},
    {"column": "Valor", "format": "money", "total": "sum"},
    {"name": "Parte", "compute": "Valor / total(Valor) * 100", "format": "percent",
     "bar": true, "total": "sum"}
  ],
  "sections": [
    {"name": "Section3", "kind": "details"},
    {"name": "Section4", "kind": "reportFooter", "totals": true}
  ]
})";

std::shared_ptr<Report> Shares(std::vector<MemoryRecordset::Row> rows) {
  const auto report = testing::ReportOf(kShares);
  report->SetDataSource(testing::Recordset({"Nome", "Valor"}, std::move(rows)));
  return report;
}

// The last line is kept with the totals ("+").
TEST(ReportTotalTest, SharesAreOfTheTotalAsPrinted) {
  // 1.005 prints 1,01 and 2.995 prints 3,00: the total is 10,01, not the 10 of the doubles.
  const auto report = Shares({{"A", 1.005}, {"B", 2.995}, {"C", 6.0}});
  EXPECT_EQ(testing::Record(*report),
            (std::vector<std::string>{"begin Participação", "table Nome|Valor|Parte",
                                      "detail|A|1,01|10,09%", "detail|B|3,00|29,97%",
                                      "detail+|C|6,00|59,94%", "total|Total geral|10,01|100,00%",
                                      "end table", "end"}));
}

TEST(ReportTotalTest, AZeroTotalLeavesTheSharesEmpty) {
  const auto report = Shares({{"A", 0.0}, {"B", host::Value()}});
  EXPECT_EQ(testing::Record(*report),
            (std::vector<std::string>{"begin Participação", "table Nome|Valor|Parte",
                                      "detail|A|0,00|", "detail+|B||",
                                      "total|Total geral|0,00|0,00%", "end table", "end"}));
}

// Shares rounded line by line add up to 99,99%; a share's total is worked out from the sums.
TEST(ReportTotalTest, ATotalOfSharesIsTheShareOfTheTotals) {
  const auto report = testing::ReportOf(R"({
    "name": "rptParticipacao", "title": "Participação",
    "fields": [
      {"column": "Tipo", "visible": false},
      {"column": "Nome"},
      {"column": "Valor", "format": "money", "total": "sum"},
      {"column": "Parte", "format": "percent",
       "total": {"expression": "Valor / total(Valor) * 100"}}
    ],
    "groups": [{"field": "Tipo", "header": "{Tipo}", "footer": "Total {Tipo}"}],
    "sections": [
      {"name": "Section3", "kind": "details"},
      {"name": "Section4", "kind": "reportFooter", "totals": true}
    ]
  })");
  report->SetDataSource(
      testing::Recordset({"Tipo", "Nome", "Valor", "Parte"},
                         {{"X", "A", 1.0, 33.33}, {"X", "B", 1.0, 33.33}, {"Y", "C", 1.0, 33.33}}));
  EXPECT_EQ(testing::Record(*report),
            (std::vector<std::string>{"begin Participação", "table Nome|Valor|Parte", "group 0 X",
                                      "detail|A|1,00|33,33%", "detail+|B|1,00|33,33%",
                                      "subtotal 0|Total X|2,00|66,67%", "group 0 Y",
                                      "detail+|C|1,00|33,33%", "subtotal 0+|Total Y|1,00|33,33%",
                                      "total|Total geral|3,00|100,00%", "end table", "end"}));
}

TEST(ReportTotalTest, HtmlDrawsTheBarInDetailLinesOnly) {
  const auto report = Shares({{"A", 1.0}, {"B", 3.0}});
  std::ostringstream out;
  Render(*report, Format::Html, out);
  const std::string html = out.str();
  // 25% of the bar's 60% of the cell, then 75%.
  EXPECT_NE(html.find("<td class=\"num bar\" style=\"background-size: 15.0% 0.7em\">25,00%</td>"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("background-size: 45.0% 0.7em\">75,00%</td>"), std::string::npos);
  EXPECT_NE(html.find("<td class=\"num\">100,00%</td>"), std::string::npos);
}

TEST(ReportTotalTest, ThePdfPrintsTheFiguresBesideTheBars) {
  testing::TempDir dir;
  const auto report = Shares({{"A", 1.0}, {"B", 3.0}});
  Render(*report, Format::Pdf, dir / "shares.pdf");
  const std::string text =
      testing::RunCommand("pdftotext -layout '" + (dir / "shares.pdf").string() + "' -");
  EXPECT_NE(text.find("25,00%"), std::string::npos) << text;
  EXPECT_NE(text.find("75,00%"), std::string::npos) << text;
}

}  // namespace
}  // namespace orla::engine
