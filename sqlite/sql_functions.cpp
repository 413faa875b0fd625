#include "sqlite/sql_functions.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include <sqlite3.h>

#include "sqlite/date_text.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite {

namespace {

// Decodes one UTF-8 code point at text[pos]; a malformed byte stands for itself.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  int length = lead < 0x80           ? 1
               : (lead >> 5) == 0x6  ? 2
               : (lead >> 4) == 0xE  ? 3
               : (lead >> 3) == 0x1E ? 4
                                     : 1;
  if (pos + static_cast<std::size_t>(length) > text.size()) {
    length = 1;
  }
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if ((byte(pos + static_cast<std::size_t>(i)) & 0xC0) != 0x80) {
      ++pos;
      return lead;
    }
    code = (code << 6) | (byte(pos + static_cast<std::size_t>(i)) & 0x3F);
  }
  pos += static_cast<std::size_t>(length);
  return code;
}

// (primary, secondary): the letter without case or accent, then the accent.
std::pair<char32_t, char32_t> SortKeys(char32_t code) {
  if (code >= 'a' && code <= 'z') {
    return {code - 'a' + 'A', 0};
  }
  if (code < 0xC0 || code > 0xFF || code == 0xD7 || code == 0xF7) {
    return {code, 0};
  }
  // Latin-1 letters, lower case folded onto upper case.
  const char32_t upper = code >= 0xE0 && code != 0xFF ? code - 0x20 : code;
  static constexpr char kBase[] = "AAAAAA?CEEEEIIIIDNOOOOO?OUUUUY??";  // U+00C0..U+00DF
  char32_t base = code == 0xFF ? 'Y' : static_cast<char32_t>(kBase[upper - 0xC0]);
  if (base == '?') {
    base = upper;
  }
  return {base, upper};
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') {
    text.remove_suffix(1);
  }
  return text;
}

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

int CompareTsqlText(std::string_view a, std::string_view b) {
  a = TrimTrailingBlanks(a);
  b = TrimTrailingBlanks(b);
  std::size_t i = 0;
  std::size_t j = 0;
  int accents = 0;  // the first accent difference, used only when the letters tie
  while (i < a.size() && j < b.size()) {
    const auto [primaryA, secondaryA] = SortKeys(NextCodePoint(a, i));
    const auto [primaryB, secondaryB] = SortKeys(NextCodePoint(b, j));
    if (primaryA != primaryB) {
      return primaryA < primaryB ? -1 : 1;
    }
    if (accents == 0 && secondaryA != secondaryB) {
      accents = secondaryA < secondaryB ? -1 : 1;
    }
  }
  if (i < a.size()) {
    return 1;
  }
  if (j < b.size()) {
    return -1;
  }
  return accents;
}

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
