#include "sqlite/tsql_executor.h"

#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "host/errors.h"
#include "sqlite/date_text.h"
#include "sqlite/recordset.h"
#include "sqlite/tsql_translator.h"

namespace orla::sqlite {

namespace {

using host::ColumnType;
using host::Value;

using ObjectKind = tsql::Catalog::ObjectKind;

class ConnectionCatalog final : public tsql::Catalog {
 public:
  explicit ConnectionCatalog(Connection& connection) : connection_(connection) {}

  std::optional<std::vector<tsql::CatalogColumn>> Columns(const tsql::TableName& table) override {
    const std::string schema = table.temp ? "tempdb" : "main";
    PreparedStatement info(connection_, "SELECT name, type, pk FROM pragma_table_info(?1, ?2)");
    info.Bind(1, Value(table.name)).Bind(2, Value(schema));
    std::vector<tsql::CatalogColumn> columns;
    std::vector<bool> keys;
    while (info.Step()) {
      columns.push_back({Text(info, 0), Text(info, 1), false});
      keys.push_back(sqlite3_column_int(info.Handle(), 2) != 0);
    }
    if (columns.empty()) {
      return std::nullopt;
    }
    const auto [kind, sql] = Definition(table);
    if (kind == ObjectKind::View) {
      ViewTypes(sql, columns);
    } else if (sql.find("AUTOINCREMENT") != std::string::npos) {
      // Only IDENTITY columns are written AUTOINCREMENT (tsql_translator.h).
      for (std::size_t i = 0; i < columns.size(); ++i) {
        columns[i].identity = keys[i];
      }
    }
    return columns;
  }

  std::optional<ObjectKind> Kind(const tsql::TableName& table) override {
    const auto [kind, sql] = Definition(table);
    return sql.empty() && kind == ObjectKind::Table ? std::nullopt : std::optional(kind);
  }

 private:
  // The table's or view's kind and its CREATE statement ("" when there is none).
  std::pair<ObjectKind, std::string> Definition(const tsql::TableName& table) {
    PreparedStatement master(connection_, std::string("SELECT type, sql FROM ") +
                                              (table.temp ? "tempdb" : "main") +
                                              ".sqlite_master WHERE type IN ('table', 'view') "
                                              "AND name = ?1 COLLATE NOCASE");
    master.Bind(1, Value(table.name));
    if (!master.Step()) {
      return {ObjectKind::Table, ""};
    }
    return {Text(master, 0) == "view" ? ObjectKind::View : ObjectKind::Table, Text(master, 1)};
  }

  // The T-SQL types a view's definition keeps (tsql::kViewTypes); a view made elsewhere
  // keeps SQLite's names, which the translator refuses by name.
  static void ViewTypes(const std::string& sql, std::vector<tsql::CatalogColumn>& columns) {
    const std::size_t start = sql.find(tsql::kViewTypes);
    if (start == std::string::npos) {
      return;
    }
    const std::size_t from = start + std::string_view(tsql::kViewTypes).size();
    const std::string list = sql.substr(from, sql.find(" */", from) - from);
    std::vector<std::string> types(1);
    for (char c : list) {
      if (c == '|') {
        types.emplace_back();
      } else {
        types.back().push_back(c);
      }
    }
    if (types.size() == columns.size()) {
      for (std::size_t i = 0; i < columns.size(); ++i) {
        columns[i].declaredType = types[i];
      }
    }
  }

  static std::string Text(PreparedStatement& statement, int column) {
    const auto* text = sqlite3_column_text(statement.Handle(), column);
    return text == nullptr ? std::string() : reinterpret_cast<const char*>(text);
  }

  Connection& connection_;
};

bool IsStoredDate(const std::string& text) {
  return text.size() == 19 && text[4] == '-' && text[7] == '-' && text[10] == ' ' &&
         text[13] == ':' && text[16] == ':' && ReadDateText(text).has_value();
}

std::string NumberText(double number) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  return std::string(buffer, result.ptr);
}

// The kind a computed column shows, from the values it holds, learnt as they are read.
struct SeenKinds {
  bool integer = false, real = false, text = false, dates = true;

  void Add(const Value& cell) {
    switch (cell.GetKind()) {
      case Value::Kind::Integer:
        integer = true;
        break;
      case Value::Kind::Double:
        real = true;
        break;
      case Value::Kind::Text:
        text = true;
        dates = dates && IsStoredDate(cell.AsText());
        break;
      default:
        break;
    }
  }

