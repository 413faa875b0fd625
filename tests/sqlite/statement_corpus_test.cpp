// The statements the report library sends, in their real shapes (the fragments below are
// the library's own texts), run in the order a report runs them on a generated month of
// the demo station. Every statement must run; the checks on rows are the ones a fault in
// the adapter would break.
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "host/command.h"
#include "sqlite/command.h"
#include "sqlite/database.h"
#include "sqlite/sql_functions.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

using host::Value;

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

constexpr std::string_view kSaleDocumentFilter =
    "(({c}ECF = 1) OR (({c}ECF = 0) AND ({c}NFConsumidor_Modelo IS NOT NULL)) OR (({c}ECF = 0) "
    "AND ({c}NF = 1) AND ({c}IsNFAvulsa = 0) AND ({c}IsNFTerceiro = 0) AND ({c}S010_ID IN "
    "(SELECT S010_ID FROM S010_CFOP WHERE (S010_IsVenda = 1))) AND ({c}Código_Venda NOT IN "
    "(SELECT b.Codigo_Venda FROM [T008_Nfe_Solicitacoes] a WITH (NOLOCK) INNER JOIN "
    "[NotasFiscais_Itens] b WITH (NOLOCK) ON a.T008_IDNF = b.Codigo_NF WHERE (a.T008_Tipo = 0) "
    "AND (a.T008_DataHora BETWEEN '@dtInicial 00:00:00' AND '@dtFinal 23:59:59') GROUP BY "
    "b.Codigo_Venda))) OR (({c}ECF = 0) AND ({c}NF = 1) AND ({c}IsNFAvulsa = 1) AND "
    "({c}IsNFTerceiro = 0) AND ({c}IsMovimentacaoFisicaDoEstoque = 1) AND ({c}S010_ID IN (SELECT "
    "S010_ID FROM S010_CFOP WHERE (S010_IsVenda = 1))) AND ({c}Código_Venda NOT IN (SELECT "
    "b.Codigo_Venda FROM [T008_Nfe_Solicitacoes] a WITH (NOLOCK) INNER JOIN [NotasFiscais_Itens] "
    "b WITH (NOLOCK) ON a.T008_IDNF = b.Codigo_NF WHERE (a.T008_Tipo = 0) AND (a.T008_DataHora "
    "BETWEEN '@dtInicial 00:00:00' AND '@dtFinal 23:59:59') GROUP BY b.Codigo_Venda))))";

std::string Documents(std::string_view prefix) {
  return Replace(
      Replace(Replace(std::string(kSaleDocumentFilter), "{c}", prefix), "@dtInicial", "2024/03/01"),
      "@dtFinal", "2024/03/31");
}

std::string Period(std::string_view column) {
  return "(" + std::string(column) + " BETWEEN '20240301 00:00:00' AND '20240331 23:59:59')";
}

// The surcharge or discount expression: C and O the two ignore switches, W without the
// special-price difference.
std::string Adjustment(bool discount, std::string_view a, bool c, bool o, bool w,
                       bool differenceOnly = false) {
  const std::string column = discount ? "{a}Valor_Desconto" : "{a}Valor_Acrescimo";
  const std::string x =
      w ? "0"
        : std::string("CASE WHEN (({a}ValorUnitarioClienteEspecial * {a}Qtde) ") +
              (discount ? ">" : "<") +
              " {a}Valor_Venda) THEN ABS((({a}ValorUnitarioClienteEspecial * {a}Qtde) - "
              "{a}Valor_Venda)) + " +
              column + " ELSE 0 END";
  const std::string other = differenceOnly ? "0" : column;
  std::string text;
  if (c && o) {
    text = "0";
  } else if (!c && !o) {
    text = "ROUND(CASE WHEN ISNULL({a}ValorUnitarioClienteEspecial, 0) <> 0 THEN " + x + " ELSE " +
           other + " END, 2) ";
  } else if (!c && o) {
    text = differenceOnly ? "0"
                          : "CASE WHEN {a}Cupom_Complementar = 1 THEN " + column + " ELSE 0 END ";
  } else {
    text =
        "CASE WHEN {a}Cupom_Complementar = 0 THEN ROUND(CASE WHEN "
        "ISNULL({a}ValorUnitarioClienteEspecial, 0) <> 0 THEN " +
        x + " ELSE " + other + " END, 2) ELSE 0 END ";
  }
  return Replace(text, "{a}", a);
}

class StatementCorpus : public ::testing::Test {
 protected:
  StatementCorpus() : db_(orla::testing::MarchDatabase()) {}

