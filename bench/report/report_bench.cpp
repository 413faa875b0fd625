// Each of the thirteen operations end to end against its floor. End to end is the library's
// run (ExecuteRun until its result is back) and then the reading of every row and field of
// the report's recordsets and its subreports', as a renderer reads them: the final query's
// rows are stepped only then. The floor: the SQLite statements the run and the reading made,
// recorded as SQLite ran them (bound values written in) and replayed directly with the
// sqlite3 C API, every row and column read. And growth: one month on a three-year database
// against the same month on a database of that month alone.
//
// Timings alternate run and replay and take the median of --repeat of each, in wall time and
// in this thread's CPU time (the machine is shared: CPU time is what other processes move
// least), with the load average before and after.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sqlite3.h>
#include <time.h>

#include "app/output.h"
#include "app/run.h"
#include "demo/generator.h"
#include "engine/report.h"
#include "engine/rows.h"
#include "host/platform.h"
#include "reports/by_name.h"
#include "reports/report_list.h"
#include "sqlite/tsql_functions.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace orla;

// A moment in wall time and in this thread's CPU time.
struct Instant {
  Clock::time_point wall;
  double cpu;

  static Instant Now() {
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return {Clock::now(), static_cast<double>(cpu.tv_sec) + cpu.tv_nsec * 1e-9};
  }
};

// Wall and CPU seconds.
struct Span {
  double wall = 0;
  double cpu = 0;

  static Span Between(const Instant& from, const Instant& to) {
    return {std::chrono::duration<double>(to.wall - from.wall).count(), to.cpu - from.cpu};
  }
  Span operator+(const Span& other) const { return {wall + other.wall, cpu + other.cpu}; }
};

// What SQLite was asked to do, in order, on which connection.
struct Event {
  enum class Kind { Statement, Close } kind;
  const sqlite3* connection;
  std::string file;  // the connection's main database: "" or a path
  std::string sql;
};

bool gRecording = false;
bool gExplain = false;  // the slowest statements of each replay, with their plans
std::vector<Event> gEvents;

int OnTrace(unsigned type, void*, void* p, void* x) {
  if (!gRecording) {
    return 0;
  }
  if (type == SQLITE_TRACE_STMT) {
    auto* statement = static_cast<sqlite3_stmt*>(p);
    // Statements of triggers come as "-- ..." comments; they run inside their statement.
    if (std::string_view(static_cast<const char*>(x)).starts_with("--")) {
      return 0;
    }
    sqlite3* db = sqlite3_db_handle(statement);
    char* expanded = sqlite3_expanded_sql(statement);
    const char* file = sqlite3_db_filename(db, "main");
    gEvents.push_back({Event::Kind::Statement, db, file ? file : "", expanded ? expanded : ""});
    sqlite3_free(expanded);
  } else if (type == SQLITE_TRACE_CLOSE) {
    gEvents.push_back({Event::Kind::Close, static_cast<sqlite3*>(p), "", ""});
  }
  return 0;
}

int TraceEveryConnection(sqlite3* db, const char**, const void*) {
  sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_CLOSE, OnTrace, nullptr);
  return SQLITE_OK;
}

// A connection set up as the embedded database sets up its own; the statements that
// attach TempDB are among the recorded ones.
sqlite3* OpenLike(const std::string& file) {
  sqlite3* db = nullptr;
  const std::string uri = file.empty() || (file.front() == '/' && !fs::exists(file))
                              ? std::string("file:/orla-vendas-tempdb?vfs=memdb")
                              : "file:" + file;
  if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr) !=
      SQLITE_OK) {
    throw std::runtime_error("replay: cannot open " + uri);
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, 10000);
  sqlite3_test_control(SQLITE_TESTCTRL_OPTIMIZATIONS, db, 0x00080000);  // no Bloom filters
  sqlite::RegisterTsqlFunctions(db);
  return db;
}

struct StatementCost {
  double seconds;
  std::string sql;
  std::string plan;
};

