// Sales table by nozzle: volume and value per nozzle, business day and till, from the sale
// lines (fiscal view) or from the till-closing pump readings (financial view).
#include "reports/sales_tables/tabela_de_vendas_por_bico.h"

#include "host/platform.h"
#include "query/fragments.h"
#include "query/get_sql.h"
#include "reports/fuel_movement/vendas_por_leituras_de_caixa.h"
#include "reports/report_list.h"
#include "service/caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

constexpr int32_t kKind = 7;
constexpr std::string_view kLayouts[] = {"rptTabelaDeVendasPorBicos"};
constexpr std::string_view kWorkingTables[] = {"##VendasNosBicos"};

// The readings already carry the period and the till, so nothing filters them again here.
constexpr std::string_view kFromNozzleSalesTable =
    "SELECT Data_Abertura,('T' + Caixa) AS Caixa,('B' + Bico) AS Código_Produto,"
    "SUM(QtdeVendida) AS QtdeVendida,SUM(TotalVenda + ValorAcrescimo - ValorDesconto) AS "
    "ValorVenda FROM ##VendasNosBicos WITH (NOLOCK) GROUP BY Data_Abertura,'T' + Caixa,'B' + Bico";

}  // namespace

std::string TabelaDeVendasPorBicoSQL(host::Database& oDB, const NozzleTableRequest& request) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  host::ReportHelper& helper = host::SharedReportHelper();
  const std::string& initialDate = request.period.Filtro_DataInicial;
  const std::string& finalDate = request.period.Filtro_DataFinal;
  const bool financial = request.Filtro_TipoVisao == 0;

  std::string caption;
  std::string condition =
      query::ReplaceIgnoringCase(helper.BuildPeriodFilter(initialDate, finalDate, "", caption),
                                 "{c}", query::DateColumnName(financial));
  condition = query::ReplaceIgnoringCase(
      helper.BuildIdFilter(request.Filtro_IDTurno, condition, host::Value(""), caption), "{c}",
      "b.Caixa");
  condition = "AND " + condition + " ";

  // The fiscal view counts what the documents say: no special-client price difference.
  const bool withoutSpecialPriceDifference = !financial;
  const bool ignoreComplementary = request.adjustments.Filtro_IsIgnorarADVendaComplementar;
  const bool ignoreOthers = request.adjustments.Filtro_IsIgnorarADOutrosTipos;
  std::string adjustmentCaption;
  const std::string surcharge =
      query::Replace(query::SurchargeExpression(ignoreComplementary, ignoreOthers,
                                                adjustmentCaption, withoutSpecialPriceDifference),
                     "{a}", "");
  std::string differenceOnly;
  const std::string discount =
      query::Replace(query::DiscountExpression(ignoreComplementary, ignoreOthers, adjustmentCaption,
                                               withoutSpecialPriceDifference, differenceOnly),
                     "{a}", "");

  if (financial) {
    BuildNozzleSalesTable(oDB, initialDate, finalDate, request.Filtro_IDTurno, ignoreComplementary,
                          ignoreOthers);
    return std::string(kFromNozzleSalesTable);
  }
  std::string sql =
      "SELECT b.Data_Abertura,('T' + b.Caixa) AS Caixa,('B' + a.Código_Produto) AS "
      "Código_Produto,SUM(a.Qtde) AS QtdeVendida,SUM(a.Valor_Venda - ";
  sql += discount;
  sql += " + ";
  sql += surcharge;
  sql +=
      ") AS ValorVenda FROM [Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN [Movimentações] b "
      "WITH (NOLOCK) ON a.IDCaixa = b.Código WHERE ";
  sql += query::SaleDocumentCondition("", initialDate, finalDate, regional);
  sql += " AND (a.Tipo = 'C') AND (a.IsEstornado = 0) AND (a.Transferência = 0) ";
  sql += condition;
  sql += "GROUP BY b.Data_Abertura,'T' + b.Caixa,'B' + a.Código_Produto";
  return sql;
}

}  // namespace reports

