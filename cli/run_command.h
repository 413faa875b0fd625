#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/output.h"
#include "host/database.h"
#include "host/platform.h"
#include "hostlib/session.h"
#include "service/operations.h"

namespace orla::sqlite {
class Database;
}

namespace orla::cli {

class SqlTrace;

// `orla-vendas run OPERATION [NAME=VALUE ...] [--db FILE] [--format F] [--out FILE]
// [--trace-sql FILE] [--today YYYY-MM-DD] [--viewer-hidden]`. Gives the exit code.
// `terminal` tells whether progress may be shown while a demo database is made.
int RunCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err,
               bool terminal);

// What `run` and `serve` share: the check of a request before the library sees it, the run
// itself and (output.h) what is written of it.

// NAME and its value text, as `run` takes them.
using Assignment = std::pair<std::string, std::string>;

// Raises UsageError for a name that is not one of the thirteen operations.
const service::OperationInfo& CheckOperation(std::string_view name);
// Each value typed as its parameter asks, the texts guarded as the statements need; raises
// UsageError naming an unknown or repeated parameter or a value that does not fit.
std::vector<service::NamedValue> CheckParameters(const service::OperationInfo& operation,
                                                 const std::vector<Assignment>& assignments);

// The global ## working tables each report fills. Every connection of the process sees the
// same TempDB, so two runs that fill the same table at once would read each other's rows:
// those runs take turns on the table (all of a run's tables, in name order, so two runs never
// wait on each other crosswise). The two procedures each write TempDB in one long
// transaction, and runs of them side by side wait on each other's lock until SQLite gives up,
// so they take turns on their ### tables as well. Reports that share no table run side by side.
const std::map<std::string_view, std::vector<std::string_view>>& WorkingTables();

struct RunSetup {
  std::filesystem::path database;
  std::shared_ptr<const host::Clock> clock;
  bool viewerHidden = false;
  SqlTrace* trace = nullptr;  // may be null
  // Wraps the run's database object (given with the SQLite database beneath it); may be empty.
  std::function<std::unique_ptr<host::Database>(host::Database&, sqlite::Database&)> wrapDatabase;
  std::ostream* console = nullptr;  // where messages and errors are echoed; may be null
};

struct RunResult {
  std::string operation;
  bool result = false;
  host::ReportRef report;
  bool shown = false;
  std::unique_ptr<hostlib::Session> session;

  RunOutcome Outcome() const { return {operation, result, report, shown, *session}; }
};

// One call of the operation as the host makes it, on this thread and on a connection of its
// own, with a fresh Reports object; the thread's host platform is installed for the call only.
// What the operation raises is reported as the host would, never raised further.
RunResult ExecuteRun(const service::OperationInfo& operation,
                     const std::vector<service::NamedValue>& values, const RunSetup& setup);

}  // namespace orla::cli
