// Sales table by product group and payment form: amounts per payment form crossed with the
// product group or the movement date, from the database's own procedure.
#include "reports/fuel_movement/tabela_de_vendas_por_grupo_de_produtos_por_forma_de_pagto.h"

#include "host/command.h"
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

constexpr int32_t kKind = 9;
// By report type: 0, then 1 and 2 (and any other), then 3.
constexpr std::string_view kLayouts[] = {"rptTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
                                         "rptTabelaDeVendasPorDtMovPorFormaDePagto",
                                         "rptVendasPorFormasDePagtoPorGrupoDeProdutos"};
// The procedure's work table, shared by every connection; its rows carry their run's tag.
constexpr std::string_view kWorkingTables[] = {"###VendasF"};

std::string LayoutOf(int32_t Filtro_TipoRelatorio) {
  switch (Filtro_TipoRelatorio) {
    case 0:
      return std::string(kLayouts[0]);
    case 3:
      return std::string(kLayouts[2]);
    default:
      return std::string(kLayouts[1]);
  }
}

constexpr std::string_view kProcedure = "_VendasPorGrupoDeProdutosPorFormaDePagto";

// The procedure wants the product codes bare, separated by commas.
std::string CleanProductList(const std::string& Filtro_IDProduto) {
  if (Filtro_IDProduto.empty()) {
    return Filtro_IDProduto;
  }
  return query::Replace(query::Replace(Filtro_IDProduto, "'", ""), " ", "");
}

std::string FinalQuery(int32_t Filtro_TipoRelatorio, const std::string& tag) {
  std::string sql = "SELECT ";
  switch (Filtro_TipoRelatorio) {
    case 0:
      sql += "a.Grupo AS Produto,";
      sql += "a.FP AS Forma_PG,";
      sql += "SUM(a.Valor) AS Valor ";
      sql += "FROM ";
      sql += "###VendasF a WITH (NOLOCK) ";
      sql += "WHERE ";
      sql += "(WorkStationID = '" + tag + "') ";
      sql += "GROUP BY ";
      sql += "a.Grupo,";
      sql += "a.FP";
      break;
    case 3:
      sql += "a.Grupo";
      sql += ",a.FP";
      sql += ",SUM(a.Qtde) Qtde";
      sql += ",SUM(a.Valor) Valor ";
      sql += "FROM ";
      sql += "###VendasF a WITH (NOLOCK) ";
      sql += "WHERE ";
      sql += "(a.WorkStationID = '" + tag + "') ";
      sql += "GROUP BY ";
      sql += "a.Grupo";
      sql += ",a.FP";
      break;
    default:
      sql += "a.DtMov,";
      sql += "a.FP AS Forma_PG,";
      sql += "SUM(a.Valor) AS Valor ";
      sql += "FROM ";
      sql += "###VendasF a WITH (NOLOCK) ";
      sql += "WHERE ";
      sql += "(WorkStationID = '" + tag + "') ";
      sql += "GROUP BY ";
      sql += "a.DtMov,";
      sql += "a.FP";
      break;
  }
  return sql;
}

}  // namespace

std::string TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL(
    host::Database& oDB, const PaymentFormTableRequest& request) {
  using namespace host::ado;
  oDB.DB_Open();
  host::Platform& platform = host::CurrentPlatform();
  const host::RegionalSettings& regional = platform.Regional();
  const std::string products = CleanProductList(request.Filtro_IDProduto);
  const std::unique_ptr<host::Command> command = platform.CreateCommand(host::kCommandProgId);
  host::Require(command.get(), "command").SetActiveConnection(oDB.GetConnectionString());
  command->SetCommandTimeout(0);
  command->SetCommandType(kCmdStoredProc);
  command->SetCommandText(std::string(kProcedure));
  const AdjustmentSwitches& ad = request.adjustments;
  const ProductKindSwitches& kinds = request.productKinds;
  host::ParameterCollection& parameters = command->Parameters();
  parameters.Append(command->CreateParameter("IsIgnorarDescontoCC", kBoolean, kParamInput, 0,
                                             ad.Filtro_IsIgnorarADVendaComplementar));
  parameters.Append(command->CreateParameter("IsCombustiveis", kBoolean, kParamInput, 0,
                                             kinds.Filtro_IsExibirCombustiveis));
  parameters.Append(command->CreateParameter("IsOutrosProdutos", kBoolean, kParamInput, 0,
                                             kinds.Filtro_IsExibirOutrosProdutos));
  parameters.Append(command->CreateParameter("IDProdutos", kVarChar, kParamInput, 4000, products));
  parameters.Append(
      command->CreateParameter("dtInicial", kDate, kParamInput, 0,
                               regional.ToDate(host::Value(request.period.Filtro_DataInicial))));
  parameters.Append(
      command->CreateParameter("dtFinal", kDate, kParamInput, 0,
                               regional.ToDate(host::Value(request.period.Filtro_DataFinal))));
  parameters.Append(command->CreateParameter("IsIgnorarDescontoOT", kBoolean, kParamInput, 0,
                                             ad.Filtro_IsIgnorarADOutrosTipos));
  parameters.Append(command->CreateParameter("IDRetorno", kVarChar, kParamOutput, 200));
  // Only report type 2 is the financial view.
  parameters.Append(command->CreateParameter("IsVisaoFinanceira", kBoolean, kParamInput, 0,
                                             request.Filtro_TipoRelatorio == 2));
  command->Execute();
  // The tag goes between the quotes exactly as the procedure returned it.
  const std::string tag = regional.ToText(command->Item("IDRetorno"));
  return FinalQuery(request.Filtro_TipoRelatorio, tag);
}

}  // namespace reports