std::string QueryPlan(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  const std::string explain = "EXPLAIN QUERY PLAN " + sql;
  if (sqlite3_prepare_v2(db, explain.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    return "(no plan: " + std::string(sqlite3_errmsg(db)) + ")";
  }
  std::string plan;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    plan += "  " + std::to_string(sqlite3_column_int(statement, 1)) + " " +
            reinterpret_cast<const char*>(sqlite3_column_text(statement, 3)) + "\n";
  }
  sqlite3_finalize(statement);
  return plan;
}

// Runs the recorded statements again; gives a checksum of what was read, so that nothing
// read can be left out by the optimiser. With `costs`, also each statement's time and plan.
int64_t Replay(const std::vector<Event>& events, std::vector<StatementCost>* costs = nullptr) {
  std::map<const sqlite3*, sqlite3*> connections;
  int64_t sum = 0;
  for (const Event& event : events) {
    if (event.kind == Event::Kind::Close) {
      if (auto found = connections.find(event.connection); found != connections.end()) {
        sqlite3_close(found->second);
        connections.erase(found);
      }
      continue;
    }
    sqlite3*& db = connections[event.connection];
    if (db == nullptr) {
      db = OpenLike(event.file);
    }
    const std::string plan = costs ? QueryPlan(db, event.sql) : "";
    const auto started = Clock::now();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, event.sql.c_str(), static_cast<int>(event.sql.size()), &statement,
                           nullptr) != SQLITE_OK) {
      throw std::runtime_error("replay: " + std::string(sqlite3_errmsg(db)) + " in " +
                               event.sql.substr(0, 200));
    }
    int rc = 0;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      const int columns = sqlite3_column_count(statement);
      for (int c = 0; c < columns; ++c) {
        switch (sqlite3_column_type(statement, c)) {
          case SQLITE_INTEGER:
            sum += sqlite3_column_int64(statement, c);
            break;
          case SQLITE_FLOAT:
            sum += static_cast<int64_t>(sqlite3_column_double(statement, c));
            break;
          case SQLITE_TEXT:
            sqlite3_column_text(statement, c);
            sum += sqlite3_column_bytes(statement, c);
            break;
          default:
            break;
        }
      }
    }
    sqlite3_finalize(statement);
    if (costs) {
      costs->push_back(
          {std::chrono::duration<double>(Clock::now() - started).count(), event.sql, plan});
    }
    if (rc != SQLITE_DONE) {
      throw std::runtime_error("replay: " + std::string(sqlite3_errmsg(db)) + " in " +
                               event.sql.substr(0, 200));
    }
  }
  for (const auto& [recorded, db] : connections) {
    sqlite3_close(db);
  }
  return sum;
}

struct Run {
  Span run;   // the library's run, to its result
  Span read;  // every row and field of the report's recordsets
  size_t rows = 0;
  bool result = false;
};

// Reads `report`'s rows, then its subreports', from the first to EOF, every field of every
// row; gives the count of rows and adds what was read to `sum`.
size_t ReadAll(const engine::Report& report, int64_t& sum) {
  size_t rows = 0;
  if (host::Recordset* data = report.DataSource().get()) {
    const size_t width = data->Columns().size();
    data->MoveFirst();
    for (; !engine::AtEnd(*data); data->MoveNext(), ++rows) {
      for (size_t i = 0; i < width; ++i) {
        const host::Value value = data->FieldAt(i);
        sum += static_cast<int64_t>(value.GetKind());
      }
    }
  }
  for (const auto& subreport : report.Subreports()) {
    rows += ReadAll(*subreport, sum);
  }
  return rows;
}

