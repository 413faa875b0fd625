// Movement details by client: the period's sale items per client and payment form, with the
// driver and odometer of nominal coupons and a product summary in a subreport.
#include "host/errors.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace {

std::string LayoutOf(int32_t Filtro_TipoRelatorio) {
  switch (Filtro_TipoRelatorio) {
    case 2:
      return "rptDetalhesDosMovimentosPorClientesApresentarCliente";
    case 3:
      return "rptDetalhesDosMovimentosPorClientesApresentarClienteAgrupadoPorPlaca";
    default:
      return "rptDetalhesDosMovimentosPorClientes";
  }
}

}  // namespace

bool Reports::DetalhesDosMovimentosPorClientes(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT, int32_t OrderListIndex,
    int32_t ClassificationListIndex, std::string Filtro_DataInicial, std::string Filtro_DataFinal,
    std::string Filtro_IDCliente, std::string Filtro_IDFuncionario, std::string Filtro_IDProduto,
    std::string Filtro_IDTurno, bool Filtro_IsIgnorarADVendaComplementar,
    bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
    bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoRelatorio,
    std::string Filtro_FormasDePagto) {
  namespace caption = service::caption;
  static_cast<void>(OrderListIndex);
  static_cast<void>(ClassificationListIndex);
  static_cast<void>(Filtro_FormasDePagto);
  const service::RequestSteps steps{
      .layout = LayoutOf(Filtro_TipoRelatorio),
      .caption =
          [&] {
            return "Visão fiscal / " +
                   service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDCliente, caption::kClient) +
                   caption::WhenGiven(Filtro_IDFuncionario, caption::kEmployee) +
                   caption::WhenGiven(Filtro_IDProduto, caption::kProduct) +
                   caption::WhenGiven(Filtro_IDTurno, caption::kShift) +
                   caption::Adjustments(Filtro_IsIgnorarADVendaComplementar,
                                        Filtro_IsIgnorarADOutrosTipos) +
                   caption::ProductKinds(Filtro_IsExibirCombustiveis,
                                         Filtro_IsExibirOutrosProdutos);
          },
      .query = [](host::Database&) -> host::RecordsetRef {
        throw host::HostError(host::error_number::kObjectDoesNotSupport,
                              "The client details working table is not built in this version");
      },
      .bind = false,  // The report binds its detail rows and its summary itself.
  };
  return service::RunRequest("DetalhesDosMovimentosPorClientes",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
