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

TEST_F(StatementCorpus, MovementDetailsByProduct) {
  const std::string s = Adjustment(false, "", true, false, true);
  const std::string d = Adjustment(true, "", true, false, true);
  const std::string select =
      "SELECT a.Data_ECF AS Data_Movimento,a.Hora_Movimento,b.Caixa,a.Código_ECF AS IDECF,"
      "a.Número_Cupom_Fiscal AS COO,CASE WHEN a.Tipo = 'C' THEN 'B' + a.Código_Produto ELSE "
      "a.IDProduto END AS IDProduto,a.Descrição AS Descricao,a.Qtde,a.Valor_Unitario AS "
      "ValorVendaUnitario,a.Valor_Custo AS ValorCustoUnitario," +
      s + " AS Valor_Acrescimo," + d +
      " AS Valor_Desconto,(a.Qtde * a.Valor_Custo) AS ValorDeCusto,a.Valor_Venda AS "
      "ValorDeVendaBruto,(a.Valor_Venda - " +
      d + " + " + s +
      ") AS ValorDeVendaLiquido,"
      "(a.Valor_Venda - " +
      d + " + " + s +
      " - (a.Qtde * a.Valor_Custo)) AS ValorDeLucroBruto,"
      "a.Situação_Tributária AS SituacaoTributaria,a.Alíquota AS AliquotaICMS,a.Funcionário AS "
      "IDFuncionario ";
  const std::string from =
      "FROM [Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN "
      "[Movimentações] b WITH (NOLOCK) ON a.IDCaixa = b.Código WHERE ";
  const std::string tail = " AND (a.IsEstornado = 0) AND (a.Transferência = 0) ";
  const std::string order = "ORDER BY a.Data_ECF ASC,a.Hora_Movimento ASC";
  auto fiscal = Open(select + from + Documents("") + tail + "AND " + Period("Data_ECF") +
                     " AND ((a.Situação_Tributária IN ('FF','II','NN','TT'))) " + order);
  EXPECT_GT(CountRows(fiscal), 15000);
  EXPECT_EQ(fiscal->Columns()[1].type, host::ColumnType::Date);
  EXPECT_EQ(fiscal->Field("Hora_Movimento").AsDate().Year(), 1900);  // a time of day
  auto byShift =
      Open(select + from + "(a.IDCaixa IS NOT NULL)" + tail + "AND " + Period("Data_Abertura") +
           " AND (b.Caixa = '3') AND (a.Tipo = 'P') AND "
           "(a.Funcionário = '7') AND ((a.Situação_Tributária IN ('II')) OR "
           "((a.Situação_Tributária = 'TT') AND (a.Alíquota = 17))) " +
           order);
  ASSERT_GT(CountRows(byShift), 10);
  for (; !byShift->Eof().AsBoolean(); byShift->MoveNext()) {
    EXPECT_EQ(byShift->Field("Caixa").AsText(), "3");
    EXPECT_EQ(byShift->Field("IDFuncionario").AsText(), "7");
  }
}