  host::RecordsetRef Open(const std::string& sql) {
    SCOPED_TRACE(sql);
    host::RecordsetRef rows;
    EXPECT_NO_THROW(rows = db_.OpenRecordSet(sql));
    return rows;
  }
  int32_t Execute(const std::string& sql) {
    SCOPED_TRACE(sql);
    int32_t affected = -1;
    EXPECT_NO_THROW(db_.SQL_Execute(sql, affected));
    return affected;
  }
  static int64_t CountRows(const host::RecordsetRef& rows) {
    int64_t count = 0;
    for (rows->MoveFirst(); !rows->Eof().AsBoolean(); rows->MoveNext()) {
      ++count;
    }
    rows->MoveFirst();
    return count;
  }
  std::string RunProcedure(const std::string& name,
                           const std::vector<std::tuple<std::string, int32_t, Value>>& inputs) {
    auto command = CreateCommand("ADODB.Command");
    command->SetActiveConnection(db_.GetConnectionString());
    command->SetCommandTimeout(0);
    command->SetCommandType(host::ado::kCmdStoredProc);
    command->SetCommandText(name);
    for (const auto& [parameter, type, value] : inputs) {
      if (parameter == "IDRetorno") {
        command->Parameters().Append(command->CreateParameter("IDRetorno", host::ado::kVarChar,
                                                              host::ado::kParamOutput, 200));
      } else {
        command->Parameters().Append(
            command->CreateParameter(parameter, type, host::ado::kParamInput, 0, value));
      }
    }
    command->Execute();
    return command->Item("IDRetorno").AsText();
  }

  // Builds ##VendasNosBicos for March 2024 as the library does, for one shift or all.
  void BuildNozzleSalesTable(const std::string& shift, bool ignoreComplementary,
                             bool ignoreOthers) {
    std::string condition = Period("Data_Abertura");
    if (!shift.empty()) {
      condition += " AND (Caixa = '" + shift + "')";
    }
    db_.DB_Open();
    Execute(
        "IF OBJECT_ID('TempDB.dbo.##VendasNosBicos') IS NOT NULL \r\nDROP TABLE "
        "##VendasNosBicos");
    Execute(
        "CREATE TABLE ##VendasNosBicos (Bico VARCHAR(3),QtdeVendida FLOAT,ValorDeVenda "
        "FLOAT,ValorDeCusto FLOAT,ValorDesconto FLOAT,ValorAcrescimo FLOAT,Combustivel "
        "VARCHAR(100),TotalVenda FLOAT,TotalCusto FLOAT,Data_Abertura DATETIME,Caixa "
        "VARCHAR(3))");
    const int32_t inserted = Execute(
        "INSERT INTO ##VendasNosBicos "
        "(Bico,QtdeVendida,ValorDeVenda,ValorDeCusto,ValorDesconto,ValorAcrescimo,Combustivel,"
        "TotalVenda,TotalCusto,Data_Abertura,Caixa) SELECT "
        "a.L021_IDBico,a.L021_VolumeVendido,a.L021_VPL,a.L021_CM,0,0,a.L021_Combustivel,(a.L021_"
        "VolumeVendido * a.L021_VPL),(a.L021_VolumeVendido * a.L021_CM),c.Data_Abertura,c.Caixa "
        "FROM [L021_MC_Leituras] a WITH (NOLOCK) INNER JOIN [Movimentações] c WITH (NOLOCK) ON "
        "a.IDCaixa = c.Código WHERE (c.Data_Fechamento IS NOT NULL) AND " +
        condition);
    // Eight nozzles read at every closing: 31 days of one shift, less the open last one.
    EXPECT_EQ(inserted, shift.empty() ? 8 * (31 * 3 - 1) : 8 * 31);
    const std::string s = Adjustment(false, "", ignoreComplementary, ignoreOthers, false);
    const std::string d = Adjustment(true, "", ignoreComplementary, ignoreOthers, false);
    auto sales = Open(
        "SELECT a.Código_Produto AS Bico,a.Descrição AS Descricao,SUM(" + d +
        ") AS ValorDesconto,SUM(" + s +
        ") AS ValorAcrescimo FROM [Movimentações em Vendas] a "
        "WITH (NOLOCK) LEFT JOIN [Movimentações] b WITH (NOLOCK) ON a.IDCaixa = b.Código WHERE "
        "(a.IsEstornado = 0) AND (b.Data_Fechamento IS NOT NULL) AND (a.Terceiros = 0) AND "
        "(a.Tipo = 'C') AND " +
        condition +
        " GROUP BY a.Código_Produto,a.Descrição ORDER BY "
        "a.Código_Produto");
    ASSERT_EQ(CountRows(sales), 8);
    for (; !sales->Eof().AsBoolean(); sales->MoveNext()) {
      const std::string bico = sales->Field("Bico").AsText();
      const std::string fuel = Replace(sales->Field("Descricao").AsText(), "'", "''");
      auto count = Open(
          "SELECT Bico,COUNT(Bico) AS Qtde FROM ##VendasNosBicos WITH (NOLOCK) "
          "WHERE (Bico = '" +
          bico + "') AND (Combustivel = '" + fuel + "') GROUP BY Bico");
      ASSERT_FALSE(count->Eof().AsBoolean()) << bico;
      const int64_t readings = count->Field("Qtde").AsInteger();
      const Value discount = sales->Field("ValorDesconto");
      const Value surcharge = sales->Field("ValorAcrescimo");
      const double share = (discount.IsNull() ? 0.0 : discount.AsDouble()) / readings;
      const double extra = (surcharge.IsNull() ? 0.0 : surcharge.AsDouble()) / readings;
      EXPECT_EQ(Execute("UPDATE ##VendasNosBicos SET ValorDesconto = '" + std::to_string(share) +
                        "',ValorAcrescimo = '" + std::to_string(extra) + "' WHERE (Bico = '" +
                        bico + "') AND (Combustivel = '" + fuel + "')"),
                readings);
    }
  }

