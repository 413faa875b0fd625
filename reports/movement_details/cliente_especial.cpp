// Special-client sales: the period's sales to clients with their own unit prices, newest
// first, with the discount and surcharge measured against the special price.
#include "reports/movement_details/cliente_especial.h"

#include "host/platform.h"
#include "query/fragments.h"
#include "service/caption.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla {

namespace reports {

namespace {

constexpr std::string_view kLayouts[] = {"rptClienteEspecial"};

std::string Table() {
  return std::string(kSpecialClientTable);
}

// The sale's moment, from the fiscal date and the time of day.
constexpr std::string_view kMoment =
    "CAST((CONVERT(VARCHAR(10),a.Data_ECF,111) + ' ' + CONVERT(VARCHAR(8),a.Hora_Movimento,108)) "
    "AS DATETIME)";

constexpr std::string_view kHasSpecialPrice =
    "CAST(CASE "
    "WHEN a.ValorUnitarioClienteEspecial IS NOT NULL AND a.ValorUnitarioClienteEspecial <> 0 "
    "THEN 1 "
    "ELSE 0 "
    "END AS BIT)";

void CreateSpecialClientTable(host::Database& oDB) {
  if (!oDB.IsOpened()) {
    oDB.DB_Open();
  }
  oDB.SQL_Execute("IF OBJECT_ID('TempDB.dbo." + Table() + "') IS NOT NULL \r\nDROP TABLE " +
                  Table());
  std::string sql = "CREATE TABLE ";
  sql += Table() + " ";
  sql += "(IDClienteEspecial VARCHAR(6),";
  sql += "Nome VARCHAR(100),";
  sql += "DataHoraMovimento DATETIME,";
  sql += "COO INTEGER,";
  sql += "QtdeItens INTEGER,";
  sql += "IDECF INTEGER,";
  sql += "Valor_VendaBruta FLOAT,";
  sql += "Valor_Desconto FLOAT,";
  sql += "Valor_Acrescimo FLOAT,";
  sql += "Valor_VendaLiquida FLOAT,";
  sql += "IsSemUsoAD BIT,";
  sql += "IDVenda INTEGER,";
  sql += "TipoDoc VARCHAR(10),";
  sql += "IDFuncionario VARCHAR(6))";
  oDB.SQL_Execute(sql);
}

void FillSpecialClientTable(host::Database& oDB, const std::string& initialDate,
                            const std::string& finalDate, const std::string& Filtro_IDTurno,
                            const std::string& Filtro_IDCliente) {
  const std::string w =
      "AND " + SpecialClientFilter(initialDate, finalDate, Filtro_IDTurno, Filtro_IDCliente) + " ";
  // Unlike the other details, a shift does not lift the fiscal-document condition here.
  const std::string f = query::SaleDocumentCondition("a.", initialDate, finalDate,
                                                     host::CurrentPlatform().Regional());

  std::string sql = "INSERT INTO ";
  sql += Table() + " ";
  sql += "SELECT ";
  sql += "a.IDClienteEspecial,";
  sql += "b.Nome,";
  sql += std::string(kMoment) + " AS DataHoraMovimento,";
  sql += "a.Número_Cupom_Fiscal AS COO,";
  sql += "COUNT(a.Código) AS QtdeItens,";
  sql += "a.Código_ECF AS IDECF,";
  sql += "SUM(a.Valor_Venda) AS Valor_VendaBruta,";

  // Against the special price, the discount is what the special value exceeds the line's.
  sql += "ROUND(SUM(";
  sql += "CASE ";
  sql +=
      "WHEN ((a.ValorUnitarioClienteEspecial IS NOT NULL) AND (a.ValorUnitarioClienteEspecial <> "
      "0)) THEN ";
  sql += "CASE ";
  sql +=
      "WHEN ((a.ValorUnitarioClienteEspecial * a.Qtde) > a.Valor_Venda) THEN "
      "ABS(((a.ValorUnitarioClienteEspecial * a.Qtde) - a.Valor_Venda)) + a.Valor_Desconto ";
  sql += "ELSE 0 ";
  sql += "END ";
  sql += "ELSE a.Valor_Desconto ";
  sql += "END),2) AS Valor_Desconto,";

  // ... and the surcharge what the line's value exceeds the special one.
  sql += "ROUND(SUM(";
  sql += "CASE ";
  sql +=
      "WHEN ((a.ValorUnitarioClienteEspecial IS NOT NULL) AND (a.ValorUnitarioClienteEspecial <> "
      "0)) THEN ";
  sql += "CASE ";
  sql +=
      "WHEN ((a.ValorUnitarioClienteEspecial * a.Qtde) < a.Valor_Venda) THEN "
      "ABS(((a.ValorUnitarioClienteEspecial * a.Qtde) - a.Valor_Venda)) + a.Valor_Acrescimo ";
  sql += "ELSE 0 ";
  sql += "END ";
  sql += "ELSE a.Valor_Acrescimo ";
  sql += "END),2) AS Valor_Acrescimo,";

  sql += "SUM(a.Valor_Venda - a.Valor_Desconto + a.Valor_Acrescimo) AS Valor_VendaLiquida,";
  sql += std::string(kHasSpecialPrice) + " AS IsSemUsoAD,";
  sql += "Código_Venda AS IDVenda,";
  sql += "NULL,";
  sql += "NULL ";

  sql += "FROM ";
  sql += "[Movimentações em Vendas] a WITH (NOLOCK) INNER JOIN [Clientes] b WITH (NOLOCK) ";
  sql += "ON a.IDClienteEspecial = b.Código LEFT JOIN [Movimentações] c WITH (NOLOCK) ";
  sql += "ON a.IDCaixa = c.Código ";
  sql += "WHERE ";
  sql += f;
  sql += " AND ";
  sql += "(a.IsClienteEspecial = 1) AND ";
  sql += "(a.IDClienteEspecial IS NOT NULL) AND ";
  sql += "(a.IsEstornado = 0) ";
  sql += w;

  sql += "GROUP BY ";
  sql += "a.IDClienteEspecial,";
  sql += "b.Nome,";
  sql += std::string(kMoment) + ",";
  sql += "a.Número_Cupom_Fiscal,";
  sql += "a.Código_ECF,";
  sql += std::string(kHasSpecialPrice) + ",";
  sql += "Código_Venda ";
  oDB.SQL_Execute(sql);
}

void MarkFiscalCoupons(host::Database& oDB) {
  std::string sql = "UPDATE ";
  sql += Table() + " ";
  sql += "SET ";
  sql += "TipoDoc = 'C.F.' ";
  sql += "FROM ";
  sql += "(SELECT ";
  sql += "a.Código_Venda ";
  sql += "FROM ";
  sql += "[Movimentações em Vendas] a WITH (NOLOCK) ";
  sql += "WHERE ";
  sql += "(a.Código_Venda IN (";
  sql += "SELECT ";
  sql += "IDVenda ";
  sql += "FROM ";
  sql += Table() + " WITH (NOLOCK))) AND ";
  sql += "(a.ECF = 1)) lista ";
  sql += "WHERE ";
  sql += "(IDVenda = lista.Código_Venda)";
  oDB.SQL_Execute(sql);
}

// A sale on an invoice takes the invoice's kind and number, over the coupon's.
void MarkInvoiceDocuments(host::Database& oDB) {
  std::string sql = "UPDATE ";
  sql += Table() + " ";
  sql += "SET ";
  sql += "TipoDoc = ";
  sql += "CASE ";
  sql += "WHEN lista.Modelo = '55' THEN 'NF-e' ";
  sql += "WHEN lista.Modelo = '59' THEN 'SAT' ";
  sql += "WHEN lista.Modelo = '65' THEN 'NFC-e' ";
  sql += "WHEN lista.Modelo = '01' THEN 'NF' ";
  sql += "ELSE 'Desconhecido' ";
  sql += "END,";
  sql += "COO = lista.Numero_Nota_Fiscal ";
  sql += "FROM ";
  sql += "(SELECT ";
  sql += "a.Codigo_Venda,";
  sql += "c.Modelo,";
  sql += "b.Numero_Nota_Fiscal ";
  sql += "FROM ";
  sql +=
      "[NotasFiscais_Itens] a WITH (NOLOCK) INNER JOIN [NotasFiscais_Movimentos] b WITH (NOLOCK) ";
  sql += "ON a.Codigo_NF = b.Codigo INNER JOIN [Modelo - Notas Fiscais] c WITH (NOLOCK) ";
  sql += "ON b.Codigo_Modelo = c.Código ";
  sql += "WHERE ";
  sql += "(a.Codigo_Venda IN (";
  sql += "SELECT ";
  sql += "IDVenda ";
  sql += "FROM ";
  sql += Table() + " WITH (NOLOCK)))) lista ";
  sql += "WHERE ";
  sql += "(IDVenda = lista.Codigo_Venda)";
  oDB.SQL_Execute(sql);
}

// The employee is named only where the sale has a single line of that employee; the period is
// the fiscal one whatever the shift filter.
void SetSaleEmployees(host::Database& oDB, const std::string& initialDate,
                      const std::string& finalDate) {
  host::HostUtilities& utilities = host::SharedHostUtilities();
  const std::string d1 = utilities.DateForSql(host::Value(initialDate));
  const std::string d2 = utilities.DateForSql(host::Value(finalDate));
  std::string sql = "UPDATE ";
  sql += Table() + " ";
  sql += "SET ";
  sql += "IDFuncionario = lista.IDEmployee ";
  sql += "FROM ";
  sql += "(SELECT ";
  sql += "a.Código_Venda IDCV";
  sql += ",a.Funcionário IDEmployee";
  sql += ",COUNT(*) Qtde ";
  sql += "FROM ";
  sql += "[Movimentações em Vendas] a WITH (NOLOCK) ";
  sql += "WHERE ";
  sql += "(a.Data_ECF BETWEEN '" + d1 + " 00:00:00' AND '" + d2 + " 23:59:59') AND ";
  sql += "(a.IsClienteEspecial = 1) AND ";
  sql += "(a.IDClienteEspecial IS NOT NULL) AND ";
  sql += "(a.IsEstornado = 0) ";
  sql += "GROUP BY ";
  sql += "a.Código_Venda";
  sql += ",a.Funcionário ";
  sql += "HAVING ";
  sql += "COUNT(*) = 1) lista ";
  sql += "WHERE ";
  sql += "(IDVenda = lista.IDCV)";
  oDB.SQL_Execute(sql);
}

host::RecordsetRef OpenSpecialClientSales(host::Database& oDB) {
  std::string sql = "SELECT ";
  sql += "a.IDClienteEspecial,";
  sql += "a.Nome,";
  sql += "a.DataHoraMovimento,";
  sql += "a.COO,";
  sql += "a.QtdeItens,";
  sql += "a.IDECF,";
  sql += "a.Valor_VendaBruta,";
  sql += "a.Valor_Desconto,";
  sql += "a.Valor_Acrescimo,";
  sql += "a.Valor_VendaLiquida,";
  sql += "a.IsSemUsoAD,";
  sql += "a.IDVenda,";
  sql += "a.TipoDoc,";
  sql += "a.IDFuncionario,";
  sql += "b.Nome NomeFuncionario ";
  sql += "FROM ";
  sql += Table() + " a WITH (NOLOCK) ";
  sql += "LEFT JOIN [Funcionários] b WITH (NOLOCK) ON a.IDFuncionario = b.Código ";
  sql += "ORDER BY ";
  sql += "a.DataHoraMovimento DESC,";
  sql += "a.COO DESC";
  return oDB.OpenRecordSet(sql);
}

}  // namespace

std::string SpecialClientFilter(const std::string& initialDate, const std::string& finalDate,
                                const std::string& Filtro_IDTurno,
                                const std::string& Filtro_IDCliente) {
  host::ReportHelper& helper = host::SharedReportHelper();
  auto byId = [&helper](const std::string& id, const std::string& condition) {
    std::string caption;
    return helper.BuildIdFilter(id, condition, host::Value(std::string()), caption);
  };
  std::string c;
  std::string caption;
  c = helper.BuildPeriodFilter(initialDate, finalDate, c, caption);
  c = query::ReplaceIgnoringCase(c, "{c}", query::DateColumnName(!Filtro_IDTurno.empty()));
  c = query::ReplaceIgnoringCase(byId(Filtro_IDTurno, c), "{c}", "c.Caixa");
  c = query::ReplaceIgnoringCase(byId(Filtro_IDCliente, c), "{c}", "b.Código");
  return c;
}

void BuildSpecialClientSales(host::Database& oDB, host::RecordsetRef& recordset,
                             const std::string& initialDate, const std::string& finalDate,
                             const std::string& Filtro_IDCliente,
                             const std::string& Filtro_IDTurno) {
  CreateSpecialClientTable(oDB);
  FillSpecialClientTable(oDB, initialDate, finalDate, Filtro_IDTurno, Filtro_IDCliente);
  MarkFiscalCoupons(oDB);
  MarkInvoiceDocuments(oDB);
  SetSaleEmployees(oDB, initialDate, finalDate);
  recordset = OpenSpecialClientSales(oDB);
}

}  // namespace reports

