#include "sqlite/procedures.h"

#include <atomic>
#include <map>
#include <optional>

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

// Money is summed in whole ten-thousandths (SQL Server's MONEY), so that a sum is exact and a
// half cent rounds away from zero as SQL Server's ROUND does, never down by float drift.
std::string MoneyUnits(const std::string& amount) {
  return "CAST(ROUND((" + amount + ") * 10000) AS INTEGER)";
}

// numerator / denominator rounded half away from zero, in integers; denominator > 0.
std::string RoundedDivision(const std::string& numerator, const std::string& denominator) {
  return "(CASE WHEN (" + numerator + ") >= 0 THEN ((" + numerator + ") * 2 + (" + denominator +
         ")) / (2 * (" + denominator + ")) ELSE -((-(" + numerator + ")) * 2 + (" + denominator +
         ")) / (2 * (" + denominator + ")) END)";
}

// Whole ten-thousandths as an amount rounded to cents.
std::string UnitsToCents(const std::string& units) {
  return RoundedDivision(units, "100") + " / 100.0";
}

// The lines of one run that the fiscal view counts, in a scratch table of the connection's
// own (SQLite's temp schema, which no other connection sees or locks): by fiscal date in the
// period, neither reversed nor a transfer, and on a sale document. The procedures hold the
// rule as the database's own text, apart from the library's: a line on a fiscal coupon
// printer or on a consumer note; or on a sale note of the station itself (not a third
// party's), standalone only when it moves stock, whose operation code is a sale and whose
// sale no electronic-note request of type 0 in the period covers.
class FiscalLines {
 public:
  FiscalLines(Connection& connection, const host::DateTime& from, const host::DateTime& to)
      : connection_(connection) {
    connection_.Exec(
        "DROP TABLE IF EXISTS temp.\"LinhasFiscais\"; CREATE TEMP TABLE \"LinhasFiscais\" "
        "(\"Código\" INTEGER, \"Código_Venda\" INTEGER)");
    PreparedStatement insert(
        connection_,
        "INSERT INTO temp.\"LinhasFiscais\" SELECT m.\"Código\", m.\"Código_Venda\" FROM "
        "main.\"Movimentações em Vendas\" m WHERE m.\"Data_ECF\" BETWEEN ?1 AND ?2 AND "
        "m.\"IsEstornado\" = 0 AND m.\"Transferência\" = 0 AND (m.\"ECF\" = 1 OR "
        "(m.\"ECF\" = 0 AND m.\"NFConsumidor_Modelo\" IS NOT NULL) OR (m.\"ECF\" = 0 AND "
        "m.\"NF\" = 1 AND m.\"IsNFTerceiro\" = 0 AND (m.\"IsNFAvulsa\" = 0 OR "
        "(m.\"IsNFAvulsa\" = 1 AND m.\"IsMovimentacaoFisicaDoEstoque\" = 1)) AND "
        "m.\"S010_ID\" IN (SELECT \"S010_ID\" FROM main.\"S010_CFOP\" WHERE "
        "\"S010_IsVenda\" = 1) AND m.\"Código_Venda\" NOT IN (SELECT i.\"Codigo_Venda\" FROM "
        "main.\"T008_Nfe_Solicitacoes\" r JOIN main.\"NotasFiscais_Itens\" i ON "
        "i.\"Codigo_NF\" = r.\"T008_IDNF\" WHERE r.\"T008_Tipo\" = 0 AND "
        "r.\"T008_DataHora\" BETWEEN ?1 AND ?2)))");
    insert.Bind(1, host::Value(PeriodStart(from))).Bind(2, host::Value(PeriodEnd(to))).Run();
  }
  ~FiscalLines() {
    try {
      connection_.Exec("DROP TABLE IF EXISTS temp.\"LinhasFiscais\"");
    } catch (const host::DatabaseError&) {
      // The table goes with the connection.
    }
  }
  FiscalLines(const FiscalLines&) = delete;
  FiscalLines& operator=(const FiscalLines&) = delete;

  // A condition on the sale line m.
  static std::string Holds() {
    return "m.\"Código\" IN (SELECT \"Código\" FROM temp.\"LinhasFiscais\")";
  }
  // The sales (Código_Venda) with a counted line.
  static std::string Sales() {
    return "SELECT DISTINCT \"Código_Venda\" AS IDVenda FROM temp.\"LinhasFiscais\"";
  }

 private:
  Connection& connection_;
};

// Each thread keeps the rows of its last run of each procedure and no more: a run removes
// those of the run before it, and a thread that ends removes its own (procedures.h).
class RunsOfThisThread {
 public:
  ~RunsOfThisThread() {
    for (const auto& [table, key] : last_) {
      try {
        ExecOnTempDb("DELETE FROM \"" + table + "\" WHERE \"WorkStationID\" = '" + key + "'");
      } catch (const host::DatabaseError&) {
        // TempDB is going with the process; nothing is left to keep small.
      }
    }
  }

