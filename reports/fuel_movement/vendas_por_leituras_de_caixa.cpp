#include "reports/fuel_movement/vendas_por_leituras_de_caixa.h"

#include <cmath>
#include <cstdint>
#include <string_view>

#include "host/errors.h"
#include "host/platform.h"
#include "query/fragments.h"
#include "service/report_steps.h"

namespace orla::reports {

namespace {

constexpr std::string_view kDropTable =
    "IF OBJECT_ID('TempDB.dbo.##VendasNosBicos') IS NOT NULL \r\n"
    "DROP TABLE ##VendasNosBicos";
constexpr std::string_view kCreateTable =
    "CREATE TABLE ##VendasNosBicos (Bico VARCHAR(3),QtdeVendida FLOAT,ValorDeVenda "
    "FLOAT,ValorDeCusto FLOAT,ValorDesconto FLOAT,ValorAcrescimo FLOAT,Combustivel "
    "VARCHAR(100),TotalVenda FLOAT,TotalCusto FLOAT,Data_Abertura DATETIME,Caixa VARCHAR(3))";

// Half to even at the 15th decimal place, as the runtime's Round does. Beyond 2^52 a double
// has no fractional digits left at that scale, so it is already rounded.
double RoundTo15Places(double value) {
  constexpr double kScale = 1e15;
  const double scaled = value * kScale;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 0x1p52) {
    return value;
  }
  return std::nearbyint(scaled) / kScale;
}

double AmountOrZero(const host::Value& amount) {
  return amount.IsNull() ? 0.0 : host::CurrentPlatform().Regional().ToDouble(amount);
}

}  // namespace

std::string ReadingsFilter(const std::string& dataInicial, const std::string& dataFinal,
                           const std::string& idTurno, bool isIgnorarADVendaComplementar,
                           bool isIgnorarADOutrosTipos, std::string& surcharge,
                           std::string& discount) {
  host::ReportHelper& helper = host::SharedReportHelper();
  std::string caption;
  std::string condition =
      query::Replace(helper.BuildPeriodFilter(dataInicial, dataFinal, "", caption), "{c}",
                     query::DateColumnName(true));

  std::string adjustmentCaption;
  surcharge =
      query::Replace(query::SurchargeExpression(isIgnorarADVendaComplementar,
                                                isIgnorarADOutrosTipos, adjustmentCaption, false),
                     "{a}", "");
  std::string differenceOnly;
  discount =
      query::Replace(query::DiscountExpression(isIgnorarADVendaComplementar, isIgnorarADOutrosTipos,
                                               adjustmentCaption, false, differenceOnly),
                     "{a}", "");

  std::string idCaption;
  return query::Replace(helper.BuildIdFilter(idTurno, condition, host::Value(0), idCaption), "{c}",
                        "Caixa");
}

void CreateNozzleSalesTable(host::Database& oDB) {
  if (!oDB.IsOpened()) {
    oDB.DB_Open();
  }
  oDB.SQL_Execute(std::string(kDropTable));
  oDB.SQL_Execute(std::string(kCreateTable));
}

bool InsertReadings(host::Database& oDB, const std::string& dataInicial,
                    const std::string& dataFinal, const std::string& idTurno) {
  std::string unusedSurcharge;
  std::string unusedDiscount;
  const std::string condition =
      ReadingsFilter(dataInicial, dataFinal, idTurno, true, false, unusedSurcharge, unusedDiscount);
  std::string sql =
      "INSERT INTO ##VendasNosBicos "
      "(Bico,QtdeVendida,ValorDeVenda,ValorDeCusto,ValorDesconto,ValorAcrescimo,Combustivel,"
      "TotalVenda,TotalCusto,Data_Abertura,Caixa) "
      "SELECT "
      "a.L021_IDBico,a.L021_VolumeVendido,a.L021_VPL,a.L021_CM,0,0,a.L021_Combustivel,"
      "(a.L021_VolumeVendido * a.L021_VPL),"
      "(a.L021_VolumeVendido * a.L021_CM),c.Data_Abertura,c.Caixa "
      "FROM "
      "[L021_MC_Leituras] a WITH (NOLOCK) INNER JOIN [Movimentações] c WITH (NOLOCK) "
      "ON a.IDCaixa = c.Código "
      "WHERE "
      "(c.Data_Fechamento IS NOT NULL)";
  if (!condition.empty()) {
    sql += " AND ";
    sql += condition;
  }
  int32_t inserted = 0;
  oDB.SQL_Execute(sql, inserted);
  return inserted > 0;
}

