// The run of one operation as `orla-vendas run`, the viewer's server, the C interface and
// the benchmarks make it: the check of a request before the library sees it (parameters.h),
// the run itself and (output.h) what is written of it.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/output.h"
#include "app/parameters.h"
#include "host/database.h"
#include "host/platform.h"
#include "hostlib/session.h"
#include "reports/by_name.h"
#include "reports/descriptor.h"

namespace orla::sqlite {
class Database;
}

namespace orla::app {

class SqlTrace;

// Every connection of the process shares one TempDB, which SQLite locks as a whole, and
// the ## tables the library fills are shared by name: two runs that fill the same one at
// once would read each other's rows, and runs that write different ones fail with
// "database is locked" (at once where SQLite sees a deadlock, or when the busy timeout ends
// under load). So the runs of reports with ## tables take turns on TempDB; the others run
// side by side. The two stored procedures need no turn: each works its rows out on its own
// connection and writes them in one short statement, under a key of its run's own.
bool UsesWorkingTables(std::string_view operation);
// Whether a run reads TempDB at all: its ## tables, or its stored procedure's rows.
bool ReadsTempDb(std::string_view operation);
// Waits for TempDB's turn when `operation` needs it, asking `stopped` (may be empty) every
// 100 ms. The lock owns nothing when the operation needs no turn or `stopped` said true.
std::unique_lock<std::timed_mutex> TakeTempDbTurn(std::string_view operation,
                                                  const std::function<bool()>& stopped = {});

// Who runs the program: the login name, or the owner of the process when there is no login
// (a service); empty when neither is known.
std::string LoginName();

struct RunSetup {
  std::filesystem::path database;
  std::shared_ptr<const host::Clock> clock;
  std::string user = LoginName();  // named in the foot of the printed report
  bool viewerHidden = false;
  SqlTrace* trace = nullptr;  // may be null
  // Wraps the run's database object (given with the SQLite database beneath it); may be empty.
  std::function<std::unique_ptr<host::Database>(host::Database&, sqlite::Database&)> wrapDatabase;
  std::ostream* console = nullptr;  // where messages and errors are echoed; may be null
  bool verbose = false;             // echo a database error's statement too
};

struct RunResult {
  std::string operation;
  bool result = false;
  // The run's database object and its wrappers, innermost first. They stay open until the
  // result goes, so the report's rows are read from the query as the report is written.
  std::unique_ptr<host::Database> database;
  std::unique_ptr<host::Database> traced;
  std::unique_ptr<host::Database> named;
  std::unique_ptr<host::Database> wrapped;
  host::ReportRef report;
  bool shown = false;
  std::unique_ptr<hostlib::Session> session;

  RunOutcome Outcome() const { return {operation, result, report, shown, *session}; }
};

// One call of the operation as the host makes it, on this thread and on a connection of its
// own, with a fresh Reports object; the thread's host platform is installed for the call only.
// What the operation raises is reported as the host would, never raised further.
RunResult ExecuteRun(const reports::ReportDescriptor& operation,
                     const std::vector<reports::NamedValue>& values, const RunSetup& setup);

}  // namespace orla::app
