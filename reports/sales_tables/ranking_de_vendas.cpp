// Sales ranking: the first N clients or products of the period by quantity, net value or
// gross profit, best or worst sellers.
#include "host/platform.h"
#include "query/get_sql.h"
#include "service/caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

bool Reports::RankingDeVendas(host::Viewer* oRPTViewer, host::Object* oParentForm,
                              host::Database* oDB, host::Company* oEmpresa, host::Object* oUser,
                              host::ReportRef& oRPT, int32_t OrderListIndex,
                              int32_t ClassificationListIndex, std::string Filtro_DataInicial,
                              std::string Filtro_DataFinal, std::string Filtro_IDProduto,
                              std::string Filtro_QtdeRegistros,
                              bool Filtro_IsIgnorarADVendaComplementar,
                              bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
                              bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoAgrupamento,
                              int32_t Filtro_TipoOrdenacao) {
  namespace caption = service::caption;
  const std::string titleSuffix =
      std::string(" por ") + (Filtro_TipoAgrupamento == 0 ? "Clientes" : "Produtos");
  const service::RequestSteps steps{
      .adjustFilters =
          [&] {
            if (!host::CurrentPlatform().Regional().IsNumeric(Filtro_QtdeRegistros)) {
              Filtro_QtdeRegistros = "40";
            }
          },
      .layout = "rptRanking",
      .caption =
          [&] {
            return "Visão fiscal / " + Filtro_QtdeRegistros + " " +
                   (Filtro_TipoOrdenacao == 0 ? "mais" : "menos") + " vendidos / " +
                   service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDProduto, caption::kProduct) +
                   caption::Adjustments(Filtro_IsIgnorarADVendaComplementar,
                                        Filtro_IsIgnorarADOutrosTipos) +
                   caption::ProductKinds(Filtro_IsExibirCombustiveis,
                                         Filtro_IsExibirOutrosProdutos);
          },
      .query =
          [&](host::Database& db) {
            return db.SQL_Execute(query::GetSQL(
                static_cast<int32_t>(query::ReportKind::RankingDeVendas), OrderListIndex,
                ClassificationListIndex,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_QtdeRegistros,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoAgrupamento,
                 Filtro_TipoOrdenacao},
                &db));
          },
      .afterQuery =
          [&](host::RecordsetRef& recordset, host::ReportRef& report) {
            if (service::HasRows(recordset)) {
              host::Report& held = host::Require(report.get(), "report");
              held.SetReportTitle(held.ReportTitle() + titleSuffix);
            }
          },
  };
  return service::RunRequest("RankingDeVendas", {oRPTViewer, oParentForm, oDB, oEmpresa, oUser},
                             heldReport_, oRPT, Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
