// Sales table by fuel: volume and amount per day and fuel, each fuel under a short label that
// a legend explains.
#include "host/platform.h"
#include "query/get_sql.h"
#include "service/caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

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
      .layout = "rptTabelaDeVendasPorCombustiveis",
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
            return db.OpenRecordSet(query::GetSQL(
                static_cast<int32_t>(query::ReportKind::TabelaDeVendasPorCombustiveis), 0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDTurno,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_TipoVisao},
                &db, &legend));
          },
      .afterQuery =
          [&](host::RecordsetRef& recordset, host::ReportRef& report) {
            if (service::HasRows(recordset)) {
              const std::string text = legend.IsNull()
                                           ? std::string()
                                           : host::CurrentPlatform().Regional().ToText(legend);
              host::SharedReportHelper().SetReportFormula("Legenda", "'" + text + "'", report);
            }
          },
  };
  return service::RunRequest("TabelaDeVendasPorCombustiveis",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