bool Reports::ClienteEspecial(host::Viewer* oRPTViewer, host::Object* oParentForm,
                              host::Database* oDB, host::Company* oEmpresa, host::Object* oUser,
                              host::ReportRef& oRPT, std::string Filtro_DataInicial,
                              std::string Filtro_DataFinal, std::string Filtro_IDCliente,
                              std::string Filtro_IDTurno) {
  namespace caption = service::caption;
  const service::RequestSteps steps{
      .layout = std::string(reports::kLayouts[0]),
      .caption =
          [&] {
            return "Visão fiscal / " +
                   service::PeriodCaption(Filtro_DataInicial, Filtro_DataFinal) +
                   caption::WhenGiven(Filtro_IDCliente, caption::kClient) +
                   caption::WhenGiven(Filtro_IDTurno, caption::kShift);
          },
      .query =
          [&](host::Database& db) {
            host::RecordsetRef recordset;
            reports::BuildSpecialClientSales(db, recordset, Filtro_DataInicial, Filtro_DataFinal,
                                             Filtro_IDCliente, Filtro_IDTurno);
            return recordset;
          },
  };
  return service::RunRequest(reports::kClienteEspecial.name,
                             {oRPTViewer, oParentForm, oDB, oEmpresa, oUser}, heldReport_, oRPT,
                             Filtro_DataInicial, Filtro_DataFinal, steps);
}

