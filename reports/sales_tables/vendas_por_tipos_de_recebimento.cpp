// Sales by receipt type: the period's sales per payment form, grouped by credit, debit,
// fleet, digital wallet, instant payment and other forms, from the database's own procedure.
#include "reports/sales_tables/vendas_por_tipos_de_recebimento.h"

#include "host/command.h"
#include "host/platform.h"
#include "query/get_sql.h"
#include "reports/movement_details/detalhes_dos_movimentos_por_clientes.h"
#include "reports/report_list.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

constexpr int32_t kKind = 10;
constexpr std::string_view kLayouts[] = {"rptVendasPorTiposDeRecebimento"};
// The procedure's work table, shared by every connection; its rows carry their run's key.
constexpr std::string_view kWorkingTables[] = {"###vtr_rpt"};

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

std::string VendasPorTiposDeRecebimentoSQL(host::Database& oDB, const ReceiptTypeRequest& request) {
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
      .layout = std::string(reports::kLayouts[0]),
      .caption =
          [&] {
            return "Visão fiscal / " + service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(query::GetSQL(reports::kKind, 0, 0,
                                                  {Filtro_DataInicial, Filtro_DataFinal}, &db,
                                                  nullptr, reports::QueryBuilderTable()));
          },
      .closesConnection = true,
  };
  return service::RunRequest(reports::kVendasPorTiposDeRecebimento.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return VendasPorTiposDeRecebimentoSQL(a.Database(), {PeriodAt(a, 1)});
}

constexpr Parameter kParameters[] = {kDataInicial, kDataFinal};
constexpr Rule kRules[] = {kPeriodInOrder};
constexpr ExampleValue kExample[] = {{kDataInicial.name, "01/03/2024"},
                                     {kDataFinal.name, "31/03/2024"}};

constexpr std::string_view kForm[] = {"FormaPagto"};
constexpr DrillValue kFormKey[] = {
    {kFormasDePagtoName, "FormaPagto", DrillValue::From::QuotedName}};
constexpr Drill kDrills[] = {
    {.fields = kForm,
     .target = &kDetalhesDosMovimentosPorClientes,
     .values = kFormKey,
     .note = "The details list the items of the sales paid in that form, counted item by item; "
             "their total need not equal the form's figure here."},
};

}  // namespace

constexpr ReportDescriptor kVendasPorTiposDeRecebimento{
    .name = "VendasPorTiposDeRecebimento",
    .group = "Tabelas de vendas",
    .summary =
        "As vendas do período por forma de pagamento, agrupadas em cartão de crédito, "
        "cartão de débito, carteira digital, cartão frota, PIX e outras formas.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "VendasPorTiposDeRecebimentoSQL",
    .build = BuildFromArguments,
    .workingTables = kWorkingTables,
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"VLLiquido", "Valor líquido"},
    .drills = kDrills,
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.VendasPorTiposDeRecebimento(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa,
                                               h.oUser, rpt, a.Text(0), a.Text(1));
        },
};

}  // namespace reports

}  // namespace orla
