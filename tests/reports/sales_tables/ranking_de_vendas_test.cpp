#include <gmock/gmock.h>

#include "tests/reports/expected_text.h"
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

constexpr std::string_view kByProduct =
    "[Movimentações em Vendas] c WITH (NOLOCK) INNER JOIN [Produtos] d WITH (NOLOCK) ON "
    "c.IDProduto = d.Código INNER JOIN [Grupos] b WITH (NOLOCK) ON d.Grupo = b.Código INNER JOIN "
    "[SubGrupos] a WITH (NOLOCK) ON d.SubGrupo = a.Código ";
constexpr std::string_view kByClient =
    "[Movimentações em Vendas] c WITH (NOLOCK) INNER JOIN [Clientes] cc WITH (NOLOCK) ON "
    "cc.Código = CASE WHEN c.Cliente > 0 THEN c.Cliente ELSE c.IDClienteEspecial END ";
struct Query {
  std::string top;
  bool byClient;
  bool ignoreComplementary, ignoreOthers;
  std::string filter;   // after the period
  std::string measure;  // "qty", "value" or "profit"
  std::string direction;
};

std::string Expected(const Query& row) {
  const std::string code = row.byClient ? "cc.Código" : "c.IDProduto";
  const std::string name = row.byClient ? "cc.Nome" : "d.Descrição";
  // The special-client price gap never counts.
  const orla::testing::Amounts m =
      orla::testing::AmountsOf("c.", false, row.ignoreComplementary, row.ignoreOthers);
  const std::string amounts = "c.Valor_Venda + " + m.surcharge + " - " + m.discount;
  const std::string value = "(" + amounts + ")";
  const std::string profit = "(" + amounts + " - (c.Valor_Custo * c.Qtde))";
  const std::string measure = row.measure == "value"    ? "SUM(" + value + ")"
                              : row.measure == "profit" ? "SUM(" + profit + ")"
                                                        : "SUM(c.Qtde)";
  return "SELECT TOP " + row.top + " " + code + " AS Codigo," + name + " AS Nome, SUM(" + value +
         ") AS SomaDeValor_Venda,SUM(c.Qtde) AS SomaDeQtde,SUM(" + profit + ") AS Lucro FROM " +
         std::string(row.byClient ? kByClient : kByProduct) + " WHERE " + MarchDocuments("c.") +
         " AND (c.IsEstornado = 0) AND (c.Transferência = 0) AND (c.Data_ECF BETWEEN "
         "'01/03/2024' AND '31/03/2024')" +
         row.filter + " GROUP BY " + code + "," + name + ",c.Tipo ORDER BY " + measure + " " +
         row.direction;
}

TEST_F(FrameTest, RankingQueryTextForEachMeasureGroupingAndFilter) {
  struct Row {
    const char* name;
    std::vector<NamedValue> filters;
    Query query;
  };
  const Row rows[] = {
      {"a count that is not a number becomes 40",
       {{"Filtro_QtdeRegistros", "abc"}},
       {"40", false, false, false, "", "qty", "DESC"}},
      // Numeric but not whole: passes the adjustment and is the database's to refuse.
      {"a fractional count passes unchanged",
       {{"Filtro_QtdeRegistros", "2,5"}},
       {"2,5", true, false, false, "", "qty", "DESC"}},
      {"products by net value, worst first",
       {{"Filtro_QtdeRegistros", "10"},
        {"OrderListIndex", int32_t{1}},
        {"Filtro_TipoOrdenacao", int32_t{1}}},
       {"10", false, false, false, "", "value", "ASC"}},
      {"clients by profit, one product, both adjustments ignored",
       {{"Filtro_QtdeRegistros", "5"},
        {"OrderListIndex", int32_t{2}},
        {"Filtro_IDProduto", "12"},
        {"Filtro_IsIgnorarADVendaComplementar", true},
        {"Filtro_IsIgnorarADOutrosTipos", true}},
       {"5", true, true, true, " AND (c.IDProduto = '12')", "profit", "DESC"}},
      {"an unknown measure is the quantity; complementary adjustments only",
       {{"OrderListIndex", int32_t{7}}, {"Filtro_IsIgnorarADOutrosTipos", true}},
       {"40", true, false, true, "", "qty", "DESC"}},
      {"other sales' adjustments only; fuels only",
       {{"Filtro_IsIgnorarADVendaComplementar", true}, {"Filtro_IsExibirOutrosProdutos", false}},
       {"40", true, true, false, " AND (c.Tipo = 'C')", "qty", "DESC"}},
      {"neither product kind selects the other products",
       {{"Filtro_IDProduto", "9"},
        {"Filtro_IsExibirCombustiveis", false},
        {"Filtro_IsExibirOutrosProdutos", false}},
       {"40", true, false, false, " AND (c.IDProduto = '9') AND (c.Tipo = 'P')", "qty", "DESC"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform->log.clear();
    std::vector<NamedValue> filters = row.filters;
    filters.push_back({"Filtro_TipoAgrupamento", int32_t{row.query.byClient ? 0 : 1}});
    Run("RankingDeVendas", filters);
    const auto executed =
        std::find_if(platform->log.begin(), platform->log.end(),
                     [](const std::string& entry) { return entry.starts_with("SQL_Execute("); });
    ASSERT_NE(executed, platform->log.end());
    EXPECT_EQ("-->|" + *executed + "|<--", "-->|SQL_Execute(" + Expected(row.query) + ")|<--");
  }
}

}  // namespace
}  // namespace orla::service
