// Summary by tax classification: the gross profit of the period's sales per ICMS rate,
// tax-situation code and product group.
#include "reports/summaries/resumo_por_classificacao_fiscal.h"

#include "host/platform.h"
#include "host/shared_objects.h"
#include "query/fragments.h"
#include "query/get_sql.h"
#include "reports/summaries/summary_caption.h"
#include "reports/summaries/summary_query.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

// The sales of the chosen tax-situation codes, on the columns of the sale lines (alias a,
// which each view rewrites). A rate keeps the taxed sales ("TT") of that rate alone, so "TT"
// never stands in the list beside it.
std::string TaxSituationFilter(const query::TaxSituationSwitches& tax) {
  std::string list;
  auto add = [&list](bool wanted, std::string_view code) {
    if (wanted) {
      list += list.empty() ? "" : ",";
      list += code;
    }
  };
  add(tax.Filtro_ST_IsFF, "'FF'");
  add(tax.Filtro_ST_IsII, "'II'");
  add(tax.Filtro_ST_IsNN, "'NN'");
  add(tax.Filtro_ST_IsTT && tax.Filtro_ST_AL_ICMS == 0, "'TT'");

  std::string filter = list.empty() ? "" : "(a.Situação_Tributária IN (" + list + "))";
  if (tax.Filtro_ST_AL_ICMS != 0) {
    filter += filter.empty() ? "" : " OR ";
    filter += "((a.Situação_Tributária = 'TT') AND (a.Alíquota = " +
              host::SharedHostUtilities().NumberForSql(host::Value(tax.Filtro_ST_AL_ICMS)) + "))";
  }
  return filter;
}

}  // namespace

std::string ResumoPorClassificacaoFiscalSQL(host::Database& oDB,
                                            const query::TaxSummaryRequest& request) {
  const summary::Filters filters{request.period,         request.Filtro_IDProduto,
                                 request.Filtro_IDTurno, request.adjustments,
                                 request.productKinds,   request.Filtro_TipoVisao};
  const summary::Pieces pieces =
      summary::BuildPieces(filters, {.product = "c.IDProduto", .shift = "d.Caixa", .sale = "c."});
  const std::string taxFilter = TaxSituationFilter(request.taxSituation);
  const std::string condition = pieces.condition.empty() ? "" : "AND " + pieces.condition + " ";

  if (!summary::IsFinancial(request.Filtro_TipoVisao)) {
    // No parentheses close around the tax filter: its OR, when a rate is given, stands
    // beside every condition before it.
    const std::string saleTaxFilter = query::ReplaceIgnoringCase(taxFilter, "a.", "c.");
    return "SELECT c.Alíquota AS AliquotaICMS,c.Situação_Tributária AS TipoST,a.Descrição AS "
           "Descricao," +
           summary::AmountColumns("c.", pieces, false) + std::string(summary::kGroupSalesFrom) +
           summary::FiscalSaleWhere("c.", request.period) + condition +
           (saleTaxFilter.empty() ? "" : "AND " + saleTaxFilter + " ") +
           summary::ProductKindClause("AND ", pieces, "c.Tipo") +
           "GROUP BY c.Alíquota,c.Situação_Tributária,a.Descrição ORDER BY a.Descrição ASC";
  }

  // Fuels stand in the list as "FF" at rate 0, so the tax filter reaches them too.
  std::string listTaxFilter = query::ReplaceIgnoringCase(taxFilter, "a.", "lista.");
  listTaxFilter = query::ReplaceIgnoringCase(listTaxFilter, "Situação_Tributária", "TipoST");
  listTaxFilter = query::ReplaceIgnoringCase(listTaxFilter, "Alíquota", "AliquotaICMS");
  summary::FillNozzleSales(oDB, filters);
  const bool outerWhere = !listTaxFilter.empty() || !pieces.productKinds.empty();
  return summary::FinancialHead("lista.AliquotaICMS,lista.TipoST,lista.Descricao,") +
         summary::FuelPart(
             "CAST(0 AS FLOAT) AS AliquotaICMS,'FF' AS TipoST,Combustivel AS "
             "Descricao,") +
         "UNION ALL SELECT 'P' AS Tipo,c.Alíquota AS AliquotaICMS,c.Situação_Tributária AS "
         "TipoST,a.Descrição AS Descricao," +
         summary::AmountColumns("c.", pieces, true) + std::string(summary::kGroupSalesFrom) +
         summary::TillSaleWhere("c.") + condition +
         "GROUP BY c.Alíquota,c.Situação_Tributária,a.Descrição) lista " +
         (outerWhere ? "WHERE " : "") + (listTaxFilter.empty() ? "" : listTaxFilter + " ") +
         summary::ProductKindClause(listTaxFilter.empty() ? "" : "AND ", pieces, "lista.Tipo") +
         "GROUP BY lista.AliquotaICMS,lista.TipoST,lista.Descricao ORDER BY lista.Descricao ASC";
}

}  // namespace reports

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
