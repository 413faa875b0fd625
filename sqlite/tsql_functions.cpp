#include "sqlite/tsql_functions.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <sqlite3.h>

#include "host/platform.h"
#include "sqlite/collation.h"
#include "sqlite/date_text.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite {

namespace {

int CollationCallback(void*, int lengthA, const void* a, int lengthB, const void* b) {
  return CompareTsqlText({static_cast<const char*>(a), static_cast<std::size_t>(lengthA)},
                         {static_cast<const char*>(b), static_cast<std::size_t>(lengthB)});
}

std::string_view TextOf(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return {text == nullptr ? "" : text, static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

void Error(sqlite3_context* context, const std::string& message) {
  sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
}

void ResultText(sqlite3_context* context, const std::string& text) {
  sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

bool AnyNull(int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
      return true;
    }
  }
  return false;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  while (!text.empty() && text.back() == ' ') {
    text.remove_suffix(1);
  }
  return text;
}

// SQL Server reads '  12 ' and '-3' as int, not '1.5', '1e3' nor ''.
std::optional<int64_t> ReadWhole(std::string_view text) {
  text = TrimBlanks(text);
  const std::string copy(text);
  if (copy.empty() || copy.find_first_not_of("+-0123456789") != std::string::npos) {
    return std::nullopt;
  }
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(copy.c_str(), &end, 10);
  if (errno != 0 || end != copy.c_str() + copy.size()) {
    return std::nullopt;
  }
  return static_cast<int64_t>(value);
}

std::optional<double> ReadReal(std::string_view text) {
  text = TrimBlanks(text);
  const std::string copy(text);
  if (copy.empty() || copy.find_first_not_of("+-.0123456789eE") != std::string::npos) {
    return std::nullopt;
  }
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size()) {
    return std::nullopt;
  }
  return value;
}

void IntFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
      sqlite3_result_null(context);
      return;
    case SQLITE_INTEGER:
      sqlite3_result_value(context, argv[0]);
      return;
    case SQLITE_FLOAT:
      sqlite3_result_int64(context, static_cast<sqlite3_int64>(sqlite3_value_double(argv[0])));
      return;
    default:
      break;
  }
  const auto value = ReadWhole(TextOf(argv[0]));
  if (!value) {
    Error(context, "245: Conversion failed when converting the varchar value '" +
                       std::string(TextOf(argv[0])) + "' to data type int.");
    return;
  }
  sqlite3_result_int64(context, *value);
}

void FloatFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
      sqlite3_result_null(context);
      return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      sqlite3_result_double(context, sqlite3_value_double(argv[0]));
      return;
    default:
      break;
  }
  const auto value = ReadReal(TextOf(argv[0]));
  if (!value) {
    Error(context, "8114: Error converting data type varchar to float: '" +
                       std::string(TextOf(argv[0])) + "'.");
    return;
  }
  sqlite3_result_double(context, *value);
}

// --- arithmetic ---------------------------------------------------------------------------

[[noreturn]] void Overflow(const std::string& type) {
  throw std::overflow_error("8115: Arithmetic overflow error converting expression to data type " +
                            type + ".");
}

[[noreturn]] void DivideByZero() {
  throw std::domain_error("8134: Divide by zero error encountered.");
}

// The range of a whole-number kind; false for the decimal kinds.
bool WholeRange(std::string_view kind, int64_t& low, int64_t& high) {
  if (kind == "int") {
    low = std::numeric_limits<int32_t>::min();
    high = std::numeric_limits<int32_t>::max();
  } else if (kind == "bigint") {
    low = std::numeric_limits<int64_t>::min();
    high = std::numeric_limits<int64_t>::max();
  } else if (kind == "smallint") {
    low = std::numeric_limits<int16_t>::min();
    high = std::numeric_limits<int16_t>::max();
  } else if (kind == "tinyint") {
    low = 0;
    high = 255;
  } else {
    return false;
  }
  return true;
}

// A number as the kind reads it: a real is cut toward zero for a whole kind.
sqlite3_value* Numeric(sqlite3_value* value) {
  if (sqlite3_value_numeric_type(value) == SQLITE_TEXT) {
    throw std::invalid_argument("245: Conversion failed when converting the varchar value '" +
                                std::string(TextOf(value)) + "' to a number.");
  }
  return value;
}

std::optional<int64_t> WholeOperand(sqlite3_value* value, std::string_view kind) {
  if (sqlite3_value_type(value) == SQLITE_NULL) {
    return std::nullopt;
  }
  if (sqlite3_value_numeric_type(Numeric(value)) == SQLITE_INTEGER) {
    return sqlite3_value_int64(value);
  }
  const double real = std::trunc(sqlite3_value_double(value));
  if (!(real >= -9223372036854775808.0 && real < 9223372036854775808.0)) {
    Overflow(std::string(kind));
  }
  return static_cast<int64_t>(real);
}