  Database db_;
};

TEST_F(StatementCorpus, SalesByReceiptType) {
  const Value from(*host::DateTime::FromParts(2024, 3, 1));
  const Value to(*host::DateTime::FromParts(2024, 3, 31));
  db_.DB_Open();
  const std::string key = RunProcedure("_RPT_VTR", {{"dtInicial", host::ado::kDate, from},
                                                    {"dtFinal", host::ado::kDate, to},
                                                    {"IDRetorno", 0, Value()}});
  auto rows = Open(
      "SELECT CASE WHEN vr.IsCartaoCredito = 1 THEN 'Cartão de Crédito' WHEN vr.IsCartaoDebito = "
      "1 THEN 'Cartão de Débito' WHEN vr.IsCarteiraDigital = 1 THEN 'Carteira Digital' WHEN "
      "vr.IsFrota = 1 THEN 'Cartão Frota' WHEN vr.IsPix = 1 THEN 'PIX' ELSE 'Outras Formas' END "
      "AS TipoRecebimento,vr.FormaPagto,vr.QtdeVendas,vr.VLTotal,vr.VLTroco,vr.VLLiquido,"
      "vr.VLTicketMedio,vr.TxParticipacao FROM ###vtr_rpt AS vr WITH (NOLOCK) WHERE "
      "(vr.WorkStationID = '" +
      key + "') ORDER BY TipoRecebimento ASC,vr.FormaPagto ASC");
  db_.DB_Close();
  ASSERT_EQ(CountRows(rows), 16);  // every payment form of the master data is used in a month
  std::string previous;
  double share = 0;
  for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
    const std::string type = rows->Field("TipoRecebimento").AsText();
    EXPECT_LE(CompareTsqlText(previous, type), 0) << previous << " before " << type;
    previous = type;
    share += rows->Field("TxParticipacao").AsDouble();
    if (rows->Field("FormaPagto").AsText() == "Cartão Frota Crédito") {
      EXPECT_EQ(type, "Cartão de Crédito");  // credit wins over fleet
    }
    if (rows->Field("FormaPagto").AsText() == "Carteira Mercado Pago PIX") {
      EXPECT_EQ(type, "Carteira Digital");  // wallet wins over instant payment
    }
  }
  EXPECT_NEAR(share, 100.0, 0.1);
}

TEST_F(StatementCorpus, SalesTableByNozzleFiscal) {
  for (bool ignore : {false, true}) {
    const std::string s = Adjustment(false, "", ignore, ignore, true);
    const std::string d = Adjustment(true, "", ignore, ignore, true);
    auto rows = Open(
        "SELECT b.Data_Abertura,('T' + b.Caixa) AS Caixa,('B' + a.Código_Produto) AS "
        "Código_Produto,SUM(a.Qtde) AS QtdeVendida,SUM(a.Valor_Venda - " +
        d + " + " + s +
        ") AS ValorVenda FROM [Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN [Movimentações] "
        "b WITH (NOLOCK) ON a.IDCaixa = b.Código WHERE " +
        Documents("") +
        " AND (a.Tipo = 'C') AND (a.IsEstornado = 0) AND (a.Transferência = 0) AND " +
        Period("Data_ECF") + " GROUP BY b.Data_Abertura,'T' + b.Caixa,'B' + a.Código_Produto");
    ASSERT_GT(CountRows(rows), 31 * 8);
    EXPECT_EQ(rows->Columns()[0].type, host::ColumnType::Date);
    EXPECT_EQ(rows->Field("Caixa").AsText().substr(0, 1), "T");
    EXPECT_EQ(rows->Field("Código_Produto").AsText().size(), 3u);  // B01: concatenated
  }
}

