// Movement details by client: the period's sale items per client and payment form, with the
// driver and odometer of nominal coupons and a product summary in a subreport.
#include "reports/movement_details/detalhes_dos_movimentos_por_clientes.h"

#include <array>

#include "host/errors.h"
#include "query/fragments.h"
#include "service/caption.h"
#include "service/report_steps.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

// By report type: 0 and 1 (and any other), 2, 3.
constexpr std::string_view kLayouts[] = {
    "rptDetalhesDosMovimentosPorClientes", "rptDetalhesDosMovimentosPorClientesApresentarCliente",
    "rptDetalhesDosMovimentosPorClientesApresentarClienteAgrupadoPorPlaca"};

// The type whose layout lists the clients' lines in the order the user chose.
constexpr int32_t kPresentClient = 2;

constexpr std::array<std::string_view, 8> kSortColumns{
    "Placa",
    "Data_Movimento {CLASS}, Hora_Movimento",
    "Motorista",
    "Descrição",
    "Qtde",
    "ValorTotal",
    "T011_FormaDePagto",
    "Funcionário",
};
constexpr size_t kDateAndTime = 1;

}  // namespace

std::string ClientDetailsQuery(int32_t Filtro_TipoRelatorio, int32_t OrderListIndex,
                               int32_t ClassificationListIndex) {
  std::string q = "SELECT ";
  q += "ID,";
  q += "IDCliente,";
  q += "NomeCliente,";
  q += "Data_Movimento,";
  q += "Hora_Movimento,";
  q += "Modelo,";
  q += "Número_NF,";
  q += "Código_Venda,";
  q += "IsCVRepeat,";
  q += "Descrição,";
  q += "T011_FormaDePagto,";
  q += "IsClienteEspecial,";
  q += "IsTeclado,";
  q += "Cupom_Complementar,";
  q += "Placa,";
  q += "Funcionário,";
  q += "Valor_Unitario,";
  q += "Valor_Custo,";
  q += "QtdeOrig,";
  q += "Qtde,";
  q += "ValorAcrescimo,";
  q += "ValorDesconto,";
  q += "ValorTotalOrig,";
  q += "ValorTotal,";
  q += "PercFormPgto,";
  q += "Motorista,";
  q += "KM ";
  q += "FROM ";
  q += kClientDetailsTable;
  q += " WITH (NOLOCK)";
  if (Filtro_TipoRelatorio != kPresentClient) {
    return q;
  }
  const std::string direction = ClassificationListIndex == 0 ? "ASC" : "DESC";
  // No column at all would leave "ORDER BY  ASC", which the database refuses; the list then
  // keeps the order it was filled in, date and time, in the direction asked.
  const bool known =
      OrderListIndex >= 0 && OrderListIndex < static_cast<int32_t>(kSortColumns.size());
  q += "ORDER BY ";
  q += kSortColumns[known ? static_cast<size_t>(OrderListIndex) : kDateAndTime];
  q += " " + direction;
  return query::Replace(q, "{CLASS}", direction);
}

std::string ClientSummaryQuery(int32_t Filtro_TipoRelatorio) {
  std::string tail = "SUM(QtdeOrig) AS QtdeOrig,";
  tail += "SUM(Qtde) AS Qtde,";
  tail += "SUM(ValorAcrescimo) AS ValorAcrescimo,";
  tail += "SUM(ValorDesconto) AS ValorDesconto,";
  tail += "SUM(ValorTotalOrig) AS ValorTotalOrig,";
  tail += "SUM(ValorTotal) AS ValorTotal ";
  tail += "FROM ";
  tail += kClientDetailsTable;
  tail += " WITH (NOLOCK) ";
  tail += "GROUP BY ";

  std::string q = "SELECT ";
  q += "Descrição,";
  switch (Filtro_TipoRelatorio) {
    case 0:
      q += "ROUND(SUM(Valor_Unitario) / COUNT(Valor_Unitario), 3) AS Valor_Unitario,";
      q += "ROUND(SUM(Valor_Custo) / COUNT(Valor_Custo), 3) AS Valor_Custo,";
      q += tail;
      q += "Descrição ";
      break;
    case 1:
      q += "Valor_Unitario AS Valor_Unitario,";
      q += "Valor_Custo AS Valor_Custo,";
      q += tail;
      q += "Descrição,";
      q += "Valor_Unitario,";
      q += "Valor_Custo ";
      break;
    default:
      q += "Valor_Unitario AS Valor_Unitario,";
      q += tail;
      q += "Descrição,";
      q += "Valor_Unitario ";
      break;
  }
  q += "ORDER BY ";
  q += "Descrição ASC";
  return q;
}