bool Reports::TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDProduto,
    bool Filtro_IsIgnorarADVendaComplementar, bool Filtro_IsIgnorarADOutrosTipos,
    bool Filtro_IsExibirCombustiveis, bool Filtro_IsExibirOutrosProdutos,
    int32_t Filtro_TipoRelatorio) {
  namespace caption = service::caption;
  const service::RequestSteps steps{
      .layout = reports::LayoutOf(Filtro_TipoRelatorio),
      .caption =
          [&] {
            // Only type 2 is the financial view.
            return service::ViewAndPeriodCaption(Filtro_TipoRelatorio == 2 ? 0 : 1,
                                                 Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDProduto, caption::kProduct) +
                   caption::Adjustments(Filtro_IsIgnorarADVendaComplementar,
                                        Filtro_IsIgnorarADOutrosTipos) +
                   caption::ProductKinds(Filtro_IsExibirCombustiveis,
                                         Filtro_IsExibirOutrosProdutos);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(query::GetSQL(
                reports::kKind, 0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoRelatorio},
                &db, nullptr, reports::QueryBuilderTable()));
          },
      .closesConnection = true,
  };
  return service::RunRequest(reports::kTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL(
      a.Database(),
      {PeriodAt(a, 1), a.Text(3), AdjustmentsAt(a, 4), ProductKindsAt(a, 6), a.Int32(8)});
}

constexpr Choice kReportTypes[] = {
    {0, "Por grupo de produtos e forma de pagamento"},
    {1, "Por data e forma de pagamento"},
    {2, "Por data e forma de pagamento, na visão financeira"},
    {3, "Formas de pagamento por grupo de produtos, com as quantidades"}};

constexpr Parameter kParameters[] = {
    kDataInicial,
    kDataFinal,
    {.name = "Filtro_IDProduto",
     .description = "product identifiers, comma-separated; empty for all",
     .label = "Produtos",
     .help = "Só as vendas destes produtos; vazio para todos os produtos.",
     .input = Input::Picker,
     .picker = &kProdutos,
     .multiple = true,
     .check = {Check::Kind::CodeList,
               "Informe os códigos dos produtos separados por vírgula, "
               "como 12,15."},
     .shown = {Shown::As::ValueAndLabel, "Produtos:"}},
    kIgnorarADVendaComplementar,
    kIgnorarADOutrosTipos,
    kExibirCombustiveis,
    kExibirOutrosProdutos,
    {.name = "Filtro_TipoRelatorio",
     .type = ParameterType::Int32,
     .description = "0 by product group, 1 by date, 2 by date (financial view), 3 forms by group",
     .label = "Modelo do relatório",
     .help = "Como os valores de cada forma de pagamento se dividem. Na visão financeira, o dia é "
             "o da abertura do caixa; nas outras, o do documento fiscal.",
     .fallback = {Default::Kind::Fixed, "0"},
     .input = Input::Choice,
     .choices = kReportTypes,
     .shown = {Shown::As::Choice, "Modelo"}},
};
// What the procedure does with both product kinds off is the database's own matter.
constexpr Rule kRules[] = {kPeriodInOrder};
constexpr ExampleValue kExample[] = {{kDataInicial.name, "01/03/2024"},
                                     {kDataFinal.name, "31/03/2024"},
                                     {"Filtro_TipoRelatorio", "3"}};

}  // namespace

constexpr ReportDescriptor kTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto{
    .name = "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
    .group = "Tabelas de vendas",
    .summary =
        "Os valores vendidos por forma de pagamento, cruzados com o grupo de produtos ou "
        "com o dia de movimento.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagtoSQL",
    .build = BuildFromArguments,
    .workingTables = kWorkingTables,
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"Valor", "Valor vendido"},
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto(
              h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt, a.Text(0), a.Text(1),
              a.Text(2), a.Bool(3), a.Bool(4), a.Bool(5), a.Bool(6), a.Int32(7));
        },
};

}  // namespace reports

}  // namespace orla
