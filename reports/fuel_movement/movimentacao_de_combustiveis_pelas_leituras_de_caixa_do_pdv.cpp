// Fuel movement by till readings: volume, average prices, discounts and surcharges per nozzle
// as the closed tills' pump readings record them, with a second subreport projecting the
// movement over a forecast window.
#include "reports/fuel_movement/movimentacao_de_combustiveis_pelas_leituras_de_caixa_do_pdv.h"

#include "host/platform.h"
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

constexpr int32_t kKind = 1;
constexpr std::string_view kLayouts[] = {"rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV"};
constexpr std::string_view kWorkingTables[] = {"##VendasNosBicos"};

// A nozzle whose readings sold no volume shows its totals in place of the averages.
constexpr std::string_view kMovementByNozzle =
    "SELECT "
    "Bico,"
    "Combustivel,"
    "SUM(QtdeVendida) AS QtdeVendida,"
    "CASE "
    "WHEN CAST(SUM(QtdeVendida) AS FLOAT) = 0 THEN CAST(SUM(TotalVenda) AS FLOAT) "
    "ELSE (CAST(SUM(TotalVenda) AS FLOAT) / CAST(SUM(QtdeVendida) AS FLOAT)) "
    "END AS ValorDeVenda,"
    "CASE "
    "WHEN CAST(SUM(QtdeVendida) AS FLOAT) = 0 THEN CAST(SUM(TotalCusto) AS FLOAT) "
    "ELSE (CAST(SUM(TotalCusto) AS FLOAT) / CAST(SUM(QtdeVendida) AS FLOAT)) "
    "END AS ValorDeCusto,"
    "SUM(ValorDesconto) AS ValorDesconto,"
    "SUM(ValorAcrescimo) AS ValorAcrescimo,"
    "CASE "
    "WHEN CAST(SUM(QtdeVendida) AS FLOAT) = 0 THEN CAST(SUM(TotalVenda) AS FLOAT) "
    "ELSE (CAST(SUM(TotalVenda) AS FLOAT) / CAST(SUM(QtdeVendida) AS FLOAT)) "
    "END AS ValorDeVendaAtual "
    "FROM "
    "##VendasNosBicos WITH (NOLOCK) "
    "GROUP BY "
    "Bico,Combustivel "
    "ORDER BY "
    "Bico";

}  // namespace

std::string MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL(
    host::Database& oDB, const ReadingsMovementRequest& request) {
  BuildNozzleSalesTable(oDB, request.period.Filtro_DataInicial, request.period.Filtro_DataFinal,
                        request.Filtro_IDTurno,
                        request.adjustments.Filtro_IsIgnorarADVendaComplementar,
                        request.adjustments.Filtro_IsIgnorarADOutrosTipos);
  return std::string(kMovementByNozzle);
}

}  // namespace reports

namespace {

constexpr int kForecastDays = 30;

// The forecast window. A configuration of 0 starts it today; any other starts it on the day
// after the period.
struct ForecastWindow {
  host::DateTime start;
  std::string endText;  // in the caller's own text when the caller's date stands
};

ForecastWindow SettleForecast(int16_t configuration, const std::string& forecastEnd,
                              const std::string& finalDate) {
  const host::Platform& platform = host::CurrentPlatform();
  const host::RegionalSettings& regional = platform.Regional();
  const host::DateTime today = platform.Today();
  ForecastWindow window;
  window.start =
      configuration == 0 ? today : regional.ToDate(host::Value(finalDate)).DateOnly().AddDays(1);
  if (const auto end = regional.ReadDate(forecastEnd)) {
    window.endText = configuration == 0 && end->DateOnly() <= today
                         ? regional.ShortDate(today.AddDays(kForecastDays))
                         : forecastEnd;
  } else {
    window.endText = regional.ShortDate(window.start.AddDays(kForecastDays));
  }
  return window;
}

void BindSubreport(host::Report& report, const char* section, const host::RecordsetRef& recordset,
                   const std::string& daysOfMovement, host::ReportRef& subreport) {
  const std::string name = report.Section(section).ReportObjects(1)->SubreportName();
  subreport = report.OpenSubreportByName(name);
  host::Require(subreport.get(), "subreport").Database().SetDataSource(recordset);
  host::SharedReportHelper().SetReportFormula("QtdeDiasDeMovimento", daysOfMovement, subreport);
}

}  // namespace

