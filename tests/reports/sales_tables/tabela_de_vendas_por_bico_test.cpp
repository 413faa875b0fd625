// The sales table by nozzle on recording fakes: the statements of each view.
#include <gmock/gmock.h>

#include "tests/reports/expected_text.h"
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr std::string_view kLayout = "rptTabelaDeVendasPorBicos";

std::string FiscalQuery(const std::string& discount, const std::string& surcharge) {
  return "SELECT b.Data_Abertura,('T' + b.Caixa) AS Caixa,('B' + a.Código_Produto) AS "
         "Código_Produto,SUM(a.Qtde) AS QtdeVendida,SUM(a.Valor_Venda - " +
         discount + " + " + surcharge +
         ") AS ValorVenda FROM [Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN "
         "[Movimentações] b WITH (NOLOCK) ON a.IDCaixa = b.Código WHERE " +
         MarchDocuments("") +
         " AND (a.Tipo = 'C') AND (a.IsEstornado = 0) AND (a.Transferência = 0) AND (Data_ECF "
         "BETWEEN '01/03/2024' AND '31/03/2024') GROUP BY b.Data_Abertura,'T' + b.Caixa,'B' + "
         "a.Código_Produto";
}

constexpr std::string_view kFinancialQuery =
    "SELECT Data_Abertura,('T' + Caixa) AS Caixa,('B' + Bico) AS Código_Produto,SUM(QtdeVendida) "
    "AS QtdeVendida,SUM(TotalVenda + ValorAcrescimo - ValorDesconto) AS ValorVenda FROM "
    "##VendasNosBicos WITH (NOLOCK) GROUP BY Data_Abertura,'T' + Caixa,'B' + Bico";

TEST_F(FrameTest, NozzleTableStatementsOfEachView) {
  struct Case {
    const char* name;
    std::vector<NamedValue> filters;
    std::vector<std::string> statements;  // what reaches the database, in order
  };
  // The fiscal view never counts the special-client price difference.
  const orla::testing::Amounts all = orla::testing::AmountsOf("", false);
  const orla::testing::Amounts other = orla::testing::AmountsOf("", false, true);
  std::vector<std::string> financial = orla::testing::NozzleTableStatements(
      "(Data_Abertura BETWEEN '01/03/2024' AND '31/03/2024') AND (Caixa = '2')");
  financial.insert(financial.begin(), {"IsOpened", "DB_Open"});
  financial.push_back("SQL_Execute(" + std::string(kFinancialQuery) + ")");
  const Case cases[] = {
      {"fiscal", {}, {"SQL_Execute(" + FiscalQuery(all.discount, all.surcharge) + ")"}},
      {"fiscal, complementary adjustments left out",
       {{"Filtro_IsIgnorarADVendaComplementar", true}},
       {"SQL_Execute(" + FiscalQuery(other.discount, other.surcharge) + ")"}},
      // A shift forces the financial view; the period and the till stay in the working table.
      {"a shift with view 5",
       {{"Filtro_IDTurno", "2"}, {"Filtro_TipoVisao", int32_t{5}}},
       financial},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform->log.clear();
    db.opened = false;
    db.onQuery = [](const std::string&) { return orla::testing::FakeRecordset::OneRow(); };
    EXPECT_TRUE(Run("TabelaDeVendasPorBico", c.filters));
    std::vector<std::string> statements(platform->log.begin() + 3, platform->log.end() - 2);
    EXPECT_THAT(statements, ElementsAreArray(c.statements));
    EXPECT_THAT(std::vector<std::string>(platform->log.end() - 2, platform->log.end()),
                ElementsAre("ShowReport(data=yes, mode=1, 0, 0, bind=true)",
                            std::string(kLayout) + ".SetDataSource"));
  }
}

}  // namespace
}  // namespace orla::service
