// Sales table by product group and payment form: amounts per payment form crossed with the
// product group or the movement date, from the database's own procedure.
#include "reports/fuel_movement/tabela_de_vendas_por_grupo_de_produtos_por_forma_de_pagto.h"

#include "host/command.h"
#include "host/platform.h"
#include "query/fragments.h"
#include "query/get_sql.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

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
    host::Database& oDB, const query::PaymentFormTableRequest& request) {
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
  const query::AdjustmentSwitches& ad = request.adjustments;
  const query::ProductKindSwitches& kinds = request.productKinds;
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

namespace {

std::string LayoutOf(int32_t Filtro_TipoRelatorio) {
  switch (Filtro_TipoRelatorio) {
    case 0:
      return "rptTabelaDeVendasPorGrupoDeProdutosPorFormaDePagto";
    case 3:
      return "rptVendasPorFormasDePagtoPorGrupoDeProdutos";
    default:
      return "rptTabelaDeVendasPorDtMovPorFormaDePagto";
  }
}

}  // namespace

bool Reports::TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDProduto,
    bool Filtro_IsIgnorarADVendaComplementar, bool Filtro_IsIgnorarADOutrosTipos,
    bool Filtro_IsExibirCombustiveis, bool Filtro_IsExibirOutrosProdutos,
    int32_t Filtro_TipoRelatorio) {
  namespace caption = service::caption;
  const service::RequestSteps steps{
      .layout = LayoutOf(Filtro_TipoRelatorio),
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
                static_cast<int32_t>(
                    query::ReportKind::TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto),
                0, 0,
                {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDProduto,
                 Filtro_IsIgnorarADVendaComplementar, Filtro_IsIgnorarADOutrosTipos,
                 Filtro_IsExibirCombustiveis, Filtro_IsExibirOutrosProdutos, Filtro_TipoRelatorio},
                &db));
          },
      .closesConnection = true,
  };
  return service::RunRequest("TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
