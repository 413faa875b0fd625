// Sales table by product group and payment form: amounts per payment form crossed with the
// product group or the movement date, from the database's own procedure.
#include "query/get_sql.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace {

std::string LayoutOf(int32_t Filtro_TipoRelatorio) {
  switch (Filtro_TipoRelatorio) {
    case 0:
      return "rptTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto";
    case 3:
      return "rptVendasPorFormasDePagtoPorGrupoDeProdutos";
    default:
      return "rptTabelaDeVendasPorDtMovPorFormaDePagto";
  }
}

}  // namespace

bool Reports::TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDProduto,
    bool Filtro_IsIgnorarADVendaComplementar, bool Filtro_IsIgnorarADOutrosTipos,
    bool Filtro_IsExibirCombustiveis, bool Filtro_IsExibirOutrosProdutos,
    int32_t Filtro_TipoRelatorio) {
  namespace caption = service::caption;
  const service::RequestSteps steps{
      .layout = LayoutOf(Filtro_TipoRelatorio),
      .caption =
          [&] {
            // Only type 2 is the financial view.
            return service::ViewAndPeriodCaption(Filtro_TipoRelatorio == 2 ? 0 : 1,
                                                 Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDProduto, caption::kProduct) +
                   caption::Adjustments(Filtro_IsIgnorarADVendaComplementar,
                                        Filtro_IsIgnorarADOutrosTipos) +
                   caption::ProductKinds(Filtro_IsExibirCombustiveis,
                                         Filtro_IsExibirOutrosProdutos);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(query::GetSQL(
                static_cast<int32_t>(
                    query::ReportKind::TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto),
                0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoRelatorio},
                &db));
          },
      .closesConnection = true,
  };
  return service::RunRequest("TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