TEST_F(StatementCorpus, NozzleSalesWorkingTableAndItsReports) {
  BuildNozzleSalesTable("", false, false);
  auto byNozzle = Open(
      "SELECT Data_Abertura,('T' + Caixa) AS Caixa,('B' + Bico) AS Código_Produto,"
      "SUM(QtdeVendida) AS QtdeVendida,SUM(TotalVenda + ValorAcrescimo - ValorDesconto) AS "
      "ValorVenda FROM ##VendasNosBicos WITH (NOLOCK) GROUP BY Data_Abertura,'T' + Caixa,'B' + "
      "Bico");
  EXPECT_EQ(CountRows(byNozzle), 8 * (31 * 3 - 1));
  auto movement = Open(
      "SELECT Bico,Combustivel,SUM(QtdeVendida) AS QtdeVendida,CASE WHEN CAST(SUM(QtdeVendida) "
      "AS FLOAT) = 0 THEN CAST(SUM(TotalVenda) AS FLOAT) ELSE (CAST(SUM(TotalVenda) AS FLOAT) / "
      "CAST(SUM(QtdeVendida) AS FLOAT)) END AS ValorDeVenda,CASE WHEN CAST(SUM(QtdeVendida) AS "
      "FLOAT) = 0 THEN CAST(SUM(TotalCusto) AS FLOAT) ELSE (CAST(SUM(TotalCusto) AS FLOAT) / "
      "CAST(SUM(QtdeVendida) AS FLOAT)) END AS ValorDeCusto,SUM(ValorDesconto) AS "
      "ValorDesconto,SUM(ValorAcrescimo) AS ValorAcrescimo,CASE WHEN CAST(SUM(QtdeVendida) AS "
      "FLOAT) = 0 THEN CAST(SUM(TotalVenda) AS FLOAT) ELSE (CAST(SUM(TotalVenda) AS FLOAT) / "
      "CAST(SUM(QtdeVendida) AS FLOAT)) END AS ValorDeVendaAtual FROM ##VendasNosBicos WITH "
      "(NOLOCK) GROUP BY Bico,Combustivel ORDER BY Bico");
  ASSERT_EQ(CountRows(movement), 8);
  EXPECT_EQ(movement->Field("Bico").AsText(), "01");
  // An average price per litre, near the list prices of the station's fuels.
  EXPECT_GT(movement->Field("ValorDeVenda").AsDouble(), 3.0);
  EXPECT_LT(movement->Field("ValorDeVenda").AsDouble(), 8.0);
  EXPECT_GT(movement->Field("ValorDesconto").AsDouble(), 0.0);

  BuildNozzleSalesTable("2", true, false);
  auto shift = Open(
      "SELECT COUNT(*) AS Linhas, MIN(Caixa) AS Menor, MAX(Caixa) AS Maior FROM "
      "##VendasNosBicos WITH (NOLOCK)");
  EXPECT_EQ(shift->Field("Linhas").AsInteger(), 8 * 31);
  EXPECT_EQ(shift->Field("Menor").AsText(), "2");
  EXPECT_EQ(shift->Field("Maior").AsText(), "2");
}

