// Fuel movement by complementary sale: the fuel sold on complementary sale documents, per
// sale type and product.
#include "reports/fuel_movement/movimentacao_de_combustiveis_por_venda_complementar.h"

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

constexpr int32_t kKind = 2;
constexpr std::string_view kLayouts[] = {"rptMovimentacaoDeCombustiveisPorCupomComplementar"};

}  // namespace

std::string MovimentacaoDeCombustiveisPorVendaComplementarSQL(
    const ComplementarySaleRequest& request) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  host::ReportHelper& helper = host::SharedReportHelper();
  const Period& period = request.period;

  // Shifts exist only in the till periods, which are dated by their opening.
  std::string unusedCaption;
  std::string filter = query::ReplaceIgnoringCase(
      helper.BuildPeriodFilter(period.Filtro_DataInicial, period.Filtro_DataFinal, "",
                               unusedCaption),
      "{c}", query::DateColumnName(!request.Filtro_IDTurno.empty()));
  filter = query::ReplaceIgnoringCase(
      helper.BuildIdFilter(request.Filtro_IDTurno, filter, host::Value(int32_t{0}), unusedCaption),
      "{c}", "c.Caixa");
  filter = "AND " + filter + " ";
  const std::string documents = query::SaleDocumentCondition("b.", period.Filtro_DataInicial,
                                                             period.Filtro_DataFinal, regional);

  std::string sql = "SELECT ";
  sql += "b.Tipo,";
  sql += "b.Descrição,";
  sql += "SUM(b.Qtde) AS Qtde,";
  sql += "SUM(b.Valor_Custo * b.Qtde) AS PM_Custo,";
  sql += "SUM(b.Valor_Venda - b.Valor_Desconto + b.Valor_Acrescimo) AS PM_Venda,";
  sql +=
      "(SUM(b.Valor_Venda - b.Valor_Desconto + b.Valor_Acrescimo) - SUM(b.Valor_Custo * b.Qtde)) "
      "AS VL_Lucro,";
  sql += "SUM(b.Valor_Acrescimo) AS Valor_Acrescimo,";
  sql += "SUM(b.Valor_Desconto) AS Valor_Desconto,";
  sql += "SUM(b.Valor_Venda) AS Valor_Venda ";
  sql += "FROM ";
  sql += "[Produtos] a WITH (NOLOCK) INNER JOIN [Movimentações em Vendas] b WITH (NOLOCK) ";
  sql += "ON a.Código = b.IDProduto LEFT JOIN [Movimentações] c WITH (NOLOCK) ";
  sql += "ON b.IDCaixa = c.Código ";
  sql += "WHERE ";
  sql += documents;
  sql += " AND ";
  sql += "(b.IsEstornado = 0) AND ";
  sql += "(b.Transferência = 0) AND ";
  sql += "(b.Tipo = 'C') AND ";
  sql += "(b.Cupom_Complementar <> 0) ";
  sql += filter;
  sql += "GROUP BY ";
  sql += "b.Tipo,";
  sql += "b.Descrição ";
  sql += "ORDER BY ";
  sql += "b.Descrição";
  return sql;
}

}  // namespace reports

bool Reports::MovimentacaoDeCombustiveisPorVendaComplementar(
    host::Viewer* oRPTViewer, host::Object* oParentForm, host::Database* oDB,
    host::Company* oEmpresa, host::Object* oUser, host::ReportRef& oRPT,
    std::string Filtro_DataInicial, std::string Filtro_DataFinal, std::string Filtro_IDTurno) {
  namespace caption = service::caption;
  const service::RequestSteps steps{
      .layout = std::string(reports::kLayouts[0]),
      .caption =
          [&] {
            return "Visão fiscal / " +
                   service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDTurno, caption::kShift);
          },
      .query =
          [&](host::Database& db) {
            return db.OpenRecordSet(query::GetSQL(
                reports::kKind, 0, 0, {Filtro_DataInicial, Filtro_DataFinal, Filtro_IDTurno}, &db,
                nullptr, reports::QueryBuilderTable()));
          },
  };
  return service::RunRequest(reports::kMovimentacaoDeCombustiveisPorVendaComplementar.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

std::string BuildFromArguments(const query::BuilderArguments& a) {
  return MovimentacaoDeCombustiveisPorVendaComplementarSQL({PeriodAt(a, 1), a.Text(3)});
}

constexpr Parameter kParameters[] = {kDataInicial, kDataFinal, kIDTurnoDatedByOpening};
constexpr Rule kRules[] = {kPeriodInOrder};
constexpr ExampleValue kExample[] = {{kDataInicial.name, "01/03/2024"},
                                     {kDataFinal.name, "31/03/2024"}};

}  // namespace

constexpr ReportDescriptor kMovimentacaoDeCombustiveisPorVendaComplementar{
    .name = "MovimentacaoDeCombustiveisPorVendaComplementar",
    .group = "Movimentação de combustíveis",
    .summary =
        "O combustível vendido em cupons complementares, por produto: quantidade, custo, "
        "venda líquida, lucro bruto, acréscimos, descontos e venda bruta.",
    .layouts = kLayouts,
    .kind = kKind,
    .builder = "MovimentacaoDeCombustiveisPorVendaComplementarSQL",
    .build = BuildFromArguments,
    .workingTables = {},
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"PM_Venda", "Venda líquida"},
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.MovimentacaoDeCombustiveisPorVendaComplementar(h.oRPTViewer, h.oParentForm,
                                                                  h.oDB, h.oEmpresa, h.oUser, rpt,
                                                                  a.Text(0), a.Text(1), a.Text(2));
        },
};

}  // namespace reports

}  // namespace orla
