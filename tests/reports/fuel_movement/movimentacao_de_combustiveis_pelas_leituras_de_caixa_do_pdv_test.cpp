// The fuel movement by readings' query on recording fakes.
#include "reports/fuel_movement/movimentacao_de_combustiveis_pelas_leituras_de_caixa_do_pdv.h"

#include <gmock/gmock.h>

#include "tests/reports/marking_platform.h"

namespace orla::reports {
namespace {

TEST(ReadingsMovementBuilder, RebuildsTheWorkingTableThenReadsItPerNozzle) {
  auto platform = std::make_shared<orla::testing::MarkingPlatform>();
  host::InstallPlatform(platform);
  orla::testing::CountingDatabase db(platform->log);
  db.opened = true;
  const std::string sql = MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL(
      db, {{"01/03/2024", "10/03/2024"}, "3", {true, true}});
  host::InstallPlatform(nullptr);
  EXPECT_EQ(
      "-->|" + sql + "|<--",
      "-->|SELECT Bico,Combustivel,SUM(QtdeVendida) AS QtdeVendida,CASE WHEN CAST(SUM(QtdeVendida) "
      "AS FLOAT) = 0 THEN CAST(SUM(TotalVenda) AS FLOAT) ELSE (CAST(SUM(TotalVenda) AS FLOAT) / "
      "CAST(SUM(QtdeVendida) AS FLOAT)) END AS ValorDeVenda,CASE WHEN CAST(SUM(QtdeVendida) AS "
      "FLOAT) = 0 THEN CAST(SUM(TotalCusto) AS FLOAT) ELSE (CAST(SUM(TotalCusto) AS FLOAT) / "
      "CAST(SUM(QtdeVendida) AS FLOAT)) END AS ValorDeCusto,SUM(ValorDesconto) AS "
      "ValorDesconto,SUM(ValorAcrescimo) AS ValorAcrescimo,CASE WHEN CAST(SUM(QtdeVendida) AS "
      "FLOAT) = 0 THEN CAST(SUM(TotalVenda) AS FLOAT) ELSE (CAST(SUM(TotalVenda) AS FLOAT) / "
      "CAST(SUM(QtdeVendida) AS FLOAT)) END AS ValorDeVendaAtual FROM ##VendasNosBicos WITH "
      "(NOLOCK) GROUP BY Bico,Combustivel ORDER BY Bico|<--");
  // The period and the till go to the working table.
  ASSERT_EQ(platform->log.size(), 4u);
  EXPECT_THAT(platform->log[3],
              ::testing::EndsWith("(Data_Abertura BETWEEN '01/03/2024' AND '10/03/2024') AND "
                                  "(Caixa = '3'), n)"));
}

}  // namespace
}  // namespace orla::reports