  std::string Start(Connection& connection, const std::string& table) {
    std::string& previous = last_[table];
    if (!previous.empty()) {
      PreparedStatement remove(connection,
                               "DELETE FROM tempdb.\"" + table + "\" WHERE \"WorkStationID\" = ?1");
      remove.Bind(1, host::Value(previous)).Run();
    }
    previous = NewRunKey();
    return previous;
  }

 private:
  std::map<std::string, std::string> last_;
};

std::string StartRun(Connection& connection, const std::string& table) {
  thread_local RunsOfThisThread runs;
  return runs.Start(connection, table);
}

// A run's figures are worked out first into the connection's own scratch table, reading
// the sales database alone; TempDB's write lock, which every other connection's procedures
// and ## tables wait on, is held only while they are copied into the shared work table.
class Staged {
 public:
  Staged(Connection& connection, const std::string& select) : connection_(connection) {
    connection_.Exec("DROP TABLE IF EXISTS temp.\"Resultado\"");
    PreparedStatement(connection_, "CREATE TEMP TABLE \"Resultado\" AS " + select).Run();
  }
  ~Staged() {
    try {
      connection_.Exec("DROP TABLE IF EXISTS temp.\"Resultado\"");
    } catch (const host::DatabaseError&) {
      // The table goes with the connection.
    }
  }
  Staged(const Staged&) = delete;
  Staged& operator=(const Staged&) = delete;

  // Writes the rows, in the order of `columns`, into `table` as a new run's; gives its key.
  // No transaction around the removal and the copy: a statement of its own takes TempDB's
  // write lock and, when it must wait, waits holding nothing, where a transaction would also
  // hold the sales file (BEGIN IMMEDIATE takes every attached database) and its COMMIT would
  // then wait on every reader of the sales file, or deadlock with one that waits on TempDB.
  std::string Publish(const std::string& table, const std::string& columns) {
    const std::string key = StartRun(connection_, table);
    PreparedStatement insert(connection_, "INSERT INTO tempdb.\"" + table +
                                              "\" (\"WorkStationID\", " + columns +
                                              ") SELECT ?1, * FROM temp.\"Resultado\"");
    insert.Bind(1, host::Value(key)).Run();
    return key;
  }

 private:
  Connection& connection_;
};

