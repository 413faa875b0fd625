#include "app/database_file.h"

#include "host/errors.h"
#include "sqlite/connection.h"
#include "sqlite/database.h"

namespace orla::app {

std::filesystem::path SalesDatabaseFile(const std::string& fileOrConnection) {
  std::error_code ignored;
  std::filesystem::path file = fileOrConnection;
  if (!std::filesystem::is_regular_file(file, ignored) &&
      fileOrConnection.find('=') != std::string::npos) {
    try {
      file = sqlite::DataSourceOf(fileOrConnection);
    } catch (const host::HostError& e) {
      throw DatabaseFileError(e.what());
    }
  }
  if (!std::filesystem::is_regular_file(file, ignored)) {
    throw DatabaseFileError("no such database file: " + file.string());
  }
  file = std::filesystem::absolute(file);
  try {
    // A file SQLite cannot read, or one without the sales, fails here rather than in a report.
    sqlite::Connection connection(file, sqlite::Connection::Mode::OpenExisting);
    connection.Exec("SELECT 1 FROM [Movimentações em Vendas] LIMIT 0");
  } catch (const host::HostError& e) {
    throw DatabaseFileError("cannot open the sales database " + file.string() + ": " + e.what());
  }
  return file;
}

}  // namespace orla::app