TEST_F(StatementCorpus, ClientDetailsWorkingTable) {
  const std::string s = Adjustment(false, "mev.", false, false, true);
  const std::string d = Adjustment(true, "mev.", false, false, true);
  const std::string table = "##VendaDetalhadaDadosComplementares";
  db_.DB_Open();
  Execute("IF OBJECT_ID('TempDB.dbo." + table + "') IS NOT NULL \r\nDROP TABLE " + table);
  Execute("CREATE TABLE " + table +
          " (ID INTEGER IDENTITY(1, 1) NOT NULL PRIMARY KEY,IDCliente VARCHAR(6),NomeCliente "
          "VARCHAR(200),Data_Movimento DATETIME,Hora_Movimento DATETIME,Modelo "
          "VARCHAR(6),Número_NF INT,Código_Venda INT,IsCVRepeat BIT,Descrição "
          "VARCHAR(200),T011_FormaDePagto VARCHAR(200),IsClienteEspecial BIT,IsTeclado "
          "BIT,Cupom_Complementar BIT,Placa VARCHAR(20),Funcionário VARCHAR(6),Valor_Unitario "
          "MONEY,Valor_Custo MONEY,QtdeOrig MONEY,Qtde MONEY,ValorAcrescimo MONEY,ValorDesconto "
          "MONEY,ValorTotalOrig MONEY,ValorTotal MONEY,PercFormPgto FLOAT,Motorista "
          "VARCHAR(50),KM INT)");
  const int32_t inserted = Execute(
      "INSERT INTO " + table +
      " SELECT ISNULL(mev.Cliente, '') AS IDCliente,ISNULL(c.Nome, '') "
      "AS NomeCliente,mev.Data_ECF,mev.Hora_Movimento,mnf.Modelo,mev.Número_NF,mev.Código_Venda,"
      "0,mev.Descrição,tidmdpu.T011_FormaDePagto,mev.IsClienteEspecial,CASE WHEN ((mev.Tipo = "
      "'C') AND (mev.Automação = 0)) THEN 1 ELSE 0 END AS IsTeclado,mev.Cupom_Complementar,"
      "mev.Placa,mev.Funcionário,mev.Valor_Unitario,ROUND (mev.Valor_Custo,3) AS Valor_Custo,"
      "SUM(mev.Qtde) AS QtdeOrig,SUM(ROUND(mev.Qtde * (tidmdpu.T011_Percentual / 100), 3)) AS "
      "Qtde,SUM(ROUND(" +
      s +
      " * (tidmdpu.T011_Percentual / 100), 2)) AS ValorAcrescimo,"
      "SUM(ROUND(" +
      d +
      " * (tidmdpu.T011_Percentual / 100), 2)) AS ValorDesconto,"
      "SUM((mev.Valor_Venda - " +
      d + " + " + s +
      ")) AS ValorTotalOrig,"
      "SUM(ROUND((mev.Valor_Venda - " +
      d + " + " + s +
      ") * (tidmdpu.T011_Percentual / 100), "
      "2)) AS ValorTotal,tidmdpu.T011_Percentual AS PercFormPgto,NULL,NULL FROM [Movimentações "
      "em Vendas] mev WITH (NOLOCK) INNER JOIN [T011_ImagemDosMeiosDePagtoUtilizados] tidmdpu "
      "WITH (NOLOCK) ON mev.Código_Venda = tidmdpu.IDVenda AND mev.Código_ECF = tidmdpu.IDECF "
      "INNER JOIN [NotasFiscais_Itens] nfi WITH (NOLOCK) ON mev.Código_Venda = nfi.Codigo_Venda "
      "INNER JOIN [NotasFiscais_Movimentos] nfm WITH (NOLOCK) ON nfm.Codigo = nfi.Codigo_NF "
      "INNER JOIN [Modelo - Notas Fiscais] mnf WITH (NOLOCK) ON mnf.Código = nfm.Codigo_Modelo "
      "LEFT JOIN [Clientes] c ON c.Código = mev.Cliente LEFT JOIN [Movimentações] mov WITH "
      "(NOLOCK) ON mev.IDCaixa = mov.Código WHERE " +
      Documents("mev.") + " AND (mev.IsEstornado = 0) AND (mev.Transferência = 0) AND " +
      Period("Data_ECF") +
      " AND (tidmdpu.T011_FormaDePagto IN ('Dinheiro','Crédito em Haver','Requisição',"
      "'Cartão Visa Crédito')) GROUP BY ISNULL(mev.Cliente, ''),ISNULL(c.Nome, ''),mev.Data_ECF,"
      "mev.Hora_Movimento,mnf.Modelo,mev.Número_NF,mev.Código_Venda,mev.Descrição,"
      "tidmdpu.T011_FormaDePagto,mev.IsClienteEspecial,CASE WHEN ((mev.Tipo = 'C') AND "
      "(mev.Automação = 0)) THEN 1 ELSE 0 END,mev.Cupom_Complementar,mev.Placa,mev.Funcionário,"
      "mev.Valor_Unitario,mev.Valor_Custo,tidmdpu.T011_Percentual ORDER BY mev.Data_ECF ASC,"
      "mev.Hora_Movimento ASC");
  EXPECT_GT(inserted, 1000);
  EXPECT_GT(Execute("UPDATE " + table +
                    " SET Motorista = lista.T006_Motorista,KM = CASE WHEN "
                    "lista.T006_KM = 0 THEN NULL ELSE lista.T006_KM END FROM (SELECT "
                    "a.IDVenda,a.T006_Motorista,a.T006_KM FROM [T006_CupomNominalPorMovimento] a "
                    "WITH (NOLOCK) WHERE (a.IDVenda IN (SELECT DISTINCT Código_Venda FROM " +
                    table + " WITH (NOLOCK)))) lista WHERE (Código_Venda = lista.IDVenda)"),
            0);
  EXPECT_GT(Execute("UPDATE " + table +
                    " SET T011_FormaDePagto =CASE WHEN T011_FormaDePagto = "
                    "'Cheque a Prazo' THEN 'Ch.Prazo' WHEN T011_FormaDePagto = 'Cheque a Vista' "
                    "THEN 'Ch.Vista' WHEN T011_FormaDePagto = 'Crédito em Haver' THEN 'Créd.' "
                    "WHEN T011_FormaDePagto = 'Dinheiro' THEN 'Dinh.' WHEN T011_FormaDePagto = "
                    "'Requisição' THEN 'Req.' WHEN T011_FormaDePagto = 'Ticket Abastecimento' "
                    "THEN 'Ticked Ab.' WHEN T011_FormaDePagto = 'Vale Frete' THEN 'Vl.Frete' "
                    "ELSE T011_FormaDePagto END"),
            0);
  Execute("UPDATE " + table +
          " SET IsCVRepeat = CASE WHEN (lst.CountRepeat > 1) THEN 1 ELSE 0 "
          "END FROM (SELECT COUNT (a.Código_Venda) AS CountRepeat,a.Código_Venda AS IDVenda FROM " +
          table +
          " a WITH (NOLOCK) GROUP BY a.Código_Venda) AS lst WHERE (Código_Venda = "
          "lst.IDVenda)");
  auto details = Open(
      "SELECT ID,IDCliente,NomeCliente,Data_Movimento,Hora_Movimento,Modelo,"
      "Número_NF,Código_Venda,IsCVRepeat,Descrição,T011_FormaDePagto,"
      "IsClienteEspecial,IsTeclado,Cupom_Complementar,Placa,Funcionário,"
      "Valor_Unitario,Valor_Custo,QtdeOrig,Qtde,ValorAcrescimo,ValorDesconto,"
      "ValorTotalOrig,ValorTotal,PercFormPgto,Motorista,KM FROM " +
      table + " WITH (NOLOCK)ORDER BY Data_Movimento ASC, Hora_Movimento ASC");
  ASSERT_EQ(CountRows(details), inserted);
  EXPECT_EQ(details->Field("ID").AsInteger(), 1);
  EXPECT_EQ(details->Columns()[8].type, host::ColumnType::Boolean);
  int64_t abbreviated = 0, repeated = 0, drivers = 0;
  for (; !details->Eof().AsBoolean(); details->MoveNext()) {
    const std::string form = details->Field("T011_FormaDePagto").AsText();
    abbreviated += form == "Dinh." || form == "Créd." || form == "Req.";
    EXPECT_NE(form, "Dinheiro");
    repeated += details->Field("IsCVRepeat").AsBoolean();
    drivers += !details->Field("Motorista").IsNull();
    EXPECT_FALSE(details->Field("KM") == Value(int64_t{0}));  // 0 is stored as null
  }
  EXPECT_GT(abbreviated, 0);
  EXPECT_GT(repeated, 0);
  EXPECT_GT(drivers, 0);
  const std::string tail =
      "SUM(QtdeOrig) AS QtdeOrig,SUM(Qtde) AS Qtde,SUM(ValorAcrescimo) AS "
      "ValorAcrescimo,SUM(ValorDesconto) AS ValorDesconto,SUM(ValorTotalOrig) "
      "AS ValorTotalOrig,SUM(ValorTotal) AS ValorTotal FROM " +
      table + " WITH (NOLOCK) GROUP BY ";
  auto averaged = Open(
      "SELECT Descrição,ROUND(SUM(Valor_Unitario) / COUNT(Valor_Unitario), 3) "
      "AS Valor_Unitario,ROUND(SUM(Valor_Custo) / COUNT(Valor_Custo), 3) AS "
      "Valor_Custo," +
      tail + "Descrição ORDER BY Descrição ASC");
  EXPECT_EQ(CountRows(averaged), 22);
  auto byPrice = Open(
      "SELECT Descrição,Valor_Unitario AS Valor_Unitario,Valor_Custo AS "
      "Valor_Custo," +
      tail +
      "Descrição,Valor_Unitario,Valor_Custo ORDER BY "
      "Descrição ASC");
  EXPECT_GT(CountRows(byPrice), 22);
}

