// Summary by product group: the gross profit of the period's sales, one line per product
// group (and per fuel).
#include "reports/summaries/resumo_por_grupo_de_produto.h"

#include "host/platform.h"
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

constexpr int32_t kKind = 5;
constexpr std::string_view kLayouts[] = {"rptResumoPorGrupoDeProdutos"};

// A fuel line stands for its own fuel, any other line for its product's group.
constexpr std::string_view kLineOrGroup =
    "CASE WHEN Tipo = 'C' THEN c.Descrição ELSE a.Descrição END";

}  // namespace

std::string ResumoPorGrupoDeProdutoSQL(host::Database& oDB, const SummaryRequest& request) {
  const summary::Filters filters{request.period,         request.Filtro_IDProduto,
                                 request.Filtro_IDTurno, request.adjustments,
                                 request.productKinds,   request.Filtro_TipoVisao};
  const summary::Pieces pieces =
      summary::BuildPieces(filters, {.product = "c.IDProduto", .shift = "d.Caixa", .sale = "c."});
  const std::string condition = "AND " + pieces.condition + " ";
  const std::string lineOrGroup(kLineOrGroup);

  if (!summary::IsFinancial(request.Filtro_TipoVisao)) {
    return "SELECT c.Tipo," + lineOrGroup + " AS Descrição," +
           summary::AmountColumns("c.", pieces, false) + std::string(summary::kGroupSalesFrom) +
           summary::FiscalSaleWhere("c.", request.period) + condition +
           summary::ProductKindClause("AND ", pieces, "c.Tipo") + "GROUP BY c.Tipo," + lineOrGroup +
           " ORDER BY " + lineOrGroup;
  }

  summary::FillNozzleSales(oDB, filters);
  return summary::FinancialHead("lista.Tipo,lista.Descrição,") +
         summary::FuelPart("Combustivel AS Descrição,") + "UNION ALL SELECT c.Tipo,a.Descrição," +
         summary::AmountColumns("c.", pieces, true) + std::string(summary::kGroupSalesFrom) +
         summary::TillSaleWhere("c.") + condition + "GROUP BY c.Tipo,a.Descrição) lista " +
         summary::ProductKindClause("WHERE ", pieces, "lista.Tipo") +
         "GROUP BY lista.Tipo,lista.Descrição ORDER BY lista.Descrição";
}

}  // namespace reports

bool Reports::ResumoPorGrupoDeProduto(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDProduto,
    std::string Filtro_IDTurno, bool Filtro_IsIgnorarADVendaComplementar,
    bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
    bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoVisao) {
  int32_t daysOfPeriod = 0;
  const service::RequestSteps steps{
      .adjustFilters =
          [&] {
            service::ShiftForcesFinancialView(Filtro_IDTurno, Filtro_TipoVisao);
            daysOfPeriod = service::DaysOfPeriod(Filtro_DataInicial, Filtro_DataFinal);
          },
      .layout = std::string(reports::kLayouts[0]),
      .caption =
          [&] {
            return reports::SummaryCaption(
                Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao);
          },
      // The date formulas name the next thirty days, whatever the period.
      .beforeQuery =
          [&](host::ReportRef& report) {
            host::ReportHelper& helper = host::SharedReportHelper();
            const host::DateTime today = host::CurrentPlatform().Today();
            helper.SetReportFormula("Período", std::to_string(daysOfPeriod), report);
            helper.SetReportFormula("DataInicial", service::QuotedShortDate(today), report);
            helper.SetReportFormula("DataFinal", service::QuotedShortDate(today.AddDays(30)),
                                    report);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(query::GetSQL(
                reports::kKind, 0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao},
                &db, nullptr, reports::QueryBuilderTable()));
          },
  };
  return service::RunRequest(reports::kResumoPorGrupoDeProduto.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return ResumoPorGrupoDeProdutoSQL(a.Database(), summary::RequestAt(a));
}

}  // namespace

constexpr ReportDescriptor kResumoPorGrupoDeProduto{
    .name = "ResumoPorGrupoDeProduto",
    .group = "Resumos",
    .summary =
        "A margem bruta das vendas do período por grupo de produtos, com cada combustível em sua "
        "linha.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "ResumoPorGrupoDeProdutoSQL",
    .build = BuildFromArguments,
    .workingTables = summary::kWorkingTables,
    .parameters = summary::kParameters,
    .rules = summary::kRules,
    .example = summary::kExample,
    .mainTotal = {"PM_Venda", "Venda líquida"},
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.ResumoPorGrupoDeProduto(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser,
                                           rpt, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                                           a.Bool(4), a.Bool(5), a.Bool(6), a.Bool(7), a.Int32(8));
        },
};

}  // namespace reports

}  // namespace orla