void OpenClientDetails(host::Database& oDB, host::RecordsetRef& details,
                       host::RecordsetRef& summary, int32_t Filtro_TipoRelatorio,
                       int32_t OrderListIndex, int32_t ClassificationListIndex) {
  details = oDB.OpenRecordSet(
      ClientDetailsQuery(Filtro_TipoRelatorio, OrderListIndex, ClassificationListIndex));
  summary = oDB.OpenRecordSet(ClientSummaryQuery(Filtro_TipoRelatorio));
}

void BuildClientDetails(host::Database& oDB, host::RecordsetRef& details,
                        host::RecordsetRef& summary, int32_t OrderListIndex,
                        int32_t ClassificationListIndex, const ClientDetailsFilters& filters,
                        int32_t Filtro_TipoRelatorio) {
  CreateClientDetailsTable(oDB);
  FillClientDetailsTable(oDB, filters);
  MarkRepeatedSales(oDB);
  OpenClientDetails(oDB, details, summary, Filtro_TipoRelatorio, OrderListIndex,
                    ClassificationListIndex);
}

}  // namespace reports

namespace {

// The section whose first report object places the product summary.
constexpr std::string_view kSummarySection = "ReportFooterSection2";

std::string LayoutOf(int32_t Filtro_TipoRelatorio) {
  switch (Filtro_TipoRelatorio) {
    case 2:
      return std::string(reports::kLayouts[1]);
    case 3:
      return std::string(reports::kLayouts[2]);
    default:
      return std::string(reports::kLayouts[0]);
  }
}
}  // namespace

