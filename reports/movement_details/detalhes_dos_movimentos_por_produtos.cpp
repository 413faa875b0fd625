// Movement details by product: every sale line of the period in date and time order, with
// prices, cost, adjustments, profit, tax situation and employee.
#include "reports/movement_details/detalhes_dos_movimentos_por_produtos.h"

#include "host/platform.h"
#include "query/fragments.h"
#include "query/get_sql.h"
#include "reports/report_list.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

constexpr int32_t kKind = 0;
constexpr std::string_view kLayouts[] = {"rptDetalhesDosMovimentosPorProdutos"};

constexpr std::string_view kFrom =
    "FROM [Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN [Movimentações] b WITH (NOLOCK) ";
constexpr std::string_view kJoin = "ON a.IDCaixa = b.Código ";
constexpr std::string_view kInTillPeriod = "(a.IDCaixa IS NOT NULL)";
constexpr std::string_view kNotReversedNorTransferred =
    "(a.IsEstornado = 0) AND (a.Transferência = 0) ";
constexpr std::string_view kOrder = "ORDER BY a.Data_ECF ASC,a.Hora_Movimento ASC";

std::string SelectList(const std::string& s, const std::string& d) {
  std::string text = "SELECT ";
  text += "a.Data_ECF AS Data_Movimento,";
  text += "a.Hora_Movimento,";
  text += "b.Caixa,";
  text += "a.Código_ECF AS IDECF,";
  text += "a.Número_Cupom_Fiscal AS COO,";
  text += "CASE ";
  text += "WHEN a.Tipo = 'C' THEN 'B' + a.Código_Produto ";
  text += "ELSE a.IDProduto ";
  text += "END AS IDProduto,";
  text += "a.Descrição AS Descricao,";
  text += "a.Qtde,";
  text += "a.Valor_Unitario AS ValorVendaUnitario,";
  text += "a.Valor_Custo AS ValorCustoUnitario,";
  text += s + " AS Valor_Acrescimo,";
  text += d + " AS Valor_Desconto,";
  text += "(a.Qtde * a.Valor_Custo) AS ValorDeCusto,";
  text += "a.Valor_Venda AS ValorDeVendaBruto,";
  text += "(a.Valor_Venda - " + d + " + " + s + ") AS ValorDeVendaLiquido,";
  text +=
      "(a.Valor_Venda - " + d + " + " + s + " - (a.Qtde * a.Valor_Custo)) AS ValorDeLucroBruto,";
  text += "a.Situação_Tributária AS SituacaoTributaria,";
  text += "a.Alíquota AS AliquotaICMS,";
  text += "a.Funcionário AS IDFuncionario ";
  return text;
}

}  // namespace

std::string TaxSituationCondition(const TaxSituationSwitches& switches) {
  std::string list;
  auto add = [&list](bool on, std::string_view code) {
    if (on) {
      list += list.empty() ? "" : ",";
      list += code;
    }
  };
  add(switches.Filtro_ST_IsFF, "'FF'");
  add(switches.Filtro_ST_IsII, "'II'");
  add(switches.Filtro_ST_IsNN, "'NN'");
  add(switches.Filtro_ST_IsTT && switches.Filtro_ST_AL_ICMS == 0, "'TT'");
  if (!list.empty()) {
    list = "(a.Situação_Tributária IN (" + list + "))";
  }
  if (switches.Filtro_ST_AL_ICMS != 0) {
    list += list.empty() ? "" : " OR ";
    list += "((a.Situação_Tributária = 'TT') AND (a.Alíquota = ";
    list += host::SharedHostUtilities().NumberForSql(host::Value(switches.Filtro_ST_AL_ICMS));
    list += "))";
  }
  if (list.empty()) {
    // Nothing chosen: "()" would be refused by the database; like every other empty filter of
    // this report, it selects everything.
    return {};
  }
  return "(" + list + ")";
}

