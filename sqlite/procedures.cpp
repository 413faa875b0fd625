#include "sqlite/procedures.h"

#include <atomic>

#include <unistd.h>

#include "host/errors.h"
#include "host/regional_settings.h"
#include "sqlite/date_text.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite {

namespace {

class Arguments {
 public:
  Arguments(std::string_view procedure, std::vector<host::Parameter>& parameters)
      : procedure_(procedure), parameters_(parameters) {}

  host::DateTime Date(std::string_view name) { return regional_.ToDate(Input(name)); }
  bool Flag(std::string_view name) { return regional_.ToBoolean(Input(name)); }
  std::string Text(std::string_view name) {
    const host::Value& value = Input(name);
    return value.IsNull() ? std::string() : regional_.ToText(value);
  }
  void SetOutput(std::string_view name, host::Value value) { Find(name).value = std::move(value); }

 private:
  host::Parameter& Find(std::string_view name) {
    for (host::Parameter& parameter : parameters_) {
      std::string_view bare = parameter.name;
      if (bare.starts_with("@")) {
        bare.remove_prefix(1);
      }
      if (tsql::EqualsIgnoreCase(bare, name)) {
        return parameter;
      }
    }
    throw host::DatabaseError("Procedure or function '" + procedure_ + "' expects parameter '@" +
                                  std::string(name) + "', which was not supplied.",
                              "EXEC " + procedure_);
  }
  const host::Value& Input(std::string_view name) {
    static const host::Value kNull;
    const host::Parameter& parameter = Find(name);
    return parameter.value ? *parameter.value : kNull;
  }

