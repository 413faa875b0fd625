// Sales by receipt type: the period's sales per payment form, grouped by credit, debit,
// fleet, digital wallet, instant payment and other forms, from the database's own procedure.
#include "query/get_sql.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

bool Reports::VendasPorTiposDeRecebimento(host::Viewer* oRPTViewer, host::Object* oParentForm,
                                          host::Database* oDB, host::Company* oEmpresa,
                                          host::Object* oUser, host::ReportRef& oRPT,
                                          std::string Filtro_DataInicial,
                                          std::string Filtro_DataFinal) {
  const service::RequestSteps steps{
      .layout = "rptVendasPorTiposDeRecebimento",
      .caption =
          [&] {
            return "Visão fiscal / " + service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(
                query::GetSQL(static_cast<int32_t>(query::ReportKind::VendasPorTiposDeRecebimento),
                              0, 0, {Filtro_DataInicial, Filtro_DataFinal}, &db));
          },
      .closesConnection = true,
  };
  return service::RunRequest("VendasPorTiposDeRecebimento",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
