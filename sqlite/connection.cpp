#include "sqlite/connection.h"

#include <mutex>
#include <thread>
#include <vector>

#include <sqlite3.h>

#include "host/errors.h"
#include "sqlite/date_text.h"
#include "sqlite/tsql_functions.h"

namespace orla::sqlite {

namespace {

constexpr const char* kTempDbUri = "file:/orla-vendas-tempdb?vfs=memdb";

// The connection that keeps TempDB alive from first use to the end of the process.
class TempDbKeeper {
 public:
  TempDbKeeper() {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI;
    if (sqlite3_open_v2(kTempDbUri, &db_, flags, nullptr) != SQLITE_OK) {
      const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw host::DatabaseError("Cannot create TempDB: " + message, "");
    }
  }
  ~TempDbKeeper() { sqlite3_close(db_); }
  TempDbKeeper(const TempDbKeeper&) = delete;
  TempDbKeeper& operator=(const TempDbKeeper&) = delete;

 private:
  sqlite3* db_ = nullptr;
};

void KeepTempDbAlive() {
  static TempDbKeeper keeper;
}

struct ListedReader {
  std::weak_ptr<LiveReader> reader;
  const Connection* connection;
  std::thread::id thread;
};

struct ListedReaders {
  std::mutex mutex;
  std::vector<ListedReader> list;
};

// Never destroyed, so a connection closed during the process's exit still finds it.
ListedReaders& Listed() {
  static auto* readers = new ListedReaders;
  return *readers;
}

// Takes the listed readers `chosen` picks (and forgets those already gone), then drains
// them with the list unlocked: a drain reads SQLite for as long as the rows last, and
// another thread may list its own readers meanwhile.
template <typename Chosen>
void DrainReaders(Chosen chosen) {
  std::vector<std::shared_ptr<LiveReader>> taken;
  {
    ListedReaders& readers = Listed();
    const std::lock_guard lock(readers.mutex);
    std::erase_if(readers.list, [&](const ListedReader& listed) {
      if (!chosen(listed)) {
        return listed.reader.expired();
      }
      if (auto reader = listed.reader.lock()) {
        taken.push_back(std::move(reader));
      }
      return true;
    });
  }
  for (const auto& reader : taken) {
    reader->Drain();
  }
}

int ExecRaw(sqlite3* db, const std::string& sql, std::string& message) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  message = error ? error : sqlite3_errmsg(db);
  sqlite3_free(error);
  return rc;
}

struct StopCheck {
  std::shared_ptr<std::function<bool()>> stop;
  int steps = 0;
};
thread_local StopCheck threadStopCheck;

int AskStopCheck(void* stop) {
  return (*static_cast<std::function<bool()>*>(stop))() ? 1 : 0;
}

}  // namespace

void AddLiveReader(const Connection& connection, std::weak_ptr<LiveReader> reader) {
  ListedReaders& readers = Listed();
  const std::lock_guard lock(readers.mutex);
  readers.list.push_back({std::move(reader), &connection, std::this_thread::get_id()});
}

void DrainReadersOfThisThread() {
  const std::thread::id self = std::this_thread::get_id();
  DrainReaders([&](const ListedReader& listed) { return listed.thread == self; });
}