  ColumnType Type() const {
    if (text) {
      return dates && !integer && !real ? ColumnType::Date : ColumnType::Text;
    }
    if (real) {
      return ColumnType::Double;
    }
    return integer ? ColumnType::Integer : ColumnType::Unknown;
  }
};

void ConvertCell(Value& cell, ColumnType type) {
  switch (type) {
    case ColumnType::Date:
      if (cell.GetKind() == Value::Kind::Text) {
        if (auto moment = ReadDateText(cell.AsText())) {
          cell = Value(*moment);
        }
      }
      return;
    case ColumnType::Boolean:
      if (cell.GetKind() == Value::Kind::Integer) {
        cell = Value(cell.AsInteger() != 0);
      } else if (cell.GetKind() == Value::Kind::Double) {
        cell = Value(cell.AsDouble() != 0.0);
      }
      return;
    case ColumnType::Double:
      if (cell.GetKind() == Value::Kind::Integer) {
        cell = Value(static_cast<double>(cell.AsInteger()));
      }
      return;
    case ColumnType::Text:
      if (cell.GetKind() == Value::Kind::Integer) {
        cell = Value(std::to_string(cell.AsInteger()));
      } else if (cell.GetKind() == Value::Kind::Double) {
        cell = Value(NumberText(cell.AsDouble()));
      }
      return;
    default:
      return;
  }
}

[[noreturn]] void Fail(const std::string& what, std::string_view tsql) {
  throw host::DatabaseError(what, std::string(tsql));
}

// The statement as it was given, then as SQLite was asked to run it.
[[noreturn]] void FailAsSqlite(const std::string& what, std::string_view tsql,
                               const host::DatabaseError& sqlite) {
  throw host::DatabaseError(what, std::string(tsql) + "\nAs SQLite: " + sqlite.Statement());
}

// With `date`, a stored date text comes as the date it holds, without a string on the way.
Value CellAt(sqlite3_stmt* handle, int column, bool date) {
  switch (sqlite3_column_type(handle, column)) {
    case SQLITE_INTEGER:
      return Value(static_cast<int64_t>(sqlite3_column_int64(handle, column)));
    case SQLITE_FLOAT:
      return Value(sqlite3_column_double(handle, column));
    case SQLITE_NULL:
      return Value();
    default: {
      const std::string_view text(
          reinterpret_cast<const char*>(sqlite3_column_text(handle, column)),
          static_cast<std::size_t>(sqlite3_column_bytes(handle, column)));
      if (date) {
        if (auto moment = ReadDateText(text)) {
          return Value(*moment);
        }
      }
      return Value(text);
    }
  }
}

// A statement's rows, stepped one at a time; the statement is finalized with the source.
// Given the columns' `types`, each cell comes converted to its column's type as it is read,
// so that the recordset spools and hands out the converted values as they are.
class StatementRows final : public RowSource {
 public:
  StatementRows(std::unique_ptr<PreparedStatement> statement, std::vector<SeenKinds>* seen,
                std::vector<ColumnType> types = {})
      : statement_(std::move(statement)),
        seen_(seen),
        width_(sqlite3_column_count(statement_->Handle())),
        types_(std::move(types)) {
    types_.resize(static_cast<std::size_t>(width_), ColumnType::Unknown);
  }

  bool Next(std::vector<Value>& cells) override {
    if (!statement_->Step()) {
      return false;
    }
    sqlite3_stmt* handle = statement_->Handle();
    for (int c = 0; c < width_; ++c) {
      const ColumnType type = types_[static_cast<std::size_t>(c)];
      cells.push_back(CellAt(handle, c, type == ColumnType::Date));
      ConvertCell(cells.back(), type);
      if (seen_ != nullptr) {
        (*seen_)[static_cast<std::size_t>(c)].Add(cells.back());
      }
    }
    return true;
  }

