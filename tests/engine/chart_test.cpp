// Charts from hand-made rows: what they sum and name, and how each surface draws them (SVG
// read as text, the PDF's text and a picture of its page, the XLSX as LibreOffice reads it).
#include "engine/chart.h"

#include <cmath>
#include <regex>
#include <sstream>

#include <cairo.h>
#include <gtest/gtest.h>

#include "engine/render.h"
#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

std::shared_ptr<Report> ChartReport(const std::string& chart,
                                    std::vector<MemoryRecordset::Row> rows) {
  const auto report = testing::ReportOf(R"({
    "name": "rptGrafico", "title": "Vendas - Gráfico",
    "fields": [
      {"column": "Grupo"}, {"column": "Serie"}, {"column": "Dia", "format": "date"},
      {"column": "Qtde", "format": "quantity"}, {"column": "Preco", "format": "price"},
      {"column": "Valor", "format": "money"},
      {"name": "Total", "compute": "Qtde * Preco", "format": "money"}
    ],
    "sections": [{"name": "Section3", "kind": "details"},
                 {"name": "Section4", "kind": "reportFooter", "chart": )" +
                                        chart + R"(}]
  })");
  report->SetDataSource(
      testing::Recordset({"Grupo", "Serie", "Dia", "Qtde", "Preco", "Valor"}, std::move(rows)));
  return report;
}

// "A 6,00 | B 3,00" for one series; series after series, "/" between them.
std::string Drawn(const ChartData& chart) {
  std::string text;
  for (size_t s = 0; s < chart.series.size(); ++s) {
    text += (s ? " / " : "") + chart.series[s].name + ":";
    for (size_t c = 0; c < chart.categories.size(); ++c) {
      text += (c ? " | " : " ") + chart.categories[c] + " " +
              chart.ValueText(chart.series[s].values[c]);
    }
  }
  for (size_t c = 0; c < chart.shares.size(); ++c) {
    text += (c ? " " : " % ") + chart.ShareText(c);
  }
  for (const std::string& note : chart.notes) {
    text += " [" + note + "]";
  }
  return text;
}

using Rows = std::vector<MemoryRecordset::Row>;

Rows Sales(std::initializer_list<std::pair<const char*, double>> sales) {
  Rows rows;
  for (const auto& [group, value] : sales) {
    rows.push_back({group, "x", testing::Date(2024, 3, 1), 1.0, 1.0, value});
  }
  return rows;
}

