// One SQLite connection prepared for translated T-SQL: the TSQL collation and functions
// registered, double-quoted strings refused (so a misspelt "name" is an error, not a
// string), and the process-wide TempDB attached as the schema `tempdb`.
//
// TempDB is an in-memory database on SQLite's memdb VFS under a name that starts with "/",
// which makes it one database for every connection of the process, with database-level
// locking. A connection the process holds from first use to exit keeps it alive, so a ##
// table a command object fills on its own connection is still there for the host's
// connection afterwards, as SQL Server's TempDB is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace orla::sqlite {

class Connection {
 public:
  // ReadOnly opens an existing file that no statement can change; TempDB stays writable.
  enum class Mode { OpenExisting, Create, ReadOnly };

  // Raises host::DatabaseError when the file cannot be opened.
  Connection(const std::filesystem::path& file, Mode mode);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* Handle() const { return db_; }
  const std::filesystem::path& File() const { return file_; }

  // Runs SQLite statements as they are (no translation); raises host::DatabaseError.
  void Exec(std::string_view sql);
  // Rows changed by every statement this connection ran so far.
  int64_t TotalChanges() const;
  std::string LastError() const;

 private:
  sqlite3* db_ = nullptr;
  std::filesystem::path file_;
  std::shared_ptr<std::function<bool()>> stopCheck_;  // see StopCheckScope
};

// Lets a caller stop work on connections it never holds, such as a command object's, opened
// and closed inside one call: while a scope lives, every connection its thread opens asks
// `stop` every `steps` virtual-machine steps of a statement, and a statement running when it
// answers true ends as interrupted (host::DatabaseError). Scopes do not nest.
class StopCheckScope {
 public:
  explicit StopCheckScope(std::function<bool()> stop, int steps = 1000);
  ~StopCheckScope();
  StopCheckScope(const StopCheckScope&) = delete;
  StopCheckScope& operator=(const StopCheckScope&) = delete;

 private:
  std::shared_ptr<std::function<bool()>> stop_;
  int steps_;
};

// Something still reading a statement on a connection: a recordset that reads its rows as
// they are used (recordset.h). The live statement holds a read lock, and a write would wait
// on it (on another connection of the same thread, until the busy timeout) or stay
// uncommitted until the read ends (on the same connection, holding TempDB's write lock all
// that time). So every live reader is drained, its rows read to the end and its statement
// finalized, before a write on the thread that opened it (Connection::Exec, a statement
// that is not read-only: so also before a command object's procedure) and before its
// connection closes.
class LiveReader {
 public:
  virtual ~LiveReader() = default;
  virtual void Drain() = 0;
};

// Lists a reader of a statement prepared on `connection` by this thread, until it is drained
// or gone.
void AddLiveReader(const Connection& connection, std::weak_ptr<LiveReader> reader);
void DrainReadersOfThisThread();

// Runs SQLite statements on TempDB alone, where its tables are in the schema `main`; for
// clean-ups that must not depend on a sales database (procedures.h). Raises
// host::DatabaseError.
void ExecOnTempDb(std::string_view sql);

// A prepared SQLite statement.
class PreparedStatement {
 public:
  PreparedStatement(Connection& connection, std::string_view sql);
  ~PreparedStatement();
  PreparedStatement(const PreparedStatement&) = delete;
  PreparedStatement& operator=(const PreparedStatement&) = delete;

  // Parameters count from 1. Dates bind in the stored form, Booleans as 0/1.
  PreparedStatement& Bind(int index, const host::Value& value);
  // True while it gives a row; raises host::DatabaseError.
  bool Step();
  // Ready to run again, with the same bindings unless rebound.
  void Reset();
  void Run() {
    Step();
    Reset();
  }

  sqlite3_stmt* Handle() const { return statement_; }
  const std::string& Sql() const { return sql_; }

 private:
  Connection& connection_;
  sqlite3_stmt* statement_ = nullptr;
  std::string sql_;
};

// Opens a transaction and commits it, unless it is left by an exception, which rolls back.
class Transaction {
 public:
  explicit Transaction(Connection& connection);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  Connection& connection_;
  bool open_ = true;
};

}  // namespace orla::sqlite