Connection::Connection(const std::filesystem::path& file, Mode mode) : file_(file) {
  KeepTempDbAlive();
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI;
  if (mode == Mode::Create) {
    flags |= SQLITE_OPEN_CREATE;
  }
  // A plain path, not a URI: with URIs on, a path that starts with "file:" would be read as
  // one, so every path goes in as an absolute file: URI with its special characters escaped.
  std::string uri = "file:";
  for (unsigned char c : std::filesystem::absolute(file).string()) {
    if (c == '%' || c == '?' || c == '#' || c < 0x20) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0xF];
    } else {
      uri += static_cast<char>(c);
    }
  }
  // In the URI, so that it holds for the file alone: TempDB attaches with the connection's
  // own flags.
  if (mode == Mode::ReadOnly) {
    uri += "?mode=ro";
  }
  if (sqlite3_open_v2(uri.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw host::DatabaseError("Cannot open the database " + file.string() + ": " + message, "");
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_busy_timeout(db_, 10000);
  // A Bloom filter is built by reading the whole table it filters. The planner wants one
  // when the outer loop looks long, and a ## working table, which has no statistics, looks a
  // million rows long: updating a month of special-client sales read every sale of every year.
  constexpr int kBloomFilter = 0x00080000;  // SQLite's SQLITE_BloomFilter optimisation bit
  sqlite3_test_control(SQLITE_TESTCTRL_OPTIMIZATIONS, db_, kBloomFilter);
  RegisterTsqlFunctions(db_);
  // Not through Exec: opening a connection writes nothing, so it drains no reader.
  const std::string setup =
      std::string("ATTACH DATABASE '") + kTempDbUri + "' AS tempdb; PRAGMA foreign_keys = OFF";
  std::string message;
  if (ExecRaw(db_, setup, message) != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw host::DatabaseError("SQLite: " + message, setup);
  }
  if (threadStopCheck.stop) {
    stopCheck_ = threadStopCheck.stop;
    sqlite3_progress_handler(db_, threadStopCheck.steps, &AskStopCheck, stopCheck_.get());
  }
}

Connection::~Connection() {
  DrainReaders([this](const ListedReader& listed) { return listed.connection == this; });
  // A reader another thread is just letting go of may still hold its statement; the
  // connection then closes when that statement is finalized.
  sqlite3_close_v2(db_);
}

StopCheckScope::StopCheckScope(std::function<bool()> stop, int steps)
    : stop_(std::make_shared<std::function<bool()>>(std::move(stop))), steps_(steps) {
  threadStopCheck = {stop_, steps_};
}

StopCheckScope::~StopCheckScope() {
  threadStopCheck = {};
}

void Connection::Exec(std::string_view sql) {
  DrainReadersOfThisThread();
  const std::string text(sql);
  std::string message;
  if (ExecRaw(db_, text, message) != SQLITE_OK) {
    throw host::DatabaseError("SQLite: " + message, text);
  }
}

int64_t Connection::TotalChanges() const {
  return sqlite3_total_changes64(db_);
}

std::string Connection::LastError() const {
  return sqlite3_errmsg(db_);
}

PreparedStatement::PreparedStatement(Connection& connection, std::string_view sql)
    : connection_(connection), sql_(sql) {
  if (sqlite3_prepare_v2(connection.Handle(), sql_.c_str(), static_cast<int>(sql_.size()),
                         &statement_, nullptr) != SQLITE_OK) {
    throw host::DatabaseError("SQLite: " + connection.LastError(), sql_);
  }
}

PreparedStatement::~PreparedStatement() {
  sqlite3_finalize(statement_);
}

PreparedStatement& PreparedStatement::Bind(int index, const host::Value& value) {
  int rc = SQLITE_OK;
  switch (value.GetKind()) {
    case host::Value::Kind::Null:
      rc = sqlite3_bind_null(statement_, index);
      break;
    case host::Value::Kind::Boolean:
      rc = sqlite3_bind_int(statement_, index, value.AsBoolean() ? 1 : 0);
      break;
    case host::Value::Kind::Integer:
      rc = sqlite3_bind_int64(statement_, index, value.AsInteger());
      break;
    case host::Value::Kind::Double:
      rc = sqlite3_bind_double(statement_, index, value.AsDouble());
      break;
    case host::Value::Kind::Text:
      rc = sqlite3_bind_text(statement_, index, value.AsText().data(),
                             static_cast<int>(value.AsText().size()), SQLITE_TRANSIENT);
      break;
    case host::Value::Kind::Date: {
      const std::string text = StoredDateText(value.AsDate());
      rc = sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT);
      break;
    }
  }
  if (rc != SQLITE_OK) {
    throw host::DatabaseError(
        "SQLite: cannot bind parameter " + std::to_string(index) + ": " + connection_.LastError(),
        sql_);
  }
  return *this;
}

bool PreparedStatement::Step() {
  if (!sqlite3_stmt_busy(statement_) && !sqlite3_stmt_readonly(statement_)) {
    DrainReadersOfThisThread();
  }
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) {
    return true;
  }
  if (rc == SQLITE_DONE) {
    return false;
  }
  const std::string message = connection_.LastError();
  sqlite3_reset(statement_);
  throw host::DatabaseError("SQLite: " + message, sql_);
}

void PreparedStatement::Reset() {
  sqlite3_reset(statement_);
}

Transaction::Transaction(Connection& connection) : connection_(connection) {
  connection_.Exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (open_) {
    sqlite3_exec(connection_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

void Transaction::Commit() {
  connection_.Exec("COMMIT");
  open_ = false;
}

void ExecOnTempDb(std::string_view sql) {
  KeepTempDbAlive();
  DrainReadersOfThisThread();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(kTempDbUri, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr) !=
      SQLITE_OK) {
    const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    throw host::DatabaseError("Cannot open TempDB: " + message, std::string(sql));
  }
  RegisterTsqlFunctions(db);
  sqlite3_busy_timeout(db, 10000);
  char* error = nullptr;
  const std::string text(sql);
  const int rc = sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error);
  const std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) {
    throw host::DatabaseError(message, text);
  }
}

}  // namespace orla::sqlite
