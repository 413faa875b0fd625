#include <gmock/gmock.h>

#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

std::string Expected(const std::string& condition) {
  const std::string documents = MarchDocuments("b.");
  return "SELECT b.Tipo,b.Descrição,SUM(b.Qtde) AS Qtde,SUM(b.Valor_Custo * b.Qtde) AS "
         "PM_Custo,SUM(b.Valor_Venda - b.Valor_Desconto + b.Valor_Acrescimo) AS PM_Venda,"
         "(SUM(b.Valor_Venda - b.Valor_Desconto + b.Valor_Acrescimo) - SUM(b.Valor_Custo * "
         "b.Qtde)) AS VL_Lucro,SUM(b.Valor_Acrescimo) AS Valor_Acrescimo,SUM(b.Valor_Desconto) AS "
         "Valor_Desconto,SUM(b.Valor_Venda) AS Valor_Venda FROM [Produtos] a WITH (NOLOCK) INNER "
         "JOIN [Movimentações em Vendas] b WITH (NOLOCK) ON a.Código = b.IDProduto LEFT JOIN "
         "[Movimentações] c WITH (NOLOCK) ON b.IDCaixa = c.Código WHERE " +
         documents +
         " AND (b.IsEstornado = 0) AND (b.Transferência = 0) AND (b.Tipo = 'C') AND "
         "(b.Cupom_Complementar <> 0) AND " +
         condition + " GROUP BY b.Tipo,b.Descrição ORDER BY b.Descrição";
}

TEST_F(FrameTest, ComplementarySalesDateTheirPeriodByTheShift) {
  struct Row {
    const char* name;
    std::string shift;
    std::string condition;
  };
  const Row rows[] = {
      {"no shift: the fiscal date", "", "(Data_ECF BETWEEN '01/03/2024' AND '31/03/2024')"},
      {"a shift: the till's opening date, and the till's shift", "2",
       "(Data_Abertura BETWEEN '01/03/2024' AND '31/03/2024') AND (c.Caixa = '2')"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform->log.clear();
    EXPECT_TRUE(
        Run("MovimentacaoDeCombustiveisPorVendaComplementar", {{"Filtro_DataInicial", "01/03/2024"},
                                                               {"Filtro_DataFinal", "31/03/2024"},
                                                               {"Filtro_IDTurno", row.shift}}));
    EXPECT_THAT(platform->log,
                ::testing::Contains("OpenRecordSet(" + Expected(row.condition) + ")"));
  }
}

}  // namespace
}  // namespace orla::service