TEST(ChartTest, SumsTheRowsAsTheTablePrintsThemAndSaysWhatItLeavesOut) {
  Rows manyGroups;  // more categories than a chart keeps while it reads
  for (int i = 0; i < 1200; ++i) {
    manyGroups.push_back({"G" + std::to_string(i), "x", testing::Date(2024, 3, 1), 1.0, 1.0, 1.0});
  }
  Rows manyBackwards;
  for (int i = 1200; i >= 1; --i) {
    manyBackwards.push_back(
        {"K" + std::to_string(i), "x", testing::Date(2024, 3, 1), 1.0, 1.0, double(i)});
  }
  Rows nineSeries;
  for (int s = 1; s <= 9; ++s) {
    nineSeries.push_back(
        {"A", "S" + std::to_string(s), testing::Date(2024, 3, 1), 1.0, 1.0, double(s)});
  }
  struct Case {
    const char* name;
    std::string chart;
    Rows rows;
    std::string drawn;
  };
  const Case cases[] = {
      // 1.005 prints as 1,01, so two of them are 2,02, as the table's total would be. A loss
      // as large as a sale is kept, and drawn last.
      {"largest either way, the rest as Outros",
       R"({"type": "bar", "category": "Grupo", "value": "Valor", "limit": 3})",
       Sales({{"A", 5}, {"B", 3}, {"C", 1.005}, {"E", -4}, {"A", 1}, {"D", 1.005}}),
       "Valor: A 6,00 | B 3,00 | E -4,00 | Outros 2,02"},
      {"as the rows come", R"({"type": "bar", "category": "Grupo", "value": "Valor",
                               "order": "data", "limit": 2})",
       Sales({{"C", 1}, {"A", 5}, {"B", 3}}), "Valor: C 1,00 | A 5,00 | Outros 3,00"},
      {"by category, the rest left out with a note",
       R"({"type": "line", "category": "Grupo", "value": "Valor", "limit": 2})",
       Sales({{"C", 1}, {"A", 5}, {"B", 3}}),
       "Valor: A 5,00 | B 3,00 [O gráfico mostra os primeiros 2 valores de Grupo (de 3); a "
       "tabela traz todos.]"},
      {"a share of the positive values only",
       R"({"type": "share", "category": "Grupo", "value": "Valor"})",
       Sales({{"A", 30}, {"B", -5}, {"C", 10}, {"D", 0}}),
       "Valor: A 30,00 | C 10,00 % 75,0% 25,0% [Fora do gráfico, por não serem positivos: B "
       "(-5,00); D (0,00).]"},
      {"a computed value",
       R"({"type": "bar", "category": "Grupo", "value": "Total"})",
       {{"A", "x", testing::Date(2024, 3, 1), 2.0, 5.899, 0.0},
        {"A", "x", testing::Date(2024, 3, 1), 1.0, 1.0, 0.0}},
       "Total: A 12,80"},
      {"a series per value",
       R"({"type": "bar", "category": "Grupo", "values": ["Valor", "Total"]})",
       {{"A", "x", testing::Date(2024, 3, 1), 2.0, 5.0, 1.0}},
       "Valor: A 1,00 / Total: A 10,00"},
      {"series beyond the palette gathered, the largest first",
       R"({"type": "stackedBar", "category": "Grupo", "series": "Serie", "value": "Valor"})",
       nineSeries,
       "S9: A 9,00 / S8: A 8,00 / S7: A 7,00 / S6: A 6,00 / S5: A 5,00 / S4: A 4,00 / S3: A "
       "3,00 / Outros: A 3,00"},
      {"more categories than it keeps, in the order they came",
       R"({"type": "bar", "category": "Grupo", "value": "Valor", "order": "data", "limit": 2})",
       manyGroups,
       "Valor: G0 1,00 | G1 1,00 | Outros 1.198,00 [Mais de 1.000 valores de Grupo: os lidos "
       "depois dos primeiros estão em Outros.]"},
      // The last come first; the chart still keeps the first of them.
      {"more categories than it keeps, by category",
       R"({"type": "line", "category": "Grupo", "value": "Valor", "limit": 2})", manyBackwards,
       "Valor: K1 1,00 | K2 2,00 [O gráfico mostra os primeiros 2 valores de Grupo; a tabela "
       "traz todos.]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::RecordingWriter writer;
    WriteDocument(*ChartReport(c.chart, c.rows), writer);
    ASSERT_EQ(writer.charts.size(), 1u);
    EXPECT_EQ(Drawn(writer.charts[0]), c.drawn);
  }
}

// A bar chart before the table and a share after it, from three groups whose values halve.
std::shared_ptr<Report> TwoCharts() {
  const auto report = testing::ReportOf(R"({
    "name": "rptGraficos", "title": "Vendas - Gráficos",
    "fields": [{"column": "Grupo", "caption": "Grupo"},
               {"column": "Valor", "caption": "Valor", "format": "money", "total": "sum"}],
    "sections": [
      {"name": "Section1", "kind": "reportHeader",
       "chart": {"type": "bar", "title": "Valor por grupo", "category": "Grupo",
                 "value": "Valor"}},
      {"name": "Section3", "kind": "details"},
      {"name": "Section4", "kind": "reportFooter", "totals": true,
       "chart": {"type": "share", "title": "Participação de cada grupo", "category": "Grupo",
                 "value": "Valor"}}
    ]
  })");
  report->SetHeaderLine(0, "[12.345.678/0001-90] - AUTO POSTO");
  report->SetHeaderLine(1, "Visão fiscal / De 01/03/24 até 31/03/24");
  report->SetDataSource(testing::Recordset(
      {"Grupo", "Valor"},
      {{"Combustíveis", 1234.56}, {"Conveniência", 617.28}, {"Lubrificantes", 308.64}}));
  return report;
}

