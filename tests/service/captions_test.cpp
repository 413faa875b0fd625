#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

struct CaptionRow {
  const char* name;
  const char* operation;
  std::vector<NamedValue> filters;
  std::string caption;
};

TEST_F(FrameTest, EveryOperationWritesItsCaption) {
  const CaptionRow rows[] = {
      {"receipt types, whatever the data",
       "VendasPorTiposDeRecebimento",
       {},
       "Visão fiscal / De 01/03/24 até 31/03/24"},
      {"single day",
       "VendasPorTiposDeRecebimento",
       {{"Filtro_DataInicial", "5/3/2024"}, {"Filtro_DataFinal", "2024-03-05"}},
       "Visão fiscal / De 05/03/24 até 05/03/24"},
      {"nozzles: a shift forces the financial view",
       "TabelaDeVendasPorBico",
       {{"Filtro_IDTurno", "001"}, {"Filtro_TipoVisao", int32_t{5}}},
       "Visão financeira / De 01/03/24 até 31/03/24 / Por Turno"},
      {"nozzles: both adjustments",
       "TabelaDeVendasPorBico",
       {{"Filtro_IsIgnorarADVendaComplementar", true}, {"Filtro_IsIgnorarADOutrosTipos", true}},
       "Visão fiscal / De 01/03/24 até 31/03/24 / Ignorar A/D venda compl. + em vendas"},
      {"nozzles: only the other sales",
       "TabelaDeVendasPorBico",
       {{"Filtro_IsIgnorarADOutrosTipos", true}, {"Filtro_TipoVisao", int32_t{0}}},
       "Visão financeira / De 01/03/24 até 31/03/24 / Ignorar A/D em vendas"},
      {"ranking: the 40 best sellers",
       "RankingDeVendas",
       {},
       "Visão fiscal / 40 mais vendidos / De 01/03/24 até 31/03/24"},
      {"ranking: a count that is not a number becomes 40",
       "RankingDeVendas",
       {{"Filtro_QtdeRegistros", "abc"}, {"Filtro_TipoOrdenacao", int32_t{1}}},
       "Visão fiscal / 40 menos vendidos / De 01/03/24 até 31/03/24"},
      {"ranking: every suffix",
       "RankingDeVendas",
       {{"Filtro_QtdeRegistros", "10"},
        {"Filtro_IDProduto", "7"},
        {"Filtro_IsIgnorarADVendaComplementar", true},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsExibirOutrosProdutos", false}},
       "Visão fiscal / 10 mais vendidos / De 01/03/24 até 31/03/24 / Por Produto / Ignorar A/D "
       "venda compl. / Por outros produtos / Por combustíveis"},
      {"readings: always financial",
       "MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
       {{"Filtro_IDTurno", "2"}, {"Filtro_IsIgnorarADOutrosTipos", true}},
       "Visão financeira / De 01/03/24 até 31/03/24 / Por Turno / Ignorar A/D em vendas"},
      {"complementary sale: fiscal even with a shift",
       "MovimentacaoDeCombustiveisPorVendaComplementar",
       {{"Filtro_IDTurno", "2"}},
       "Visão fiscal / De 01/03/24 até 31/03/24 / Por Turno"},
      {"fuel table: a shift with view 1",
       "TabelaDeVendasPorCombustiveis",
       {{"Filtro_IDTurno", "2"}, {"Filtro_TipoVisao", int32_t{1}}},
       "Visão financeira / De 01/03/24 até 31/03/24 / Por Turno"},
      {"payment forms: type 2 is the financial view",
       "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
       {{"Filtro_TipoRelatorio", int32_t{2}},
        {"Filtro_IDProduto", "'12', '15'"},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsExibirOutrosProdutos", false}},
       "Visão financeira / De 01/03/24 até 31/03/24 / Por Produto / Por outros produtos / Por "
       "combustíveis"},
      {"payment forms: type 1 is fiscal",
       "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
       {{"Filtro_TipoRelatorio", int32_t{1}}},
       "Visão fiscal / De 01/03/24 até 31/03/24"},
      {"product summary",
       "ResumoPorProduto",
       {{"Filtro_TipoVisao", int32_t{0}},
        {"Filtro_IDProduto", "9"},
        {"Filtro_IsIgnorarADVendaComplementar", true},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_IsExibirCombustiveis", false}},
       "Visão financeira / De 01/03/24 até 31/03/24 / Por Produto / Ignorar A/D venda compl. + "
       "em vendas / Por outros produtos"},
      {"group summary: product before shift",
       "ResumoPorGrupoDeProduto",
       {{"Filtro_IDProduto", "9"}, {"Filtro_IDTurno", "1"}},
       "Visão financeira / De 01/03/24 até 31/03/24 / Por Produto / Por Turno"},
      {"group summary: both kinds hidden, only the other A/D",
       "ResumoPorGrupoDeProduto",
       {{"Filtro_TipoVisao", int32_t{1}},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsExibirOutrosProdutos", false}},
       "Visão fiscal / De 01/03/24 até 31/03/24 / Ignorar A/D em vendas / Por outros produtos / "
       "Por combustíveis"},
      {"tax summary: every suffix, in order",
       "ResumoPorClassificacaoFiscal",
       {{"Filtro_TipoVisao", int32_t{1}},
        {"Filtro_IsIgnorarADVendaComplementar", true},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_IDProduto", "9"},
        {"Filtro_IDTurno", "2"},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsExibirOutrosProdutos", false}},
       "Visão financeira / De 01/03/24 até 31/03/24 / Por Produto / Por Turno / Ignorar A/D "
       "venda compl. + em vendas / Por outros produtos / Por combustíveis"},
      {"tax summary: the tax filters add nothing",
       "ResumoPorClassificacaoFiscal",
       {{"Filtro_ST_IsII", false}, {"Filtro_ST_AL_ICMS", 17.0}},
       "Visão fiscal / De 01/03/24 até 31/03/24"},
      {"details by product",
       "DetalhesDosMovimentosPorProdutos",
       {{"Filtro_IDFuncionario", "3"},
        {"Filtro_IDProduto", "9"},
        {"Filtro_IDTurno", "1"},
        {"Filtro_IsIgnorarADOutrosTipos", true},
        {"Filtro_IsExibirOutrosProdutos", false}},
       "Visão fiscal / De 01/03/24 até 31/03/24 / Por Funcionário / Por Produto / Por Turno / "
       "Ignorar A/D em vendas / Por combustíveis"},
      {"details by client",
       "DetalhesDosMovimentosPorClientes",
       {{"Filtro_IDCliente", "C1"},
        {"Filtro_IDFuncionario", "3"},
        {"Filtro_IDProduto", "9"},
        {"Filtro_IDTurno", "1"}},
       "Visão fiscal / De 01/03/24 até 31/03/24 / Por Cliente / Por Funcionário / Por Produto / "
       "Por Turno"},
      {"special clients: only client and shift",
       "ClienteEspecial",
       {{"Filtro_IDCliente", "C1"}, {"Filtro_IDTurno", "1"}},
       "Visão fiscal / De 01/03/24 até 31/03/24 / Por Cliente / Por Turno"},
  };
  for (const CaptionRow& row : rows) {
    SCOPED_TRACE(row.name);
    Run(row.operation, row.filters);
    EXPECT_EQ("-->|" + Held().headerLines[1] + "|<--", "-->|" + row.caption + "|<--");
  }
}

TEST_F(FrameTest, TheCompanyLineToleratesANullTaxNumber) {
  company.cnpj = host::Value();
  Run("ResumoPorProduto");
  EXPECT_EQ(Held().headerLines[0], "[] - Posto Orla Ltda");
}

}  // namespace
}  // namespace orla::service
