#include "cli/demo_location.h"

#include <algorithm>
#include <cstdlib>

#include "cli/arguments.h"
#include "cli/progress.h"
#include "demo/generator.h"
#include "host/platform.h"
#include "hostlib/messages.h"

namespace orla::cli {

namespace {

std::filesystem::path DataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    return std::filesystem::path(xdg) / "orla-vendas";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::filesystem::path(home) / ".local" / "share" / "orla-vendas";
  }
  return std::filesystem::current_path() / ".orla-vendas";
}

}  // namespace

std::filesystem::path ExistingDatabase(const std::string& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    throw UsageError(hostlib::Say("--db %s: no such database file", {file}));
  }
  return std::filesystem::absolute(file);
}

std::filesystem::path DemoDatabase(std::ostream& err, bool terminal) {
  const std::filesystem::path file = DataFolder() / "demo.db";
  if (std::filesystem::exists(file)) {
    return file;
  }
  std::filesystem::create_directories(file.parent_path());
  // From January 2024, where the examples look, to today, where the default period looks.
  demo::GeneratorOptions options;
  const host::DateTime today = host::SystemClock().Now().DateOnly();
  options.days = static_cast<int>(std::clamp<int64_t>(DaysBetween(options.start, today) + 1,
                                                      demo::GeneratorOptions{}.days, 3660));
  err << hostlib::Say(
             "Creating the demo database (one station, %s days from %s) at %s; later "
             "runs use it.",
             {std::to_string(options.days), options.start.ToIso(), file.string()})
      << '\n';
  demo::Generate(file, options, TerminalProgress(err, terminal));
  return file;
}

}  // namespace orla::cli
