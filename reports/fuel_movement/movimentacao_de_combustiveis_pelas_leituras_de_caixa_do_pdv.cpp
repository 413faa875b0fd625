// Fuel movement by till readings: volume, average prices, discounts and surcharges per nozzle
// as the closed tills' pump readings record them, with a second subreport projecting the
// movement over a forecast window.
#include "reports/fuel_movement/movimentacao_de_combustiveis_pelas_leituras_de_caixa_do_pdv.h"

#include "host/platform.h"
#include "query/get_sql.h"
#include "reports/fuel_movement/vendas_por_leituras_de_caixa.h"
#include "service/caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

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
    host::Database& oDB, const query::ReadingsMovementRequest& request) {
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
      .layout = "rptMovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
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
            return db.SQL_Execute(query::GetSQL(
                static_cast<int32_t>(
                    query::ReportKind::MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV),
                0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDTurno,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos},
                &db));
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
  return service::RunRequest("MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
