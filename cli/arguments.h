// What the subcommands share in reading their arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/value_texts.h"
#include "engine/render.h"

namespace orla::cli {

// A bad command line: the message names the argument and what was expected. Exit code 2.
using app::UsageError;
// Strict forms for the command line, whatever the regional settings.
using app::ParseBoolean;
using app::ParseDecimal;
using app::ParseInteger;
using app::ParseIsoDate;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFalse = 1;
inline constexpr int kExitUsage = 2;
// `run --fail-empty`: the report ran and found nothing to print.
inline constexpr int kExitEmpty = 3;

// Reads "--name value" and "--name=value" options and plain words, in order.
class ArgumentReader {
 public:
  explicit ArgumentReader(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}

  bool Done() const { return next_ >= arguments_.size(); }
  const std::string& Peek() const { return arguments_.at(next_); }
  std::string Take() { return arguments_.at(next_++); }

  // When the next argument is option `name`, takes it and gives its value (raising when the
  // value is missing); otherwise nothing.
  std::optional<std::string> TakeOption(std::string_view name);
  // When the next argument is the flag `name`, takes it.
  bool TakeFlag(std::string_view name);

 private:
  std::vector<std::string> arguments_;
  size_t next_ = 0;
};

// The value of --csv-dialect; raises UsageError for anything but plain and br.
engine::CsvDialect ParseCsvDialectOption(const std::string& text);

}  // namespace orla::cli
