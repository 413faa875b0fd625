#include "reports/movement_details/client_details_table.h"

#include "host/platform.h"
#include "query/fragments.h"

namespace orla::reports {

namespace {

std::string Table() {
  return std::string(kClientDetailsTable);
}

// The item's columns, as the insert selects them and as it groups them.
constexpr std::string_view kIsTeclado =
    "CASE "
    "WHEN ((mev.Tipo = 'C') AND (mev.Automação = 0)) THEN 1 "
    "ELSE 0 "
    "END";

std::string Conditions(const ClientDetailsFilters& f) {
  host::ReportHelper& helper = host::SharedReportHelper();
  // Each filter call gets a caption variable of its own, empty; the captions are not used.
  auto byId = [&helper](const std::string& id, const std::string& condition,
                        std::string_view label) {
    std::string caption;
    return helper.BuildIdFilter(id, condition, host::Value(std::string(label)), caption);
  };
  using query::ReplaceIgnoringCase;

  std::string c;
  std::string periodCaption;
  c = helper.BuildPeriodFilter(f.period.Filtro_DataInicial, f.period.Filtro_DataFinal, c,
                               periodCaption);
  c = ReplaceIgnoringCase(c, "{c}", query::DateColumnName(!f.Filtro_IDTurno.empty()));
  c = ReplaceIgnoringCase(byId(f.Filtro_IDProduto, c, "Produto"), "{c}", "mev.IDProduto");
  c = ReplaceIgnoringCase(byId(f.Filtro_IDCliente, c, "Cliente"), "{c}", "mev.Cliente");
  c = ReplaceIgnoringCase(byId(f.Filtro_IDTurno, c, "Turno"), "{c}", "mov.Caixa");
  std::string kindCaption;
  c = query::ProductKindFilter(f.productKinds.Filtro_IsExibirCombustiveis,
                               f.productKinds.Filtro_IsExibirOutrosProdutos, c, kindCaption);
  c = ReplaceIgnoringCase(c, "{c}", "mev.Tipo");
  c = ReplaceIgnoringCase(byId(f.Filtro_IDFuncionario, c, "Funcionário"), "{c}", "mev.Funcionário");
  if (!f.Filtro_FormasDePagto.empty()) {
    c += " AND (tidmdpu.T011_FormaDePagto IN (" + f.Filtro_FormasDePagto + "))";
  }
  return "AND " + c + " ";
}

}  // namespace

void CreateClientDetailsTable(host::Database& oDB) {
  oDB.DB_Open();
  oDB.SQL_Execute("IF OBJECT_ID('TempDB.dbo." + Table() + "') IS NOT NULL \r\nDROP TABLE " +
                  Table());
  std::string sql = "CREATE TABLE ";
  sql += Table() + " ";
  sql += "(ID INTEGER IDENTITY(1, 1) NOT NULL PRIMARY KEY,";
  sql += "IDCliente VARCHAR(6),";
  sql += "NomeCliente VARCHAR(200),";
  sql += "Data_Movimento DATETIME,";
  sql += "Hora_Movimento DATETIME,";
  sql += "Modelo VARCHAR(6),";
  sql += "Número_NF INT,";
  sql += "Código_Venda INT,";
  sql += "IsCVRepeat BIT,";
  sql += "Descrição VARCHAR(200),";
  sql += "T011_FormaDePagto VARCHAR(200),";
  sql += "IsClienteEspecial BIT,";
  sql += "IsTeclado BIT,";
  sql += "Cupom_Complementar BIT,";
  sql += "Placa VARCHAR(20),";
  sql += "Funcionário VARCHAR(6),";
  sql += "Valor_Unitario MONEY,";
  sql += "Valor_Custo MONEY,";
  sql += "QtdeOrig MONEY,";
  sql += "Qtde MONEY,";
  sql += "ValorAcrescimo MONEY,";
  sql += "ValorDesconto MONEY,";
  sql += "ValorTotalOrig MONEY,";
  sql += "ValorTotal MONEY,";
  sql += "PercFormPgto FLOAT,";
  sql += "Motorista VARCHAR(50),";
  sql += "KM INT)";
  oDB.SQL_Execute(sql);
}

void FillClientDetailsTable(host::Database& oDB, const ClientDetailsFilters& f) {
  const std::string c = Conditions(f);
  const bool ignoreComplementary = f.adjustments.Filtro_IsIgnorarADVendaComplementar;
  const bool ignoreOthers = f.adjustments.Filtro_IsIgnorarADOutrosTipos;
  std::string surchargeCaption;
  std::string discountCaption;
  std::string differenceOnly;
  const std::string s = query::ReplaceIgnoringCase(
      query::SurchargeExpression(ignoreComplementary, ignoreOthers, surchargeCaption, true), "{a}",
      "mev.");
  const std::string d =
      query::ReplaceIgnoringCase(query::DiscountExpression(ignoreComplementary, ignoreOthers,
                                                           discountCaption, true, differenceOnly),
                                 "{a}", "mev.");

  std::string sql = "INSERT INTO ";
  sql += Table() + " ";
  sql += "SELECT ";
  sql += "ISNULL(mev.Cliente, '') AS IDCliente,";
  sql += "ISNULL(c.Nome, '') AS NomeCliente,";
  sql += "mev.Data_ECF,";
  sql += "mev.Hora_Movimento,";
  sql += "mnf.Modelo,";
  sql += "mev.Número_NF,";
  sql += "mev.Código_Venda,";
  sql += "0,";
  sql += "mev.Descrição,";
  sql += "tidmdpu.T011_FormaDePagto,";
  sql += "mev.IsClienteEspecial,";
  sql += kIsTeclado;
  sql += " AS IsTeclado,";
  sql += "mev.Cupom_Complementar,";
  sql += "mev.Placa,";
  sql += "mev.Funcionário,";
  sql += "mev.Valor_Unitario,";
  sql += "ROUND (mev.Valor_Custo,3) AS Valor_Custo,";

  sql += "SUM(mev.Qtde) AS QtdeOrig,";
  sql += "SUM(ROUND(mev.Qtde * (tidmdpu.T011_Percentual / 100), 3)) AS Qtde,";
  sql += "SUM(ROUND(" + s + " * (tidmdpu.T011_Percentual / 100), 2)) AS ValorAcrescimo,";
  sql += "SUM(ROUND(" + d + " * (tidmdpu.T011_Percentual / 100), 2)) AS ValorDesconto,";
  sql += "SUM((mev.Valor_Venda - " + d + " + " + s + ")) AS ValorTotalOrig,";
  sql += "SUM(ROUND((mev.Valor_Venda - " + d + " + " + s +
         ") * (tidmdpu.T011_Percentual / 100), 2)) AS ValorTotal,";
  sql += "tidmdpu.T011_Percentual AS PercFormPgto,";
  sql += "NULL,";
  sql += "NULL ";

  sql += "FROM ";
  sql +=
      "[Movimentações em Vendas] mev WITH (NOLOCK) INNER JOIN "
      "[T011_ImagemDosMeiosDePagtoUtilizados] tidmdpu WITH (NOLOCK) ";
  sql +=
      "ON mev.Código_Venda = tidmdpu.IDVenda AND mev.Código_ECF = tidmdpu.IDECF INNER JOIN "
      "[NotasFiscais_Itens] nfi WITH (NOLOCK) ";
  sql +=
      "ON mev.Código_Venda = nfi.Codigo_Venda INNER JOIN [NotasFiscais_Movimentos] nfm WITH "
      "(NOLOCK) ";
  sql += "ON nfm.Codigo = nfi.Codigo_NF INNER JOIN [Modelo - Notas Fiscais] mnf WITH (NOLOCK) ";
  sql += "ON mnf.Código = nfm.Codigo_Modelo LEFT JOIN [Clientes] c ";
  sql += "ON c.Código = mev.Cliente LEFT JOIN [Movimentações] mov WITH (NOLOCK) ";
  sql += "ON mev.IDCaixa = mov.Código ";

  sql += "WHERE ";
  // A shift is a till period: its lines count whatever document they stand on.
  sql += f.Filtro_IDTurno.empty()
             ? query::SaleDocumentCondition("mev.", f.period.Filtro_DataInicial,
                                            f.period.Filtro_DataFinal,
                                            host::CurrentPlatform().Regional())
             : std::string("(mev.IDCaixa IS NOT NULL)");
  sql += " AND ";
  sql += "(mev.IsEstornado = 0) AND ";
  sql += "(mev.Transferência = 0) ";
  sql += c;

  sql += "GROUP BY ";
  sql += "ISNULL(mev.Cliente, ''),";
  sql += "ISNULL(c.Nome, ''),";
  sql += "mev.Data_ECF,";
  sql += "mev.Hora_Movimento,";
  sql += "mnf.Modelo,";
  sql += "mev.Número_NF,";
  sql += "mev.Código_Venda,";
  sql += "mev.Descrição,";
  sql += "tidmdpu.T011_FormaDePagto,";
  sql += "mev.IsClienteEspecial,";
  sql += kIsTeclado;
  sql += ",";
  sql += "mev.Cupom_Complementar,";
  sql += "mev.Placa,";
  sql += "mev.Funcionário,";
  sql += "mev.Valor_Unitario,";
  sql += "mev.Valor_Custo,";
  sql += "tidmdpu.T011_Percentual ";

  sql += "ORDER BY ";
  sql += "mev.Data_ECF ASC,";
  sql += "mev.Hora_Movimento ASC";
  oDB.SQL_Execute(sql);

  std::string drivers = "UPDATE ";
  drivers += Table() + " ";
  drivers += "SET ";
  drivers += "Motorista = lista.T006_Motorista";
  drivers += ",KM = ";
  drivers += "CASE ";
  drivers += "WHEN lista.T006_KM = 0 THEN NULL ";
  drivers += "ELSE lista.T006_KM ";
  drivers += "END ";
  drivers += "FROM ";
  drivers += "(SELECT ";
  drivers += "a.IDVenda";
  drivers += ",a.T006_Motorista";
  drivers += ",a.T006_KM ";
  drivers += "FROM ";
  drivers += "[T006_CupomNominalPorMovimento] a WITH (NOLOCK) ";
  drivers += "WHERE ";
  drivers += "(a.IDVenda IN (";
  drivers += "SELECT DISTINCT ";
  drivers += "Código_Venda ";
  drivers += "FROM ";
  drivers += Table() + " WITH (NOLOCK)))) lista ";
  drivers += "WHERE ";
  drivers += "(Código_Venda = lista.IDVenda)";
  oDB.SQL_Execute(drivers);

  // The forms' short names fit the report's narrow column; the filter above used the full ones.
  std::string forms = "UPDATE ";
  forms += Table() + " ";
  forms += "SET ";
  forms += "T011_FormaDePagto =";
  forms += "CASE ";
  forms += "WHEN T011_FormaDePagto = 'Cheque a Prazo' THEN 'Ch.Prazo' ";
  forms += "WHEN T011_FormaDePagto = 'Cheque a Vista' THEN 'Ch.Vista' ";
  forms += "WHEN T011_FormaDePagto = 'Crédito em Haver' THEN 'Créd.' ";
  forms += "WHEN T011_FormaDePagto = 'Dinheiro' THEN 'Dinh.' ";
  forms += "WHEN T011_FormaDePagto = 'Requisição' THEN 'Req.' ";
  forms += "WHEN T011_FormaDePagto = 'Ticket Abastecimento' THEN 'Ticked Ab.' ";
  forms += "WHEN T011_FormaDePagto = 'Vale Frete' THEN 'Vl.Frete' ";
  forms += "ELSE T011_FormaDePagto ";
  forms += "END";
  oDB.SQL_Execute(forms);
}

void MarkRepeatedSales(host::Database& oDB) {
  std::string sql = "UPDATE ";
  sql += Table() + " ";
  sql += "SET ";
  sql += "IsCVRepeat = ";
  sql += "CASE ";
  sql += "WHEN (lst.CountRepeat > 1) THEN 1 ";
  sql += "ELSE 0 ";
  sql += "END ";
  sql += "FROM ";
  sql += "(SELECT ";
  sql += "COUNT (a.Código_Venda) AS CountRepeat,";
  sql += "a.Código_Venda AS IDVenda ";
  sql += "FROM ";
  sql += Table() + " a WITH (NOLOCK) ";
  sql += "GROUP BY ";
  sql += "a.Código_Venda) AS lst ";
  sql += "WHERE ";
  sql += "(Código_Venda = lst.IDVenda)";
  oDB.SQL_Execute(sql);
}

}  // namespace orla::reports