void SalesByReceiptType(Connection& connection, Arguments& arguments) {
  const host::DateTime from = arguments.Date("dtInicial");
  const host::DateTime to = arguments.Date("dtFinal");
  connection.Exec(
      "CREATE TABLE IF NOT EXISTS tempdb.\"###vtr_rpt\" (\"WorkStationID\" VARCHAR(200) COLLATE "
      "TSQL, \"FormaPagto\" VARCHAR(100) COLLATE TSQL, \"IsCartaoCredito\" BIT, "
      "\"IsCartaoDebito\" BIT, \"IsFrota\" BIT, \"IsCarteiraDigital\" BIT, \"IsPix\" BIT, "
      "\"QtdeVendas\" INTEGER, \"VLTotal\" MONEY REAL, \"VLTroco\" MONEY REAL, \"VLLiquido\" "
      "MONEY REAL, \"VLTicketMedio\" MONEY REAL, \"TxParticipacao\" FLOAT)");
  const FiscalLines lines(connection, from, to);
  // The sales of the period the fiscal view counts (FiscalLines). Per payment form of those
  // sales:
  //   QtdeVendas     sales paid wholly or partly with the form;
  //   VLTotal        what the form received (T011_Valor, change included);
  //   VLTroco        the change given back out of it (T011_Troco);
  //   VLLiquido      VLTotal - VLTroco, what the form really paid;
  //   VLTicketMedio  VLLiquido / QtdeVendas;
  //   TxParticipacao the form's VLLiquido in percent of all forms' VLLiquido.
  // Amounts in whole ten-thousandths until each is rounded once, at the end.
  Staged staged(
      connection,
      "WITH vendas AS (" + FiscalLines::Sales() +
          "), formas AS (SELECT t.\"T010_ID\" AS ID, COUNT(DISTINCT t.\"IDVenda\") AS Qtde, "
          "SUM(" +
          MoneyUnits("t.\"T011_Valor\"") + ") AS Total, SUM(" + MoneyUnits("t.\"T011_Troco\"") +
          ") AS Troco FROM main.\"T011_ImagemDosMeiosDePagtoUtilizados\" t JOIN vendas v ON "
          "v.IDVenda = t.\"IDVenda\" GROUP BY t.\"T010_ID\"), geral AS (SELECT SUM(Total - "
          "Troco) AS Liquido FROM formas) "
          "SELECT f.\"T010_Descricao\", f.\"IsCartaoCredito\", f.\"IsCartaoDebito\", "
          "f.\"IsFrota\", f.\"IsCarteiraDigital\", f.\"IsPix\", p.Qtde, " +
          UnitsToCents("p.Total") + ", " + UnitsToCents("p.Troco") + ", " +
          UnitsToCents("p.Total - p.Troco") + ", " +
          RoundedDivision("p.Total - p.Troco", "100 * p.Qtde") +
          " / 100.0, CASE WHEN g.Liquido > 0 THEN " +
          RoundedDivision("(p.Total - p.Troco) * 10000", "g.Liquido") +
          " / 100.0 ELSE 0 END FROM formas p JOIN main.\"T010_FormasDePagto\" f ON f.\"T010_ID\" "
          "= p.ID CROSS JOIN geral g");
  const std::string key =
      staged.Publish("###vtr_rpt",
                     "\"FormaPagto\", \"IsCartaoCredito\", \"IsCartaoDebito\", \"IsFrota\", "
                     "\"IsCarteiraDigital\", \"IsPix\", \"QtdeVendas\", \"VLTotal\", \"VLTroco\", "
                     "\"VLLiquido\", \"VLTicketMedio\", \"TxParticipacao\"");
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
  const host::DateTime from = arguments.Date("dtInicial");
  const host::DateTime to = arguments.Date("dtFinal");
  const bool financial = arguments.Flag("IsVisaoFinanceira");
  connection.Exec(
      "CREATE TABLE IF NOT EXISTS tempdb.\"###VendasF\" (\"WorkStationID\" VARCHAR(200) COLLATE "
      "TSQL, \"Grupo\" VARCHAR(100) COLLATE TSQL, \"FP\" VARCHAR(100) COLLATE TSQL, \"DtMov\" "
      "DATETIME TEXT, \"Qtde\" FLOAT, \"Valor\" MONEY REAL)");
  std::optional<FiscalLines> fiscal;
  if (!financial) {
    fiscal.emplace(connection, from, to);
  }
  // The sale lines of the period: in the financial view those of the till periods opened in
  // it (by opening date), neither reversed nor transfers; in the fiscal view those the
  // fiscal view counts (FiscalLines). Kinds as the report's switches select them (neither
  // switch: the other products, as everywhere in the reports); products from IDProdutos
  // when given. Each line is split over the payment forms of its sale by their shares:
  //   Qtde   quantity times the form's share, to 3 places;
  //   Valor  net value (sale value less discount plus surcharge, leaving out the discounts
  //          and surcharges the two Ignorar switches name) times the form's share;
  // summed per group, payment form and day (DtMov, at midnight). Each line's share is taken
  // in whole ten-thousandths (millionths for quantities) and the sum rounded once.
  const std::string day = financial ? "SUBSTR(c.\"Data_Abertura\", 1, 10) || ' 00:00:00'"
                                    : "SUBSTR(m.\"Data_ECF\", 1, 10) || ' 00:00:00'";
  const std::string lines = financial ? "c.\"Data_Abertura\" BETWEEN '" + PeriodStart(from) +
                                            "' AND '" + PeriodEnd(to) +
                                            "' AND m.\"IsEstornado\" = 0 AND "
                                            "m.\"Transferência\" = 0"
                                      : FiscalLines::Holds();
  const std::string kinds = fuels && others ? "('C','P')" : fuels ? "('C')" : "('P')";
  auto adjustment = [&](const char* column) {
    const std::string units = MoneyUnits(std::string("m.\"") + column + "\"");
    return std::string("CASE WHEN m.\"Cupom_Complementar\" = 1 THEN ") +
           (ignoreComplementary ? "0" : units) + " ELSE " + (ignoreOthers ? "0" : units) + " END";
  };
  const std::string net = MoneyUnits("m.\"Valor_Venda\"") + " - " + adjustment("Valor_Desconto") +
                          " + " + adjustment("Valor_Acrescimo");
  const std::string select =
      "SELECT g.\"Descrição\", t.\"T011_FormaDePagto\", " + day + " AS Dia, " +
      RoundedDivision("SUM(CAST(ROUND(m.\"Qtde\" * t.\"T011_Percentual\" * 10000) AS INTEGER))",
                      "1000") +
      " / 1000.0, " +
      UnitsToCents("SUM(CAST(ROUND((" + net + ") * t.\"T011_Percentual\" / 100.0) AS INTEGER))") +
      " FROM main.\"Movimentações em Vendas\" m "
      "JOIN main.\"Produtos\" p ON p.\"Código\" = m.\"IDProduto\" JOIN main.\"Grupos\" g ON "
      "g.\"Código\" = p.\"Grupo\" JOIN main.\"T011_ImagemDosMeiosDePagtoUtilizados\" t ON "
      "t.\"IDVenda\" = m.\"Código_Venda\" LEFT JOIN main.\"Movimentações\" c ON c.\"Código\" "
      "= m.\"IDCaixa\" WHERE " +
      lines + " AND m.\"Tipo\" IN " + kinds +
      (products.empty() ? "" : " AND m.\"IDProduto\" IN (" + products + ")") +
      " GROUP BY g.\"Descrição\", t.\"T011_FormaDePagto\", Dia";
  Staged staged(connection, select);
  fiscal.reset();
  const std::string key =
      staged.Publish("###VendasF", "\"Grupo\", \"FP\", \"DtMov\", \"Qtde\", \"Valor\"");
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
