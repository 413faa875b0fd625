// Special-client sales: the period's sales to clients with their own unit prices, newest
// first, with the discount and surcharge measured against the special price.
#include "host/errors.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

bool Reports::ClienteEspecial(host::Viewer* oRPTViewer, host::Object* oParentForm,
                              host::Database* oDB, host::Company* oEmpresa, host::Object* oUser,
                              host::ReportRef& oRPT, std::string Filtro_DataInicial,
                              std::string Filtro_DataFinal, std::string Filtro_IDCliente,
                              std::string Filtro_IDTurno) {
  namespace caption = service::caption;
  const service::RequestSteps steps{
      .layout = "rptClienteEspecial",
      .caption =
          [&] {
            return "Visão fiscal / " +
                   service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDCliente, caption::kClient) +
                   caption::WhenGiven(Filtro_IDTurno, caption::kShift);
          },
      .query = [](host::Database&) -> host::RecordsetRef {
        throw host::HostError(host::error_number::kObjectDoesNotSupport,
                              "The special-client working table is not built in this version");
      },
  };
  return service::RunRequest("ClienteEspecial", {oRPTViewer, oParentForm, oDB, oEmpresa, oUser},
                             heldReport_, oRPT, Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
