// What the subcommands share in reading their arguments.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/date_time.h"

namespace orla::cli {

// A bad command line: the message names the argument and what was expected. Exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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

// Strict forms for the command line, whatever the regional settings.
host::DateTime ParseIsoDate(std::string_view text, std::string_view what);
int64_t ParseInteger(std::string_view text, std::string_view what);
double ParseDecimal(std::string_view text, std::string_view what);
bool ParseBoolean(std::string_view text, std::string_view what);

// A list of names for an SQL IN list, which the report places into its statement as it
// stands: each name in single quotes with its own quotes doubled ('Dinheiro','Cheque a
// Vista'), separated by commas; spaces between the names and the commas are allowed. Empty
// text means all names. Raises UsageError for anything else, so that a stray quote can
// never end a literal early.
std::string CheckQuotedNameList(std::string_view text, std::string_view what);

// An entry count, which the report writes into its statement as it stands when it reads as
// a number under the regional rules, and replaces by its default when it does not. A number
// is taken only as a plain count of digits (given without the blanks around it); a sign, a
// decimal comma, thousands separators or an exponent would reach the statement as more than
// one token, so they raise UsageError. Text that is no number passes unchanged.
std::string CheckEntryCount(std::string_view text, std::string_view what);

}  // namespace orla::cli