std::optional<int64_t> WholeStep(int64_t a, char op, int64_t b) {
  int64_t result = 0;
  switch (op) {
    case '+':
      return __builtin_add_overflow(a, b, &result) ? std::nullopt : std::optional(result);
    case '-':
      return __builtin_sub_overflow(a, b, &result) ? std::nullopt : std::optional(result);
    case '*':
      return __builtin_mul_overflow(a, b, &result) ? std::nullopt : std::optional(result);
    default:
      break;
  }
  if (b == 0) {
    DivideByZero();
  }
  if (a == std::numeric_limits<int64_t>::min() && b == -1) {
    return op == '/' ? std::nullopt : std::optional<int64_t>(0);
  }
  return op == '/' ? a / b : a % b;
}

double DecimalStep(double a, char op, double b) {
  switch (op) {
    case '+':
      return a + b;
    case '-':
      return a - b;
    case '*':
      return a * b;
    default:
      break;
  }
  if (b == 0.0) {
    DivideByZero();
  }
  return op == '/' ? a / b : std::fmod(a, b);
}

void CheckDecimal(double value, std::string_view kind) {
  const bool over = kind == "money"     ? std::fabs(value) > 922337203685477.5807
                    : kind == "decimal" ? !(std::fabs(value) < 1e38)
                                        : !std::isfinite(value);
  if (over) {
    Overflow(kind == "decimal" ? "numeric" : std::string(kind));
  }
}

void ErrorFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  Error(context, std::string(TextOf(argv[0])));
}

// tsql_arith(kind, x0 [, op1, x1 ...]): ((x0 op1 x1) op2 x2)..., each step checked as SQL
// Server checks it in the kind's type.
void ArithFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (argc < 2) {
    Error(context, "tsql_arith needs a kind and a value");
    return;
  }
  try {
    const std::string_view kind = TextOf(argv[0]);
    int64_t low = 0, high = 0;
    bool null = false;
    if (WholeRange(kind, low, high)) {
      auto range = [&](int64_t value) {
        if (value < low || value > high) {
          if (kind == "tinyint" || kind == "smallint") {
            throw std::overflow_error("220: Arithmetic overflow error for data type " +
                                      std::string(kind) + ", value = " + std::to_string(value) +
                                      ".");
          }
          Overflow(std::string(kind));
        }
        return value;
      };
      std::optional<int64_t> acc = WholeOperand(argv[1], kind);
      null = !acc;
      int64_t value = acc ? range(*acc) : 0;
      for (int i = 2; i + 1 < argc && !null; i += 2) {
        const char op = TextOf(argv[i]).empty() ? '+' : TextOf(argv[i])[0];
        const std::optional<int64_t> operand = WholeOperand(argv[i + 1], kind);
        if (!operand) {
          null = true;
          break;
        }
        const std::optional<int64_t> step = WholeStep(value, op, *operand);
        if (!step) {
          Overflow(std::string(kind));
        }
        value = range(*step);
      }
      null ? sqlite3_result_null(context) : sqlite3_result_int64(context, value);
      return;
    }
    null = sqlite3_value_type(argv[1]) == SQLITE_NULL;
    double value = null ? 0.0 : sqlite3_value_double(Numeric(argv[1]));
    if (!null) {
      CheckDecimal(value, kind);
    }
    for (int i = 2; i + 1 < argc && !null; i += 2) {
      if (sqlite3_value_type(argv[i + 1]) == SQLITE_NULL) {
        null = true;
        break;
      }
      const char op = TextOf(argv[i]).empty() ? '+' : TextOf(argv[i])[0];
      value = DecimalStep(value, op, sqlite3_value_double(Numeric(argv[i + 1])));
      CheckDecimal(value, kind);
    }
    null ? sqlite3_result_null(context) : sqlite3_result_double(context, value);
  } catch (const std::exception& e) {
    Error(context, e.what());
  }
}

// --- text ---------------------------------------------------------------------------------

std::vector<char32_t> CodePoints(std::string_view text) {
  std::vector<char32_t> result;
  for (std::size_t pos = 0; pos < text.size();) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 1;
    if (length == 1 || pos + length > text.size()) {
      result.push_back(lead);
      ++pos;
      continue;
    }
    char32_t code = lead & (0x7F >> length);
    bool valid = true;
    for (std::size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(text[pos + i]);
      valid = valid && (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid) {
      result.push_back(lead);
      ++pos;
      continue;
    }
    result.push_back(code);
    pos += length;
  }
  return result;
}