TEST_F(StatementCorpus, Ranking) {
  const std::string s = Adjustment(false, "c.", false, false, true);
  const std::string d = Adjustment(true, "c.", false, false, true);
  const std::string products =
      "[Movimentações em Vendas] c WITH (NOLOCK) INNER JOIN [Produtos] d WITH (NOLOCK) ON "
      "c.IDProduto = d.Código INNER JOIN [Grupos] b WITH (NOLOCK) ON d.Grupo = b.Código INNER "
      "JOIN [SubGrupos] a WITH (NOLOCK) ON d.SubGrupo = a.Código ";
  const std::string clients =
      "[Movimentações em Vendas] c WITH (NOLOCK) INNER JOIN [Clientes] cc WITH (NOLOCK) ON "
      "cc.Código = CASE WHEN c.Cliente > 0 THEN c.Cliente ELSE c.IDClienteEspecial END ";
  struct Case {
    std::string code, name, from, filter, measure, direction;
    int64_t rows;
  };
  const Case cases[] = {
      {"c.IDProduto", "d.Descrição", products, "", "SUM(c.Qtde)", "DESC", 22},
      {"c.IDProduto", "d.Descrição", products, " AND (c.Tipo = 'P')",
       "SUM((c.Valor_Venda + " + s + " - " + d + "))", "ASC", 5},
      {"cc.Código", "cc.Nome", clients, "",
       "SUM((c.Valor_Venda + " + s + " - " + d + " - (c.Valor_Custo * c.Qtde)))", "DESC", 5},
  };
  for (const Case& c : cases) {
    const std::string top = c.rows == 5 ? "5" : "40";
    std::string sql =
        "SELECT TOP " + top + " {0} AS Codigo,{1} AS Nome, SUM((c.Valor_Venda + " + s + " - " + d +
        ")) AS SomaDeValor_Venda,SUM(c.Qtde) AS SomaDeQtde,SUM((c.Valor_Venda + " + s + " - " + d +
        " - (c.Valor_Custo * c.Qtde))) AS Lucro FROM {2} WHERE " + Documents("c.") +
        " AND (c.IsEstornado = 0) AND (c.Transferência = 0) AND " + Period("c.Data_ECF") +
        c.filter + " GROUP BY {0},{1},c.Tipo ORDER BY " + c.measure + " " + c.direction;
    sql = Replace(Replace(Replace(sql, "{0}", c.code), "{1}", c.name), "{2}", c.from);
    auto rows = Open(sql);
    // 4 fuels and 18 shop products; TOP 5 keeps five.
    EXPECT_EQ(CountRows(rows), c.rows) << sql;
  }
}

TEST_F(StatementCorpus, ComplementarySales) {
  auto rows = Open(
      "SELECT b.Tipo,b.Descrição,SUM(b.Qtde) AS Qtde,SUM(b.Valor_Custo * b.Qtde) AS "
      "PM_Custo,SUM(b.Valor_Venda - b.Valor_Desconto + b.Valor_Acrescimo) AS PM_Venda,"
      "(SUM(b.Valor_Venda - b.Valor_Desconto + b.Valor_Acrescimo) - SUM(b.Valor_Custo * "
      "b.Qtde)) AS VL_Lucro,SUM(b.Valor_Acrescimo) AS Valor_Acrescimo,SUM(b.Valor_Desconto) AS "
      "Valor_Desconto,SUM(b.Valor_Venda) AS Valor_Venda FROM [Produtos] a WITH (NOLOCK) INNER "
      "JOIN [Movimentações em Vendas] b WITH (NOLOCK) ON a.Código = b.IDProduto LEFT JOIN "
      "[Movimentações] c WITH (NOLOCK) ON b.IDCaixa = c.Código WHERE " +
      Documents("b.") +
      " AND (b.IsEstornado = 0) AND (b.Transferência = 0) AND (b.Tipo = 'C') AND "
      "(b.Cupom_Complementar <> 0) AND " +
      Period("Data_Abertura") +
      " AND (c.Caixa = '1') GROUP BY b.Tipo,b.Descrição ORDER BY b.Descrição");
  EXPECT_EQ(CountRows(rows), 4);
  // Accented names sort beside their base letter, as SQL Server's collation has them.
  EXPECT_EQ(rows->Field("Descrição").AsText(), "ETANOL HIDRATADO");
}

