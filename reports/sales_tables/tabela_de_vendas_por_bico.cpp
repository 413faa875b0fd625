// Sales table by nozzle: volume and value per nozzle, business day and till, from the sale
// lines (fiscal view) or from the till-closing pump readings (financial view).
#include "query/get_sql.h"
#include "service/caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

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
      .layout = "rptTabelaDeVendasPorBicos",
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
                query::GetSQL(static_cast<int32_t>(query::ReportKind::TabelaDeVendasPorBico), 0, 0,
                              {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDTurno,
                               Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                               Filtro_TipoVisao},
                              &db));
          },
  };
  return service::RunRequest("TabelaDeVendasPorBico",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
