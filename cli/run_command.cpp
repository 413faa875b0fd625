#include "cli/run_command.h"

#include <optional>

#include "app/file_names.h"
#include "app/output.h"
#include "app/parameters.h"
#include "app/periods.h"
#include "app/run.h"
#include "app/trace.h"
#include "cli/arguments.h"
#include "cli/demo_location.h"
#include "cli/progress.h"
#include "engine/render.h"
#include "engine/report.h"
#include "hostlib/messages.h"

namespace orla::cli {

namespace {

using hostlib::Say;

// The usage, with examples from the reports' own descriptions.
std::string Usage() {
  std::string usage = Say(R"(usage: orla-vendas run OPERATION [NAME=VALUE ...] [options]

Runs one of the thirteen reports on a sales database and writes what it prints.

  OPERATION             a report operation; `orla-vendas list` shows them with their
                        parameters, types and defaults
  NAME=VALUE            a parameter of the operation, as it is named there; text as it
                        stands, booleans true/false, numbers with a decimal point

options:
  --db FILE             the sales database (default: the demo database, made on first use)
  --format F            pdf, html, xlsx, csv, json or txt (default: from --out, else txt)
  --out FILE            where to write the report (default: the terminal for txt, json,
                        csv and html; for pdf and xlsx a file in this folder named after
                        the report and its period, as vendas-por-tipos-de-recebimento-
                        2024-03.pdf for a whole month, ...-2024-03-01_2024-03-15.pdf
                        otherwise); '-' is standard output. FILE is written whole or not
                        at all: under a temporary name beside it, renamed over it once
                        complete, so a failure leaves the old FILE as it was
  --fail-empty          exit 3 when the report finds nothing to print (default: exit 0)
  --trace-sql FILE      write every database call the report makes, one JSON object a line;
                        a call the database refused is followed by {"failed", "description",
                        "statement"}
  --verbose             with a database error, print the statement it refused as well
  --today YYYY-MM-DD    the date the report takes as today
  --viewer-hidden       run as with the viewer hidden: an empty result passes silently
  --user NAME           who the printed report says printed it (default: the login name);
                        SOURCE_DATE_EPOCH, when set, fixes the time it says
  --csv-dialect D       plain (default: for programs, RFC 4180, column names, decimal point)
                        or br (for spreadsheets in Portuguese: ";", decimal comma,
                        dd/mm/aaaa, the printed column titles, UTF-8 with BOM)

When the report finds nothing to print it says so in one line and writes no file: an old
FILE is removed, so that it never holds a report this run did not write. With --format json
the document is still written; its "shown" is false.

exit status: 0 the report ran to its end, 1 the period was refused, an error was reported or
a write failed, 2 a bad command line, 3 nothing to print with --fail-empty.
)");
  usage += "\n" + Say("examples:") + "\n";
  const std::pair<std::string_view, std::string_view> examples[] = {
      {"VendasPorTiposDeRecebimento", "--out vendas-marco.pdf"},
      {"RankingDeVendas", "--format json"}};
  for (const auto& [name, options] : examples) {
    const reports::ReportDescriptor& report = app::CheckOperation(name);
    std::string line = "  orla-vendas run " + std::string(report.name);
    std::vector<std::string> words;
    for (const reports::ExampleValue& value : report.example) {
      words.push_back(std::string(value.name) + "=" + std::string(value.value));
    }
    words.emplace_back(options);
    for (const std::string& word : words) {
      if (line.size() + 1 + word.size() > 94) {
        usage += line + " \\\n";
        line = "     ";
      }
      line += " " + word;
    }
    usage += line + "\n";
  }
  return usage;
}

struct RunOptions {
  std::string operation;
  std::vector<reports::NamedValue> values;
  std::optional<std::string> db;
  std::optional<engine::Format> format;
  std::optional<std::string> out;
  std::optional<std::string> traceSql;
  std::optional<host::DateTime> today;
  bool viewerHidden = false;
  bool failEmpty = false;
  bool verbose = false;
  std::optional<std::string> user;
  engine::RenderOptions render;
};

RunOptions Parse(std::vector<std::string> arguments) {
  ArgumentReader reader(std::move(arguments));
  RunOptions options;
  std::vector<app::Assignment> assignments;
  while (!reader.Done()) {
    if (auto v = reader.TakeOption("--db")) {
      options.db = *v;
    } else if (auto f = reader.TakeOption("--format")) {
      options.format = engine::ParseFormat(*f);
      if (!options.format) {
        throw UsageError(Say("--format expects pdf, html, xlsx, csv, json or txt, got '%s'", {*f}));
      }
    } else if (auto o = reader.TakeOption("--out")) {
      options.out = *o;
    } else if (auto t = reader.TakeOption("--trace-sql")) {
      options.traceSql = *t;
    } else if (auto d = reader.TakeOption("--today")) {
      options.today = ParseIsoDate(*d, "--today");
    } else if (reader.TakeFlag("--viewer-hidden")) {
      options.viewerHidden = true;
    } else if (reader.TakeFlag("--fail-empty")) {
      options.failEmpty = true;
    } else if (reader.TakeFlag("--verbose")) {
      options.verbose = true;
    } else if (auto u = reader.TakeOption("--user")) {
      options.user = *u;
    } else if (auto c = reader.TakeOption("--csv-dialect")) {
      options.render.csv = ParseCsvDialectOption(*c);
    } else if (reader.Peek().starts_with("--")) {
      throw UsageError(Say("unknown option %s (see orla-vendas run --help)", {reader.Peek()}));
    } else if (options.operation.empty()) {
      options.operation = reader.Take();
    } else {
      const std::string assignment = reader.Take();
      const size_t equals = assignment.find('=');
      if (equals == std::string::npos || equals == 0) {
        throw UsageError(Say("expected NAME=VALUE, got '%s'", {assignment}));
      }
      assignments.push_back({assignment.substr(0, equals), assignment.substr(equals + 1)});
    }
  }
  if (options.operation.empty()) {
    throw UsageError(Say("run needs an OPERATION (orla-vendas list shows them)"));
  }
  options.values = app::CheckParameters(app::CheckOperation(options.operation), assignments);
  if (!options.format) {
    options.format = options.out && *options.out != app::kStandardOutput
                         ? app::FormatOfFile(*options.out)
                         : engine::Format::Text;
  }
  return options;
}

// Where pdf and xlsx go without --out: a file named after the report's title and period, as
// the viewer's downloads and scheduled deliveries are; OPERATION.<format> when the period
// cannot be read (the report refuses it, and writes nothing).
std::string DefaultFile(const RunOptions& options, const app::RunResult& run,
                        const reports::ReportDescriptor& operation, const host::DateTime& today) {
  const std::string extension(engine::FormatName(*options.format));
  const auto period = app::ReportPeriod(operation, app::TextValues(options.values), today);
  if (!period) {
    return options.operation + "." + extension;
  }
  // A report titles itself after what it found (the ranking adds by what it ranks).
  const std::string title = run.report != nullptr
                                ? run.report->ReportTitle()
                                : engine::CreateReport(operation.layouts.front())->ReportTitle();
  return app::ReportFileName(title, *period, extension);
}

}  // namespace

int RunCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err,
               bool terminal) {
  if (!arguments.empty() && (arguments.front() == "--help" || arguments.front() == "-h")) {
    out << Usage();
    return kExitSuccess;
  }
  RunOptions options;
  std::filesystem::path databaseFile;
  std::unique_ptr<app::OutputFile> traceFile;
  try {
    options = Parse(std::move(arguments));
    databaseFile = options.db ? ExistingDatabase(*options.db) : DemoDatabase(err, terminal);
    if (options.traceSql) {
      try {
        traceFile = std::make_unique<app::OutputFile>(*options.traceSql);
      } catch (const app::OutputError& e) {
        throw UsageError(std::string("--trace-sql: ") + e.what());
      }
    }
  } catch (const UsageError& e) {
    err << "orla-vendas run: " << e.what() << '\n';
    return kExitUsage;
  }

  std::optional<app::SqlTrace> trace;
  if (traceFile) {
    trace.emplace(traceFile->Stream());
  }
  app::RunSetup setup;
  setup.database = databaseFile;
  setup.clock =
      options.today
          ? std::shared_ptr<const host::Clock>(std::make_shared<host::FixedClock>(*options.today))
          : std::make_shared<host::SystemClock>();
  setup.viewerHidden = options.viewerHidden;
  if (options.user) {
    setup.user = *options.user;
  }
  setup.trace = trace ? &*trace : nullptr;
  setup.console = &err;
  setup.verbose = options.verbose;
  if (terminal) {
    err << Say("Running %s...", {options.operation}) << std::endl;
  }
  const reports::ReportDescriptor& operation = app::CheckOperation(options.operation);
  const app::RunResult run = app::ExecuteRun(operation, options.values, setup);

  auto* rendered = dynamic_cast<engine::Report*>(run.report.get());
  if (terminal && rendered != nullptr && *options.format != engine::Format::Json) {
    ShowRowProgress(*rendered, err);
  }
  bool written = true;
  try {
    std::optional<std::string> file = options.out;
    if (!file && !engine::IsTextFormat(*options.format)) {
      file = DefaultFile(options, run, operation, setup.clock->Now());
    }
    app::WriteOutcome(run.Outcome(), *options.format, file, out, err, options.render);
  } catch (const app::OutputError& e) {
    err << "orla-vendas run: " << e.what() << '\n';
    written = false;
  } catch (const std::exception& e) {
    err << "orla-vendas run: " << Say("cannot write the report: %s", {e.what()}) << '\n';
    written = false;
  }
  if (traceFile) {
    try {
      traceFile->Close();
    } catch (const app::OutputError& e) {
      err << "orla-vendas run: --trace-sql: " << e.what() << '\n';
      written = false;
    }
  }
  if (!written || !run.result) {
    return kExitFalse;
  }
  return options.failEmpty && !run.shown ? kExitEmpty : kExitSuccess;
}

}  // namespace orla::cli
