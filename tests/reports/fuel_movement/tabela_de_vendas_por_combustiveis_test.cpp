// The sales table by fuel on recording fakes: ##Tabela in both views, the labels and the legend.
#include "reports/fuel_movement/tabela_de_vendas_por_combustiveis.h"

#include <gmock/gmock.h>

#include "tests/reports/marking_platform.h"
#include "tests/service/frame_fixture.h"

namespace orla::reports {
namespace {

using orla::testing::CountingDatabase;
using orla::testing::FakeRecordset;
using orla::testing::MarkingPlatform;
using ::testing::ElementsAreArray;

constexpr std::string_view kDropTable =
    "SQL_Execute(IF OBJECT_ID('TempDB.dbo.##Tabela') IS NOT NULL \r\nDROP TABLE ##Tabela)";
constexpr std::string_view kFuels =
    "SELECT Descrição AS Combustivel FROM ##Tabela WITH (NOLOCK) GROUP BY Descrição ORDER BY "
    "Descrição ASC";

class FuelTableBuilderTest : public ::testing::Test {
 protected:
  FuelTableBuilderTest() : platform_(std::make_shared<MarkingPlatform>()), db(platform_->log) {
    host::InstallPlatform(platform_);
  }
  ~FuelTableBuilderTest() override { host::InstallPlatform(nullptr); }