Run RunOnce(const reports::ReportDescriptor& operation, const fs::path& database,
            const std::string& from, const std::string& to) {
  app::RunSetup setup;
  setup.database = database;
  setup.clock = std::make_shared<host::FixedClock>(*host::DateTime::FromParts(2025, 1, 15));
  setup.viewerHidden = true;
  const auto values =
      app::CheckParameters(operation, {{"Filtro_DataInicial", from}, {"Filtro_DataFinal", to}});
  Run run;
  int64_t sum = 0;
  const Instant started = Instant::Now();
  std::optional<app::RunResult> result = app::ExecuteRun(operation, values, setup);
  const Instant ran = Instant::Now();
  const auto* report = dynamic_cast<const engine::Report*>(result->report.get());
  if (report != nullptr) {
    run.rows = ReadAll(*report, sum);
  }
  run.result = result->result && result->session->Errors().empty() && report != nullptr;
  if (!run.result) {
    std::ostringstream out;
    std::ostringstream err;
    app::WriteOutcome(result->Outcome(), engine::Format::Json, std::nullopt, out, err);
    std::cerr << operation.name << " gave result false: " << out.str().substr(0, 600) << '\n';
  }
  // Letting the result go closes the run's connections, which the floor does too.
  result.reset();
  const Instant read = Instant::Now();
  run.run = Span::Between(started, ran);
  run.read = Span::Between(ran, read);
  volatile int64_t kept = sum;
  (void)kept;
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Load() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  return load;
}

fs::path Cached(const fs::path& folder, int days) {
  const fs::path file = folder / ("demo-2024-01-01-" + std::to_string(days) + "d.db");
  if (!fs::exists(file)) {
    std::fprintf(stderr, "generating %s...\n", file.c_str());
    fs::create_directories(folder);
    demo::GeneratorOptions options;
    options.days = days;
    demo::Generate(file, options);
  }
  return file;
}

struct Timing {
  Span run;
  Span read;
  Span total;  // run + read, the median of their sums
  Span floor;
  size_t statements = 0;
  size_t rows = 0;
};

Span MedianSpan(const std::vector<Span>& spans) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (const Span& span : spans) {
    wall.push_back(span.wall);
    cpu.push_back(span.cpu);
  }
  return {Median(wall), Median(cpu)};
}

// The median of `repeat` runs, and of as many replays of the first run's statements.
Timing Measure(const reports::ReportDescriptor& operation, const fs::path& database,
               const std::string& from, const std::string& to, int repeat, bool floor) {
  RunOnce(operation, database, from, to);  // warms the page cache
  gEvents.clear();
  gRecording = floor || gExplain;
  const Run first = RunOnce(operation, database, from, to);
  gRecording = false;
  const std::vector<Event> events = std::move(gEvents);
  std::vector<Span> runs{first.run};
  std::vector<Span> reads{first.read};
  std::vector<Span> totals{first.run + first.read};
  std::vector<Span> replays;
  for (int i = 0; i < repeat; ++i) {
    if (floor) {
      const Instant started = Instant::Now();
      volatile int64_t sum = Replay(events);
      (void)sum;
      replays.push_back(Span::Between(started, Instant::Now()));
    }
    if (i + 1 < repeat) {
      const Run run = RunOnce(operation, database, from, to);
      runs.push_back(run.run);
      reads.push_back(run.read);
      totals.push_back(run.run + run.read);
    }
  }
  Timing timing;
  timing.run = MedianSpan(runs);
  timing.read = MedianSpan(reads);
  timing.total = MedianSpan(totals);
  timing.floor = floor ? MedianSpan(replays) : Span{};
  timing.statements = std::count_if(events.begin(), events.end(), [](const Event& e) {
    return e.kind == Event::Kind::Statement;
  });
  timing.rows = first.rows;
  if (gExplain && !events.empty()) {
    std::vector<StatementCost> costs;
    Replay(events, &costs);
    std::sort(costs.begin(), costs.end(),
              [](const StatementCost& a, const StatementCost& b) { return a.seconds > b.seconds; });
    for (size_t i = 0; i < costs.size() && i < 3; ++i) {
      std::fprintf(stderr, "%.3f s: %s\n%s\n", costs[i].seconds, costs[i].sql.c_str(),
                   costs[i].plan.c_str());
    }
  }
  return timing;
}