void Append(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsLatinLetter(char32_t code) {
  return code >= 0xC0 && code <= 0xFE && code != 0xD7 && code != 0xF7 && code != 0xDF;
}

char32_t ToUpper(char32_t code) {
  if (code >= 'a' && code <= 'z') {
    return code - 'a' + 'A';
  }
  return IsLatinLetter(code) && code >= 0xE0 ? code - 0x20 : code;
}

char32_t ToLower(char32_t code) {
  if (code >= 'A' && code <= 'Z') {
    return code - 'A' + 'a';
  }
  return IsLatinLetter(code) && code < 0xE0 ? code + 0x20 : code;
}

template <char32_t (*Map)(char32_t)>
void CaseFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  std::string out;
  for (char32_t code : CodePoints(TextOf(argv[0]))) {
    Append(out, Map(code));
  }
  ResultText(context, out);
}

int CompareOne(char32_t a, char32_t b) {
  std::string x, y;
  Append(x, a);
  Append(y, b);
  return CompareTsqlText(x, y);
}

// One pattern element: a character, any character (_), or a [set].
struct Element {
  enum class Kind { Char, Any, Set, Many } kind = Kind::Char;
  char32_t code = 0;
  bool negated = false;
  std::vector<std::pair<char32_t, char32_t>> ranges;

  bool Matches(char32_t c) const {
    switch (kind) {
      case Kind::Any:
        return true;
      case Kind::Char:
        return CompareOne(code, c) == 0;
      case Kind::Set: {
        bool in = false;
        for (const auto& [low, high] : ranges) {
          in = in || (CompareOne(low, c) <= 0 && CompareOne(c, high) <= 0);
        }
        return in != negated;
      }
      case Kind::Many:
        return false;
    }
    return false;
  }
};

std::vector<Element> ReadPattern(const std::vector<char32_t>& pattern) {
  std::vector<Element> elements;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    Element element;
    if (pattern[i] == '%') {
      element.kind = Element::Kind::Many;
    } else if (pattern[i] == '_') {
      element.kind = Element::Kind::Any;
    } else if (pattern[i] == '[' && pattern.size() > i + 1) {
      std::size_t close = i + 1;
      while (close < pattern.size() && pattern[close] != ']') {
        ++close;
      }
      if (close == pattern.size()) {  // an unclosed [ is itself
        element.code = pattern[i];
        elements.push_back(element);
        continue;
      }
      element.kind = Element::Kind::Set;
      std::size_t k = i + 1;
      if (pattern[k] == '^') {
        element.negated = true;
        ++k;
      }
      for (; k < close; ++k) {
        if (k + 2 < close && pattern[k + 1] == '-') {
          element.ranges.emplace_back(pattern[k], pattern[k + 2]);
          k += 2;
        } else {
          element.ranges.emplace_back(pattern[k], pattern[k]);
        }
      }
      i = close;
    } else {
      element.code = pattern[i];
    }
    elements.push_back(element);
  }
  return elements;
}

bool Like(const std::vector<char32_t>& text, const std::vector<Element>& pattern) {
  std::size_t t = 0, p = 0;
  std::size_t starP = std::string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p].kind == Element::Kind::Many) {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && pattern[p].Matches(text[t])) {
      ++p;
      ++t;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p].kind == Element::Kind::Many) {
    ++p;
  }
  return p == pattern.size();
}

void LikeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) {
    sqlite3_result_null(context);
    return;
  }
  const bool match = Like(CodePoints(TextOf(argv[0])), ReadPattern(CodePoints(TextOf(argv[1]))));
  sqlite3_result_int(context, match ? 1 : 0);
}