 private:
  std::unique_ptr<PreparedStatement> statement_;
  std::vector<SeenKinds>* seen_;
  int width_;
  std::vector<ColumnType> types_;
};

// Prepares a statement and tells whether it reads a table of TempDB.
std::unique_ptr<PreparedStatement> Prepare(Connection& connection, const std::string& sql,
                                           bool& readsTempDb) {
  readsTempDb = false;
  sqlite3_set_authorizer(
      connection.Handle(),
      [](void* flag, int action, const char*, const char*, const char* database, const char*) {
        if (action == SQLITE_READ && database != nullptr &&
            std::string_view(database) == "tempdb") {
          *static_cast<bool*>(flag) = true;
        }
        return SQLITE_OK;
      },
      &readsTempDb);
  try {
    auto statement = std::make_unique<PreparedStatement>(connection, sql);
    sqlite3_set_authorizer(connection.Handle(), nullptr, nullptr);
    return statement;
  } catch (...) {
    sqlite3_set_authorizer(connection.Handle(), nullptr, nullptr);
    throw;
  }
}

}  // namespace

host::RecordsetRef ReadRows(Connection& connection, std::unique_ptr<PreparedStatement> statement,
                            const std::vector<std::string>& typeHints, bool readsTempDb) {
  sqlite3_stmt* handle = statement->Handle();
  const int width = sqlite3_column_count(handle);
  std::vector<host::Column> columns;
  bool typesKnown = true;
  for (int c = 0; c < width; ++c) {
    const auto index = static_cast<std::size_t>(c);
    const char* declared = index < typeHints.size() && !typeHints[index].empty()
                               ? typeHints[index].c_str()
                               : sqlite3_column_decltype(handle, c);
    columns.push_back({sqlite3_column_name(handle, c),
                       declared ? tsql::ColumnTypeOfDeclared(declared) : ColumnType::Unknown});
    typesKnown = typesKnown && columns.back().type != ColumnType::Unknown;
  }
  std::vector<ColumnType> types;
  if (typesKnown && !readsTempDb) {
    for (const host::Column& column : columns) {
      types.push_back(column.type);
    }
    auto source = std::make_unique<StatementRows>(std::move(statement), nullptr, std::move(types));
    auto rows = std::make_shared<TableRecordset>(std::move(columns), host::RowSpool(), nullptr,
                                                 std::move(source));
    AddLiveReader(connection, rows);
    return rows;
  }
  // Read whole at once: a column's kind learnt from its values needs them all, and a live
  // read of TempDB would keep every other connection's ## writes waiting while it lasts.
  std::vector<SeenKinds> seen(columns.size());
  host::RowSpool rows;
  StatementRows source(std::move(statement), &seen);
  for (std::vector<Value> cells; source.Next(cells); cells.clear()) {
    rows.Append(cells);
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].type == ColumnType::Unknown) {
      columns[c].type = seen[c].Type();
    }
    types.push_back(columns[c].type);
  }
  return std::make_shared<TableRecordset>(std::move(columns), std::move(rows),
                                          [types = std::move(types)](std::vector<Value>& row) {
                                            for (std::size_t c = 0; c < row.size(); ++c) {
                                              ConvertCell(row[c], types[c]);
                                            }
                                          });
}

namespace {

// DROP TABLE or DROP VIEW of each name, as SQL Server refuses it: what is not there (3701,
// unless IF EXISTS) and a table dropped as a view or the other way round (3705).
void Drop(Connection& connection, ConnectionCatalog& catalog, const tsql::Translation& translation,
          std::string_view tsql) {
  const std::string what = translation.dropView ? "view" : "table";
  const std::string other = translation.dropView ? "table" : "view";
  const std::string verb = translation.dropView ? "DROP VIEW" : "DROP TABLE";
  const std::string otherVerb = translation.dropView ? "DROP TABLE" : "DROP VIEW";
  for (const tsql::TableName& name : translation.drops) {
    const auto kind = catalog.Kind(name);
    if (!kind && translation.dropIfExists) {
      continue;
    }
    if (!kind) {
      Fail("T-SQL adapter: 3701: Cannot drop the " + what + " '" + name.name +
               "', because it does not exist or you do not have permission.",
           tsql);
    }
    if ((*kind == ObjectKind::View) != translation.dropView) {
      Fail("T-SQL adapter: 3705: Cannot use " + verb + " with '" + name.name + "' because '" +
               name.name + "' is a " + other + ". Use " + otherVerb + ".",
           tsql);
    }
    connection.Exec(verb + " " + name.Sql());
  }
}

std::vector<tsql::Statement> Split(std::string_view tsql) {
  try {
    return tsql::SplitBatch(tsql::Tokenize(tsql));
  } catch (const host::DatabaseError& e) {
    Fail(e.Description(), tsql);
  } catch (const tsql::TranslationError& e) {
    Fail(std::string("T-SQL adapter: ") + e.what(), tsql);
  }
}

tsql::Translation Translate(const tsql::Statement& statement, tsql::Catalog& catalog,
                            std::string_view tsql) {
  try {
    return tsql::TranslateStatement(statement, catalog);
  } catch (const tsql::TranslationError& e) {
    Fail(std::string("T-SQL adapter: ") + e.what(), tsql);
  } catch (const host::DatabaseError& e) {
    Fail(e.Description(), tsql);
  }
}

}  // namespace