std::string LoadAverages() {
  std::string text;
  std::getline(std::ifstream("/proc/loadavg"), text);
  return text.substr(0, text.find(' ', text.find(' ', text.find(' ') + 1) + 1));
}

}  // namespace

int main(int argc, char** argv) {
  fs::path folder = "build/bench/data";
  int repeat = 5;
  int days = 366;  // of the end-to-end database, which is queried for the whole of 2024
  std::string only;
  bool endToEnd = true;
  bool growth = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--data" && i + 1 < argc) {
      folder = argv[++i];
    } else if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--days" && i + 1 < argc) {
      days = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else if (arg == "--explain") {
      gExplain = true;
    } else if (arg == "--no-growth") {
      growth = false;
    } else if (arg == "--no-end-to-end") {
      endToEnd = false;
    } else {
      std::cerr << "usage: report_bench [--data FOLDER] [--repeat N] [--days N] [--only OPERATION] "
                   "[--no-growth] [--no-end-to-end] [--explain]\n";
      return 2;
    }
  }
  sqlite3_auto_extension(reinterpret_cast<void (*)()>(&TraceEveryConnection));

  std::vector<const reports::ReportDescriptor*> operations;
  for (const reports::ReportDescriptor& operation : reports::ReportList()) {
    if (only.empty() || operation.name == only) {
      operations.push_back(&operation);
    }
  }

  std::printf("Load average (1, 5, 15 min) at the start: %s\n\n", LoadAverages().c_str());
  if (endToEnd) {
    const fs::path year = Cached(folder, days);
    std::printf(
        "## End to end: 2024 on %d days of the demo station (%d runs each, medians; wall "
        "seconds, CPU seconds of this thread in brackets)\n\n",
        days, repeat);
    std::printf(
        "| operation | statements | rows read | run (s) | read (s) | run + read (s) | floor (s) "
        "| ratio | CPU ratio | load |\n|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n");
    for (const reports::ReportDescriptor* operation : operations) {
      const double loadBefore = Load();
      const Timing t = Measure(*operation, year, "01/01/2024", "31/12/2024", repeat, true);
      std::printf(
          "| %s | %zu | %zu | %.3f (%.3f) | %.3f (%.3f) | %.3f (%.3f) | %.3f (%.3f) | %.2f | %.2f "
          "| %.1f-%.1f |\n",
          std::string(operation->name).c_str(), t.statements, t.rows, t.run.wall, t.run.cpu,
          t.read.wall, t.read.cpu, t.total.wall, t.total.cpu, t.floor.wall, t.floor.cpu,
          t.total.wall / t.floor.wall, t.total.cpu / t.floor.cpu, loadBefore, Load());
      std::fflush(stdout);
    }
    std::printf("\n");
  }
  if (growth) {
    const fs::path month = Cached(folder, 31);
    const fs::path threeYears = Cached(folder, 1096);
    std::printf(
        "## Growth: January 2024 on three years against a database of that month "
        "(%d runs each, medians of run + read; CPU seconds in brackets)\n\n",
        repeat);
    std::printf(
        "| operation | one month (s) | three years (s) | ratio | CPU ratio | load |\n"
        "|---|--:|--:|--:|--:|--:|\n");
    for (const reports::ReportDescriptor* operation : operations) {
      const double loadBefore = Load();
      const Timing small = Measure(*operation, month, "01/01/2024", "31/01/2024", repeat, false);
      const Timing large =
          Measure(*operation, threeYears, "01/01/2024", "31/01/2024", repeat, false);
      std::printf("| %s | %.3f (%.3f) | %.3f (%.3f) | %.2f | %.2f | %.1f-%.1f |\n",
                  std::string(operation->name).c_str(), small.total.wall, small.total.cpu,
                  large.total.wall, large.total.cpu, large.total.wall / small.total.wall,
                  large.total.cpu / small.total.cpu, loadBefore, Load());
      std::fflush(stdout);
    }
  }
  return 0;
}
