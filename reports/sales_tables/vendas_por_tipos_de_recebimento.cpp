// Sales by receipt type: the period's sales per payment form, grouped by credit, debit,
// fleet, digital wallet, instant payment and other forms, from the database's own procedure.
#include "reports/sales_tables/vendas_por_tipos_de_recebimento.h"

#include "host/command.h"
#include "host/platform.h"
#include "query/get_sql.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

constexpr std::string_view kProcedure = "_RPT_VTR";

// A form carrying several flags takes the type of its first matching branch.
constexpr std::string_view kReceiptTypesHead =
    "SELECT CASE WHEN vr.IsCartaoCredito = 1 THEN 'Cartão de Crédito' WHEN vr.IsCartaoDebito = 1 "
    "THEN 'Cartão de Débito' WHEN vr.IsCarteiraDigital = 1 THEN 'Carteira Digital' WHEN "
    "vr.IsFrota = 1 THEN 'Cartão Frota' WHEN vr.IsPix = 1 THEN 'PIX' ELSE 'Outras Formas' END AS "
    "TipoRecebimento,vr.FormaPagto,vr.QtdeVendas,vr.VLTotal,vr.VLTroco,vr.VLLiquido,"
    "vr.VLTicketMedio,vr.TxParticipacao FROM ###vtr_rpt AS vr WITH (NOLOCK) WHERE "
    "(vr.WorkStationID = '";
constexpr std::string_view kReceiptTypesTail = "') ORDER BY TipoRecebimento ASC,vr.FormaPagto ASC";

}  // namespace

std::string VendasPorTiposDeRecebimentoSQL(host::Database& oDB,
                                           const query::ReceiptTypeRequest& request) {
  oDB.DB_Open();
  host::Platform& platform = host::CurrentPlatform();
  const host::RegionalSettings& regional = platform.Regional();
  const std::unique_ptr<host::Command> command = platform.CreateCommand(host::kCommandProgId);
  host::Require(command.get(), "command").SetActiveConnection(oDB.GetConnectionString());
  command->SetCommandTimeout(0);
  command->SetCommandType(host::ado::kCmdStoredProc);
  command->SetCommandText(std::string(kProcedure));
  command->Parameters().Append(
      command->CreateParameter("dtInicial", host::ado::kDate, host::ado::kParamInput, 0,
                               regional.ToDate(host::Value(request.period.Filtro_DataInicial))));
  command->Parameters().Append(
      command->CreateParameter("dtFinal", host::ado::kDate, host::ado::kParamInput, 0,
                               regional.ToDate(host::Value(request.period.Filtro_DataFinal))));
  command->Parameters().Append(
      command->CreateParameter("IDRetorno", host::ado::kVarChar, host::ado::kParamOutput, 200));
  command->Execute();
  // The run key goes between the quotes exactly as the procedure returned it.
  const std::string key = regional.ToText(command->Item("IDRetorno"));
  return std::string(kReceiptTypesHead) + key + std::string(kReceiptTypesTail);
}

}  // namespace reports

bool Reports::VendasPorTiposDeRecebimento(host::Viewer* oRPTViewer, host::Object* oParentForm,
                                          host::Database* oDB, host::Company* oEmpresa,
                                          host::Object* oUser, host::ReportRef& oRPT,
                                          std::string Filtro_DataInicial,
                                          std::string Filtro_DataFinal) {
  const service::RequestSteps steps{
      .layout = "rptVendasPorTiposDeRecebimento",
      .caption =
          [&] {
            return "Visão fiscal / " + service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(
                query::GetSQL(static_cast<int32_t>(query::ReportKind::VendasPorTiposDeRecebimento),
                              0, 0, {Filtro_DataInicial, Filtro_DataFinal}, &db));
          },
      .closesConnection = true,
  };
  return service::RunRequest("VendasPorTiposDeRecebimento",
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

}  // namespace orla
