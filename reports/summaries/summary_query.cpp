#include "reports/summaries/summary_query.h"

#include "host/platform.h"
#include "host/shared_objects.h"
#include "query/fragments.h"
#include "reports/fuel_movement/vendas_por_leituras_de_caixa.h"

namespace orla::reports::summary {

namespace {

constexpr std::string_view kListAmounts =
    "SUM(lista.Qtde) AS Qtde,SUM(lista.PM_Custo) AS PM_Custo,SUM(lista.PM_Venda) AS "
    "PM_Venda,SUM(lista.VL_Lucro) AS VL_Lucro,SUM(lista.Valor_Acrescimo) AS "
    "Valor_Acrescimo,SUM(lista.Valor_Desconto) AS Valor_Desconto,SUM(lista.Valor_Venda) AS "
    "Valor_Venda FROM ";

// A fuel's surcharges and discounts are the shares its nozzles' readings received.
constexpr std::string_view kFuelAmounts =
    "SUM(QtdeVendida) AS Qtde,SUM(TotalCusto) AS PM_Custo,SUM((TotalVenda - ValorDesconto + "
    "ValorAcrescimo)) AS PM_Venda,(SUM((TotalVenda - ValorDesconto + ValorAcrescimo)) - "
    "SUM(TotalCusto)) AS VL_Lucro,SUM(ValorAcrescimo) AS Valor_Acrescimo,SUM(ValorDesconto) AS "
    "Valor_Desconto,SUM(TotalVenda) AS Valor_Venda FROM ##VendasNosBicos WITH (NOLOCK) GROUP BY "
    "Combustivel ";

}  // namespace

SummaryRequest RequestAt(const query::BuilderArguments& a) {
  return {PeriodAt(a, 1),       a.Text(3), a.Text(4), AdjustmentsAt(a, 5),
          ProductKindsAt(a, 7), a.Int32(9)};
}

Pieces BuildPieces(const Filters& filters, const Aliases& aliases) {
  host::ReportHelper& helper = host::SharedReportHelper();
  const host::Value noLabel(int32_t{0});
  std::string unusedCaption;
  Pieces pieces;

  pieces.condition = query::ReplaceIgnoringCase(
      helper.BuildPeriodFilter(filters.period.Filtro_DataInicial, filters.period.Filtro_DataFinal,
                               "", unusedCaption),
      "{c}", query::DateColumnName(IsFinancial(filters.view)));
  pieces.condition = query::ReplaceIgnoringCase(
      helper.BuildIdFilter(filters.productId, pieces.condition, noLabel, unusedCaption), "{c}",
      aliases.product);
  pieces.condition = query::ReplaceIgnoringCase(
      helper.BuildIdFilter(filters.shiftId, pieces.condition, noLabel, unusedCaption), "{c}",
      aliases.shift);

  pieces.productKinds = query::ProductKindFilter(filters.productKinds.Filtro_IsExibirCombustiveis,
                                                 filters.productKinds.Filtro_IsExibirOutrosProdutos,
                                                 "", unusedCaption);

  // The fiscal view counts the documents as issued; only the financial view counts the
  // special-client price difference as a surcharge or a discount.
  const bool withoutSpecialPriceDifference = !IsFinancial(filters.view);
  const bool ignoreComplementary = filters.adjustments.Filtro_IsIgnorarADVendaComplementar;
  const bool ignoreOthers = filters.adjustments.Filtro_IsIgnorarADOutrosTipos;
  pieces.surcharge = query::ReplaceIgnoringCase(
      query::SurchargeExpression(ignoreComplementary, ignoreOthers, unusedCaption,
                                 withoutSpecialPriceDifference),
      "{a}", aliases.sale);
  pieces.discount = query::ReplaceIgnoringCase(
      query::DiscountExpression(ignoreComplementary, ignoreOthers, unusedCaption,
                                withoutSpecialPriceDifference, pieces.complement),
      "{a}", aliases.sale);
  pieces.complement = query::ReplaceIgnoringCase(pieces.complement, "{a}", aliases.sale);
  return pieces;
}

std::string ProductKindClause(std::string_view keyword, const Pieces& pieces,
                              std::string_view column) {
  if (pieces.productKinds.empty()) {
    return {};
  }
  return std::string(keyword) + query::ReplaceIgnoringCase(pieces.productKinds, "{c}", column) +
         " ";
}

std::string AmountColumns(std::string_view sale, const Pieces& pieces, bool withComplement) {
  const std::string s(sale);
  const std::string complement = withComplement ? " + " + pieces.complement : "";
  const std::string net =
      "SUM(" + s + "Valor_Venda - " + pieces.discount + " + " + pieces.surcharge + complement + ")";
  const std::string cost = "SUM(" + s + "Valor_Custo * " + s + "Qtde)";
  return "SUM(" + s + "Qtde) AS Qtde," + cost + " AS PM_Custo," + net + " AS PM_Venda," + "(" +
         net + " - " + cost + ") AS VL_Lucro," + "SUM(" + pieces.surcharge +
         ") AS Valor_Acrescimo," + "SUM(" + pieces.discount + ") AS Valor_Desconto," + "SUM(" + s +
         "Valor_Venda" + complement + ") AS Valor_Venda ";
}

std::string FiscalSaleWhere(std::string_view sale, const Period& period) {
  const std::string s(sale);
  return "WHERE " +
         query::SaleDocumentCondition(sale, period.Filtro_DataInicial, period.Filtro_DataFinal,
                                      host::CurrentPlatform().Regional()) +
         " AND (" + s + "IsEstornado = 0) AND (" + s + "Transferência = 0) ";
}

std::string TillSaleWhere(std::string_view sale) {
  const std::string s(sale);
  return "WHERE (" + s + "IDCaixa IS NOT NULL) AND (" + s + "Tipo = 'P') AND (" + s +
         "IsEstornado = 0) AND (" + s + "Transferência = 0) ";
}

std::string FinancialHead(std::string_view leadingColumns) {
  return "SELECT " + std::string(leadingColumns) + std::string(kListAmounts);
}

std::string FuelPart(std::string_view leadingColumns) {
  return "(SELECT 'C' AS Tipo," + std::string(leadingColumns) + std::string(kFuelAmounts);
}

void FillNozzleSales(host::Database& oDB, const Filters& filters) {
  BuildNozzleSalesTable(oDB, filters.period.Filtro_DataInicial, filters.period.Filtro_DataFinal,
                        filters.shiftId, filters.adjustments.Filtro_IsIgnorarADVendaComplementar,
                        filters.adjustments.Filtro_IsIgnorarADOutrosTipos);
}

}  // namespace orla::reports::summary