std::string DetalhesDosMovimentosPorProdutosSQL(const MovementDetailsByProductRequest& request) {
  host::ReportHelper& helper = host::SharedReportHelper();
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  const bool byShift = !request.Filtro_IDTurno.empty();
  // Each filter call gets a caption variable of its own, empty; the captions are not used.
  auto byId = [&helper](const std::string& id, const std::string& condition,
                        std::string_view label) {
    std::string caption;
    return helper.BuildIdFilter(id, condition, host::Value(std::string(label)), caption);
  };

  std::string c;
  std::string periodCaption;
  c = helper.BuildPeriodFilter(request.period.Filtro_DataInicial, request.period.Filtro_DataFinal,
                               c, periodCaption);
  c = query::ReplaceIgnoringCase(c, "{c}", query::DateColumnName(byShift));
  c = byId(request.Filtro_IDProduto, c, "");
  c = query::ReplaceIgnoringCase(c, "{c}", "IDProduto");
  c = byId(request.Filtro_IDTurno, c, "");
  c = query::ReplaceIgnoringCase(c, "{c}", "b.Caixa");
  std::string kindCaption;
  c = query::ProductKindFilter(request.productKinds.Filtro_IsExibirCombustiveis,
                               request.productKinds.Filtro_IsExibirOutrosProdutos, c, kindCaption);
  c = query::ReplaceIgnoringCase(c, "{c}", "a.Tipo");
  c = byId(request.Filtro_IDFuncionario, c, "Funcionário");
  c = query::ReplaceIgnoringCase(c, "{c}", "a.Funcionário");
  if (const std::string taxSituation = TaxSituationCondition(request.taxSituation);
      !taxSituation.empty()) {
    c += " AND " + taxSituation;
  }
  c = "AND " + c + " ";

  std::string surchargeCaption;
  std::string discountCaption;
  std::string differenceOnly;
  const std::string s = query::ReplaceIgnoringCase(
      query::SurchargeExpression(request.adjustments.Filtro_IsIgnorarADVendaComplementar,
                                 request.adjustments.Filtro_IsIgnorarADOutrosTipos,
                                 surchargeCaption, true),
      "{a}", "");
  const std::string d = query::ReplaceIgnoringCase(
      query::DiscountExpression(request.adjustments.Filtro_IsIgnorarADVendaComplementar,
                                request.adjustments.Filtro_IsIgnorarADOutrosTipos, discountCaption,
                                true, differenceOnly),
      "{a}", "");

  std::string sql = SelectList(s, d);
  sql += kFrom;
  sql += kJoin;
  sql += "WHERE ";
  sql += byShift ? std::string(kInTillPeriod)
                 : query::SaleDocumentCondition("", request.period.Filtro_DataInicial,
                                                request.period.Filtro_DataFinal, regional);
  sql += " AND ";
  sql += kNotReversedNorTransferred;
  sql += c;
  sql += kOrder;
  return sql;
}

}  // namespace reports

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
      .layout = std::string(reports::kLayouts[0]),
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
            return db.OpenRecordSet(
                query::GetSQL(reports::kKind, 0, 0,
                              {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDFuncionario,
                               Filtro_IDProduto, Filtro_IDTurno, Filtro_ST_IsII, Filtro_ST_IsNN,
                               Filtro_ST_IsFF, Filtro_ST_IsTT, Filtro_ST_AL_ICMS,
                               Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                               Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos},
                              &db, nullptr, reports::QueryBuilderTable()));
          },
  };
  return service::RunRequest(reports::kDetalhesDosMovimentosPorProdutos.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return DetalhesDosMovimentosPorProdutosSQL({PeriodAt(a, 1), a.Text(3), a.Text(4), a.Text(5),
                                              TaxSituationAt(a, 6), AdjustmentsAt(a, 11),
                                              ProductKindsAt(a, 13)});
}

constexpr Parameter kParameters[] = {
    kDataInicial,
    kDataFinal,
    kIDFuncionario,
    kIDProduto,
    WithHelp(kIDTurno,
             "Só os caixas deste turno; vazio para todos os turnos. Com um turno, o período passa "
             "a ser contado pela data de abertura do caixa, e entram todas as vendas do caixa, "
             "mesmo sem documento fiscal."),
    kSTIsII,
    kSTIsNN,
    kSTIsFF,
    kSTIsTT,
    kSTAliquotaICMS,
    kIgnorarADVendaComplementar,
    kIgnorarADOutrosTipos,
    kExibirCombustiveis,
    kExibirOutrosProdutos,
};
constexpr Rule kRules[] = {kPeriodInOrder, kProductKindsBothOff, kTaxSituationsAllOff};
constexpr ExampleValue kExample[] = {
    {kDataInicial.name, "01/03/2024"}, {kDataFinal.name, "03/03/2024"}, {kIDTurno.name, "1"}};

}  // namespace

constexpr ReportDescriptor kDetalhesDosMovimentosPorProdutos{
    .name = "DetalhesDosMovimentosPorProdutos",
    .group = "Detalhes dos movimentos",
    .summary =
        "Cada item vendido no período, em ordem de data e hora, com preços, custo, "
        "acréscimo, desconto, lucro bruto, situação tributária e funcionário.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "DetalhesDosMovimentosPorProdutosSQL",
    .build = BuildFromArguments,
    .workingTables = {},
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"ValorDeVendaLiquido", "Venda líquida"},
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.DetalhesDosMovimentosPorProdutos(
              h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Text(0), a.Text(1),
              a.Text(2), a.Text(3), a.Text(4), a.Bool(5), a.Bool(6), a.Bool(7), a.Bool(8),
              a.Double(9), a.Bool(10), a.Bool(11), a.Bool(12), a.Bool(13));
        },
};

}  // namespace reports

}  // namespace orla