  std::string procedure_;
  std::vector<host::Parameter>& parameters_;
  host::RegionalSettings regional_ = host::RegionalSettings::Brazilian();
};

std::string PeriodStart(const host::DateTime& day) {
  return StoredDateText(day.DateOnly());
}
std::string PeriodEnd(const host::DateTime& day) {
  return StoredDateText(host::DateTime::FromDays(day.Days(), 86399));
}

// A sale counts in the fiscal view when it stands on a fiscal document: the coupon printer,
// a consumer note (NFC-e, SAT) or an invoice.
constexpr const char* kFiscalDocument =
    "(m.\"ECF\" = 1 OR m.\"NFConsumidor_Modelo\" IS NOT NULL OR m.\"NF\" = 1)";

void SalesByReceiptType(Connection& connection, Arguments& arguments) {
  const std::string from = PeriodStart(arguments.Date("dtInicial"));
  const std::string to = PeriodEnd(arguments.Date("dtFinal"));
  const std::string key = NewRunKey();
  connection.Exec(
      "CREATE TABLE IF NOT EXISTS tempdb.\"###vtr_rpt\" (\"WorkStationID\" VARCHAR(200) COLLATE "
      "TSQL, \"FormaPagto\" VARCHAR(100) COLLATE TSQL, \"IsCartaoCredito\" BIT, "
      "\"IsCartaoDebito\" BIT, \"IsFrota\" BIT, \"IsCarteiraDigital\" BIT, \"IsPix\" BIT, "
      "\"QtdeVendas\" INTEGER, \"VLTotal\" MONEY REAL, \"VLTroco\" MONEY REAL, \"VLLiquido\" "
      "MONEY REAL, \"VLTicketMedio\" MONEY REAL, \"TxParticipacao\" FLOAT)");
  // The sales of the period: by fiscal date, on a fiscal document, with at least one line
  // neither reversed nor a transfer. Per payment form of those sales:
  //   QtdeVendas     sales paid wholly or partly with the form;
  //   VLTotal        what the form received (T011_Valor, change included);
  //   VLTroco        the change given back out of it (T011_Troco);
  //   VLLiquido      VLTotal - VLTroco, what the form really paid;
  //   VLTicketMedio  VLLiquido / QtdeVendas;
  //   TxParticipacao the form's VLLiquido in percent of all forms' VLLiquido.
  PreparedStatement insert(
      connection,
      std::string("WITH vendas AS (SELECT DISTINCT m.\"Código_Venda\" AS IDVenda FROM "
                  "main.\"Movimentações em Vendas\" m WHERE m.\"Data_ECF\" BETWEEN ?2 AND ?3 AND "
                  "m.\"IsEstornado\" = 0 AND m.\"Transferência\" = 0 AND ") +
          kFiscalDocument +
          "), formas AS (SELECT t.\"T010_ID\" AS ID, COUNT(DISTINCT t.\"IDVenda\") AS Qtde, "
          "SUM(t.\"T011_Valor\") AS Total, SUM(t.\"T011_Troco\") AS Troco FROM "
          "main.\"T011_ImagemDosMeiosDePagtoUtilizados\" t JOIN vendas v ON v.IDVenda = "
          "t.\"IDVenda\" GROUP BY t.\"T010_ID\"), geral AS (SELECT SUM(Total - Troco) AS "
          "Liquido FROM formas) "
          "INSERT INTO tempdb.\"###vtr_rpt\" (\"WorkStationID\", \"FormaPagto\", "
          "\"IsCartaoCredito\", \"IsCartaoDebito\", \"IsFrota\", \"IsCarteiraDigital\", "
          "\"IsPix\", \"QtdeVendas\", \"VLTotal\", \"VLTroco\", \"VLLiquido\", "
          "\"VLTicketMedio\", \"TxParticipacao\") "
          "SELECT ?1, f.\"T010_Descricao\", f.\"IsCartaoCredito\", f.\"IsCartaoDebito\", "
          "f.\"IsFrota\", f.\"IsCarteiraDigital\", f.\"IsPix\", p.Qtde, ROUND(p.Total, 2), "
          "ROUND(p.Troco, 2), ROUND(p.Total - p.Troco, 2), ROUND((p.Total - p.Troco) / p.Qtde, "
          "2), CASE WHEN g.Liquido <> 0 THEN ROUND(100.0 * (p.Total - p.Troco) / g.Liquido, 2) "
          "ELSE 0 END FROM formas p JOIN main.\"T010_FormasDePagto\" f ON f.\"T010_ID\" = p.ID "
          "CROSS JOIN geral g");
  Transaction transaction(connection);
  insert.Bind(1, host::Value(key)).Bind(2, host::Value(from)).Bind(3, host::Value(to)).Run();
  transaction.Commit();
  arguments.SetOutput("IDRetorno", host::Value(key));
}

// "12,15" (blanks and quotes tolerated) as an SQL list of whole numbers.
std::string ProductList(const std::string& text) {
  std::string list;
  std::string number;
  auto flush = [&] {
    if (!number.empty()) {
      list += (list.empty() ? "" : ",") + number;
      number.clear();
    }
  };
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      number += c;
    } else if (c == ',') {
      flush();
    } else if (c != ' ' && c != '\'') {
      throw host::DatabaseError(
          "IDProdutos must list product codes separated by commas, not '" + text + "'",
          "EXEC _VendasPorGrupoDeProdutosPorFormaDePagto");
    }
  }
  flush();
  return list;
}