  std::shared_ptr<MarkingPlatform> platform_;
  CountingDatabase db;
};

TEST_F(FuelTableBuilderTest, StatementsOfEachViewAndTheLegend) {
  const std::vector<std::string> fuels{"D'OURO S10", "ETANOL", "GASOLINA ADITIVADA D'OURO",
                                       "GASOLINA COMUM"};
  struct Case {
    const char* name;
    std::string shift;
    int32_t view;
    bool withFuels;
    std::vector<std::string> fill;  // up to the list of fuels
  };
  const Case cases[] = {
      // The builder itself does not force the view: a shift stands in the fiscal condition.
      {"fiscal, one till, complementary adjustments only",
       "2",
       1,
       true,
       {"DB_Open", std::string(kDropTable),
        "SQL_Execute(SELECT b.Data_Abertura Data_Movimento,CAST(SUM(a.Qtde) AS FLOAT) "
        "Qtde,CAST(SUM(a.Valor_Venda - CASE WHEN Cupom_Complementar = 1 THEN Valor_Desconto "
        "ELSE 0 END  + CASE WHEN Cupom_Complementar = 1 THEN Valor_Acrescimo ELSE 0 END ) AS "
        "FLOAT) VLTotal,a.Descrição INTO ##Tabela FROM [Movimentações em Vendas] a WITH "
        "(NOLOCK) LEFT JOIN [Movimentações] b WITH (NOLOCK) ON a.IDCaixa = b.Código WHERE " +
            service::MarchDocuments("") +
            " AND (a.Tipo = 'C') AND (a.IsEstornado = 0) AND (a.Transferência = 0) AND "
            "(Data_ECF BETWEEN '01/03/2024' AND '31/03/2024') AND (b.Caixa = '2') GROUP BY "
            "b.Data_Abertura,a.Descrição)"}},
      // No readings: the working table stays empty and ##Tabela with it.
      {"financial",
       "2",
       0,
       false,
       {"DB_Open", std::string(kDropTable), "IsOpened",
        "SQL_Execute(IF OBJECT_ID('TempDB.dbo.##VendasNosBicos') IS NOT NULL \r\nDROP TABLE "
        "##VendasNosBicos)",
        "CREATE", "INSERT",
        "SQL_Execute(SELECT Data_Abertura Data_Movimento,CAST(SUM(QtdeVendida) AS FLOAT) "
        "Qtde,CAST(SUM(TotalVenda + ValorAcrescimo - ValorDesconto) AS FLOAT) VLTotal,"
        "Combustivel AS Descrição INTO ##Tabela FROM ##VendasNosBicos WITH (NOLOCK) GROUP BY "
        "Data_Abertura,Combustivel)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform_->log.clear();
    db.opened = false;
    db.onQuery = [&](const std::string& sql) -> host::RecordsetRef {
      std::vector<std::vector<host::Value>> rows;
      if (sql == kFuels && c.withFuels) {
        for (const std::string& fuel : fuels) {
          rows.push_back({fuel});
        }
      }
      return std::make_shared<FakeRecordset>(
          std::vector<host::Column>{{"Combustivel", host::ColumnType::Text}}, rows);
    };
    host::Value legend{std::string()};
    EXPECT_EQ(TabelaDeVendasPorCombustiveisSQL(
                  db, {{"01/03/2024", "31/03/2024"}, c.shift, {false, true}, c.view, &legend}),
              "SELECT Data_Movimento,Qtde,VLTotal,Descrição FROM ##Tabela WITH (NOLOCK)");
    std::vector<std::string> expected = c.fill;
    expected.push_back("OpenRecordSet(" + std::string(kFuels) + ")");
    if (c.withFuels) {
      // Both quotes doubled; two gasolines share one label and keep two legend entries.
      for (const char* update :
           {"SQL_Execute(UPDATE ##Tabela SET Descrição = 'D''O.' WHERE (Descrição = 'D''OURO "
            "S10'))",
            "SQL_Execute(UPDATE ##Tabela SET Descrição = 'ETA.' WHERE (Descrição = 'ETANOL'))",
            "SQL_Execute(UPDATE ##Tabela SET Descrição = 'GAS.' WHERE (Descrição = 'GASOLINA "
            "ADITIVADA D''OURO'))",
            "SQL_Execute(UPDATE ##Tabela SET Descrição = 'GAS.' WHERE (Descrição = 'GASOLINA "
            "COMUM'))"}) {
        expected.emplace_back(update);
      }
    }
    std::vector<std::string> log = platform_->log;
    // The working table's own statements are checked with it; here only their place counts.
    for (std::string& entry : log) {
      if (entry.starts_with("SQL_Execute(CREATE TABLE ##VendasNosBicos")) {
        entry = "CREATE";
      } else if (entry.starts_with("SQL_Execute(INSERT INTO ##VendasNosBicos")) {
        entry = "INSERT";
      }
    }
    EXPECT_THAT(log, ElementsAreArray(expected));
    EXPECT_EQ(legend, host::Value(c.withFuels ? "D'O. - D'OURO S10    /    ETA. - ETANOL    /    "
                                                "GAS. - GASOLINA ADITIVADA D'OURO    /    GAS. - "
                                                "GASOLINA COMUM"
                                              : ""));
  }
}

}  // namespace
}  // namespace orla::reports

namespace orla::service {
namespace {

TEST_F(FrameTest, FuelTableLegendFormulaOnlyWithRowsAndWithItsQuotesDoubled) {
  for (bool rows : {true, false}) {
    SCOPED_TRACE(rows ? "rows" : "no rows");
    db.onQuery = [rows](const std::string& sql) -> host::RecordsetRef {
      if (sql.starts_with("SELECT Descrição AS Combustivel")) {
        return std::make_shared<orla::testing::FakeRecordset>(
            std::vector<host::Column>{{"Combustivel", host::ColumnType::Text}},
            std::vector<std::vector<host::Value>>{{"D'OURO"}, {"ETANOL"}});
      }
      return rows ? orla::testing::FakeRecordset::OneRow() : orla::testing::FakeRecordset::Empty();
    };
    EXPECT_TRUE(Run("TabelaDeVendasPorCombustiveis"));
    if (rows) {
      EXPECT_EQ(Held().formulas.at("Legenda"), "'D''O - D''OURO    /    ETA - ETANOL'");
    } else {
      EXPECT_FALSE(Held().formulas.contains("Legenda"));
      EXPECT_EQ(Calls().back(), "MsgBox");
    }
  }
}

}  // namespace
}  // namespace orla::service
