#include <gmock/gmock.h>

#include "tests/reports/expected_text.h"
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using ::testing::ElementsAre;

std::string Query(const std::string& s, const std::string& d, const std::string& where,
                  const std::string& conditions) {
  return "SELECT a.Data_ECF AS Data_Movimento,a.Hora_Movimento,b.Caixa,a.Código_ECF AS IDECF,"
         "a.Número_Cupom_Fiscal AS COO,CASE WHEN a.Tipo = 'C' THEN 'B' + a.Código_Produto ELSE "
         "a.IDProduto END AS IDProduto,a.Descrição AS Descricao,a.Qtde,a.Valor_Unitario AS "
         "ValorVendaUnitario,a.Valor_Custo AS ValorCustoUnitario," +
         s + " AS Valor_Acrescimo," + d +
         " AS Valor_Desconto,(a.Qtde * a.Valor_Custo) AS ValorDeCusto,a.Valor_Venda AS "
         "ValorDeVendaBruto,(a.Valor_Venda - " +
         d + " + " + s + ") AS ValorDeVendaLiquido,(a.Valor_Venda - " + d + " + " + s +
         " - (a.Qtde * a.Valor_Custo)) AS ValorDeLucroBruto,a.Situação_Tributária AS "
         "SituacaoTributaria,a.Alíquota AS AliquotaICMS,a.Funcionário AS IDFuncionario FROM "
         "[Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN [Movimentações] b WITH (NOLOCK) ON "
         "a.IDCaixa = b.Código WHERE " +
         where + " AND (a.IsEstornado = 0) AND (a.Transferência = 0) AND " + conditions +
         " ORDER BY a.Data_ECF ASC,a.Hora_Movimento ASC";
}

const std::string kFiscalPeriod = "(Data_ECF BETWEEN '01/03/2024' AND '31/03/2024')";

// Only the tax switches given are on; the others are off.
std::vector<NamedValue> Tax(bool ff, bool ii, bool nn, bool tt, double rate) {
  return {{"Filtro_ST_IsFF", ff},
          {"Filtro_ST_IsII", ii},
          {"Filtro_ST_IsNN", nn},
          {"Filtro_ST_IsTT", tt},
          {"Filtro_ST_AL_ICMS", rate}};
}

std::vector<NamedValue> With(std::vector<NamedValue> values, const std::vector<NamedValue>& more) {
  values.insert(values.end(), more.begin(), more.end());
  return values;
}

struct QueryRow {
  const char* name;
  std::vector<NamedValue> filters;
  std::string query;
};

TEST_F(FrameTest, DetailsByProductQueryForEachFilterCombination) {
  // Without the special-price difference and without prefix.
  const auto [s, d, unused] = orla::testing::AmountsOf("", false);
  const orla::testing::Amounts others = orla::testing::AmountsOf("", false, false, true);
  const orla::testing::Amounts complementary = orla::testing::AmountsOf("", false, true);
  const QueryRow rows[] = {
      {"every tax situation: the list keeps its fixed order",
       {},
       Query(s, d, MarchDocuments(""),
             kFiscalPeriod + " AND ((a.Situação_Tributária IN ('FF','II','NN','TT')))")},
      {"a rate replaces the TT switch", Tax(false, true, false, true, 17),
       Query(s, d, MarchDocuments(""),
             kFiscalPeriod +
                 " AND ((a.Situação_Tributária IN ('II')) OR ((a.Situação_Tributária = 'TT') "
                 "AND (a.Alíquota = 17)))")},
      {"a rate alone", Tax(false, false, false, false, 7.5),
       Query(s, d, MarchDocuments(""),
             kFiscalPeriod + " AND (((a.Situação_Tributária = 'TT') AND (a.Alíquota = 7.5)))")},
      // Chosen: nothing chosen means every tax situation, as an empty identifier does.
      {"no switch and no rate keeps every situation", Tax(false, false, false, false, 0),
       Query(s, d, MarchDocuments(""), kFiscalPeriod)},
      {"a shift: opening date, till condition in place of the documents",
       With(Tax(false, false, true, false, 0), {{"Filtro_IDTurno", "2"},
                                                {"Filtro_IDProduto", "5"},
                                                {"Filtro_IDFuncionario", "O'Neil"}}),
       Query(s, d, "(a.IDCaixa IS NOT NULL)",
             "(Data_Abertura BETWEEN '01/03/2024' AND '31/03/2024') AND (IDProduto = '5') AND "
             "(b.Caixa = '2') AND (a.Funcionário = 'O'Neil') AND ((a.Situação_Tributária IN "
             "('NN')))")},
      {"fuels only, both adjustments ignored",
       With(Tax(true, false, false, false, 0), {{"Filtro_IsExibirOutrosProdutos", false},
                                                {"Filtro_IsIgnorarADVendaComplementar", true},
                                                {"Filtro_IsIgnorarADOutrosTipos", true}}),
       Query("0", "0", MarchDocuments(""),
             kFiscalPeriod + " AND (a.Tipo = 'C') AND ((a.Situação_Tributária IN ('FF')))")},
      {"no kind shown selects the other products; complementary adjustments only",
       With(Tax(true, false, false, false, 0), {{"Filtro_IsExibirCombustiveis", false},
                                                {"Filtro_IsExibirOutrosProdutos", false},
                                                {"Filtro_IsIgnorarADOutrosTipos", true}}),
       Query(others.surcharge, others.discount, MarchDocuments(""),
             kFiscalPeriod + " AND (a.Tipo = 'P') AND ((a.Situação_Tributária IN ('FF')))")},
      {"complementary adjustments left out",
       With(Tax(true, false, false, false, 0), {{"Filtro_IsIgnorarADVendaComplementar", true}}),
       Query(complementary.surcharge, complementary.discount, MarchDocuments(""),
             kFiscalPeriod + " AND ((a.Situação_Tributária IN ('FF')))")},
  };
  for (const QueryRow& row : rows) {
    SCOPED_TRACE(row.name);
    platform->log.clear();
    EXPECT_TRUE(Run("DetalhesDosMovimentosPorProdutos", row.filters));
    const std::vector<std::string> calls = Calls();
    ASSERT_THAT(calls, ElementsAre("CreateReport", "SetHeaderLine", "SetHeaderLine",
                                   "OpenRecordSet", "MsgBox"));
    EXPECT_EQ("-->|" + platform->log[3] + "|<--", "-->|OpenRecordSet(" + row.query + ")|<--");
  }
}

}  // namespace
}  // namespace orla::service
