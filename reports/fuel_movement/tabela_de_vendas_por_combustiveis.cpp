// Sales table by fuel: volume and amount per day and fuel, each fuel under a short label that
// a legend explains.
#include "reports/fuel_movement/tabela_de_vendas_por_combustiveis.h"

#include "host/errors.h"
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

constexpr int32_t kKind = 8;
constexpr std::string_view kLayouts[] = {"rptTabelaDeVendasPorCombustiveis"};
constexpr std::string_view kWorkingTables[] = {"##Tabela", "##VendasNosBicos"};

constexpr std::string_view kDropTable =
    "IF OBJECT_ID('TempDB.dbo.##Tabela') IS NOT NULL \r\n"
    "DROP TABLE ##Tabela";
constexpr std::string_view kFuels =
    "SELECT Descrição AS Combustivel FROM ##Tabela WITH (NOLOCK) GROUP BY Descrição ORDER BY "
    "Descrição ASC";
constexpr std::string_view kLegendSeparator = "    /    ";
constexpr std::string_view kFromTable =
    "SELECT Data_Movimento,Qtde,VLTotal,Descrição FROM ##Tabela WITH (NOLOCK)";

}  // namespace

std::string TabelaDeVendasPorCombustiveisSQL(host::Database& oDB, const FuelTableRequest& request) {
  // The legend is the caller's variable; without it the labels would go unexplained.
  host::Value& legend = host::Require(request.legend, "legend");
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  host::ReportHelper& helper = host::SharedReportHelper();
  host::HostUtilities& utilities = host::SharedHostUtilities();
  const std::string& initialDate = request.period.Filtro_DataInicial;
  const std::string& finalDate = request.period.Filtro_DataFinal;
  const bool financial = request.Filtro_TipoVisao == 0;
  const bool ignoreComplementary = request.adjustments.Filtro_IsIgnorarADVendaComplementar;
  const bool ignoreOthers = request.adjustments.Filtro_IsIgnorarADOutrosTipos;

  std::string caption;
  std::string condition =
      query::Replace(helper.BuildPeriodFilter(initialDate, finalDate, "", caption), "{c}",
                     query::DateColumnName(financial));
  condition = query::Replace(
      helper.BuildIdFilter(request.Filtro_IDTurno, condition, host::Value(0), caption), "{c}",
      "b.Caixa");
  condition = "AND " + condition + " ";

  std::string adjustmentCaption;
  const std::string surcharge = query::Replace(
      query::SurchargeExpression(ignoreComplementary, ignoreOthers, adjustmentCaption, !financial),
      "{a}", "");
  std::string differenceOnly;
  const std::string discount =
      query::Replace(query::DiscountExpression(ignoreComplementary, ignoreOthers, adjustmentCaption,
                                               !financial, differenceOnly),
                     "{a}", "");

  oDB.DB_Open();
  oDB.SQL_Execute(std::string(kDropTable));
  std::string fill;
  if (financial) {
    BuildNozzleSalesTable(oDB, initialDate, finalDate, request.Filtro_IDTurno, ignoreComplementary,
                          ignoreOthers);
    fill =
        "SELECT "
        "Data_Abertura Data_Movimento,"
        "CAST(SUM(QtdeVendida) AS FLOAT) Qtde,"
        "CAST(SUM(TotalVenda + ValorAcrescimo - ValorDesconto) AS FLOAT) VLTotal,"
        "Combustivel AS Descrição "
        "INTO ##Tabela "
        "FROM ##VendasNosBicos WITH (NOLOCK) "
        "GROUP BY "
        "Data_Abertura,"
        "Combustivel";
  } else {
    fill =
        "SELECT "
        "b.Data_Abertura Data_Movimento,"
        "CAST(SUM(a.Qtde) AS FLOAT) Qtde,"
        "CAST(SUM(a.Valor_Venda - ";
    fill += discount;
    fill += " + ";
    fill += surcharge;
    fill +=
        ") AS FLOAT) VLTotal,"
        "a.Descrição "
        "INTO ##Tabela "
        "FROM "
        "[Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN [Movimentações] b WITH (NOLOCK) "
        "ON a.IDCaixa = b.Código "
        "WHERE ";
    fill += query::SaleDocumentCondition("", initialDate, finalDate, regional);
    fill +=
        " AND "
        "(a.Tipo = 'C') AND "
        "(a.IsEstornado = 0) AND "
        "(a.Transferência = 0) ";
    fill += condition;
    fill +=
        "GROUP BY "
        "b.Data_Abertura,"
        "a.Descrição";
  }
  oDB.SQL_Execute(fill);

  // Descriptions and labels are written through TextForSql: a fuel such as "D'OURO" would
  // otherwise end its literal early.
  std::string legendText = legend.IsNull() ? std::string() : regional.ToText(legend);
  const host::RecordsetRef fuels = oDB.OpenRecordSet(std::string(kFuels));
  for (; service::RowsRemain(fuels, "the fuels"); fuels->MoveNext()) {
    const host::Value fuel = fuels->Field("Combustivel");
    const std::string label = utilities.AbbreviateText(fuel);
    oDB.SQL_Execute("UPDATE ##Tabela SET Descrição = '" + utilities.TextForSql(host::Value(label)) +
                    "' WHERE (Descrição = '" + utilities.TextForSql(fuel) + "')");
    legendText += legendText.empty() ? std::string_view() : kLegendSeparator;
    legendText += utilities.AbbreviateText(fuel);
    legendText += " - ";
    legendText += regional.ToText(fuel);
    legend = host::Value(legendText);
  }
  return std::string(kFromTable);
}

}  // namespace reports