std::string TranslateQuery(Connection& connection, std::string_view tsql) {
  const std::vector<tsql::Statement> statements = Split(tsql);
  ConnectionCatalog catalog(connection);
  if (statements.size() != 1) {
    Fail("T-SQL adapter: one SELECT was expected, not " + std::to_string(statements.size()) +
             " statements",
         tsql);
  }
  tsql::Translation translation = Translate(statements[0], catalog, tsql);
  if (translation.kind != tsql::Translation::Kind::Run || translation.guardTable ||
      !translation.guardSql.empty() || translation.typeHints.empty()) {
    Fail("T-SQL adapter: a SELECT giving rows was expected", tsql);
  }
  return translation.sql;
}

BatchResult RunBatch(Connection& connection, std::string_view tsql) {
  const std::vector<tsql::Statement> statements = Split(tsql);
  ConnectionCatalog catalog(connection);
  BatchResult result;
  for (const tsql::Statement& statement : statements) {
    tsql::Translation translation = Translate(statement, catalog, tsql);
    if (translation.guardTable &&
        catalog.Columns(*translation.guardTable).has_value() != translation.guardWantsTable) {
      continue;
    }
    if (!translation.guardSql.empty()) {
      bool any = false;
      try {
        PreparedStatement guard(connection, "SELECT EXISTS (" + translation.guardSql + ")");
        any = guard.Step() && sqlite3_column_int(guard.Handle(), 0) != 0;
      } catch (const host::DatabaseError& e) {
        FailAsSqlite(e.Description(), tsql, e);
      }
      if (any != translation.guardWantsTable) {
        continue;
      }
    }
    if (!translation.failure.empty()) {
      Fail("T-SQL adapter: " + translation.failure, tsql);
    }
    // SQL Server lets a read-only database's sessions fill TempDB, and nothing else.
    if (translation.writesDatabase && sqlite3_db_readonly(connection.Handle(), "main") == 1) {
      Fail("3906: Failed to update database \"" + connection.File().stem().string() +
               "\" because the database is read-only.",
           tsql);
    }
    const int64_t changesBefore = connection.TotalChanges();
    try {
      if (translation.kind == tsql::Translation::Kind::Drop) {
        Drop(connection, catalog, translation, tsql);
      } else if (translation.kind == tsql::Translation::Kind::Run) {
        bool readsTempDb = false;
        auto prepared = Prepare(connection, translation.sql, readsTempDb);
        if (sqlite3_column_count(prepared->Handle()) > 0) {
          result.rows =
              ReadRows(connection, std::move(prepared), translation.typeHints, readsTempDb);
        } else {
          prepared->Step();
        }
      } else {
        // SELECT ... INTO: the new table takes the types of the select list. SQL Server
        // creates nothing when the statement fails, so a failed fill drops the table.
        connection.Exec(translation.createSql);
        try {
          PreparedStatement insert(
              connection, "INSERT INTO " + translation.target.Sql() + " " + translation.sql);
          insert.Step();
        } catch (const host::DatabaseError&) {
          connection.Exec("DROP TABLE IF EXISTS " + translation.target.Sql());
          throw;
        }
      }
    } catch (const host::DatabaseError& e) {
      std::string what = e.Description();
      if (what == "SQLite: integer overflow") {  // SUM of bigint
        what = "8115: Arithmetic overflow error converting expression to data type bigint.";
      }
      FailAsSqlite(what, tsql, e);
    }
    result.rowsAffected += connection.TotalChanges() - changesBefore;
  }
  return result;
}

}  // namespace orla::sqlite