bool Reports::TabelaDeVendasPorBico(host::Viewer* oRPTViewer, host::Object* oParentForm,
                                    host::Database* oDB, host::Company* oEmpresa,
                                    host::Object* oUser, host::ReportRef& oRPT,
                                    std::string Filtro_DataInicial, std::string Filtro_DataFinal,
                                    std::string Filtro_IDTurno,
                                    bool Filtro_IsIgnorarADVendaComplementar,
                                    bool Filtro_IsIgnorarADOutrosTipos, int32_t Filtro_TipoVisao) {
  namespace caption = service::caption;
  const service::RequestSteps steps{
      .adjustFilters = [&] { service::ShiftForcesFinancialView(Filtro_IDTurno, Filtro_TipoVisao); },
      .layout = std::string(reports::kLayouts[0]),
      .caption =
          [&] {
            return service::ViewAndPeriodCaption(Filtro_TipoVisao, Filtro_DataInicial,
                                                 Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDTurno, caption::kShift) +
                   caption::Adjustments(Filtro_IsIgnorarADVendaComplementar,
                                        Filtro_IsIgnorarADOutrosTipos);
          },
      .query =
          [&](host::Database& db) {
            return db.SQL_Execute(
                query::GetSQL(reports::kKind, 0, 0,
                              {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDTurno,
                               Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                               Filtro_TipoVisao},
                              &db, nullptr, reports::QueryBuilderTable()));
          },
  };
  return service::RunRequest(reports::kTabelaDeVendasPorBico.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return TabelaDeVendasPorBicoSQL(a.Database(),
                                  {PeriodAt(a, 1), a.Text(3), AdjustmentsAt(a, 4), a.Int32(6)});
}

constexpr Parameter kParameters[] = {kDataInicial,          kDataFinal,
                                     kIDTurnoForcingView,   kIgnorarADVendaComplementar,
                                     kIgnorarADOutrosTipos, kTipoVisao};
constexpr Rule kRules[] = {kPeriodInOrder};
constexpr ExampleValue kExample[] = {
    {kDataInicial.name, "01/03/2024"}, {kDataFinal.name, "31/03/2024"}, {kTipoVisao.name, "0"}};

constexpr std::string_view kDay[] = {"Data_Abertura"};
constexpr std::string_view kShift[] = {"Caixa"};
constexpr DrillValue kThatDay[] = {{kDataInicial.name, "Data_Abertura", DrillValue::From::Day},
                                   {kDataFinal.name, "Data_Abertura", DrillValue::From::Day}};
constexpr DrillValue kThatShift[] = {
    {kDataInicial.name, "Data_Abertura", DrillValue::From::Day},
    {kDataFinal.name, "Data_Abertura", DrillValue::From::Day},
    {kIDTurnoForcingView.name, "Caixa", DrillValue::From::Value, "T"}};
constexpr Drill kDrills[] = {
    {.fields = kDay,
     .target = &kTabelaDeVendasPorBico,
     .values = kThatDay,
     .note = "The table takes no day of its own: the period becomes that day."},
    {.fields = kShift,
     .target = &kTabelaDeVendasPorBico,
     .values = kThatShift,
     .note = "That day's period with the shift as its filter, the code without the 'T' the "
             "table prints before it; a shift forces the financial view."},
};

}  // namespace

constexpr ReportDescriptor kTabelaDeVendasPorBico{
    .name = "TabelaDeVendasPorBico",
    .group = "Tabelas de vendas",
    .summary = "Volume e valor vendidos de combustível por bico, dia de movimento e caixa.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "TabelaDeVendasPorBicoSQL",
    .build = BuildFromArguments,
    .workingTables = kWorkingTables,
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"ValorVenda", "Valor vendido"},
    .drills = kDrills,
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.TabelaDeVendasPorBico(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser,
                                         rpt, a.Text(0), a.Text(1), a.Text(2), a.Bool(3), a.Bool(4),
                                         a.Int32(5));
        },
};

}  // namespace reports

}  // namespace orla
