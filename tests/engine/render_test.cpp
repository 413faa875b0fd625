// Text views of a report (text, HTML, CSV) checked on content, and the XLSX read back.
#include "engine/render.h"

#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "host/errors.h"
#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

constexpr std::string_view kSales = R"({
  "name": "rptVendasTeste", "title": "Vendas - Teste de Impressão",
  "orientation": "landscape",
  "fields": [
    {"column": "Grupo", "visible": false, "labels": {"C": "Combustíveis", "P": "Outros produtos"}},
    {"column": "Item", "caption": "Produto", "width": 30},
    {"column": "Dia", "caption": "Dia", "format": "date"},
    {"column": "Qtde", "caption": "Quantidade", "format": "quantity", "total": "sum"},
    {"column": "Valor", "caption": "Valor", "format": "money", "total": "sum"}
  ],
  "groups": [{"field": "Grupo"}],
  "sections": [
    {"name": "Section1", "kind": "reportHeader", "lines": ["Relatório de conferência"]},
    {"name": "Section2", "kind": "pageHeader"},
    {"name": "Section3", "kind": "details"},
    {"name": "Section4", "kind": "reportFooter", "totals": true}
  ]
})";

std::shared_ptr<Report> Sales() {
  const auto report = testing::ReportOf(kSales);
  report->SetHeaderLine(0, "[12.345.678/0001-90] - AUTO POSTO AÇAÍ");
  report->SetHeaderLine(1, "Visão fiscal / De 01/03/24 até 31/03/24");
  report->SetDataSource(
      testing::Recordset({"Grupo", "Item", "Dia", "Qtde", "Valor"},
                         {{"C", "Gasolina <aditivada>", testing::Date(2024, 3, 1), 1234.5, 7406.9},
                          {"C", "Etanol, \"hidratado\"", testing::Date(2024, 3, 2), 10.0, 49.9},
                          {"P", "Água\nmineral", host::Value(), 2.0, 5.0}}));
  return report;
}

std::string RenderToText(Report& report, Format format) {
  std::ostringstream out;
  Render(report, format, out);
  return out.str();
}

