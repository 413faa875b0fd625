// Sales ranking: the first N clients or products of the period by quantity, net value or
// gross profit, best or worst sellers.
#include "reports/sales_tables/ranking_de_vendas.h"

#include "host/platform.h"
#include "query/fragments.h"
#include "query/get_sql.h"
#include "reports/movement_details/detalhes_dos_movimentos_por_clientes.h"
#include "reports/movement_details/detalhes_dos_movimentos_por_produtos.h"
#include "reports/report_list.h"
#include "service/caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

constexpr int32_t kKind = 3;
constexpr std::string_view kLayouts[] = {"rptRanking"};

struct Grouping {
  std::string_view code;
  std::string_view name;
  std::string_view from;
};

constexpr Grouping kByProduct{
    "c.IDProduto", "d.Descrição",
    "[Movimentações em Vendas] c WITH (NOLOCK) INNER JOIN [Produtos] d WITH (NOLOCK) ON "
    "c.IDProduto = d.Código INNER JOIN [Grupos] b WITH (NOLOCK) ON d.Grupo = b.Código INNER JOIN "
    "[SubGrupos] a WITH (NOLOCK) ON d.SubGrupo = a.Código "};
// A sale without a registered client counts for its special client; one with neither drops
// out of the join.
constexpr Grouping kByClient{
    "cc.Código", "cc.Nome",
    "[Movimentações em Vendas] c WITH (NOLOCK) INNER JOIN [Clientes] cc WITH (NOLOCK) ON "
    "cc.Código = CASE WHEN c.Cliente > 0 THEN c.Cliente ELSE c.IDClienteEspecial END "};

}  // namespace

std::string RankingDeVendasSQL(const RankingRequest& request) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  host::ReportHelper& helper = host::SharedReportHelper();
  const Period& period = request.period;

  std::string unusedCaption;
  std::string filter = query::ReplaceIgnoringCase(
      helper.BuildPeriodFilter(period.Filtro_DataInicial, period.Filtro_DataFinal, "",
                               unusedCaption),
      "{c}", "c." + query::DateColumnName(false));
  filter = query::ReplaceIgnoringCase(
      helper.BuildIdFilter(request.Filtro_IDProduto, filter, host::Value(""), unusedCaption), "{c}",
      "c.IDProduto");
  filter = query::ReplaceIgnoringCase(
      query::ProductKindFilter(request.productKinds.Filtro_IsExibirCombustiveis,
                               request.productKinds.Filtro_IsExibirOutrosProdutos, filter,
                               unusedCaption),
      "{c}", "c.Tipo");
  filter = "AND " + filter + " ";

  // The special-client price difference never counts in the ranking.
  const AdjustmentSwitches& ad = request.adjustments;
  const std::string surcharge = query::Replace(
      query::SurchargeExpression(ad.Filtro_IsIgnorarADVendaComplementar,
                                 ad.Filtro_IsIgnorarADOutrosTipos, unusedCaption, true),
      "{a}", "c.");
  std::string unusedDifference;
  const std::string discount =
      query::Replace(query::DiscountExpression(ad.Filtro_IsIgnorarADVendaComplementar,
                                               ad.Filtro_IsIgnorarADOutrosTipos, unusedCaption,
                                               true, unusedDifference),
                     "{a}", "c.");
  const std::string netValue = "(c.Valor_Venda + " + surcharge + " - " + discount + ")";
  const std::string profit =
      "(c.Valor_Venda + " + surcharge + " - " + discount + " - (c.Valor_Custo * c.Qtde))";
  const std::string documents = query::SaleDocumentCondition("c.", period.Filtro_DataInicial,
                                                             period.Filtro_DataFinal, regional);

  std::string sql = "SELECT TOP " + request.Filtro_QtdeRegistros + " {0} AS Codigo,";
  sql += "{1} AS Nome, ";
  sql += "SUM(" + netValue + ") AS SomaDeValor_Venda,";
  sql += "SUM(c.Qtde) AS SomaDeQtde,";
  sql += "SUM(" + profit + ") AS Lucro ";
  sql += "FROM {2} ";
  sql += "WHERE " + documents + " ";
  sql += "AND (c.IsEstornado = 0) AND (c.Transferência = 0) ";
  sql += filter;
  sql += "GROUP BY {0},{1},c.Tipo ";
  sql += "ORDER BY ";
  switch (request.OrderListIndex) {
    case 1:
      sql += "SUM(" + netValue + ")";
      break;
    case 2:
      sql += "SUM(" + profit + ")";
      break;
    default:
      sql += "SUM(c.Qtde)";
      break;
  }
  sql += request.Filtro_TipoOrdenacao == 0 ? " DESC" : " ASC";

  const Grouping& grouping = request.Filtro_TipoAgrupamento == 0 ? kByClient : kByProduct;
  sql = query::Replace(sql, "{0}", grouping.code);
  sql = query::Replace(sql, "{1}", grouping.name);
  return query::Replace(sql, "{2}", grouping.from);
}

}  // namespace reports

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
      .layout = std::string(reports::kLayouts[0]),
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
                reports::kKind, OrderListIndex, ClassificationListIndex,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto, Filtro_QtdeRegistros,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoAgrupamento,
                 Filtro_TipoOrdenacao},
                &db, nullptr, reports::QueryBuilderTable()));
          },
      .afterQuery =
          [&](host::RecordsetRef& recordset, host::ReportRef& report) {
            if (service::HasRows(recordset)) {
              host::Report& held = host::Require(report.get(), "report");
              held.SetReportTitle(held.ReportTitle() + titleSuffix);
            }
          },
  };
  return service::RunRequest(reports::kRankingDeVendas.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return RankingDeVendasSQL({a.OrderIndex(), a.ClassificationIndex(), PeriodAt(a, 1), a.Text(3),
                             a.Text(4), AdjustmentsAt(a, 5), ProductKindsAt(a, 7), a.Int32(9),
                             a.Int32(10)});
}

