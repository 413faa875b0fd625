#include "sqlite/database.h"

#include <limits>
#include <vector>

#include "host/errors.h"
#include "sqlite/recordset.h"
#include "sqlite/tsql_executor.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

[[noreturn]] void BadConnectionString(std::string_view text, const std::string& why) {
  throw host::DatabaseError("Invalid connection string: " + why, std::string(text));
}

}  // namespace

std::string ConnectionStringFor(const std::filesystem::path& file) {
  std::string path = std::filesystem::absolute(file).string();
  std::string quoted;
  for (char c : path) {
    quoted += c;
    if (c == '"') {
      quoted += '"';
    }
  }
  return "Provider=SQLite;Data Source=\"" + quoted + "\"";
}

std::filesystem::path DataSourceOf(std::string_view text) {
  std::string provider;
  std::string source;
  bool haveSource = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t equals = text.find('=', pos);
    if (equals == std::string_view::npos) {
      if (!Trim(text.substr(pos)).empty()) {
        BadConnectionString(text, "'" + std::string(text.substr(pos)) + "' has no value");
      }
      break;
    }
    const std::string_view key = Trim(text.substr(pos, equals - pos));
    pos = equals + 1;
    while (pos < text.size() && text[pos] == ' ') {
      ++pos;
    }
    std::string value;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
      const char quote = text[pos++];
      while (true) {
        if (pos >= text.size()) {
          BadConnectionString(text, "unterminated quote");
        }
        if (text[pos] == quote) {
          if (pos + 1 < text.size() && text[pos + 1] == quote) {
            value += quote;
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        value += text[pos++];
      }
      while (pos < text.size() && text[pos] == ' ') {
        ++pos;
      }
      if (pos < text.size() && text[pos] != ';') {
        BadConnectionString(text, "text after a quoted value");
      }
    } else {
      const std::size_t end = std::min(text.find(';', pos), text.size());
      value = std::string(Trim(text.substr(pos, end - pos)));
      pos = end;
    }
    ++pos;  // past ';'
    if (tsql::EqualsIgnoreCase(key, "Provider")) {
      provider = value;
    } else if (tsql::EqualsIgnoreCase(key, "Data Source")) {
      source = value;
      haveSource = true;
    }
  }
  if (!provider.empty() && !tsql::EqualsIgnoreCase(provider, "SQLite")) {
    BadConnectionString(text, "the provider " + provider + " is not SQLite");
  }
  if (!haveSource || source.empty()) {
    BadConnectionString(text, "no Data Source");
  }
  return source;
}

namespace {

// An empty text is no statement; the provider refuses it as SQL Server's does, rather than
// giving an empty result that would hide a query that was never built.
BatchResult RunText(Connection& connection, const std::string& sql) {
  if (sql.find_first_not_of(" \t\r\n") == std::string::npos) {
    throw host::DatabaseError("Command text was not set for the command object.", sql);
  }
  return RunBatch(connection, sql);
}

}  // namespace

Database::Database(std::filesystem::path file) : file_(std::move(file)) {}

std::unique_ptr<Database> Database::FromConnectionString(std::string_view connectionString) {
  return std::make_unique<Database>(DataSourceOf(connectionString));
}

void Database::DB_Open() {
  Open();
}

Connection& Database::Open() {
  if (!connection_) {
    connection_ = std::make_unique<Connection>(file_, Connection::Mode::OpenExisting);
  }
  return *connection_;
}

host::RecordsetRef Database::OpenRecordSet(const std::string& sql) {
  BatchResult result = RunText(Open(), sql);
  if (!result.rows) {  // a statement without rows opens an empty recordset
    return std::make_shared<TableRecordset>(std::vector<host::Column>{},
                                            std::vector<host::Value>{});
  }
  return result.rows;
}

host::RecordsetRef Database::SQL_Execute(const std::string& sql) {
  return RunText(Open(), sql).rows;
}

host::RecordsetRef Database::SQL_Execute(const std::string& sql, int32_t& rowsAffected) {
  BatchResult result = RunText(Open(), sql);
  rowsAffected = static_cast<int32_t>(
      std::min<int64_t>(result.rowsAffected, std::numeric_limits<int32_t>::max()));
  return result.rows;
}

}  // namespace orla::sqlite