namespace {

// The legend goes between single quotes in the formula; a quote inside is doubled, as the
// engine's formula texts read it.
std::string QuotedFormulaText(const std::string& text) {
  std::string quoted(1, '\'');
  for (char c : text) {
    quoted += c;
    if (c == '\'') {
      quoted += '\'';
    }
  }
  quoted += '\'';
  return quoted;
}

}  // namespace

bool Reports::TabelaDeVendasPorCombustiveis(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDTurno,
    bool Filtro_IsIgnorarADVendaComplementar, bool Filtro_IsIgnorarADOutrosTipos,
    int32_t Filtro_TipoVisao) {
  namespace caption = service::caption;
  host::Value legend{std::string()};  // filled by the query builder
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
            return db.OpenRecordSet(
                query::GetSQL(reports::kKind, 0, 0,
                              {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDTurno,
                               Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                               Filtro_TipoVisao},
                              &db, &legend, reports::QueryBuilderTable()));
          },
      .afterQuery =
          [&](host::RecordsetRef& recordset, host::ReportRef& report) {
            if (service::HasRows(recordset)) {
              const std::string text = legend.IsNull()
                                           ? std::string()
                                           : host::CurrentPlatform().Regional().ToText(legend);
              host::SharedReportHelper().SetReportFormula("Legenda", QuotedFormulaText(text),
                                                          report);
            }
          },
  };
  return service::RunRequest(reports::kTabelaDeVendasPorCombustiveis.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return TabelaDeVendasPorCombustiveisSQL(
      a.Database(), {PeriodAt(a, 1), a.Text(3), AdjustmentsAt(a, 4), a.Int32(6), a.Extra()});
}

constexpr Parameter kParameters[] = {kDataInicial,          kDataFinal,
                                     kIDTurnoForcingView,   kIgnorarADVendaComplementar,
                                     kIgnorarADOutrosTipos, kTipoVisao};
constexpr Rule kRules[] = {kPeriodInOrder};
constexpr ExampleValue kExample[] = {
    {kDataInicial.name, "01/03/2024"}, {kDataFinal.name, "31/03/2024"}, {kTipoVisao.name, "0"}};

constexpr std::string_view kDay[] = {"Data_Movimento"};
constexpr DrillValue kThatDay[] = {{kDataInicial.name, "Data_Movimento", DrillValue::From::Day},
                                   {kDataFinal.name, "Data_Movimento", DrillValue::From::Day}};
constexpr Drill kDrills[] = {
    {.fields = kDay,
     .target = &kTabelaDeVendasPorCombustiveis,
     .values = kThatDay,
     .note = "The table takes no day of its own: the period becomes that day."},
};

}  // namespace

constexpr ReportDescriptor kTabelaDeVendasPorCombustiveis{
    .name = "TabelaDeVendasPorCombustiveis",
    .group = "Tabelas de vendas",
    .summary =
        "Volume e valor vendidos de cada combustível por dia de movimento, com a legenda "
        "das abreviações.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "TabelaDeVendasPorCombustiveisSQL",
    .build = BuildFromArguments,
    .workingTables = kWorkingTables,
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"VLTotal", "Valor vendido"},
    .drills = kDrills,
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.TabelaDeVendasPorCombustiveis(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa,
                                                 h.oUser, rpt, a.Text(0), a.Text(1), a.Text(2),
                                                 a.Bool(3), a.Bool(4), a.Int32(5));
        },
};

}  // namespace reports

}  // namespace orla
