// Summary by tax classification: the gross profit of the period's sales per ICMS rate,
// tax-situation code and product group.
#include "query/get_sql.h"
#include "reports/summaries/summary_caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

bool Reports::ResumoPorClassificacaoFiscal(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDProduto,
    std::string Filtro_IDTurno, bool Filtro_ST_IsII, bool Filtro_ST_IsNN, bool Filtro_ST_IsFF,
    bool Filtro_ST_IsTT, double Filtro_ST_AL_ICMS, bool Filtro_IsIgnorarADVendaComplementar,
    bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
    bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoVisao) {
  const service::RequestSteps steps{
      .adjustFilters = [&] { service::ShiftForcesFinancialView(Filtro_IDTurno, Filtro_TipoVisao); },
      .layout = "rptResumoPorST",
      .caption =
          [&] {
            return reports::SummaryCaption(
                Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(query::GetSQL(
                static_cast<int32_t>(query::ReportKind::ResumoPorClassificacaoFiscal), 0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                 Filtro_ST_IsII, Filtro_ST_IsNN, Filtro_ST_IsFF, Filtro_ST_IsTT, Filtro_ST_AL_ICMS,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao},
                &db));
          },
  };
  return service::RunRequest("ResumoPorClassificacaoFiscal",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
