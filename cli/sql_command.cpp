#include "cli/sql_command.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iterator>
#include <optional>
#include <sstream>
#include <utility>

#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include "app/json_values.h"
#include "app/output.h"
#include "cli/arguments.h"
#include "cli/demo_location.h"
#include "host/errors.h"
#include "hostlib/messages.h"
#include "sqlite/connection.h"
#include "sqlite/tsql_executor.h"
#include "sqlite/tsql_translator.h"

namespace orla::cli {

namespace {

using hostlib::Say;

// The batches are the database's own words, in every language.
constexpr std::string_view kExamples =
    R"(  orla-vendas sql "SELECT TOP 5 Descrição, SUM(Qtde) AS Qtde FROM [Movimentações em Vendas]
      GROUP BY Descrição ORDER BY 2 DESC"
  orla-vendas sql --format csv "SELECT * FROM T010_FormasDePagto" > formas.csv
  orla-vendas sql --explain "SELECT Caixa + '-' + CONVERT(VARCHAR(10), Data_Abertura, 103)
      FROM [Movimentações] WHERE Data_Abertura >= '20240301 00:00:00'"
  printf 'SELECT 1 AS a INTO ##t\nGO\nSELECT a + 1 AS b FROM ##t\n' | orla-vendas sql -
)";

std::string Usage() {
  return Say(R"(usage: orla-vendas sql [--db FILE] [--write] [--format table|csv|json] [--explain]
                        [BATCH | -]

Runs a T-SQL batch through the same adapter the reports use, in one session, so ## tables
made by one statement are there for the next, and prints the rows of the last statement
that gives rows. Statements are separated by ';' or by lines that hold only GO. Without
BATCH, or with '-', the batch is read from standard input.

The database is opened read-only: a statement that would change it (INSERT, UPDATE,
DELETE, CREATE, DROP or SELECT ... INTO outside TempDB) stops with error 3906. ## working
tables in TempDB are always writable.

  --db FILE        the sales database (default: the demo database, made on first use)
  --write          allow statements to change the database
  --format F       table (aligned columns, the default), csv (with a header line) or json
                   ({"columns": [...], "rows": [[...]], "rowsAffected": N})
  --explain        print, before the rows, the SQLite statements each statement became
                   (on standard error with csv and json, which keep standard output)

A statement the adapter cannot translate, or that fails, stops the batch: its error on
standard error, exit status 1. Where SQL Server would refuse the statement, the error
begins with SQL Server's number and words (8120: Column 't.b' is invalid in the select
list...); constructs the adapter does not carry over are named as such.
)") + "\n" +
         Say("examples:") + "\n" + std::string(kExamples);
}

enum class OutputFormat { Table, Csv, Json };

struct SqlOptions {
  std::optional<std::string> db;
  OutputFormat format = OutputFormat::Table;
  bool explain = false;
  bool write = false;
  std::optional<std::string> batch;  // nothing: standard input
};

SqlOptions ReadOptions(std::vector<std::string> arguments, bool& help) {
  SqlOptions options;
  ArgumentReader reader(std::move(arguments));
  while (!reader.Done()) {
    if (reader.TakeFlag("--help") || reader.TakeFlag("-h")) {
      help = true;
      return options;
    }
    if (auto db = reader.TakeOption("--db")) {
      options.db = *db;
    } else if (auto format = reader.TakeOption("--format")) {
      if (*format == "table") {
        options.format = OutputFormat::Table;
      } else if (*format == "csv") {
        options.format = OutputFormat::Csv;
      } else if (*format == "json") {
        options.format = OutputFormat::Json;
      } else {
        throw UsageError(Say("--format expects table, csv or json, got '%s'", {*format}));
      }
    } else if (reader.TakeFlag("--explain")) {
      options.explain = true;
    } else if (reader.TakeFlag("--write")) {
      options.write = true;
    } else if (reader.Peek() != "-" && reader.Peek().starts_with("-")) {
      throw UsageError(Say("unknown option '%s'", {reader.Peek()}));
    } else if (options.batch) {
      throw UsageError(Say("one batch only; put its statements in one argument"));
    } else {
      std::string batch = reader.Take();
      if (batch != "-") {
        options.batch = std::move(batch);
      }
    }
  }
  return options;
}

bool IsGoLine(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
    line.remove_prefix(1);
  }
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  return sqlite::tsql::EqualsIgnoreCase(line, "GO");
}

// The batch cut at its GO lines, as sqlcmd cuts it.
std::vector<std::string> GoBatches(const std::string& text) {
  std::vector<std::string> batches(1);
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (IsGoLine(line)) {
      batches.emplace_back();
    } else {
      batches.back() += line + '\n';
    }
  }
  return batches;
}

