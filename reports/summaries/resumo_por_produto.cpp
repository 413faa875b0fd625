// Summary by product: the gross profit of the period's sales, one line per product.
#include "query/get_sql.h"
#include "reports/summaries/summary_caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

bool Reports::ResumoPorProduto(host::Viewer* oRPTViewer, host::Object* oParentForm,
                               host::Database* oDB, host::Company* oEmpresa, host::Object* oUser,
                               host::ReportRef& oRPT, std::string Filtro_DataInicial,
                               std::string Filtro_DataFinal, std::string Filtro_IDProduto,
                               std::string Filtro_IDTurno, bool Filtro_IsIgnorarADVendaComplementar,
                               bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
                               bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoVisao) {
  const service::RequestSteps steps{
      .adjustFilters = [&] { service::ShiftForcesFinancialView(Filtro_IDTurno, Filtro_TipoVisao); },
      .layout = "rptResumoPorProdutos",
      .caption =
          [&] {
            return reports::SummaryCaption(
                Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao);
          },
      .query =
          [&](host::Database& db) {
            return db.SQL_Execute(query::GetSQL(
                static_cast<int32_t>(query::ReportKind::ResumoPorProduto), 0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao},
                &db));
          },
  };
  return service::RunRequest("ResumoPorProduto", {oRPTViewer, oParentForm, oDB, oEmpresa, oUser},
                             heldReport_, oRPT, Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