namespace reports {

namespace {

constexpr std::string_view kWorkingTables[] = {kSpecialClientTable};

constexpr Parameter kParameters[] = {
    kDataInicial,
    kDataFinal,
    WithHelp(kIDCliente,
             "Só as vendas a este cliente especial; vazio para todos os clientes especiais."),
    kIDTurnoDatedByOpening,
};
constexpr Rule kRules[] = {kPeriodInOrder};
constexpr ExampleValue kExample[] = {{kDataInicial.name, "01/03/2024"},
                                     {kDataFinal.name, "31/03/2024"}};

}  // namespace

constexpr ReportDescriptor kClienteEspecial{
    .name = "ClienteEspecial",
    .group = "Detalhes dos movimentos",
    .summary =
        "As vendas do período a clientes especiais, das mais novas às mais antigas, com o "
        "desconto e o acréscimo medidos contra o preço especial.",
    .layouts = kLayouts,
    .kind = std::nullopt,
    .builder = "BuildSpecialClientSales",
    .build = nullptr,
    .workingTables = kWorkingTables,
    .parameters = kParameters,
    .rules = kRules,
    .example = kExample,
    .mainTotal = {"Valor_VendaLiquida", "Venda líquida"},
    .invoke =
        [](Reports& r, const service::HostObjects& h, host::ReportRef& rpt,
           const ArgumentList& list) {
          const Positional a(list);
          return r.ClienteEspecial(h.oRPTViewer, h.oParentForm, h.oDB, h.oEmpresa, h.oUser, rpt,
                                   a.Text(0), a.Text(1), a.Text(2), a.Text(3));
        },
};

}  // namespace reports

}  // namespace orla