// The text of each statement of a batch, as the adapter cuts them, so that each one can
// run (and be explained) on its own.
std::vector<std::string> Statements(const std::string& batch) {
  const std::vector<sqlite::tsql::Statement> statements =
      sqlite::tsql::SplitBatch(sqlite::tsql::Tokenize(batch));
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < statements.size(); ++i) {
    if (statements[i].empty()) {
      continue;
    }
    const std::size_t start = statements[i].front().token.offset;
    std::size_t end = batch.size();
    for (std::size_t next = i + 1; next < statements.size(); ++next) {
      if (!statements[next].empty()) {
        end = statements[next].front().token.offset;
        break;
      }
    }
    texts.push_back(batch.substr(start, end - start));
  }
  return texts;
}

// The SQLite statements a connection runs while it is watched; the adapter's own look-ups
// in the schema are left out, as no T-SQL statement can read the schema tables.
class SqliteStatements {
 public:
  explicit SqliteStatements(sqlite::Connection& connection) : db_(connection.Handle()) {
    sqlite3_trace_v2(db_, SQLITE_TRACE_STMT, &SqliteStatements::Seen, this);
  }
  ~SqliteStatements() { sqlite3_trace_v2(db_, 0, nullptr, nullptr); }
  SqliteStatements(const SqliteStatements&) = delete;
  SqliteStatements& operator=(const SqliteStatements&) = delete;

  std::vector<std::string> Take() { return std::exchange(seen_, {}); }

 private:
  static int Seen(unsigned, void* self, void*, void* text) {
    const std::string sql = static_cast<const char*>(text);
    if (sql.find("pragma_table_info") == std::string::npos &&
        sql.find("sqlite_master") == std::string::npos && !sql.starts_with("--")) {
      static_cast<SqliteStatements*>(self)->seen_.push_back(sql);
    }
    return 0;
  }

  sqlite3* db_;
  std::vector<std::string> seen_;
};

std::string CellText(const host::Value& value, OutputFormat format) {
  switch (value.GetKind()) {
    case host::Value::Kind::Null:
      return format == OutputFormat::Table ? "NULL" : "";
    case host::Value::Kind::Boolean:
      return value.AsBoolean() ? "1" : "0";
    case host::Value::Kind::Integer:
      return std::to_string(value.AsInteger());
    case host::Value::Kind::Double: {
      char buffer[400];
      const auto [end, ec] =
          std::to_chars(buffer, buffer + sizeof buffer, value.AsDouble(), std::chars_format::fixed);
      return ec == std::errc{} ? std::string(buffer, end) : value.Describe();
    }
    case host::Value::Kind::Text:
      return value.AsText();
    case host::Value::Kind::Date:
      return value.AsDate().ToIso();
  }
  return "";
}

std::size_t Width(std::string_view text) {
  std::size_t width = 0;
  for (char c : text) {
    width += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 0 : 1;
  }
  return width;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    return text;
  }
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  }
  return quoted + "\"";
}

struct Rows {
  std::vector<host::Column> columns;
  std::vector<std::vector<host::Value>> rows;
};

Rows ReadRows(host::Recordset& recordset) {
  Rows read;
  read.columns = recordset.Columns();
  for (; !recordset.Eof().AsBoolean(); recordset.MoveNext()) {
    std::vector<host::Value> row;
    for (std::size_t c = 0; c < read.columns.size(); ++c) {
      row.push_back(recordset.FieldAt(c));
    }
    read.rows.push_back(std::move(row));
  }
  return read;
}

bool RightAligned(const host::Value& value) {
  return value.GetKind() == host::Value::Kind::Integer ||
         value.GetKind() == host::Value::Kind::Double;
}

void WriteTable(const Rows& rows, std::ostream& out) {
  std::vector<std::size_t> widths;
  for (const host::Column& column : rows.columns) {
    widths.push_back(Width(column.name));
  }
  std::vector<std::vector<std::string>> texts;
  for (const auto& row : rows.rows) {
    std::vector<std::string> line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line.push_back(CellText(row[c], OutputFormat::Table));
      widths[c] = std::max(widths[c], Width(line.back()));
    }
    texts.push_back(std::move(line));
  }
  auto pad = [&](const std::string& text, std::size_t c, bool right) {
    const std::string fill(widths[c] - Width(text), ' ');
    return right ? fill + text : text + fill;
  };
  auto write = [&](const std::vector<std::string>& line, const std::vector<host::Value>* row) {
    std::string text;
    for (std::size_t c = 0; c < line.size(); ++c) {
      text += (c ? "  " : "") + pad(line[c], c, row != nullptr && RightAligned((*row)[c]));
    }
    while (!text.empty() && text.back() == ' ') {
      text.pop_back();
    }
    out << text << '\n';
  };
  std::vector<std::string> header;
  std::vector<std::string> rule;
  for (std::size_t c = 0; c < rows.columns.size(); ++c) {
    header.push_back(rows.columns[c].name);
    rule.emplace_back(widths[c], '-');
  }
  write(header, nullptr);
  write(rule, nullptr);
  for (std::size_t r = 0; r < texts.size(); ++r) {
    write(texts[r], &rows.rows[r]);
  }
  out << '(' << rows.rows.size() << (rows.rows.size() == 1 ? " row)\n" : " rows)\n");
}

