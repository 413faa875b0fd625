// The value texts of a request, as `run`, the viewer and the C interface take them, read
// strictly whatever the regional settings.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/date_time.h"
#include "host/value.h"

namespace orla::app {

// A request refused before anything runs: the message names the argument and what was
// expected. The command line exits 2 on it, the server answers 400.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

host::DateTime ParseIsoDate(std::string_view text, std::string_view what);

// A value written as `run` takes its text (a number with a decimal point and no exponent, a
// date as dd/mm/aaaa); nothing for a null.
std::optional<std::string> RunText(const host::Value& value);
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

}  // namespace orla::app