// --- dates --------------------------------------------------------------------------------

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
      return ReadDateText(TextOf(value));
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
                                std::string(TextOf(argv[0])) + "'";
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
  const auto moment =
      sqlite3_value_type(argv[0]) == SQLITE_TEXT ? ReadDateText(TextOf(argv[0])) : std::nullopt;
  if (!moment) {  // a style only shapes dates; other values convert as they are
    ResultText(context, std::string(TextOf(argv[0])));
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
  const std::string_view text = TextOf(argv[0]);
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

std::optional<host::DateTime> DateOf(sqlite3_value* value) {
  return sqlite3_value_type(value) == SQLITE_TEXT ? ReadDateText(TextOf(value)) : std::nullopt;
}

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

int64_t TotalSeconds(const host::DateTime& moment) {
  return moment.Days() * 86400 + moment.SecondsOfDay();
}

std::optional<host::DateTime> AddMonths(const host::DateTime& moment, int64_t months) {
  const int64_t index = moment.Year() * 12LL + (moment.Month() - 1) + months;
  const auto year = static_cast<int>(FloorDiv(index, 12));
  const auto month = static_cast<int>(index - FloorDiv(index, 12) * 12) + 1;
  for (int day = moment.Day(); day >= 28; --day) {
    if (auto result = host::DateTime::FromParts(year, month, day, moment.Hour(), moment.Minute(),
                                                moment.Second())) {
      return result;
    }
  }
  return host::DateTime::FromParts(year, month, moment.Day(), moment.Hour(), moment.Minute(),
                                   moment.Second());
}

void DateAddFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) {
    sqlite3_result_null(context);
    return;
  }
  const std::string_view part = TextOf(argv[0]);
  const auto moment = DateOf(argv[2]);
  if (!moment) {
    Error(context, "DATEADD: '" + std::string(TextOf(argv[2])) + "' is not a date");
    return;
  }
  const auto n = static_cast<int64_t>(sqlite3_value_double(argv[1]));
  std::optional<host::DateTime> result;
  if (part == "year" || part == "quarter" || part == "month") {
    result = AddMonths(*moment, n * (part == "year" ? 12 : part == "quarter" ? 3 : 1));
  } else if (part == "day" || part == "week") {
    result = moment->AddDays(n * (part == "week" ? 7 : 1));
  } else {
    const int64_t unit = part == "hour" ? 3600 : part == "minute" ? 60 : 1;
    const int64_t seconds = TotalSeconds(*moment) + n * unit;
    result = host::DateTime::FromDays(
        FloorDiv(seconds, 86400), static_cast<int32_t>(seconds - FloorDiv(seconds, 86400) * 86400));
  }
  if (!result || result->Year() < 1753 || result->Year() > 9999) {
    Error(context, "Adding a value to a 'datetime' column caused an overflow.");
    return;
  }
  ResultText(context, StoredDateText(*result));
}

void DateDiffFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) {
    sqlite3_result_null(context);
    return;
  }
  const std::string_view part = TextOf(argv[0]);
  const auto a = DateOf(argv[1]);
  const auto b = DateOf(argv[2]);
  if (!a || !b) {
    Error(context, "DATEDIFF: a value is not a date");
    return;
  }
  int64_t result = 0;
  if (part == "year") {
    result = b->Year() - a->Year();
  } else if (part == "quarter") {
    result = (b->Year() * 4LL + (b->Month() - 1) / 3) - (a->Year() * 4LL + (a->Month() - 1) / 3);
  } else if (part == "month") {
    result = (b->Year() * 12LL + b->Month()) - (a->Year() * 12LL + a->Month());
  } else if (part == "day") {
    result = b->Days() - a->Days();
  } else if (part == "week") {  // weeks begin on Sunday; 1970-01-01 was a Thursday
    result = FloorDiv(b->Days() + 4, 7) - FloorDiv(a->Days() + 4, 7);
  } else {
    const int64_t unit = part == "hour" ? 3600 : part == "minute" ? 60 : 1;
    result = FloorDiv(TotalSeconds(*b), unit) - FloorDiv(TotalSeconds(*a), unit);
  }
  sqlite3_result_int64(context, result);
}

// The host platform's clock, so that a run for another day (`--today`) sees that day here
// too; the system's on a thread without one (the sql command, SQLite tools).
void GetDateFunction(sqlite3_context* context, int, sqlite3_value**) {
  const host::Platform* platform = host::InstalledPlatform();
  ResultText(context,
             StoredDateText(platform != nullptr ? platform->Now() : host::SystemClock().Now()));
}

}  // namespace

void RegisterTsqlFunctions(sqlite3* db) {
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, CollationCallback);
  // Only the conversions of a value alone are marked deterministic: SQLite may then evaluate
  // a constant call once before the statement runs, and a check that fails in a CASE branch
  // never taken would fail.
  constexpr int kDeterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  constexpr int kChecked = SQLITE_UTF8;
  struct Function {
    const char* name;
    int arguments;
    int flags;
    void (*call)(sqlite3_context*, int, sqlite3_value**);
  };
  const Function functions[] = {
      {"tsql_datetime", 1, kDeterministic, DateTimeFunction},
      {"tsql_convert", 2, kDeterministic, ConvertFunction},
      {"tsql_bit", 1, kDeterministic, BitFunction},
      {"tsql_int", 1, kChecked, IntFunction},
      {"tsql_float", 1, kChecked, FloatFunction},
      {"tsql_arith", -1, kChecked, ArithFunction},
      {"tsql_error", 1, kChecked, ErrorFunction},
      {"tsql_upper", 1, kChecked, CaseFunction<ToUpper>},
      {"tsql_lower", 1, kChecked, CaseFunction<ToLower>},
      {"tsql_like", 2, kChecked, LikeFunction},
      {"tsql_dateadd", 3, kChecked, DateAddFunction},
      {"tsql_datediff", 3, kChecked, DateDiffFunction},
      {"tsql_getdate", 0, kChecked, GetDateFunction},
  };
  for (const Function& function : functions) {
    sqlite3_create_function(db, function.name, function.arguments, function.flags, nullptr,
                            function.call, nullptr, nullptr);
  }
}

}  // namespace orla::sqlite
