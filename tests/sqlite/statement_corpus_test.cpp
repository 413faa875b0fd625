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

}  // namespace
}  // namespace orla::sqlite