TEST_F(StatementCorpus, SalesTableByFuelBothViews) {
  const std::string s = Adjustment(false, "", false, true, true);
  const std::string d = Adjustment(true, "", false, true, true);
  const std::string fiscal =
      "SELECT b.Data_Abertura Data_Movimento,CAST(SUM(a.Qtde) AS FLOAT) "
      "Qtde,CAST(SUM(a.Valor_Venda "
      "- " +
      d + " + " + s +
      ") AS FLOAT) VLTotal,a.Descrição INTO ##Tabela FROM [Movimentações "
      "em Vendas] a WITH (NOLOCK) LEFT JOIN [Movimentações] b WITH (NOLOCK) ON a.IDCaixa = "
      "b.Código WHERE " +
      Documents("") +
      " AND (a.Tipo = 'C') AND (a.IsEstornado = 0) AND "
      "(a.Transferência = 0) AND " +
      Period("Data_ECF") + " GROUP BY b.Data_Abertura,a.Descrição";
  const std::string financial =
      "SELECT Data_Abertura Data_Movimento,CAST(SUM(QtdeVendida) AS FLOAT) "
      "Qtde,CAST(SUM(TotalVenda + ValorAcrescimo - ValorDesconto) AS FLOAT) VLTotal,Combustivel "
      "AS Descrição INTO ##Tabela FROM ##VendasNosBicos WITH (NOLOCK) GROUP BY "
      "Data_Abertura,Combustivel";
  BuildNozzleSalesTable("", false, false);
  for (const std::string& fill : {fiscal, financial}) {
    db_.DB_Open();
    Execute("IF OBJECT_ID('TempDB.dbo.##Tabela') IS NOT NULL \r\nDROP TABLE ##Tabela");
    EXPECT_GE(Execute(fill), 4 * 31);
    auto fuels = Open(
        "SELECT Descrição AS Combustivel FROM ##Tabela WITH (NOLOCK) GROUP BY "
        "Descrição ORDER BY Descrição ASC");
    ASSERT_EQ(CountRows(fuels), 4);
    int label = 0;
    for (; !fuels->Eof().AsBoolean(); fuels->MoveNext()) {
      const std::string fuel = Replace(fuels->Field("Combustivel").AsText(), "'", "''");
      EXPECT_EQ(Execute("UPDATE ##Tabela SET Descrição = 'F" + std::to_string(++label) +
                        "' WHERE (Descrição = '" + fuel + "')"),
                31);
    }
    auto table = Open("SELECT Data_Movimento,Qtde,VLTotal,Descrição FROM ##Tabela WITH (NOLOCK)");
    EXPECT_GE(CountRows(table), 4 * 31);
    EXPECT_EQ(table->Columns()[0].type, host::ColumnType::Date);
    EXPECT_EQ(table->Columns()[1].type, host::ColumnType::Double);
    EXPECT_EQ(table->Field("Descrição").AsText().substr(0, 1), "F");
  }
}

TEST_F(StatementCorpus, SalesByGroupAndPaymentForm) {
  const Value from(*host::DateTime::FromParts(2024, 3, 1));
  const Value to(*host::DateTime::FromParts(2024, 3, 31));
  db_.DB_Open();
  for (bool financial : {false, true}) {
    const std::string key =
        RunProcedure("_VendasPorGrupoDeProdutosPorFormaDePagto",
                     {{"IsIgnorarDescontoCC", host::ado::kBoolean, Value(false)},
                      {"IsCombustiveis", host::ado::kBoolean, Value(true)},
                      {"IsOutrosProdutos", host::ado::kBoolean, Value(true)},
                      {"IDProdutos", host::ado::kVarChar, Value("")},
                      {"dtInicial", host::ado::kDate, from},
                      {"dtFinal", host::ado::kDate, to},
                      {"IsIgnorarDescontoOT", host::ado::kBoolean, Value(false)},
                      {"IDRetorno", 0, Value()},
                      {"IsVisaoFinanceira", host::ado::kBoolean, Value(financial)}});
    auto byGroup = Open(
        "SELECT a.Grupo AS Produto,a.FP AS Forma_PG,SUM(a.Valor) AS Valor FROM "
        "###VendasF a WITH (NOLOCK) WHERE (WorkStationID = '" +
        key + "') GROUP BY a.Grupo,a.FP");
    EXPECT_GT(CountRows(byGroup), 20);
    auto withQuantity = Open(
        "SELECT a.Grupo,a.FP,SUM(a.Qtde) Qtde,SUM(a.Valor) Valor FROM "
        "###VendasF a WITH (NOLOCK) WHERE (a.WorkStationID = '" +
        key + "') GROUP BY a.Grupo,a.FP");
    EXPECT_EQ(CountRows(withQuantity), CountRows(byGroup));
    auto byDay = Open(
        "SELECT a.DtMov,a.FP AS Forma_PG,SUM(a.Valor) AS Valor FROM ###VendasF a "
        "WITH (NOLOCK) WHERE (WorkStationID = '" +
        key + "') GROUP BY a.DtMov,a.FP");
    EXPECT_GT(CountRows(byDay), 31 * 10);
    EXPECT_EQ(byDay->Columns()[0].type, host::ColumnType::Date);
  }
  db_.DB_Close();
}

