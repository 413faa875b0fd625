#include "app/drill.h"

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/render.h"
#include "reports/by_name.h"
#include "reports/sales_tables/ranking_de_vendas.h"
#include "tests/engine/test_support.h"
#include "tests/fakes/host_fakes.h"

namespace orla::app {
namespace {

using engine::Format;

std::shared_ptr<engine::Report> Ranking() {
  auto report = engine::CreateReport("rptRanking");
  report->SetDataSource(engine::testing::Recordset(
      {"Codigo", "Nome", "SomaDeQtde", "SomaDeValor_Venda", "Lucro"},
      {{"A'B&C", "ANA & FILHOS", 10.0, 100.0, 20.0}, {"7", "BETO", 5.0, 50.0, 5.0}}));
  return report;
}

std::string Rendered(engine::Report& report, Format format) {
  if (engine::IsTextFormat(format)) {
    std::ostringstream out;
    engine::Render(report, format, out);
    return out.str();
  }
  const auto file = std::filesystem::path(::testing::TempDir()) / "drill.pdf";
  engine::Render(report, format, file);
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A client code with a quote and an ampersand reaches the details whole, and the links add
// nothing to the HTML but themselves, and nothing at all to the other outputs.
TEST(Drill, LinksCarryTheKeyEncodedAndChangeNothingElse) {
  orla::testing::ScopedFakePlatform platform;
  const reports::ArgumentList arguments =
      reports::ResolveArguments(reports::kRankingDeVendas,
                                {{"Filtro_DataInicial", host::Value("01/03/2024")},
                                 {"Filtro_DataFinal", host::Value("31/03/2024")},
                                 {"Filtro_TipoAgrupamento", host::Value(int32_t{0})}},
                                engine::testing::Date(2024, 4, 2));
  const auto plain = Ranking();
  const auto linked = Ranking();
  linked->SetLinks(DrillLinks(reports::kRankingDeVendas, arguments));

  const std::string html = Rendered(*linked, Format::Html);
  EXPECT_NE(html.find("<a href=\"#/DetalhesDosMovimentosPorClientes?Filtro_DataInicial=01/03/"
                      "2024&amp;Filtro_DataFinal=31/03/2024&amp;Filtro_IDCliente=A%27B%26C&amp;"
                      "run=1\">ANA &amp; FILHOS</a>"),
            std::string::npos)
      << html;
  EXPECT_EQ(std::regex_replace(html, std::regex("<a href=\"[^\"]*\">|</a>"), ""),
            Rendered(*plain, Format::Html));
  for (const Format format : {Format::Text, Format::Csv, Format::Json, Format::Pdf}) {
    SCOPED_TRACE(engine::FormatName(format));
    EXPECT_EQ(Rendered(*linked, format), Rendered(*plain, format));
  }
}

}  // namespace
}  // namespace orla::app
