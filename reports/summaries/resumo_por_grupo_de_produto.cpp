// Summary by product group: the gross profit of the period's sales, one line per product
// group (and per fuel).
#include "host/platform.h"
#include "query/get_sql.h"
#include "reports/summaries/summary_caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

bool Reports::ResumoPorGrupoDeProduto(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDProduto,
    std::string Filtro_IDTurno, bool Filtro_IsIgnorarADVendaComplementar,
    bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
    bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoVisao) {
  int32_t daysOfPeriod = 0;
  const service::RequestSteps steps{
      .adjustFilters =
          [&] {
            service::ShiftForcesFinancialView(Filtro_IDTurno, Filtro_TipoVisao);
            daysOfPeriod = service::DaysOfPeriod(Filtro_DataInicial, Filtro_DataFinal);
          },
      .layout = "rptResumoPorGrupoDeProdutos",
      .caption =
          [&] {
            return reports::SummaryCaption(
                Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao);
          },
      // The date formulas name the next thirty days, whatever the period.
      .beforeQuery =
          [&](host::ReportRef& report) {
            host::ReportHelper& helper = host::SharedReportHelper();
            const host::DateTime today = host::CurrentPlatform().Today();
            helper.SetReportFormula("Período", std::to_string(daysOfPeriod), report);
            helper.SetReportFormula("DataInicial", service::QuotedShortDate(today), report);
            helper.SetReportFormula("DataFinal", service::QuotedShortDate(today.AddDays(30)),
                                    report);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(query::GetSQL(
                static_cast<int32_t>(query::ReportKind::ResumoPorGrupoDeProduto), 0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao},
                &db));
          },
  };
  return service::RunRequest("ResumoPorGrupoDeProduto",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