bool Reports::MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, int16_t Filtro_TipoConfigPreVenda,
    std::string Filtro_DataFinalPrevisao, std::string Filtro_IDTurno,
    bool Filtro_IsIgnorarADVendaComplementar, bool Filtro_IsIgnorarADOutrosTipos) {
  namespace caption = service::caption;
  ForecastWindow forecast;
  std::string daysOfMovement;
  const service::RequestSteps steps{
      .adjustFilters =
          [&] {
            forecast = SettleForecast(Filtro_TipoConfigPreVenda, Filtro_DataFinalPrevisao,
                                      Filtro_DataFinal);
            daysOfMovement =
                std::to_string(service::DaysOfPeriod(Filtro_DataInicial, Filtro_DataFinal));
          },
      .layout = std::string(reports::kLayouts[0]),
      .caption =
          [&] {
            return "Visão financeira / " +
                   service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDTurno, caption::kShift) +
                   caption::Adjustments(Filtro_IsIgnorarADVendaComplementar,
                                        Filtro_IsIgnorarADOutrosTipos);
          },
      .beforeQuery =
          [&](host::ReportRef& report) {
            host::SharedReportHelper().SetReportFormula("QtdeDiasDeMovimento", daysOfMovement,
                                                        report);
          },
      .query =
          [&](host::Database& db) {
            return db.SQL_Execute(
                query::GetSQL(reports::kKind, 0, 0,
                              {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDTurno,
                               Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos},
                              &db, nullptr, reports::QueryBuilderTable()));
          },
      // The report and both subreports print the same rows; they are bound here, so the
      // presentation does not bind again.
      .afterQuery =
          [&](host::RecordsetRef& recordset, host::ReportRef& report) {
            if (!service::HasRows(recordset)) {
              return;
            }
            host::Report& held = host::Require(report.get(), "report");
            held.Database().SetDataSource(recordset);
            host::ReportRef summary;
            BindSubreport(held, "Section6", recordset, daysOfMovement, summary);
            host::ReportRef projection;
            BindSubreport(held, "Section7", recordset, daysOfMovement, projection);
            const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
            host::ReportHelper& helper = host::SharedReportHelper();
            helper.SetReportFormula("DataInicial", service::QuotedShortDate(forecast.start),
                                    projection);
            helper.SetReportFormula(
                "DataFinal",
                service::QuotedShortDate(regional.ToDate(host::Value(forecast.endText))),
                projection);
          },
      .bind = false,
  };
  return service::RunRequest(reports::kMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL(
      a.Database(), {PeriodAt(a, 1), a.Text(3), AdjustmentsAt(a, 4)});
}

constexpr Choice kForecastStarts[] = {{0, "Hoje"}, {1, "No dia seguinte ao fim do período"}};

constexpr Parameter kParameters[] = {
    kDataInicial,
    kDataFinal,
    {.name = "Filtro_TipoConfigPreVenda",
     .type = ParameterType::Int16,
     .description = "forecast start: 0 today, other the day after the period",
     .label = "Início da previsão",
     .help = "Onde começa a projeção das vendas do período.",
     .fallback = {Default::Kind::Fixed, "1"},
     .input = Input::Choice,
     .choices = kForecastStarts,
     .shown = {Shown::As::Choice, "Previsão a partir de"}},
    {.name = "Filtro_DataFinalPrevisao",
     .description = "forecast end; empty for 30 days",
     .label = "Fim da previsão",
     .help = "Último dia da projeção, no formato dd/mm/aaaa. Vazio: 30 dias depois do início. "
             "Com início hoje, uma data que já passou também vale hoje mais 30 dias.",
     .fallback = {Default::Kind::Fixed, ""},
     .input = Input::Date,
     .check = {Check::Kind::OptionalDate,
               "Informe uma data existente, no formato dd/mm/aaaa, ou deixe vazio; outro texto "
               "vale como vazio."},
     .shown = {Shown::As::Value, "Previsão até"}},
    kIDTurno,
    kIgnorarADVendaComplementar,
    kIgnorarADOutrosTipos,
};
constexpr Rule kRules[] = {kPeriodInOrder};
constexpr ExampleValue kExample[] = {{kDataInicial.name, "01/03/2024"},
                                     {kDataFinal.name, "31/03/2024"},
                                     {"Filtro_DataFinalPrevisao", "30/04/2024"}};

}  // namespace

constexpr ReportDescriptor kMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV{
    .name = "MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
    .group = "Movimentação de combustíveis",
    .summary =
        "O combustível vendido por bico segundo as leituras das bombas no fechamento dos "
        "caixas: volume, preços médios de venda e de custo, descontos e acréscimos, com a "
        "projeção para os dias da previsão.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDVSQL",
    .build = BuildFromArguments,
    .workingTables = kWorkingTables,
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"ValorVendido", "Valor vendido"},
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV(
              h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Text(0), a.Text(1),
              a.Int16(2), a.Text(3), a.Text(4), a.Bool(5), a.Bool(6));
        },
};

}  // namespace reports

}  // namespace orla