TEST(ChartTest, SvgBarsStandAsTallAsTheirValuesWithBrazilianFigures) {
  std::ostringstream out;
  Render(*TwoCharts(), Format::Html, out);
  const std::string html = out.str();
  const size_t bars = html.find("<figure class=\"chart\"");
  const size_t table = html.find("<table>");
  const size_t share = html.find("<figure class=\"chart\"", bars + 1);
  ASSERT_NE(share, std::string::npos);
  // The header's chart read the rows before the table did, and the footer's after.
  EXPECT_LT(bars, table);
  EXPECT_GT(share, table);

  const std::string barChart = html.substr(bars, table - bars);
  const std::regex rect(
      R"re(<rect class="bar" x="[0-9.]+" y="[0-9.]+" width="[0-9.]+" height="([0-9.]+)")re");
  std::vector<double> heights;
  for (auto it = std::sregex_iterator(barChart.begin(), barChart.end(), rect);
       it != std::sregex_iterator(); ++it) {
    heights.push_back(std::stod((*it)[1]));
  }
  ASSERT_EQ(heights.size(), 3u);
  EXPECT_NEAR(heights[0] / heights[1], 2.0, 0.01);
  EXPECT_NEAR(heights[1] / heights[2], 2.0, 0.01);
  EXPECT_NE(barChart.find(">1.234,56</text>"), std::string::npos);
  EXPECT_NE(barChart.find("<td>617,28</td>"), std::string::npos);  // for screen readers

  const std::string shareChart = html.substr(share);
  for (const char* text : {">57,1%</text>", ">28,6%</text>", ">14,3%</text>",
                           "<th>Lubrificantes</th>", "<td>14,3%</td>"}) {
    EXPECT_NE(shareChart.find(text), std::string::npos) << text;
  }
}

// The picture of a page, as grey levels.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> grey;
};

Picture ReadPng(const std::string& path) {
  Picture picture;
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(surface);
    picture.width = cairo_image_surface_get_width(surface);
    picture.height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const auto* pixel = reinterpret_cast<const uint32_t*>(data + y * stride) + x;
        picture.grey.push_back(static_cast<unsigned char>((*pixel >> 8) & 0xff));
      }
    }
  }
  cairo_surface_destroy(surface);
  return picture;
}

TEST(ChartTest, PdfDrawsTheChartsInTheReportsFonts) {
  testing::TempDir dir;
  const auto pdf = dir / "graficos.pdf";
  Render(*TwoCharts(), Format::Pdf, pdf);
  const std::string text = testing::RunCommand("pdftotext '" + pdf.string() + "' -");
  for (const char* label : {"Valor por grupo", "Participação de cada grupo", "1.234,56", "57,1%",
                            "14,3%", "Lubrificantes"}) {
    EXPECT_NE(text.find(label), std::string::npos) << label;
  }

  // Against a picture kept from a look at the page; the tolerance takes a renderer's
  // antialiasing, not a bar, slice or label out of place. To take a new one after a change
  // meant to move the picture: pdftoppm -r 36 -gray -png -singlefile graficos.pdf chart_page
  testing::RunCommand("pdftoppm -r 36 -gray -png -singlefile '" + pdf.string() + "' '" +
                      (dir / "page").string() + "'");
  const Picture page = ReadPng((dir / "page.png").string());
  const Picture kept = ReadPng(ORLA_ENGINE_TEST_DIR "/chart_page.png");
  ASSERT_GT(kept.width, 0) << "the kept picture cannot be read";
  ASSERT_EQ(page.width, kept.width);
  ASSERT_EQ(page.height, kept.height);
  size_t different = 0;
  for (size_t i = 0; i < page.grey.size(); ++i) {
    different += std::abs(page.grey[i] - kept.grey[i]) > 48 ? 1 : 0;
  }
  EXPECT_LT(different, page.grey.size() / 400) << different << " pixels differ";
}

// "'Sheet name'!$B$4:$B$6" as a sheet, a column letter and the first and last rows.
struct Range {
  std::string sheet;
  std::string column;
  int first = 0;
  int last = 0;
};

