#include "app/drill.h"

#include <fstream>
#include <iterator>
#include <regex>

#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/render.h"
#include "reports/by_name.h"
#include "reports/sales_tables/ranking_de_vendas.h"
#include "tests/engine/test_support.h"
#include "tests/fakes/host_fakes.h"

namespace orla::app {
namespace {

using engine::Format;

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
  auto rendered = [&](bool linked, Format format) {
    auto report = engine::CreateReport("rptRanking");
    report->SetDataSource(engine::testing::Recordset(
        {"Codigo", "Nome", "SomaDeQtde", "SomaDeValor_Venda", "Lucro"},
        {{"A'B&C", "ANA & FILHOS", 10.0, 100.0, 20.0}, {"7", "BETO", 5.0, 50.0, 5.0}}));
    report->SetLinks(linked ? DrillLinks(reports::kRankingDeVendas, arguments) : nullptr);
    const auto file = std::filesystem::path(::testing::TempDir()) /
                      ("orla-drill-test-" + std::to_string(::getpid()));
    engine::Render(*report, format, file);
    std::ifstream in(file, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    std::filesystem::remove(file);
    return bytes;
  };
  const std::string html = rendered(true, Format::Html);
  EXPECT_NE(html.find("<a href=\"#/DetalhesDosMovimentosPorClientes?Filtro_DataInicial=01/03/"
                      "2024&amp;Filtro_DataFinal=31/03/2024&amp;Filtro_IDCliente=A%27B%26C&amp;"
                      "run=1\">ANA &amp; FILHOS</a>"),
            std::string::npos)
      << html;
  EXPECT_EQ(std::regex_replace(html, std::regex("<a href=\"[^\"]*\">|</a>"), ""),
            rendered(false, Format::Html));
  for (const Format format : {Format::Text, Format::Csv, Format::Json, Format::Pdf}) {
    SCOPED_TRACE(engine::FormatName(format));
    EXPECT_EQ(rendered(true, format), rendered(false, format));
  }
}

}  // namespace
}  // namespace orla::app