TEST(RenderTest, TextShowsHeaderGroupsRowsAndTotals) {
  const auto report = Sales();
  const std::string text = RenderToText(*report, Format::Text);
  for (const char* expected :
       {"[12.345.678/0001-90] - AUTO POSTO AÇAÍ\nVendas - Teste de Impressão\nVisão fiscal",
        "Relatório de conferência", "== Combustíveis", "== Outros produtos", "Total Combustíveis",
        "01/03/2024", "1.234,500", "7.406,90", "Total geral"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  // Numbers end their columns: the grand total line ends with the grand total.
  const size_t total = text.find("Total geral");
  EXPECT_EQ(text.substr(total, text.find('\n', total) - total).substr(0, 11), "Total geral");
  EXPECT_NE(text.find("7.461,80\n", total), std::string::npos);
}

TEST(RenderTest, AnEmptyLabelNamesNullAndEmptyCodesAlike) {
  const auto report = testing::ReportOf(R"json({
    "name": "rptPlacas", "title": "Placas",
    "fields": [
      {"column": "Placa", "visible": false, "labels": {"": "(sem placa)"}},
      {"column": "Valor", "format": "money", "total": "sum"}
    ],
    "groups": [{"field": "Placa", "footer": "Total {Placa}"}],
    "sections": [{"name": "Section3", "kind": "details"}]
  })json");
  report->SetDataSource(
      testing::Recordset({"Placa", "Valor"}, {{host::Value(), 1.0}, {"", 2.0}, {"ABC1D23", 4.0}}));
  const std::string text = RenderToText(*report, Format::Text);
  // Both groups without a plate are named, the null one too.
  size_t named = 0;
  for (size_t at = text.find("== (sem placa)\n"); at != std::string::npos;
       at = text.find("== (sem placa)\n", at + 1)) {
    ++named;
  }
  EXPECT_EQ(named, 2u) << text;
  EXPECT_NE(text.find("== ABC1D23\n"), std::string::npos) << text;
}

TEST(RenderTest, HtmlIsOneEscapedSelfContainedPage) {
  const auto report = Sales();
  const std::string html = RenderToText(*report, Format::Html);
  for (const char* expected :
       {"<meta charset=\"utf-8\">", "size: A4 landscape", "<h1>Vendas - Teste de Impressão</h1>",
        "<thead><tr><th>Produto</th><th>Dia</th><th class=\"num\">Quantidade</th>",
        "Gasolina &lt;aditivada&gt;", "Etanol, &quot;hidratado&quot;",
        "<tr class=\"group level0\"><td colspan=\"4\">Combustíveis</td></tr>",
        "<tr class=\"total\"><td colspan=\"2\">Total geral</td><td class=\"num\">1.246,500</td>"}) {
    EXPECT_NE(html.find(expected), std::string::npos) << expected;
  }
  for (const char* outside : {"<script", "<link", "src=", "http"}) {
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;
  }
  EXPECT_EQ(html, RenderToText(*report, Format::Html));
}

TEST(RenderTest, CsvFollowsRfc4180WithOneLinePerRow) {
  const auto report = Sales();
  const std::string csv = RenderToText(*report, Format::Csv);
  const std::string expected =
      "Grupo,Item,Dia,Qtde,Valor\r\n"
      "C,Gasolina <aditivada>,2024-03-01,1234.5,7406.9\r\n"
      "C,\"Etanol, \"\"hidratado\"\"\",2024-03-02,10,49.9\r\n"
      "P,\"Água\nmineral\",,2,5\r\n";
  EXPECT_EQ(csv, expected);
}

TEST(RenderTest, WritesTextFormatsToFilesAndRefusesBinaryOnesOnStreams) {
  testing::TempDir dir;
  const auto report = Sales();
  Render(*report, Format::Csv, dir / "vendas.csv");
  std::ifstream file(dir / "vendas.csv", std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_EQ(content.str(), RenderToText(*report, Format::Csv));
  std::ostringstream out;
  EXPECT_THROW(Render(*report, Format::Pdf, out), host::HostError);
  EXPECT_THROW(Render(*report, Format::Csv, dir / "missing" / "x.csv"), host::HostError);
}

std::string Unzip(const std::filesystem::path& file, const std::string& member) {
  return testing::RunCommand("unzip -p '" + file.string() + "' " + member);
}

TEST(RenderTest, XlsxKeepsNumbersAndDatesAsTypedCells) {
  testing::TempDir dir;
  const auto report = Sales();
  const auto path = dir / "vendas.xlsx";
  Render(*report, Format::Xlsx, path);
  const std::string sheet = Unzip(path, "xl/worksheets/sheet1.xml");
  ASSERT_FALSE(sheet.empty()) << "unzip found no sheet";

  // A numeric cell carries a value and no type attribute; text would be t="s"/"inlineStr".
  auto numericCell = [&](const std::string& value) {
    return std::regex_search(
        sheet, std::regex("<c r=\"[A-Z]+[0-9]+\"( s=\"[0-9]+\")?><v>" + value + "</v></c>"));
  };
  EXPECT_TRUE(numericCell("1234\\.5"));
  EXPECT_TRUE(numericCell("7406\\.9"));
  EXPECT_TRUE(numericCell("7461\\.8"));  // the grand total
  EXPECT_TRUE(numericCell("45352"));     // 01/03/2024 as a date serial
  EXPECT_EQ(sheet.find(">7.406,90<"), std::string::npos);
  EXPECT_NE(sheet.find("state=\"frozen\""), std::string::npos);
  EXPECT_NE(sheet.find("outlineLevel=\"1\""), std::string::npos);

  const std::string styles = Unzip(path, "xl/styles.xml");
  EXPECT_NE(styles.find("formatCode=\"dd/mm/yyyy\""), std::string::npos);
  EXPECT_NE(styles.find("formatCode=\"#,##0.000\""), std::string::npos);
}

TEST(RenderTest, XlsxPutsSubreportsOnSheetsOfTheirOwn) {
  testing::TempDir dir;
  const auto report = CreateReport("rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV");
  const auto rows =
      testing::Recordset({"Bico", "Combustivel", "QtdeVendida", "ValorDeVenda", "ValorDeCusto",
                          "ValorDesconto", "ValorAcrescimo", "ValorDeVendaAtual"},
                         {{"01", "GASOLINA COMUM", 1000.0, 5.899, 4.8, 10.0, 0.0, 5.999}});
  report->SetDataSource(rows);
  report->Subreport("ResumoPorCombustivel")->SetDataSource(rows);
  const auto path = dir / "movimento.xlsx";
  Render(*report, Format::Xlsx, path);
  const std::string workbook = Unzip(path, "xl/workbook.xml");
  EXPECT_NE(workbook.find("name=\"Resumo por combustível\""), std::string::npos) << workbook;
  // The forecast has no rows bound: it prints nothing, not even a sheet.
  EXPECT_EQ(workbook.find("Previsão"), std::string::npos);
  EXPECT_NE(Unzip(path, "xl/worksheets/sheet2.xml").find("<v>5899</v>"), std::string::npos);
}

}  // namespace
}  // namespace orla::engine
