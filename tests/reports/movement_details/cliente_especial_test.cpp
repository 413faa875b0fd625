#include <gmock/gmock.h>

#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

std::vector<std::string> Statements(const std::string& conditions) {
  const std::string moment =
      "CAST((CONVERT(VARCHAR(10),a.Data_ECF,111) + ' ' + CONVERT(VARCHAR(8),a.Hora_Movimento,108)) "
      "AS DATETIME)";
  const std::string special =
      "CAST(CASE WHEN a.ValorUnitarioClienteEspecial IS NOT NULL AND "
      "a.ValorUnitarioClienteEspecial <> 0 THEN 1 ELSE 0 END AS BIT)";
  return {
      "SQL_Execute(IF OBJECT_ID('TempDB.dbo.##vcliesp') IS NOT NULL \r\nDROP TABLE ##vcliesp)",
      "SQL_Execute(CREATE TABLE ##vcliesp (IDClienteEspecial VARCHAR(6),Nome VARCHAR(100),"
      "DataHoraMovimento DATETIME,COO INTEGER,QtdeItens INTEGER,IDECF INTEGER,Valor_VendaBruta "
      "FLOAT,Valor_Desconto FLOAT,Valor_Acrescimo FLOAT,Valor_VendaLiquida FLOAT,IsSemUsoAD BIT,"
      "IDVenda INTEGER,TipoDoc VARCHAR(10),IDFuncionario VARCHAR(6)))",
      "SQL_Execute(INSERT INTO ##vcliesp SELECT a.IDClienteEspecial,b.Nome," + moment +
          " AS DataHoraMovimento,a.Número_Cupom_Fiscal AS COO,COUNT(a.Código) AS QtdeItens,"
          "a.Código_ECF AS IDECF,SUM(a.Valor_Venda) AS Valor_VendaBruta,ROUND(SUM(CASE WHEN "
          "((a.ValorUnitarioClienteEspecial IS NOT NULL) AND (a.ValorUnitarioClienteEspecial <> "
          "0)) THEN CASE WHEN ((a.ValorUnitarioClienteEspecial * a.Qtde) > a.Valor_Venda) THEN "
          "ABS(((a.ValorUnitarioClienteEspecial * a.Qtde) - a.Valor_Venda)) + a.Valor_Desconto "
          "ELSE 0 END ELSE a.Valor_Desconto END),2) AS Valor_Desconto,ROUND(SUM(CASE WHEN "
          "((a.ValorUnitarioClienteEspecial IS NOT NULL) AND (a.ValorUnitarioClienteEspecial <> "
          "0)) THEN CASE WHEN ((a.ValorUnitarioClienteEspecial * a.Qtde) < a.Valor_Venda) THEN "
          "ABS(((a.ValorUnitarioClienteEspecial * a.Qtde) - a.Valor_Venda)) + a.Valor_Acrescimo "
          "ELSE 0 END ELSE a.Valor_Acrescimo END),2) AS Valor_Acrescimo,SUM(a.Valor_Venda - "
          "a.Valor_Desconto + a.Valor_Acrescimo) AS Valor_VendaLiquida," +
          special +
          " AS IsSemUsoAD,Código_Venda AS IDVenda,NULL,NULL FROM [Movimentações em Vendas] a "
          "WITH (NOLOCK) INNER JOIN [Clientes] b WITH (NOLOCK) ON a.IDClienteEspecial = b.Código "
          "LEFT JOIN [Movimentações] c WITH (NOLOCK) ON a.IDCaixa = c.Código WHERE " +
          MarchDocuments("a.") +
          " AND (a.IsClienteEspecial = 1) AND (a.IDClienteEspecial IS NOT NULL) AND "
          "(a.IsEstornado = 0) AND " +
          conditions + " GROUP BY a.IDClienteEspecial,b.Nome," + moment +
          ",a.Número_Cupom_Fiscal,a.Código_ECF," + special + ",Código_Venda )",
      "SQL_Execute(UPDATE ##vcliesp SET TipoDoc = 'C.F.' FROM (SELECT a.Código_Venda FROM "
      "[Movimentações em Vendas] a WITH (NOLOCK) WHERE (a.Código_Venda IN (SELECT IDVenda FROM "
      "##vcliesp WITH (NOLOCK))) AND (a.ECF = 1)) lista WHERE (IDVenda = lista.Código_Venda))",
      "SQL_Execute(UPDATE ##vcliesp SET TipoDoc = CASE WHEN lista.Modelo = '55' THEN 'NF-e' WHEN "
      "lista.Modelo = '59' THEN 'SAT' WHEN lista.Modelo = '65' THEN 'NFC-e' WHEN lista.Modelo = "
      "'01' THEN 'NF' ELSE 'Desconhecido' END,COO = lista.Numero_Nota_Fiscal FROM (SELECT "
      "a.Codigo_Venda,c.Modelo,b.Numero_Nota_Fiscal FROM [NotasFiscais_Itens] a WITH (NOLOCK) "
      "INNER JOIN [NotasFiscais_Movimentos] b WITH (NOLOCK) ON a.Codigo_NF = b.Codigo INNER JOIN "
      "[Modelo - Notas Fiscais] c WITH (NOLOCK) ON b.Codigo_Modelo = c.Código WHERE "
      "(a.Codigo_Venda IN (SELECT IDVenda FROM ##vcliesp WITH (NOLOCK)))) lista WHERE (IDVenda = "
      "lista.Codigo_Venda))",
      // The fake's DateForSql gives the date text as it came; the period is always the fiscal one.
      "SQL_Execute(UPDATE ##vcliesp SET IDFuncionario = lista.IDEmployee FROM (SELECT "
      "a.Código_Venda IDCV,a.Funcionário IDEmployee,COUNT(*) Qtde FROM [Movimentações em "
      "Vendas] a WITH (NOLOCK) WHERE (a.Data_ECF BETWEEN '01/03/2024 00:00:00' AND '31/03/2024 "
      "23:59:59') AND (a.IsClienteEspecial = 1) AND (a.IDClienteEspecial IS NOT NULL) AND "
      "(a.IsEstornado = 0) GROUP BY a.Código_Venda,a.Funcionário HAVING COUNT(*) = 1) lista "
      "WHERE (IDVenda = lista.IDCV))",
      "OpenRecordSet(SELECT a.IDClienteEspecial,a.Nome,a.DataHoraMovimento,a.COO,a.QtdeItens,"
      "a.IDECF,a.Valor_VendaBruta,a.Valor_Desconto,a.Valor_Acrescimo,a.Valor_VendaLiquida,"
      "a.IsSemUsoAD,a.IDVenda,a.TipoDoc,a.IDFuncionario,b.Nome NomeFuncionario FROM ##vcliesp a "
      "WITH (NOLOCK) LEFT JOIN [Funcionários] b WITH (NOLOCK) ON a.IDFuncionario = b.Código "
      "ORDER BY a.DataHoraMovimento DESC,a.COO DESC)",
  };
}

