// The host's database object on the embedded SQLite sales database.
//
// Connection string: Provider=SQLite;Data Source="<absolute path>" with every double quote
// in the path doubled. Keys are read without regard to case and in any order; a value may
// also stand unquoted (up to the next ";") or in single quotes. A command object opens its
// own connection on this text (command.h).
//
// Statements are SQL Server's dialect, translated on the way (tsql_translator.h); a call may
// hold a batch. OpenRecordSet and SQL_Execute open the connection on demand, as the library
// calls OpenRecordSet for plain queries without DB_Open. Recordsets hold their rows
// (recordset.h) and stay valid after DB_Close and after this object is gone.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "host/database.h"
#include "sqlite/connection.h"

namespace orla::sqlite {

std::string ConnectionStringFor(const std::filesystem::path& file);
// The file a connection string names; raises host::DatabaseError for a text that names no
// SQLite data source.
std::filesystem::path DataSourceOf(std::string_view connectionString);

class Database final : public host::Database {
 public:
  // The file must exist when the connection opens (demo/ creates databases).
  explicit Database(std::filesystem::path file);
  static std::unique_ptr<Database> FromConnectionString(std::string_view connectionString);

  host::RecordsetRef OpenRecordSet(const std::string& sql) override;
  host::RecordsetRef SQL_Execute(const std::string& sql) override;
  host::RecordsetRef SQL_Execute(const std::string& sql, int32_t& rowsAffected) override;
  bool IsOpened() override { return connection_ != nullptr; }
  void DB_Open() override;
  std::string GetConnectionString() override { return ConnectionStringFor(file_); }
  void DB_Close() override { connection_.reset(); }

  // The open connection, opened when needed.
  Connection& Open();

 private:
  std::filesystem::path file_;
  std::unique_ptr<Connection> connection_;
};

}  // namespace orla::sqlite