void SalesByGroupAndPaymentForm(Connection& connection, Arguments& arguments) {
  const bool ignoreComplementary = arguments.Flag("IsIgnorarDescontoCC");
  const bool ignoreOthers = arguments.Flag("IsIgnorarDescontoOT");
  const bool fuels = arguments.Flag("IsCombustiveis");
  const bool others = arguments.Flag("IsOutrosProdutos");
  const std::string products = ProductList(arguments.Text("IDProdutos"));
  const std::string from = PeriodStart(arguments.Date("dtInicial"));
  const std::string to = PeriodEnd(arguments.Date("dtFinal"));
  const bool financial = arguments.Flag("IsVisaoFinanceira");
  const std::string key = NewRunKey();
  connection.Exec(
      "CREATE TABLE IF NOT EXISTS tempdb.\"###VendasF\" (\"WorkStationID\" VARCHAR(200) COLLATE "
      "TSQL, \"Grupo\" VARCHAR(100) COLLATE TSQL, \"FP\" VARCHAR(100) COLLATE TSQL, \"DtMov\" "
      "DATETIME TEXT, \"Qtde\" FLOAT, \"Valor\" MONEY REAL)");
  // The sale lines of the period, neither reversed nor transfers: in the financial view
  // those of the till periods opened in it (by opening date), in the fiscal view those on a
  // fiscal document (by fiscal date). Kinds as the report's switches select them (neither
  // switch: the other products, as everywhere in the reports); products from IDProdutos
  // when given. Each line is split over the payment forms of its sale by their shares:
  //   Qtde   quantity times the form's share;
  //   Valor  net value (sale value less discount plus surcharge, leaving out the discounts
  //          and surcharges the two Ignorar switches name) times the form's share;
  // summed per group, payment form and day (DtMov, at midnight).
  const std::string day = financial ? "SUBSTR(c.\"Data_Abertura\", 1, 10) || ' 00:00:00'"
                                    : "SUBSTR(m.\"Data_ECF\", 1, 10) || ' 00:00:00'";
  const std::string period =
      financial ? "c.\"Data_Abertura\" BETWEEN ?2 AND ?3"
                : std::string("m.\"Data_ECF\" BETWEEN ?2 AND ?3 AND ") + kFiscalDocument;
  const std::string kinds = fuels && others ? "('C','P')" : fuels ? "('C')" : "('P')";
  auto adjustment = [&](const char* column) {
    return std::string("CASE WHEN m.\"Cupom_Complementar\" = 1 THEN ") +
           (ignoreComplementary ? "0" : std::string("m.\"") + column + "\"") + " ELSE " +
           (ignoreOthers ? "0" : std::string("m.\"") + column + "\"") + " END";
  };
  PreparedStatement insert(
      connection,
      "INSERT INTO tempdb.\"###VendasF\" (\"WorkStationID\", \"Grupo\", \"FP\", \"DtMov\", "
      "\"Qtde\", \"Valor\") SELECT ?1, g.\"Descrição\", t.\"T011_FormaDePagto\", " +
          day +
          " AS Dia, ROUND(SUM(m.\"Qtde\" * t.\"T011_Percentual\" / 100.0), 3), "
          "ROUND(SUM((m.\"Valor_Venda\" - " +
          adjustment("Valor_Desconto") + " + " + adjustment("Valor_Acrescimo") +
          ") * t.\"T011_Percentual\" / 100.0), 2) FROM main.\"Movimentações em Vendas\" m "
          "JOIN main.\"Produtos\" p ON p.\"Código\" = m.\"IDProduto\" JOIN main.\"Grupos\" g ON "
          "g.\"Código\" = p.\"Grupo\" JOIN main.\"T011_ImagemDosMeiosDePagtoUtilizados\" t ON "
          "t.\"IDVenda\" = m.\"Código_Venda\" LEFT JOIN main.\"Movimentações\" c ON c.\"Código\" "
          "= m.\"IDCaixa\" WHERE m.\"IsEstornado\" = 0 AND m.\"Transferência\" = 0 AND " +
          period + " AND m.\"Tipo\" IN " + kinds +
          (products.empty() ? "" : " AND m.\"IDProduto\" IN (" + products + ")") +
          " GROUP BY g.\"Descrição\", t.\"T011_FormaDePagto\", Dia");
  Transaction transaction(connection);
  insert.Bind(1, host::Value(key)).Bind(2, host::Value(from)).Bind(3, host::Value(to)).Run();
  transaction.Commit();
  arguments.SetOutput("IDRetorno", host::Value(key));
}

}  // namespace

std::string NewRunKey() {
  static std::atomic<int64_t> runs{0};
  return "ORLA-" + std::to_string(getpid()) + "-" + std::to_string(++runs);
}

void RunStoredProcedure(Connection& connection, std::string_view name,
                        std::vector<host::Parameter>& parameters) {
  Arguments arguments(name, parameters);
  if (tsql::EqualsIgnoreCase(name, "_RPT_VTR")) {
    SalesByReceiptType(connection, arguments);
  } else if (tsql::EqualsIgnoreCase(name, "_VendasPorGrupoDeProdutosPorFormaDePagto")) {
    SalesByGroupAndPaymentForm(connection, arguments);
  } else {
    throw host::DatabaseError("Could not find stored procedure '" + std::string(name) + "'.",
                              "EXEC " + std::string(name));
  }
}

}  // namespace orla::sqlite
