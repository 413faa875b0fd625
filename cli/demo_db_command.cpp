#include "cli/demo_db_command.h"

#include <exception>
#include <optional>

#include "cli/arguments.h"
#include "cli/progress.h"
#include "demo/generator.h"
#include "host/platform.h"
#include "hostlib/messages.h"

namespace orla::cli {

namespace {

using hostlib::Say;

std::string Usage() {
  return Say(R"(usage: orla-vendas demo-db --out FILE [--seed N] [--days N] [--start YYYY-MM-DD]

Writes a demo sales database of one fuel station: FILE is replaced. The same arguments give
the same data.

  --out FILE           the database file to write
  --seed N             the generator's seed (default 20240101)
  --days N             how many days of sales, 1 to 3660 (default 366)
  --start YYYY-MM-DD   the first day (default: the days end today, so that the reports'
                       default period, the current month, has data; pass a fixed day
                       for the same data every time)

examples:
  orla-vendas demo-db --out demo.db
  orla-vendas demo-db --out march.db --days 31 --start 2024-03-01 --seed 7
)");
}

}  // namespace

int DemoDbCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err,
                  bool terminal) {
  std::string file;
  demo::GeneratorOptions options;
  std::optional<host::DateTime> start;
  try {
    ArgumentReader reader(std::move(arguments));
    while (!reader.Done()) {
      if (reader.TakeFlag("--help") || reader.TakeFlag("-h")) {
        out << Usage();
        return kExitSuccess;
      }
      if (auto value = reader.TakeOption("--out")) {
        file = *value;
      } else if (auto seed = reader.TakeOption("--seed")) {
        const int64_t number = ParseInteger(*seed, "--seed");
        if (number < 0) {
          throw UsageError(Say("--seed expects a whole number from 0, got '%s'", {*seed}));
        }
        options.seed = static_cast<uint64_t>(number);
      } else if (auto days = reader.TakeOption("--days")) {
        const int64_t number = ParseInteger(*days, "--days");
        if (number < 1 || number > 3660) {
          throw UsageError(Say("--days expects a whole number from 1 to 3660, got '%s'", {*days}));
        }
        options.days = static_cast<int>(number);
      } else if (auto value = reader.TakeOption("--start")) {
        start = ParseIsoDate(*value, "--start");
      } else {
        throw UsageError(Say("unknown argument '%s'", {reader.Peek()}));
      }
    }
    if (file.empty()) {
      throw UsageError(Say("--out FILE is required"));
    }
    options.start =
        start ? *start : host::SystemClock().Now().DateOnly().AddDays(-(options.days - 1));
  } catch (const UsageError& e) {
    err << "orla-vendas demo-db: " << e.what() << "\n\n" << Usage();
    return kExitUsage;
  }
  try {
    const demo::GenerationSummary summary =
        demo::Generate(file, options, TerminalProgress(err, terminal));
    out << Say("Wrote %s: %s days from %s, %s sales (%s lines), %s till periods, %s nozzle "
               "readings.",
               {file, std::to_string(options.days), options.start.ToIso(),
                std::to_string(summary.sales), std::to_string(summary.saleLines),
                std::to_string(summary.tillPeriods), std::to_string(summary.readings)})
        << '\n';
  } catch (const std::exception& e) {
    err << "orla-vendas demo-db: " << e.what() << "\n";
    return kExitFalse;
  }
  return kExitSuccess;
}

}  // namespace orla::cli