// The summaries share one shape: a fiscal query on the sale lines, and a financial one
// that joins the fuel rows of ##VendasNosBicos to the other products.
TEST_F(StatementCorpus, Summaries) {
  const std::string s = Adjustment(false, "c.", false, false, false);
  const std::string d = Adjustment(true, "c.", false, false, false);
  const std::string complement = Adjustment(true, "c.", false, false, false, true);
  const std::string condition = "AND " + Period("Data_ECF") + " ";
  const std::string groupsFrom =
      "FROM [Grupos] a WITH (NOLOCK) INNER JOIN [Produtos] b WITH (NOLOCK) ON a.Código = "
      "b.Grupo INNER JOIN [Movimentações em Vendas] c WITH (NOLOCK) ON b.Código = c.IDProduto "
      "LEFT JOIN [Movimentações] d WITH (NOLOCK) ON c.IDCaixa = d.Código ";
  // The amount columns on the sale lines of alias c.
  const std::string amounts =
      "SUM(c.Qtde) AS Qtde,SUM(c.Valor_Custo * c.Qtde) AS PM_Custo,"
      "SUM(c.Valor_Venda - " +
      d + " + " + s +
      ") AS PM_Venda,"
      "(SUM(c.Valor_Venda - " +
      d + " + " + s +
      ") - SUM(c.Valor_Custo * "
      "c.Qtde)) AS VL_Lucro,SUM(" +
      s + ") AS Valor_Acrescimo,SUM(" + d +
      ") AS Valor_Desconto,SUM(c.Valor_Venda) AS Valor_Venda ";
  const std::string byProductFiscal =
      "SELECT b.Tipo,b.Descrição," + Replace(amounts, "c.", "b.") +
      "FROM [Produtos] a WITH (NOLOCK) INNER JOIN [Movimentações em Vendas] b WITH (NOLOCK) ON "
      "a.Código = b.IDProduto LEFT JOIN [Movimentações] c WITH (NOLOCK) ON b.IDCaixa = c.Código "
      "WHERE " +
      Documents("b.") + " AND (b.IsEstornado = 0) AND (b.Transferência = 0) " + condition +
      "AND (b.Tipo = 'C') GROUP BY b.Tipo,b.Descrição ORDER BY b.Descrição";
  EXPECT_EQ(CountRows(Open(byProductFiscal)), 4);

  const std::string byGroupFiscal =
      "SELECT c.Tipo,CASE WHEN Tipo = 'C' THEN c.Descrição ELSE a.Descrição END AS Descrição," +
      amounts + groupsFrom + "WHERE " + Documents("c.") +
      " AND (c.IsEstornado = 0) AND (c.Transferência = 0) " + condition +
      "GROUP BY c.Tipo,CASE WHEN Tipo = 'C' THEN c.Descrição ELSE a.Descrição END ORDER BY CASE "
      "WHEN Tipo = 'C' THEN c.Descrição ELSE a.Descrição END";
  EXPECT_EQ(CountRows(Open(byGroupFiscal)), 4 + 5);  // four fuels, five other groups

  const std::string taxFiscal =
      "SELECT c.Alíquota AS AliquotaICMS,c.Situação_Tributária AS TipoST,a.Descrição AS "
      "Descricao," +
      amounts + groupsFrom + "WHERE " + Documents("c.") +
      " AND (c.IsEstornado = 0) AND (c.Transferência = 0) " + condition +
      "AND (c.Situação_Tributária IN ('II')) OR ((c.Situação_Tributária = 'TT') AND "
      "(c.Alíquota = 17)) GROUP BY c.Alíquota,c.Situação_Tributária,a.Descrição ORDER BY "
      "a.Descrição ASC";
  auto tax = Open(taxFiscal);
  EXPECT_GE(CountRows(tax), 3);

  BuildNozzleSalesTable("", false, false);
  const std::string fuelPart =
      "(SELECT 'C' AS Tipo,Combustivel AS Descrição,SUM(QtdeVendida) AS Qtde,SUM(TotalCusto) AS "
      "PM_Custo,SUM((TotalVenda - ValorDesconto + ValorAcrescimo)) AS PM_Venda,(SUM((TotalVenda "
      "- ValorDesconto + ValorAcrescimo)) - SUM(TotalCusto)) AS VL_Lucro,SUM(ValorAcrescimo) AS "
      "Valor_Acrescimo,SUM(ValorDesconto) AS Valor_Desconto,SUM(TotalVenda) AS Valor_Venda FROM "
      "##VendasNosBicos WITH (NOLOCK) GROUP BY Combustivel ";
  const std::string outer =
      "SELECT lista.Tipo,lista.Descrição,SUM(lista.Qtde) AS Qtde,SUM(lista.PM_Custo) AS "
      "PM_Custo,SUM(lista.PM_Venda) AS PM_Venda,SUM(lista.VL_Lucro) AS "
      "VL_Lucro,SUM(lista.Valor_Acrescimo) AS Valor_Acrescimo,SUM(lista.Valor_Desconto) AS "
      "Valor_Desconto,SUM(lista.Valor_Venda) AS Valor_Venda FROM ";
  const std::string productPart =
      "UNION ALL SELECT c.Tipo,a.Descrição,SUM(c.Qtde) AS Qtde,SUM(c.Valor_Custo * c.Qtde) AS "
      "PM_Custo,SUM(c.Valor_Venda - " +
      d + " + " + s + " + " + complement +
      ") AS PM_Venda,"
      "(SUM(c.Valor_Venda - " +
      d + " + " + s + " + " + complement +
      ") - SUM(c.Valor_Custo * "
      "c.Qtde)) AS VL_Lucro,SUM(" +
      s + ") AS Valor_Acrescimo,SUM(" + d +
      ") AS Valor_Desconto,"
      "SUM(c.Valor_Venda + " +
      complement + ") AS Valor_Venda " + groupsFrom +
      "WHERE (c.IDCaixa IS NOT NULL) AND (c.Tipo = 'P') AND (c.IsEstornado = 0) AND "
      "(c.Transferência = 0) AND " +
      Period("Data_Abertura") +
      " GROUP BY c.Tipo,a.Descrição) "
      "lista ";
  auto financial = Open(outer + fuelPart + productPart +
                        "GROUP BY lista.Tipo,lista.Descrição ORDER BY lista.Descrição");
  EXPECT_EQ(CountRows(financial), 4 + 5);
  auto onlyFuels = Open(outer + fuelPart + productPart +
                        "WHERE (lista.Tipo = 'C') GROUP BY lista.Tipo,lista.Descrição ORDER BY "
                        "lista.Descrição");
  EXPECT_EQ(CountRows(onlyFuels), 4);

  const std::string taxOuter =
      "SELECT lista.AliquotaICMS,lista.TipoST,lista.Descricao,SUM(lista.Qtde) AS "
      "Qtde,SUM(lista.PM_Custo) AS PM_Custo,SUM(lista.PM_Venda) AS PM_Venda,SUM(lista.VL_Lucro) "
      "AS VL_Lucro,SUM(lista.Valor_Acrescimo) AS Valor_Acrescimo,SUM(lista.Valor_Desconto) AS "
      "Valor_Desconto,SUM(lista.Valor_Venda) AS Valor_Venda FROM (SELECT 'C' AS Tipo,CAST(0 AS "
      "FLOAT) AS AliquotaICMS,'FF' AS TipoST,Combustivel AS Descricao,SUM(QtdeVendida) AS "
      "Qtde,SUM(TotalCusto) AS PM_Custo,SUM((TotalVenda - ValorDesconto + ValorAcrescimo)) AS "
      "PM_Venda,(SUM((TotalVenda - ValorDesconto + ValorAcrescimo)) - SUM(TotalCusto)) AS "
      "VL_Lucro,SUM(ValorAcrescimo) AS Valor_Acrescimo,SUM(ValorDesconto) AS "
      "Valor_Desconto,SUM(TotalVenda) AS Valor_Venda FROM ##VendasNosBicos WITH (NOLOCK) GROUP "
      "BY Combustivel UNION ALL SELECT 'P' AS Tipo,c.Alíquota AS AliquotaICMS,c.Situação_"
      "Tributária AS TipoST,a.Descrição AS Descricao,SUM(c.Qtde) AS Qtde,SUM(c.Valor_Custo * "
      "c.Qtde) AS PM_Custo,SUM(c.Valor_Venda - " +
      d + " + " + s + " + " + complement + ") AS PM_Venda,(SUM(c.Valor_Venda - " + d + " + " + s +
      " + " + complement + ") - SUM(c.Valor_Custo * c.Qtde)) AS VL_Lucro,SUM(" + s +
      ") AS Valor_Acrescimo,SUM(" + d + ") AS Valor_Desconto,SUM(c.Valor_Venda + " + complement +
      ") AS Valor_Venda " + groupsFrom +
      "WHERE (c.IDCaixa IS NOT NULL) AND (c.Tipo = 'P') AND (c.IsEstornado = 0) AND "
      "(c.Transferência = 0) AND " +
      Period("Data_Abertura") +
      " GROUP BY c.Alíquota,"
      "c.Situação_Tributária,a.Descrição) lista WHERE (lista.TipoST IN ('FF','NN')) GROUP BY "
      "lista.AliquotaICMS,lista.TipoST,lista.Descricao ORDER BY lista.Descricao ASC";
  auto taxFinancial = Open(taxOuter);
  EXPECT_GE(CountRows(taxFinancial), 4 + 3);
  for (; !taxFinancial->Eof().AsBoolean(); taxFinancial->MoveNext()) {
    const std::string st = taxFinancial->Field("TipoST").AsText();
    EXPECT_TRUE(st == "FF" || st == "NN") << st;
  }
}

}  // namespace
}  // namespace orla::sqlite
