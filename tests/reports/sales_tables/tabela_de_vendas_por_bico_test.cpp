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
  const Case cases[] = {
      {"fiscal", {}, {"SQL_Execute(" + FiscalQuery(all.discount, all.surcharge) + ")"}},
      {"fiscal, complementary adjustments left out",
       {{"Filtro_IsIgnorarADVendaComplementar", true}},
       {"SQL_Execute(" + FiscalQuery(other.discount, other.surcharge) + ")"}},
      // A shift forces the financial view; the period and the till stay in the working table.
      {"a shift with view 5",
       {{"Filtro_IDTurno", "2"}, {"Filtro_TipoVisao", int32_t{5}}},
       {"IsOpened", "DB_Open",
        "SQL_Execute(IF OBJECT_ID('TempDB.dbo.##VendasNosBicos') IS NOT NULL \r\nDROP TABLE "
        "##VendasNosBicos)",
        "SQL_Execute(CREATE TABLE ##VendasNosBicos (Bico VARCHAR(3),QtdeVendida "
        "FLOAT,ValorDeVenda FLOAT,ValorDeCusto FLOAT,ValorDesconto FLOAT,ValorAcrescimo "
        "FLOAT,Combustivel VARCHAR(100),TotalVenda FLOAT,TotalCusto FLOAT,Data_Abertura "
        "DATETIME,Caixa VARCHAR(3)))",
        "SQL_Execute(INSERT INTO ##VendasNosBicos "
        "(Bico,QtdeVendida,ValorDeVenda,ValorDeCusto,ValorDesconto,ValorAcrescimo,Combustivel,"
        "TotalVenda,TotalCusto,Data_Abertura,Caixa) SELECT a.L021_IDBico,a.L021_VolumeVendido,"
        "a.L021_VPL,a.L021_CM,0,0,a.L021_Combustivel,(a.L021_VolumeVendido * a.L021_VPL),"
        "(a.L021_VolumeVendido * a.L021_CM),c.Data_Abertura,c.Caixa FROM [L021_MC_Leituras] a "
        "WITH (NOLOCK) INNER JOIN [Movimentações] c WITH (NOLOCK) ON a.IDCaixa = c.Código WHERE "
        "(c.Data_Fechamento IS NOT NULL) AND (Data_Abertura BETWEEN '01/03/2024' AND "
        "'31/03/2024') AND (Caixa = '2'), n)",
        "SQL_Execute(" + std::string(kFinancialQuery) + ")"}},
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
