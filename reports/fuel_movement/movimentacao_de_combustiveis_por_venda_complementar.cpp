// Fuel movement by complementary sale: the fuel sold on complementary sale documents, per
// sale type and product.
#include "query/get_sql.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

bool Reports::MovimentacaoDeCombustiveisPorVendaComplementar(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDTurno) {
  namespace caption = service::caption;
  const service::RequestSteps steps{
      .layout = "rptMovimentacaoDeCombustiveisPorCupomComplementar",
      .caption =
          [&] {
            return "Visão fiscal / " +
                   service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDTurno, caption::kShift);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(query::GetSQL(
                static_cast<int32_t>(
                    query::ReportKind::MovimentacaoDeCombustiveisPorVendaComplementar),
                0, 0, {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDTurno}, &db));
          },
  };
  return service::RunRequest("MovimentacaoDeCombustiveisPorVendaComplementar",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
