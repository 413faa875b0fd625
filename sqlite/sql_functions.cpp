#include "sqlite/sql_functions.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include <sqlite3.h>

#include "sqlite/collation.h"
#include "sqlite/date_text.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite {

namespace {

int CollationCallback(void*, int lengthA, const void* a, int lengthB, const void* b) {
  return CompareTsqlText({static_cast<const char*>(a), static_cast<std::size_t>(lengthA)},
                         {static_cast<const char*>(b), static_cast<std::size_t>(lengthB)});
}

std::string_view TextArgument(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return {text == nullptr ? "" : text, static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

void ResultText(sqlite3_context* context, const std::string& text) {
  sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// SQL Server counts date serials from 1900-01-01; our days count from 1970-01-01.
constexpr int64_t kDay1900 = -25567;

std::optional<host::DateTime> DateArgument(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
      const double serial = sqlite3_value_double(value);
      const auto days = static_cast<int64_t>(serial >= 0 ? serial : serial - 1);
      const auto seconds = static_cast<int32_t>((serial - static_cast<double>(days)) * 86400.0);
      return host::DateTime::FromDays(kDay1900 + days, seconds);
    }
    case SQLITE_TEXT:
      return ReadDateText(TextArgument(value));
    default:
      return std::nullopt;
  }
}

void DateTimeFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const auto moment = DateArgument(argv[0]);
  if (!moment) {
    const std::string message = "Conversion failed when converting date and/or time from '" +
                                std::string(TextArgument(argv[0])) + "'";
    sqlite3_result_error(context, message.c_str(), -1);
    return;
  }
  ResultText(context, StoredDateText(*moment));
}

void ConvertFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const auto moment = sqlite3_value_type(argv[0]) == SQLITE_TEXT
                          ? ReadDateText(TextArgument(argv[0]))
                          : std::nullopt;
  if (!moment) {  // a style only shapes dates; other values convert as they are
    ResultText(context, std::string(TextArgument(argv[0])));
    return;
  }
  const host::DateTime& d = *moment;
  char buffer[32];
  switch (sqlite3_value_int(argv[1])) {
    case 103:
      std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", d.Day(), d.Month(), d.Year());
      break;
    case 108:
      std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", d.Hour(), d.Minute(), d.Second());
      break;
    case 111:
      std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", d.Year(), d.Month(), d.Day());
      break;
    case 112:
      std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", d.Year(), d.Month(), d.Day());
      break;
    case 120:
      std::snprintf(buffer, sizeof buffer, "%s", StoredDateText(d).c_str());
      break;
    default:
      sqlite3_result_error(context, "tsql_convert: unknown style", -1);
      return;
  }
  ResultText(context, buffer);
}

void BitFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
      sqlite3_result_null(context);
      return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      sqlite3_result_int(context, sqlite3_value_double(argv[0]) != 0.0 ? 1 : 0);
      return;
    default:
      break;
  }
  const std::string_view text = TextArgument(argv[0]);
  if (tsql::EqualsIgnoreCase(text, "TRUE") || tsql::EqualsIgnoreCase(text, "FALSE")) {
    sqlite3_result_int(context, tsql::EqualsIgnoreCase(text, "TRUE") ? 1 : 0);
    return;
  }
  const std::string copy(text);
  char* end = nullptr;
  const double number = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size()) {
    const std::string message =
        "Conversion failed when converting the value '" + copy + "' to data type bit";
    sqlite3_result_error(context, message.c_str(), -1);
    return;
  }
  sqlite3_result_int(context, number != 0.0 ? 1 : 0);
}

}  // namespace

void RegisterTsqlFunctions(sqlite3* db) {
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, CollationCallback);
  sqlite3_create_function(db, "tsql_datetime", 1, kFlags, nullptr, DateTimeFunction, nullptr,
                          nullptr);
  sqlite3_create_function(db, "tsql_convert", 2, kFlags, nullptr, ConvertFunction, nullptr,
                          nullptr);
  sqlite3_create_function(db, "tsql_bit", 1, kFlags, nullptr, BitFunction, nullptr, nullptr);
}

}  // namespace orla::sqlite
