// The caption each operation writes, per filter that changes it.
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

struct CaptionRow {
  const char* name;
  const char* operation;
  std::vector<NamedValue> filters;
};

bool Caption(const std::string& call) {
  return call.starts_with("SetHeaderLine(1,");
}

TEST_F(FrameTest, EveryOperationWritesItsCaption) {
  const NamedValue product9{"Filtro_IDProduto", "9"};
  const auto shift = [](const char* id) { return NamedValue{"Filtro_IDTurno", id}; };
  const auto view = [](int32_t kind) { return NamedValue{"Filtro_TipoVisao", kind}; };
  const CaptionRow rows[] = {
      {"single day",
       "VendasPorTiposDeRecebimento",
       {{"Filtro_DataInicial", "5/3/2024"}, {"Filtro_DataFinal", "2024-03-05"}}},
      {"nozzles: both adjustments", "TabelaDeVendasPorBico", {kIgnoreComplementary, kIgnoreOthers}},
      {"nozzles: only the other sales", "TabelaDeVendasPorBico", {kIgnoreOthers, view(0)}},
      {"ranking: every suffix",
       "RankingDeVendas",
       {{"Filtro_QtdeRegistros", "10"},
        {"Filtro_IDProduto", "7"},
        kIgnoreComplementary,
        kNoFuels,
        kNoOtherProducts}},
      {"readings: always financial",
       "MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
       {shift("2"), kIgnoreOthers}},
      {"fuel table: a shift with view 1", "TabelaDeVendasPorCombustiveis", {shift("2"), view(1)}},
      {"payment forms: type 2 is the financial view",
       "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
       {{"Filtro_TipoRelatorio", int32_t{2}},
        {"Filtro_IDProduto", "'12', '15'"},
        kNoFuels,
        kNoOtherProducts}},
      {"product summary",
       "ResumoPorProduto",
       {view(0), product9, kIgnoreComplementary, kIgnoreOthers, kNoFuels}},
      {"group summary: product before shift", "ResumoPorGrupoDeProduto", {product9, shift("1")}},
      {"group summary: both kinds hidden, only the other A/D",
       "ResumoPorGrupoDeProduto",
       {view(1), kIgnoreOthers, kNoFuels, kNoOtherProducts}},
      {"tax summary: every suffix, in order",
       "ResumoPorClassificacaoFiscal",
       {view(1), kIgnoreComplementary, kIgnoreOthers, product9, shift("2"), kNoFuels,
        kNoOtherProducts}},
      {"details by product",
       "DetalhesDosMovimentosPorProdutos",
       {{"Filtro_IDFuncionario", "3"}, product9, shift("1"), kIgnoreOthers, kNoOtherProducts}},
      {"details by client",
       "DetalhesDosMovimentosPorClientes",
       {{"Filtro_IDCliente", "C1"}, {"Filtro_IDFuncionario", "3"}, product9, shift("1")}},
  };
  orla::testing::ExpectedTexts expected("service/expected/captions.txt");
  for (const CaptionRow& row : rows) {
    ExpectCalls(expected, row.operation, {{row.name, row.filters}}, Caption);
  }
  ExpectCalls(expected, "ResumoPorProduto",
              {{"the company line without a tax number", {}, [this] { company.cnpj = {}; }}},
              [](const std::string& call) { return call.starts_with("SetHeaderLine(0,"); });
}

}  // namespace
}  // namespace orla::service
