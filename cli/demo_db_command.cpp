#include "cli/demo_db_command.h"

#include <charconv>
#include <exception>
#include <optional>

#include "demo/generator.h"

namespace orla::cli {

namespace {

template <typename Number>
std::optional<Number> ReadNumber(const std::string& text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<host::DateTime> ReadDay(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
    return std::nullopt;
  }
  const auto year = ReadNumber<int>(text.substr(0, 4));
  const auto month = ReadNumber<int>(text.substr(5, 2));
  const auto day = ReadNumber<int>(text.substr(8, 2));
  if (!year || !month || !day) {
    return std::nullopt;
  }
  return host::DateTime::FromParts(*year, *month, *day);
}

}  // namespace

int RunDemoDbCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool showProgress) {
  auto bad = [&](const std::string& message) {
    err << "orla-vendas demo-db: " << message << "\n\n" << kDemoDbUsage;
    return 2;
  };
  std::string file;
  demo::GeneratorOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--help" || option == "-h") {
      out << kDemoDbUsage;
      return 0;
    }
    if (option != "--out" && option != "--seed" && option != "--days" && option != "--start") {
      return bad("unknown argument '" + option + "'");
    }
    if (i + 1 >= args.size()) {
      return bad(option + " needs a value");
    }
    const std::string& value = args[++i];
    if (option == "--out") {
      file = value;
    } else if (option == "--seed") {
      const auto seed = ReadNumber<uint64_t>(value);
      if (!seed) {
        return bad("--seed needs a whole number, not '" + value + "'");
      }
      options.seed = *seed;
    } else if (option == "--days") {
      const auto days = ReadNumber<int>(value);
      if (!days || *days < 1 || *days > 3660) {
        return bad("--days needs a whole number from 1 to 3660, not '" + value + "'");
      }
      options.days = *days;
    } else {
      const auto start = ReadDay(value);
      if (!start) {
        return bad("--start needs a real date as YYYY-MM-DD, not '" + value + "'");
      }
      options.start = *start;
    }
  }
  if (file.empty()) {
    return bad("--out FILE is required");
  }
  demo::Progress progress;
  if (showProgress) {
    progress = [&err](int done, int days) {
      err << "\rGenerating day " << done << " of " << days << "..." << std::flush;
      if (done == days) {
        err << "\n";
      }
    };
  }
  try {
    const demo::GenerationSummary summary = demo::Generate(file, options, progress);
    out << "Wrote " << file << ": " << options.days << " days from " << options.start.ToIso()
        << ", " << summary.sales << " sales (" << summary.saleLines << " lines), "
        << summary.tillPeriods << " till periods, " << summary.readings << " nozzle readings.\n";
  } catch (const std::exception& e) {
    err << "orla-vendas demo-db: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace orla::cli