TEST_F(StatementCorpus, SpecialClientSales) {
  const std::string table = "##vcliesp";
  db_.DB_Open();
  Execute("IF OBJECT_ID('TempDB.dbo." + table + "') IS NOT NULL \r\nDROP TABLE " + table);
  Execute("CREATE TABLE " + table +
          " (IDClienteEspecial VARCHAR(6),Nome VARCHAR(100),"
          "DataHoraMovimento DATETIME,COO INTEGER,QtdeItens INTEGER,IDECF INTEGER,"
          "Valor_VendaBruta FLOAT,Valor_Desconto FLOAT,Valor_Acrescimo FLOAT,Valor_VendaLiquida "
          "FLOAT,IsSemUsoAD BIT,IDVenda INTEGER,TipoDoc VARCHAR(10),IDFuncionario VARCHAR(6))");
  const std::string moment =
      "CAST((CONVERT(VARCHAR(10),a.Data_ECF,111) + ' ' + CONVERT(VARCHAR(8),a.Hora_Movimento,108)) "
      "AS DATETIME)";
  const std::string specialFlag =
      "CAST(CASE WHEN a.ValorUnitarioClienteEspecial IS NOT NULL AND "
      "a.ValorUnitarioClienteEspecial <> 0 THEN 1 ELSE 0 END AS BIT)";
  const int32_t inserted = Execute(
      "INSERT INTO " + table + " SELECT a.IDClienteEspecial,b.Nome," + moment +
      " AS DataHoraMovimento,a.Número_Cupom_Fiscal AS COO,COUNT(a.Código) AS QtdeItens,"
      "a.Código_ECF AS IDECF,SUM(a.Valor_Venda) AS Valor_VendaBruta,ROUND(SUM(CASE WHEN "
      "((a.ValorUnitarioClienteEspecial IS NOT NULL) AND (a.ValorUnitarioClienteEspecial <> 0)) "
      "THEN CASE WHEN ((a.ValorUnitarioClienteEspecial * a.Qtde) > a.Valor_Venda) THEN "
      "ABS(((a.ValorUnitarioClienteEspecial * a.Qtde) - a.Valor_Venda)) + a.Valor_Desconto ELSE "
      "0 END ELSE a.Valor_Desconto END),2) AS Valor_Desconto,ROUND(SUM(CASE WHEN "
      "((a.ValorUnitarioClienteEspecial IS NOT NULL) AND (a.ValorUnitarioClienteEspecial <> 0)) "
      "THEN CASE WHEN ((a.ValorUnitarioClienteEspecial * a.Qtde) < a.Valor_Venda) THEN "
      "ABS(((a.ValorUnitarioClienteEspecial * a.Qtde) - a.Valor_Venda)) + a.Valor_Acrescimo ELSE "
      "0 END ELSE a.Valor_Acrescimo END),2) AS Valor_Acrescimo,SUM(a.Valor_Venda - "
      "a.Valor_Desconto + a.Valor_Acrescimo) AS Valor_VendaLiquida," +
      specialFlag +
      " AS IsSemUsoAD,Código_Venda AS IDVenda,NULL,NULL FROM [Movimentações em Vendas] a WITH "
      "(NOLOCK) INNER JOIN [Clientes] b WITH (NOLOCK) ON a.IDClienteEspecial = b.Código LEFT "
      "JOIN [Movimentações] c WITH (NOLOCK) ON a.IDCaixa = c.Código WHERE " +
      Documents("a.") +
      " AND (a.IsClienteEspecial = 1) AND (a.IDClienteEspecial IS NOT NULL) AND (a.IsEstornado "
      "= 0) AND " +
      Period("Data_ECF") + " GROUP BY a.IDClienteEspecial,b.Nome," + moment +
      ",a.Número_Cupom_Fiscal,a.Código_ECF," + specialFlag + ",Código_Venda ");
  EXPECT_GT(inserted, 100);
  EXPECT_GT(Execute("UPDATE " + table +
                    " SET TipoDoc = 'C.F.' FROM (SELECT a.Código_Venda FROM "
                    "[Movimentações em Vendas] a WITH (NOLOCK) WHERE (a.Código_Venda IN (SELECT "
                    "IDVenda FROM " +
                    table +
                    " WITH (NOLOCK))) AND (a.ECF = 1)) lista WHERE "
                    "(IDVenda = lista.Código_Venda)"),
            0);
  EXPECT_GT(Execute("UPDATE " + table +
                    " SET TipoDoc = CASE WHEN lista.Modelo = '55' THEN "
                    "'NF-e' WHEN lista.Modelo = '59' THEN 'SAT' WHEN lista.Modelo = '65' THEN "
                    "'NFC-e' WHEN lista.Modelo = '01' THEN 'NF' ELSE 'Desconhecido' END,COO = "
                    "lista.Numero_Nota_Fiscal FROM (SELECT a.Codigo_Venda,c.Modelo,"
                    "b.Numero_Nota_Fiscal FROM [NotasFiscais_Itens] a WITH (NOLOCK) INNER JOIN "
                    "[NotasFiscais_Movimentos] b WITH (NOLOCK) ON a.Codigo_NF = b.Codigo INNER "
                    "JOIN [Modelo - Notas Fiscais] c WITH (NOLOCK) ON b.Codigo_Modelo = c.Código "
                    "WHERE (a.Codigo_Venda IN (SELECT IDVenda FROM " +
                    table + " WITH (NOLOCK)))) lista WHERE (IDVenda = lista.Codigo_Venda)"),
            0);
  EXPECT_GT(Execute("UPDATE " + table +
                    " SET IDFuncionario = lista.IDEmployee FROM (SELECT "
                    "a.Código_Venda IDCV,a.Funcionário IDEmployee,COUNT(*) Qtde FROM "
                    "[Movimentações em Vendas] a WITH (NOLOCK) WHERE (a.Data_ECF BETWEEN "
                    "'20240301 00:00:00' AND '20240331 23:59:59') AND (a.IsClienteEspecial = 1) "
                    "AND (a.IDClienteEspecial IS NOT NULL) AND (a.IsEstornado = 0) GROUP BY "
                    "a.Código_Venda,a.Funcionário HAVING COUNT(*) = 1) lista WHERE (IDVenda = "
                    "lista.IDCV)"),
            0);
  auto rows = Open(
      "SELECT a.IDClienteEspecial,a.Nome,a.DataHoraMovimento,a.COO,a.QtdeItens,"
      "a.IDECF,a.Valor_VendaBruta,a.Valor_Desconto,a.Valor_Acrescimo,"
      "a.Valor_VendaLiquida,a.IsSemUsoAD,a.IDVenda,a.TipoDoc,a.IDFuncionario,b.Nome "
      "NomeFuncionario FROM " +
      table +
      " a WITH (NOLOCK) LEFT JOIN [Funcionários] b "
      "WITH (NOLOCK) ON a.IDFuncionario = b.Código ORDER BY a.DataHoraMovimento "
      "DESC,a.COO DESC");
  ASSERT_EQ(CountRows(rows), inserted);
  EXPECT_EQ(rows->Columns()[2].type, host::ColumnType::Date);
  std::set<std::string> kinds;
  host::DateTime previous = *host::DateTime::FromParts(9999, 12, 31);
  for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
    const host::DateTime moment = rows->Field("DataHoraMovimento").AsDate();
    EXPECT_LE(moment, previous);  // newest first, at the time of day too
    previous = moment;
    const Value kind = rows->Field("TipoDoc");
    kinds.insert(kind.IsNull() ? "null" : kind.AsText());
  }
  EXPECT_TRUE(kinds.contains("C.F.") && kinds.contains("NFC-e") && kinds.contains("NF-e"));
}

}  // namespace
}  // namespace orla::sqlite
