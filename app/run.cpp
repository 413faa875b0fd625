#include "app/run.h"

#include <algorithm>
#include <chrono>

#include <pwd.h>
#include <unistd.h>

#include "app/drill.h"
#include "app/filters_line.h"
#include "app/host_platform.h"
#include "app/named_calls.h"
#include "app/trace.h"
#include "engine/report.h"
#include "host/errors.h"
#include "hostlib/messages.h"
#include "reports/report_list.h"
#include "sqlite/database.h"

namespace orla::app {

namespace {

// A demo company for header line 0; the demo database holds sales, not the host's settings.
constexpr std::string_view kDemoCnpj = "12.345.678/0001-95";
constexpr std::string_view kDemoCompany = "AUTO POSTO ORLA LTDA";

}  // namespace

std::string LoginName() {
  char name[256];
  if (getlogin_r(name, sizeof name) == 0 && name[0] != '\0') {
    return name;
  }
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr) {
    return found->pw_name;
  }
  return {};
}

bool UsesWorkingTables(std::string_view operation) {
  // A stored procedure's ### table keeps each run's rows under the run's own key, so only the
  // ## tables the library fills by name need the turn.
  const reports::ReportDescriptor* report = reports::FindReport(operation);
  return report != nullptr &&
         std::ranges::any_of(report->workingTables, [](std::string_view table) {
           return table.starts_with("##") && !table.starts_with("###");
         });
}

bool ReadsTempDb(std::string_view operation) {
  const reports::ReportDescriptor* report = reports::FindReport(operation);
  return report != nullptr && !report->workingTables.empty();
}

std::unique_lock<std::timed_mutex> TakeTempDbTurn(std::string_view operation,
                                                  const std::function<bool()>& stopped) {
  static std::timed_mutex turns;
  std::unique_lock turn(turns, std::defer_lock);
  if (!UsesWorkingTables(operation)) {
    return turn;
  }
  while (!turn.try_lock_for(std::chrono::milliseconds(100))) {
    if (stopped && stopped()) {
      break;
    }
  }
  return turn;
}

RunResult ExecuteRun(const reports::ReportDescriptor& operation,
                     const std::vector<reports::NamedValue>& values, const RunSetup& setup) {
  RunResult run;
  run.operation = std::string(operation.name);
  run.session = std::make_unique<hostlib::Session>(setup.console, setup.verbose);
  auto platform = std::make_shared<RunPlatform>(setup.clock, *run.session, setup.trace);
  host::InstallPlatform(platform);
  struct Uninstall {
    ~Uninstall() { host::InstallPlatform(nullptr); }
  } uninstall;

  auto database = std::make_unique<sqlite::Database>(setup.database);
  sqlite::Database& sqliteDatabase = *database;
  run.database = std::move(database);
  run.traced = setup.trace ? setup.trace->Wrap(sqliteDatabase) : nullptr;
  run.named = NameFailedCalls(run.traced ? *run.traced : *run.database);
  host::Database& inner = *run.named;
  run.wrapped = setup.wrapDatabase ? setup.wrapDatabase(inner, sqliteDatabase) : nullptr;
  host::Database& oDB = run.wrapped ? *run.wrapped : inner;
  RunViewer viewer(!setup.viewerHidden);
  host::Object parentForm;
  RunCompany company{std::string(kDemoCnpj), std::string(kDemoCompany)};
  Reports instance;
  try {
    run.result =
        reports::CallByName(instance, operation.name,
                            {&viewer, &parentForm, &oDB, &company, nullptr}, run.report, values);
  } catch (const std::exception&) {
    // What the operation does not trap itself reaches its caller, the host.
    const host::ErrorInfo error = host::ErrorInfoFrom(std::current_exception());
    run.session->AddError({"Reports." + run.operation + "()", error.description, error.statement});
  }
  if (!run.result) {
    // The library's refusal of the period does not say which date it could not read.
    for (const auto& [name, text] : UnreadableDates(operation, values)) {
      run.session->AddDetail(hostlib::Say("%s: %s is not a valid date", {name, text}));
    }
  }
  run.shown = viewer.Shown();
  if (auto* printed = dynamic_cast<engine::Report*>(run.report.get())) {
    printed->SetPrintedBy(setup.user);
    try {
      // Looked up beside the trace, which holds the library's calls only.
      printed->SetFiltersLine(FiltersLine(operation, values, sqliteDatabase));
    } catch (const std::exception& e) {
      run.session->AddError({"filters line", e.what(), {}});
    }
    try {
      printed->SetLinks(DrillLinks(
          operation, reports::ResolveArguments(operation, values, host::CurrentPlatform().Today()),
          &sqliteDatabase));
    } catch (const std::exception& e) {
      run.session->AddError({"drill-down", e.what(), {}});
    }
  }
  return run;
}

}  // namespace orla::app