std::optional<Range> ReadRange(const std::string& formula) {
  static const std::regex range(R"re(^'?(.*?)'?!\$([A-Z]+)\$([0-9]+):\$[A-Z]+\$([0-9]+)$)re");
  std::smatch m;
  if (!std::regex_match(formula, m, range)) {
    return std::nullopt;
  }
  return Range{m[1], m[2], std::stoi(m[3]), std::stoi(m[4])};
}

std::string Unescape(std::string text) {
  for (const auto& [from, to] :
       {std::pair{"&apos;", "'"}, {"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
      text.replace(at, std::string_view(from).size(), to);
    }
  }
  return text;
}

// LibreOffice reads the workbook and writes it again: the chart it writes is the chart it
// understood, pointing at the cells it found.
TEST(ChartTest, XlsxChartPointsAtCellsHoldingItsNumbers) {
  testing::TempDir dir;
  const auto xlsx = dir / "graficos.xlsx";
  Render(*TwoCharts(), Format::Xlsx, xlsx);
  testing::RunCommand(
      "cd '" + (dir / "").string() + "' && soffice --headless -env:UserInstallation=file://" +
      (dir / "perfil").string() + " --convert-to xlsx --outdir lido graficos.xlsx >/dev/null 2>&1");
  const std::string read = (dir / "lido/graficos.xlsx").string();
  const auto part = [&](const std::string& name) {
    return testing::RunCommand("unzip -p '" + read + "' '" + name + "'");
  };
  const std::string chart = part("xl/charts/chart1.xml");
  ASSERT_FALSE(chart.empty()) << "LibreOffice wrote no chart";
  std::vector<std::string> formulas;
  const std::regex formula("<c:f>([^<]*)</c:f>");
  for (auto it = std::sregex_iterator(chart.begin(), chart.end(), formula);
       it != std::sregex_iterator(); ++it) {
    formulas.push_back(Unescape((*it)[1]));
  }
  std::optional<Range> categories, values;
  for (const std::string& f : formulas) {
    if (auto r = ReadRange(f)) {
      (r->column == "A" ? categories : values) = r;
    }
  }
  ASSERT_TRUE(categories && values) << ::testing::PrintToString(formulas);
  EXPECT_EQ(values->first, categories->first);
  EXPECT_EQ(values->last - values->first, 2);

  // The sheet the ranges name, its strings and its cells.
  const std::string workbook = part("xl/workbook.xml");
  const std::regex sheetEntry(R"re(<sheet name="([^"]*)")re");
  int index = 0;
  int found = 0;
  for (auto it = std::sregex_iterator(workbook.begin(), workbook.end(), sheetEntry);
       it != std::sregex_iterator(); ++it) {
    ++index;
    if (Unescape((*it)[1]) == categories->sheet) {
      found = index;
    }
  }
  ASSERT_GT(found, 0);
  std::vector<std::string> strings;
  const std::string shared = part("xl/sharedStrings.xml");
  const std::regex item("<si><t[^>]*>([^<]*)</t></si>");
  for (auto it = std::sregex_iterator(shared.begin(), shared.end(), item);
       it != std::sregex_iterator(); ++it) {
    strings.push_back(Unescape((*it)[1]));
  }
  const std::string sheet = part("xl/worksheets/sheet" + std::to_string(found) + ".xml");
  const auto cell = [&](const std::string& column, int row) -> std::string {
    const std::regex c("<c r=\"" + column + std::to_string(row) + R"re("([^>]*)><v>([^<]*)</v>)re");
    std::smatch m;
    if (!std::regex_search(sheet, m, c)) {
      return "?";
    }
    const bool text = m[1].str().find("t=\"s\"") != std::string::npos;
    return text ? strings.at(std::stoul(m[2])) : std::string(m[2]);
  };
  std::vector<std::string> drawn;
  for (int row = categories->first; row <= categories->last; ++row) {
    drawn.push_back(cell(categories->column, row) + " " + cell(values->column, row));
  }
  EXPECT_EQ(drawn, (std::vector<std::string>{"Combustíveis 1234.56", "Conveniência 617.28",
                                             "Lubrificantes 308.64"}));
}

}  // namespace
}  // namespace orla::engine
