// Movement details by product: every sale line of the period in date and time order, with
// prices, cost, adjustments, profit, tax situation and employee.
#include "query/get_sql.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

bool Reports::DetalhesDosMovimentosPorProdutos(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDFuncionario,
    std::string Filtro_IDProduto, std::string Filtro_IDTurno, bool Filtro_ST_IsII,
    bool Filtro_ST_IsNN, bool Filtro_ST_IsFF, bool Filtro_ST_IsTT, double Filtro_ST_AL_ICMS,
    bool Filtro_IsIgnorarADVendaComplementar, bool Filtro_IsIgnorarADOutrosTipos,
    bool Filtro_IsExibirCombustiveis, bool Filtro_IsExibirOutrosProdutos) {
  namespace caption = service::caption;
  const service::RequestSteps steps{
      .layout = "rptDetalhesDosMovimentosPorProdutos",
      .caption =
          [&] {
            return "Visão fiscal / " +
                   service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDFuncionario, caption::kEmployee) +
                   caption::WhenGiven(Filtro_IDProduto, caption::kProduct) +
                   caption::WhenGiven(Filtro_IDTurno, caption::kShift) +
                   caption::Adjustments(Filtro_IsIgnorarADVendaComplementar,
                                        Filtro_IsIgnorarADOutrosTipos) +
                   caption::ProductKinds(Filtro_IsExibirCombustiveis,
                                         Filtro_IsExibirOutrosProdutos);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(query::GetSQL(
                static_cast<int32_t>(query::ReportKind::DetalhesDosMovimentosPorProdutos), 0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDFuncionario, Filtro_IDProduto,
                 Filtro_IDTurno, Filtro_ST_IsII, Filtro_ST_IsNN, Filtro_ST_IsFF, Filtro_ST_IsTT,
                 Filtro_ST_AL_ICMS, Filtro_IsIgnorarADVendaComplementar,
                 Filtro_IsIgnorarADOutrosTipos, Filtro_IsExibirCombustiveis,
                 Filtro_IsExibirOutrosProdutos},
                &db));
          },
  };
  return service::RunRequest("DetalhesDosMovimentosPorProdutos",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
