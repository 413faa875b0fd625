// Summary by product: the gross profit of the period's sales, one line per product.
#include "reports/summaries/resumo_por_produto.h"

#include "query/get_sql.h"
#include "reports/movement_details/detalhes_dos_movimentos_por_produtos.h"
#include "reports/pickers.h"
#include "reports/report_list.h"
#include "reports/summaries/summary_caption.h"
#include "reports/summaries/summary_query.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

constexpr int32_t kKind = 6;
constexpr std::string_view kLayouts[] = {"rptResumoPorProdutos"};

constexpr std::string_view kProductSalesFrom =
    "FROM [Produtos] a WITH (NOLOCK) INNER JOIN [Movimentações em Vendas] b WITH (NOLOCK) ON "
    "a.Código = b.IDProduto LEFT JOIN [Movimentações] c WITH (NOLOCK) ON b.IDCaixa = c.Código ";

}  // namespace

std::string ResumoPorProdutoSQL(host::Database& oDB, const SummaryRequest& request) {
  const summary::Filters filters{request.period,         request.Filtro_IDProduto,
                                 request.Filtro_IDTurno, request.adjustments,
                                 request.productKinds,   request.Filtro_TipoVisao};
  const summary::Pieces pieces =
      summary::BuildPieces(filters, {.product = "b.IDProduto", .shift = "c.Caixa", .sale = "b."});
  const std::string condition = "AND " + pieces.condition + " ";

  if (!summary::IsFinancial(request.Filtro_TipoVisao)) {
    return "SELECT b.Tipo,b.Descrição," + summary::AmountColumns("b.", pieces, false) +
           std::string(kProductSalesFrom) + summary::FiscalSaleWhere("b.", request.period) +
           condition + summary::ProductKindClause("AND ", pieces, "b.Tipo") +
           "GROUP BY b.Tipo,b.Descrição ORDER BY b.Descrição";
  }

  summary::FillNozzleSales(oDB, filters);
  // Fuels come from what the pumps delivered; the sale lines give only the other products.
  return summary::FinancialHead("lista.Tipo,lista.Descrição,") +
         summary::FuelPart("Combustivel AS Descrição,") + "UNION ALL SELECT b.Tipo,a.Descrição," +
         summary::AmountColumns("b.", pieces, true) + std::string(kProductSalesFrom) +
         summary::TillSaleWhere("b.") + condition + "GROUP BY b.Tipo,a.Descrição) lista " +
         summary::ProductKindClause("WHERE ", pieces, "lista.Tipo") +
         "GROUP BY lista.Tipo,lista.Descrição ORDER BY lista.Descrição";
}

}  // namespace reports

bool Reports::ResumoPorProduto(host::Viewer* oRPTViewer, host::Object* oParentForm,
                               host::Database* oDB, host::Company* oEmpresa, host::Object* oUser,
                               host::ReportRef& oRPT, std::string Filtro_DataInicial,
                               std::string Filtro_DataFinal, std::string Filtro_IDProduto,
                               std::string Filtro_IDTurno, bool Filtro_IsIgnorarADVendaComplementar,
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
            return db.SQL_Execute(query::GetSQL(
                reports::kKind, 0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_IDTurno,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoVisao},
                &db, nullptr, reports::QueryBuilderTable()));
          },
  };
  return service::RunRequest(reports::kResumoPorProduto.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return ResumoPorProdutoSQL(a.Database(), summary::RequestAt(a));
}

}  // namespace

// A product's line leads to its sales one by one. The line prints the product's name, which
// the products' list turns back into its code.
constexpr std::string_view kProductName[] = {"Descrição"};
constexpr DrillValue kProductByName[] = {{.parameter = kIDProduto.name,
                                          .field = "Descrição",
                                          .from = DrillValue::From::CodeOfName,
                                          .picker = &kProdutos}};
constexpr Drill kDrills[] = {
    {.fields = kProductName,
     .target = &kDetalhesDosMovimentosPorProdutos,
     .values = kProductByName,
     .note = "A name two products share leads nowhere; a fuel's line in the financial view "
             "prints the fuel's own name, which leads to the product of that name if there is "
             "one."}};

constexpr ReportDescriptor kResumoPorProduto{
    .name = "ResumoPorProduto",
    .group = "Resumos",
    .summary =
        "A margem bruta das vendas do período por produto: quantidade, custo, venda líquida, lucro "
        "bruto, acréscimos, descontos e venda bruta.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "ResumoPorProdutoSQL",
    .build = BuildFromArguments,
    .workingTables = summary::kWorkingTables,
    .parameters = summary::kParameters,
    .rules = summary::kRules,
    .example = summary::kExample,
    .mainTotal = {"PM_Venda", "Venda líquida"},
    .drills = kDrills,
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.ResumoPorProduto(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt,
                                    a.Text(0), a.Text(1), a.Text(2), a.Text(3), a.Bool(4),
                                    a.Bool(5), a.Bool(6), a.Bool(7), a.Int32(8));
        },
};

}  // namespace reports

}  // namespace orla