constexpr Choice kMeasures[] = {
    {0, "Quantidade vendida"}, {1, "Valor líquido"}, {2, "Lucro bruto"}};
constexpr Choice kGroupings[] = {{0, "Clientes"}, {1, "Produtos"}};
// Best sellers first is what the ranking gives when nothing is said.
constexpr Choice kDirections[] = {{0, "Os mais vendidos, do maior para o menor"},
                                  {1, "Os menos vendidos, do menor para o maior"}};

constexpr Parameter kParameters[] = {
    {.name = "OrderListIndex",
     .type = ParameterType::Int32,
     .description = "ranking measure: 0 quantity, 1 net value, 2 gross profit",
     .label = "Classificar por",
     .help = "A medida que ordena o ranking. O valor líquido já conta acréscimos e descontos; o "
             "lucro bruto é o valor líquido menos o custo.",
     .fallback = {Default::Kind::Fixed, "0"},
     .input = Input::Choice,
     .choices = kMeasures,
     .shown = {Shown::As::Choice, "Classificado por"}},
    {.name = "ClassificationListIndex",
     .type = ParameterType::Int32,
     .description = "accepted and passed on; no effect on the ranking",
     .label = "Índice de classificação",
     .help = "Não tem efeito neste relatório.",
     .fallback = {Default::Kind::Fixed, "0"},
     .input = Input::Number,
     .used = false},
    kDataInicial,
    kDataFinal,
    kIDProduto,
    {.name = "Filtro_QtdeRegistros",
     .description = "entries to keep",
     .label = "Quantidade de posições",
     .help = "Quantas posições o ranking mostra, em algarismos. Um texto que não é número vale "
             "40.",
     .fallback = {Default::Kind::Fixed, "40"},
     .input = Input::Number,
     .check = {Check::Kind::EntryCount, "Informe a quantidade de posições em algarismos, como 40."},
     .shown = {Shown::As::Value, "Posições"}},
    kIgnorarADVendaComplementar,
    kIgnorarADOutrosTipos,
    kExibirCombustiveis,
    kExibirOutrosProdutos,
    {.name = "Filtro_TipoAgrupamento",
     .type = ParameterType::Int32,
     .description = "0 ranks clients, other products",
     .label = "Ranking de",
     .help = "Clientes: cada venda conta para o cliente cadastrado ou, sem ele, para o cliente "
             "especial; vendas sem cliente ficam de fora. Produtos: cada produto vendido. Quem "
             "comprou combustível e outros produtos ocupa duas posições.",
     .fallback = {Default::Kind::Fixed, "1"},
     .input = Input::Choice,
     .choices = kGroupings,
     .shown = {Shown::As::Choice, "Ranking de"}},
    {.name = "Filtro_TipoOrdenacao",
     .type = ParameterType::Int32,
     .description = "0 best sellers, other worst",
     .label = "Mostrar",
     .help = "Os primeiros ou os últimos pela medida escolhida.",
     .fallback = {Default::Kind::Fixed, "0"},
     .input = Input::Choice,
     .choices = kDirections,
     .shown = {Shown::As::Choice, "Mostrando"}},
};
constexpr Rule kRules[] = {kPeriodInOrder, kProductKindsBothOff};
constexpr ExampleValue kExample[] = {{kDataInicial.name, "01/03/2024"},
                                     {kDataFinal.name, "31/03/2024"},
                                     {"Filtro_QtdeRegistros", "10"},
                                     {"Filtro_TipoAgrupamento", "1"}};

constexpr std::string_view kCodeAndName[] = {"Codigo", "Nome"};
constexpr DrillValue kProductKey[] = {{kIDProduto.name, "Codigo"}};
constexpr DrillValue kClientKey[] = {{kIDCliente.name, "Codigo"}};
constexpr Drill kDrills[] = {
    {.fields = kCodeAndName,
     .target = &kDetalhesDosMovimentosPorProdutos,
     .values = kProductKey,
     .when = {"Filtro_TipoAgrupamento", false, "0"},
     .note = "The details list the product's sales one by one; their net value adds up to the "
             "ranking's."},
    {.fields = kCodeAndName,
     .target = &kDetalhesDosMovimentosPorClientes,
     .values = kClientKey,
     .when = {"Filtro_TipoAgrupamento", true, "0"},
     .note = "The ranking counts a sale without a registered client for its special client; the "
             "details list the sales of the client's own code."},
};

}  // namespace

constexpr ReportDescriptor kRankingDeVendas{
    .name = "RankingDeVendas",
    .group = "Tabelas de vendas",
    .summary =
        "Os primeiros clientes ou produtos do período por quantidade, valor líquido ou "
        "lucro bruto, só com as vendas em documento fiscal.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "RankingDeVendasSQL",
    .build = BuildFromArguments,
    .workingTables = {},
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"SomaDeValor_Venda", "Valor líquido"},
    .drills = kDrills,
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.RankingDeVendas(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt,
                                   a.Int32(0), a.Int32(1), a.Text(2), a.Text(3), a.Text(4),
                                   a.Text(5), a.Bool(6), a.Bool(7), a.Bool(8), a.Bool(9),
                                   a.Int32(10), a.Int32(11));
        },
};

}  // namespace reports

}  // namespace orla
