// Summary by tax classification: the gross profit of the period's sales per ICMS rate,
// tax-situation code and product group.
#include "reports/summaries/resumo_por_classificacao_fiscal.h"

#include "host/platform.h"
#include "host/shared_objects.h"
#include "query/fragments.h"
#include "query/get_sql.h"
#include "reports/report_list.h"
#include "reports/summaries/summary_caption.h"
#include "reports/summaries/summary_query.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

constexpr int32_t kKind = 4;
constexpr std::string_view kLayouts[] = {"rptResumoPorST"};

// The sales of the chosen tax-situation codes, on the columns of the sale lines (alias a,
// which each view rewrites). A rate keeps the taxed sales ("TT") of that rate alone, so "TT"
// never stands in the list beside it.
std::string TaxSituationFilter(const TaxSituationSwitches& tax) {
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

std::string ResumoPorClassificacaoFiscalSQL(host::Database& oDB, const TaxSummaryRequest& request) {
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
      .layout = std::string(reports::kLayouts[0]),
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
                reports::kKind, 0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                 Filtro_ST_IsII, Filtro_ST_IsNN, Filtro_ST_IsFF, Filtro_ST_IsTT, Filtro_ST_AL_ICMS,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao},
                &db, nullptr, reports::QueryBuilderTable()));
          },
  };
  return service::RunRequest(reports::kResumoPorClassificacaoFiscal.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return ResumoPorClassificacaoFiscalSQL(
      a.Database(), {PeriodAt(a, 1), a.Text(3), a.Text(4), TaxSituationAt(a, 5),
                     AdjustmentsAt(a, 10), ProductKindsAt(a, 12), a.Int32(14)});
}

constexpr Parameter kParameters[] = {
    kDataInicial,
    kDataFinal,
    summary::kProductFilter,
    kIDTurnoForcingView,
    kSTIsII,
    kSTIsNN,
    WithHelp(kSTIsFF,
             "Inclui as vendas de situação tributária FF, com o ICMS cobrado por substituição "
             "tributária. Na visão financeira, os combustíveis contam como FF, à alíquota zero."),
    kSTIsTT,
    kSTAliquotaICMS,
    kIgnorarADVendaComplementar,
    kIgnorarADOutrosTipos,
    kExibirCombustiveis,
    kExibirOutrosProdutos,
    kTipoVisao,
};
constexpr std::string_view kRateBesideOthers[] = {kSTAliquotaICMS.name, kSTIsII.name, kSTIsNN.name,
                                                  kSTIsFF.name};
constexpr Rule kRules[] = {
    kPeriodInOrder,
    kProductKindsBothOff,
    kTaxSituationsAllOff,
    // The rate's OR stands beside every condition before it, unparenthesized.
    {Rule::Kind::WithAnyOf, kRateBesideOthers, false,
     "Na visão fiscal, com uma alíquota informada e outra situação tributária marcada, as "
     "vendas tributadas a essa alíquota entram sem os demais filtros: de qualquer data, de "
     "qualquer produto e turno, inclusive as estornadas."},
};
constexpr ExampleValue kExample[] = {
    {kDataInicial.name, "01/03/2024"}, {kDataFinal.name, "31/03/2024"}, {kSTIsTT.name, "false"}};

}  // namespace

constexpr ReportDescriptor kResumoPorClassificacaoFiscal{
    .name = "ResumoPorClassificacaoFiscal",
    .group = "Resumos",
    .summary =
        "A margem bruta das vendas do período por alíquota de ICMS, situação tributária e "
        "grupo de produtos.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "ResumoPorClassificacaoFiscalSQL",
    .build = BuildFromArguments,
    .workingTables = summary::kWorkingTables,
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"PM_Venda", "Venda líquida"},
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.ResumoPorClassificacaoFiscal(
              h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Text(0), a.Text(1),
              a.Text(2), a.Text(3), a.Bool(4), a.Bool(5), a.Bool(6), a.Bool(7), a.Double(8),
              a.Bool(9), a.Bool(10), a.Bool(11), a.Bool(12), a.Int32(13));
        },
};

}  // namespace reports

}  // namespace orla