TEST_F(FrameTest, SpecialClientsBuildTheirTableThenReadItNewestFirst) {
  struct Row {
    const char* name;
    std::vector<NamedValue> filters;
    bool opened;
    std::string conditions;
  };
  const Row rows[] = {
      {"the fiscal period, the connection closed",
       {},
       false,
       "(Data_ECF BETWEEN '01/03/2024' AND '31/03/2024')"},
      // The documents still count with a shift; only the period moves to the opening date.
      {"a shift and a client, the connection open",
       {{"Filtro_IDTurno", "2"}, {"Filtro_IDCliente", "5"}},
       true,
       "(Data_Abertura BETWEEN '01/03/2024' AND '31/03/2024') AND (c.Caixa = '2') AND "
       "(b.Código = '5')"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform->log.clear();
    db.opened = row.opened;
    EXPECT_TRUE(Run("ClienteEspecial", row.filters));
    std::vector<std::string> expected = {"IsOpened"};
    if (!row.opened) {
      expected.emplace_back("DB_Open");
    }
    for (std::string& statement : Statements(row.conditions)) {
      expected.push_back(std::move(statement));
    }
    const std::vector<std::string> calls(platform->log.begin() + 3, platform->log.end() - 1);
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ("-->|" + calls[i] + "|<--", "-->|" + expected[i] + "|<--") << "call " << i;
    }
  }
}

}  // namespace
}  // namespace orla::service
