#include "cli/demo_db_command.h"

#include <exception>
#include <optional>

#include "cli/arguments.h"
#include "cli/progress.h"
#include "demo/generator.h"
#include "host/platform.h"

namespace orla::cli {

namespace {

constexpr std::string_view kUsage =
    R"(usage: orla-vendas demo-db --out FILE [--seed N] [--days N] [--start YYYY-MM-DD]

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
)";

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
        out << kUsage;
        return kExitSuccess;
      }
      if (auto value = reader.TakeOption("--out")) {
        file = *value;
      } else if (auto seed = reader.TakeOption("--seed")) {
        const int64_t number = ParseInteger(*seed, "--seed");
        if (number < 0) {
          throw UsageError("--seed expects a whole number from 0, got '" + *seed + "'");
        }
        options.seed = static_cast<uint64_t>(number);
      } else if (auto days = reader.TakeOption("--days")) {
        const int64_t number = ParseInteger(*days, "--days");
        if (number < 1 || number > 3660) {
          throw UsageError("--days expects a whole number from 1 to 3660, got '" + *days + "'");
        }
        options.days = static_cast<int>(number);
      } else if (auto value = reader.TakeOption("--start")) {
        start = ParseIsoDate(*value, "--start");
      } else {
        throw UsageError("unknown argument '" + reader.Peek() + "'");
      }
    }
    if (file.empty()) {
      throw UsageError("--out FILE is required");
    }
    options.start =
        start ? *start : host::SystemClock().Now().DateOnly().AddDays(-(options.days - 1));
  } catch (const UsageError& e) {
    err << "orla-vendas demo-db: " << e.what() << "\n\n" << kUsage;
    return kExitUsage;
  }
  try {
    const demo::GenerationSummary summary =
        demo::Generate(file, options, TerminalProgress(err, terminal));
    out << "Wrote " << file << ": " << options.days << " days from " << options.start.ToIso()
        << ", " << summary.sales << " sales (" << summary.saleLines << " lines), "
        << summary.tillPeriods << " till periods, " << summary.readings << " nozzle readings.\n";
  } catch (const std::exception& e) {
    err << "orla-vendas demo-db: " << e.what() << "\n";
    return kExitFalse;
  }
  return kExitSuccess;
}

}  // namespace orla::cli