std::string SalesAdjustmentsQuery(const std::string& dataInicial, const std::string& dataFinal,
                                  const std::string& idTurno, bool isIgnorarADVendaComplementar,
                                  bool isIgnorarADOutrosTipos) {
  std::string surcharge;
  std::string discount;
  const std::string condition =
      ReadingsFilter(dataInicial, dataFinal, idTurno, isIgnorarADVendaComplementar,
                     isIgnorarADOutrosTipos, surcharge, discount);
  std::string sql = "SELECT ";
  sql += "a.Código_Produto AS Bico,";
  sql += "a.Descrição AS Descricao,";
  sql += "SUM(" + discount + ") AS ValorDesconto,";
  sql += "SUM(" + surcharge + ") AS ValorAcrescimo ";
  sql +=
      "FROM "
      "[Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN [Movimentações] b WITH (NOLOCK) "
      "ON a.IDCaixa = b.Código "
      "WHERE "
      "(a.IsEstornado = 0) AND "
      "(b.Data_Fechamento IS NOT NULL) AND "
      "(a.Terceiros = 0) AND "
      "(a.Tipo = 'C') ";
  if (!condition.empty()) {
    sql += "AND " + condition + " ";
  }
  sql +=
      "GROUP BY "
      "a.Código_Produto,"
      "a.Descrição "
      "ORDER BY "
      "a.Código_Produto";
  return sql;
}

std::string ReadingCountQuery(const std::string& bico, const std::string& descricao) {
  return "SELECT Bico,COUNT(Bico) AS Qtde FROM ##VendasNosBicos WITH (NOLOCK) WHERE (Bico = '" +
         bico + "') AND (Combustivel = '" +
         host::SharedHostUtilities().TextForSql(host::Value(descricao)) + "') GROUP BY Bico";
}

void SpreadAdjustments(host::Database& oDB, host::Recordset& sales, host::Recordset& count) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  host::HostUtilities& utilities = host::SharedHostUtilities();
  const double discount = AmountOrZero(sales.Field("ValorDesconto"));
  const double surcharge = AmountOrZero(sales.Field("ValorAcrescimo"));
  const double readings = regional.ToDouble(count.Field("Qtde"));
  const std::string discountShare =
      utilities.NumberForSql(host::Value(RoundTo15Places(discount / readings)));
  const std::string surchargeShare =
      utilities.NumberForSql(host::Value(RoundTo15Places(surcharge / readings)));
  oDB.SQL_Execute("UPDATE ##VendasNosBicos SET ValorDesconto = '" + discountShare +
                  "',ValorAcrescimo = '" + surchargeShare + "' WHERE (Bico = '" +
                  regional.ToText(count.Field("Bico")) + "') AND (Combustivel = '" +
                  utilities.TextForSql(sales.Field("Descricao")) + "')");
}

void BuildNozzleSalesTable(host::Database& oDB, const std::string& dataInicial,
                           const std::string& dataFinal, const std::string& idTurno,
                           bool isIgnorarADVendaComplementar, bool isIgnorarADOutrosTipos) {
  CreateNozzleSalesTable(oDB);
  if (!InsertReadings(oDB, dataInicial, dataFinal, idTurno)) {
    return;
  }
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  const host::RecordsetRef sales = oDB.OpenRecordSet(SalesAdjustmentsQuery(
      dataInicial, dataFinal, idTurno, isIgnorarADVendaComplementar, isIgnorarADOutrosTipos));
  host::Recordset& salesRows = host::Require(sales.get(), "recordset");
  while (service::RowsRemain(sales, "the sales adjustments")) {
    const host::RecordsetRef count = oDB.OpenRecordSet(ReadingCountQuery(
        regional.ToText(salesRows.Field("Bico")), regional.ToText(salesRows.Field("Descricao"))));
    if (service::HasRows(count) && !count->Field("Bico").IsNull() &&
        !count->Field("Qtde").IsNull()) {
      SpreadAdjustments(oDB, salesRows, *count);
    }
    salesRows.MoveNext();
  }
}

}  // namespace orla::reports