bool Reports::DetalhesDosMovimentosPorClientes(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT, int32_t OrderListIndex,
    int32_t ClassificationListIndex, std::string Filtro_DataInicial, std::string Filtro_DataFinal,
    std::string Filtro_IDCliente, std::string Filtro_IDFuncionario, std::string Filtro_IDProduto,
    std::string Filtro_IDTurno, bool Filtro_IsIgnorarADVendaComplementar,
    bool Filtro_IsIgnorarADOutrosTipos, bool Filtro_IsExibirCombustiveis,
    bool Filtro_IsExibirOutrosProdutos, int32_t Filtro_TipoRelatorio,
    std::string Filtro_FormasDePagto) {
  namespace caption = service::caption;
  host::RecordsetRef summary;
  host::ReportRef subreport;
  const service::RequestSteps steps{
      .layout = LayoutOf(Filtro_TipoRelatorio),
      .caption =
          [&] {
            return "Visão fiscal / " +
                   service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDCliente, caption::kClient) +
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
            host::RecordsetRef details;
            reports::BuildClientDetails(
                db, details, summary, OrderListIndex, ClassificationListIndex,
                {{Filtro_DataInicial, Filtro_DataFinal},
                 Filtro_IDCliente,
                 Filtro_IDFuncionario,
                 Filtro_IDProduto,
                 Filtro_IDTurno,
                 {Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos},
                 {Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos},
                 Filtro_FormasDePagto},
                Filtro_TipoRelatorio);
            return details;
          },
      .afterQuery =
          [&](host::RecordsetRef& details, host::ReportRef& report) {
            if (!service::HasRows(details)) {
              return;  // PresentReport tells the user there is nothing to print.
            }
            host::Report& main = host::Require(report.get(), "report");
            main.Database().SetDataSource(details);
            const std::string name =
                host::Require(main.Section(kSummarySection).ReportObjects(1).get(), "report object")
                    .SubreportName();
            subreport = main.OpenSubreportByName(name);
            host::Require(subreport.get(), "subreport").Database().SetDataSource(summary);
          },
      .bind = false,  // Both recordsets are bound above.
  };
  return service::RunRequest(reports::kDetalhesDosMovimentosPorClientes.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

constexpr std::string_view kWorkingTables[] = {kClientDetailsTable};

constexpr Choice kReportTypes[] = {
    {0, "Detalhado, com resumo por produto a preço e custo médios"},
    {1, "Detalhado, com resumo por produto, preço e custo"},
    {2, "Por cliente, na ordem escolhida, com resumo por produto e preço"},
    {3, "Por cliente e placa, com resumo por produto e preço"}};

constexpr Choice kSortColumnChoices[] = {
    {0, "Placa"},      {1, "Data e hora"}, {2, "Motorista"},          {3, "Produto"},
    {4, "Quantidade"}, {5, "Valor total"}, {6, "Forma de pagamento"}, {7, "Funcionário"}};
constexpr Choice kSortDirections[] = {{0, "Crescente"}, {1, "Decrescente"}};

constexpr Dependency kOnlyWhenSorted[] = {{Dependency::Effect::UsedOnlyWhen, "Filtro_TipoRelatorio",
                                           Dependency::When::Equals, "2", "",
                                           "Só vale no modelo por cliente na ordem escolhida."}};

constexpr Parameter kParameters[] = {
    {.name = "OrderListIndex",
     .type = ParameterType::Int32,
     .description = "sort column with report type 2: 0 plate ... 7 employee",
     .label = "Ordenar por",
     .help = "A coluna que ordena as vendas de cada cliente.",
     .fallback = {Default::Kind::Fixed, "0"},
     .input = Input::Choice,
     .choices = kSortColumnChoices,
     .dependencies = kOnlyWhenSorted,
     .shown = {Shown::As::Choice, "Ordenado por"}},
    {.name = "ClassificationListIndex",
     .type = ParameterType::Int32,
     .description = "sort direction with report type 2: 0 ascending, other descending",
     .label = "Ordem",
     .help = "Do menor para o maior, ou do maior para o menor.",
     .fallback = {Default::Kind::Fixed, "0"},
     .input = Input::Choice,
     .choices = kSortDirections,
     .dependencies = kOnlyWhenSorted,
     .shown = {Shown::As::Choice, "Ordem"}},
    kDataInicial,
    kDataFinal,
    kIDCliente,
    kIDFuncionario,
    kIDProduto,
    kIDTurnoDatedByOpening,
    kIgnorarADVendaComplementar,
    kIgnorarADOutrosTipos,
    kExibirCombustiveis,
    kExibirOutrosProdutos,
    {.name = "Filtro_TipoRelatorio",
     .type = ParameterType::Int32,
     .description = "0 averaged summary, 1 summary by price, 2 by client, 3 by client and plate",
     .label = "Modelo do relatório",
     .help = "Como as vendas se apresentam e como o resumo por produto no fim as soma.",
     .fallback = {Default::Kind::Fixed, "0"},
     .input = Input::Choice,
     .choices = kReportTypes,
     .shown = {Shown::As::Choice, "Modelo"}},
    {.name = kFormasDePagtoName,
     .description = "payment forms, quoted and comma-separated; empty for all",
     .label = "Formas de pagamento",
     .help = "Só a parte das vendas paga nestas formas; vazio para todas as formas.",
     .input = Input::Picker,
     .picker = &kFormasDePagto,
     .multiple = true,
     .check = {Check::Kind::QuotedNames,
               "Cada forma de pagamento entre aspas simples, separadas por vírgula, como "
               "'Dinheiro','PIX'."},
     .shown = {Shown::As::Label, "Formas de pagamento:"}},
};
constexpr Rule kRules[] = {kPeriodInOrder, kProductKindsBothOff};
constexpr ExampleValue kExample[] = {{kDataInicial.name, "01/03/2024"},
                                     {kDataFinal.name, "03/03/2024"},
                                     {"Filtro_TipoRelatorio", "2"},
                                     {"OrderListIndex", "1"}};

}  // namespace

constexpr ReportDescriptor kDetalhesDosMovimentosPorClientes{
    .name = "DetalhesDosMovimentosPorClientes",
    .group = "Detalhes dos movimentos",
    .summary =
        "Os itens vendidos no período por cliente e forma de pagamento, com motorista e "
        "quilometragem dos cupons nominais e um resumo por produto.",
    .layouts = kLayouts,
    .kind = std::nullopt,
    .builder = "BuildClientDetails",
    .build = nullptr,
    .workingTables = kWorkingTables,
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"ValorTotal", "Valor total"},
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.DetalhesDosMovimentosPorClientes(
              h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Int32(0), a.Int32(1),
              a.Text(2), a.Text(3), a.Text(4), a.Text(5), a.Text(6), a.Text(7), a.Bool(8),
              a.Bool(9), a.Bool(10), a.Bool(11), a.Int32(12), a.Text(13));
        },
};

}  // namespace reports

}  // namespace orla
