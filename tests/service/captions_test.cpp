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
  const CaptionRow rows[] = {
      {"single day",
       "VendasPorTiposDeRecebimento",
       {{"Filtro_DataInicial", "5/3/2024"}, {"Filtro_DataFinal", "2024-03-05"}}},
      {"nozzles: both adjustments",
       "TabelaDeVendasPorBico",
       {{"Filtro_IsIgnorarADVendaComplementar", true}, {"Filtro_IsIgnorarADOutrosTipos", true}}},
      {"nozzles: only the other sales",
       "TabelaDeVendasPorBico",
       {{"Filtro_IsIgnorarADOutrosTipos", true}, {"Filtro_TipoVisao", int32_t{0}}}},
      {"ranking: every suffix",
       "RankingDeVendas",
       {{"Filtro_QtdeRegistros", "10"},
        {"Filtro_IDProduto", "7"},
        {"Filtro_IsIgnorarADVendaComplementar", true},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsExibirOutrosProdutos", false}}},
      {"readings: always financial",
       "MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
       {{"Filtro_IDTurno", "2"}, {"Filtro_IsIgnorarADOutrosTipos", true}}},
      {"fuel table: a shift with view 1",
       "TabelaDeVendasPorCombustiveis",
       {{"Filtro_IDTurno", "2"}, {"Filtro_TipoVisao", int32_t{1}}}},
      {"payment forms: type 2 is the financial view",
       "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
       {{"Filtro_TipoRelatorio", int32_t{2}},
        {"Filtro_IDProduto", "'12', '15'"},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsExibirOutrosProdutos", false}}},
      {"product summary",
       "ResumoPorProduto",
       {{"Filtro_TipoVisao", int32_t{0}},
        {"Filtro_IDProduto", "9"},
        {"Filtro_IsIgnorarADVendaComplementar", true},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_IsExibirCombustiveis", false}}},
      {"group summary: product before shift",
       "ResumoPorGrupoDeProduto",
       {{"Filtro_IDProduto", "9"}, {"Filtro_IDTurno", "1"}}},
      {"group summary: both kinds hidden, only the other A/D",
       "ResumoPorGrupoDeProduto",
       {{"Filtro_TipoVisao", int32_t{1}},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsExibirOutrosProdutos", false}}},
      {"tax summary: every suffix, in order",
       "ResumoPorClassificacaoFiscal",
       {{"Filtro_TipoVisao", int32_t{1}},
        {"Filtro_IsIgnorarADVendaComplementar", true},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_IDProduto", "9"},
        {"Filtro_IDTurno", "2"},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsExibirOutrosProdutos", false}}},
      {"details by product",
       "DetalhesDosMovimentosPorProdutos",
       {{"Filtro_IDFuncionario", "3"},
        {"Filtro_IDProduto", "9"},
        {"Filtro_IDTurno", "1"},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_IsExibirOutrosProdutos", false}}},
      {"details by client",
       "DetalhesDosMovimentosPorClientes",
       {{"Filtro_IDCliente", "C1"},
        {"Filtro_IDFuncionario", "3"},
        {"Filtro_IDProduto", "9"},
        {"Filtro_IDTurno", "1"}}},
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