void WriteCsv(const Rows& rows, std::ostream& out) {
  for (std::size_t c = 0; c < rows.columns.size(); ++c) {
    out << (c ? "," : "") << CsvField(rows.columns[c].name);
  }
  out << '\n';
  for (const auto& row : rows.rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      out << (c ? "," : "") << CsvField(CellText(row[c], OutputFormat::Csv));
    }
    out << '\n';
  }
}

void WriteJson(const Rows& rows, int64_t rowsAffected, std::ostream& out) {
  nlohmann::ordered_json columns = nlohmann::ordered_json::array();
  for (const host::Column& column : rows.columns) {
    columns.push_back(column.name);
  }
  nlohmann::ordered_json lines = nlohmann::ordered_json::array();
  for (const auto& row : rows.rows) {
    nlohmann::ordered_json line = nlohmann::ordered_json::array();
    for (const host::Value& value : row) {
      line.push_back(app::ToJson(value));
    }
    lines.push_back(std::move(line));
  }
  out << app::JsonText(nlohmann::ordered_json{{"columns", std::move(columns)},
                                              {"rows", std::move(lines)},
                                              {"rowsAffected", rowsAffected}})
      << '\n';
}

}  // namespace

int SqlCommand(std::vector<std::string> arguments, std::istream& in, std::ostream& out,
               std::ostream& err, bool terminal) {
  SqlOptions options;
  std::filesystem::path database;
  try {
    bool help = false;
    options = ReadOptions(std::move(arguments), help);
    if (help) {
      out << Usage();
      return kExitSuccess;
    }
    database = options.db ? ExistingDatabase(*options.db) : DemoDatabase(err, terminal);
  } catch (const UsageError& e) {
    err << "orla-vendas sql: " << e.what() << "\n\n" << Usage();
    return kExitUsage;
  }
  const std::string text = options.batch ? *options.batch
                                         : std::string(std::istreambuf_iterator<char>(in),
                                                       std::istreambuf_iterator<char>());
  try {
    sqlite::Connection connection(database, options.write ? sqlite::Connection::Mode::OpenExisting
                                                          : sqlite::Connection::Mode::ReadOnly);
    std::optional<SqliteStatements> watched;
    if (options.explain) {
      watched.emplace(connection);
    }
    host::RecordsetRef last;
    int64_t rowsAffected = 0;
    for (const std::string& batch : GoBatches(text)) {
      for (const std::string& statement : Statements(batch)) {
        sqlite::BatchResult result = sqlite::RunBatch(connection, statement);
        if (watched) {
          std::ostream& explained = options.format == OutputFormat::Table ? out : err;
          explained << "-- " << statement.substr(0, statement.find_last_not_of(" \t\r\n;") + 1)
                    << '\n';
          for (const std::string& sql : watched->Take()) {
            explained << sql << ";\n";
          }
          explained << '\n';
        }
        rowsAffected += result.rowsAffected;
        if (result.rows) {
          last = result.rows;
        }
      }
    }
    const Rows rows = last ? ReadRows(*last) : Rows{};
    switch (options.format) {
      case OutputFormat::Table:
        if (last) {
          WriteTable(rows, out);
        } else {
          out << '(' << rowsAffected << " rows affected)\n";
        }
        break;
      case OutputFormat::Csv:
        if (last) {
          WriteCsv(rows, out);
        }
        break;
      case OutputFormat::Json:
        WriteJson(rows, rowsAffected, out);
        break;
    }
  } catch (const host::HostError& e) {
    err << "orla-vendas sql: " << e.Description() << '\n';
    // The batch is the user's own: which of its statements failed is worth the lines.
    if (const auto* database = dynamic_cast<const host::DatabaseError*>(&e);
        database != nullptr && !database->Statement().empty()) {
      err << Say("statement: %s", {database->Statement()}) << '\n';
    }
    if (!options.write && e.Description().find("3906: ") != std::string::npos) {
      err << "orla-vendas sql: " << Say("--write allows changes to the database") << '\n';
    }
    return kExitFalse;
  } catch (const sqlite::tsql::TranslationError& e) {
    err << "orla-vendas sql: T-SQL adapter: " << e.what() << '\n';
    return kExitFalse;
  }
  return kExitSuccess;
}

}  // namespace orla::cli
