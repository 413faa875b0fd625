#include "host/regional_settings.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "host/errors.h"

namespace orla::host {

namespace {

// The runtime counts dates as days since 30/12/1899; 01/01/1970 is day 25569.
constexpr int64_t kSerialOfUnixEpoch = 25569;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads 1..maxDigits digits at `pos`; gives the number and how many digits were read.
struct Digits {
  int value = 0;
  int count = 0;
};

Digits ReadDigits(std::string_view text, size_t& pos, int maxDigits) {
  Digits d;
  while (pos < text.size() && IsDigit(text[pos]) && d.count < maxDigits) {
    d.value = d.value * 10 + (text[pos] - '0');
    ++d.count;
    ++pos;
  }
  return d;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

[[noreturn]] void ThrowTypeMismatch(const Value& value, std::string_view wanted) {
  if (value.IsNull()) {
    throw HostError(error_number::kInvalidUseOfNull, "Invalid use of Null");
  }
  throw HostError(error_number::kTypeMismatch,
                  "Type mismatch: " + value.Describe() + " is not " + std::string(wanted));
}

double SerialOf(const DateTime& date) {
  return static_cast<double>(date.Days() + kSerialOfUnixEpoch) + date.SecondsOfDay() / 86400.0;
}

template <typename Int>
Int RoundToInteger(double number, const Value& original) {
  // The runtime rounds halves to even (2.5 -> 2, 3.5 -> 4).
  const double rounded = std::nearbyint(number);
  if (!std::isfinite(rounded) || rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
    throw HostError(error_number::kOverflow, "Overflow: " + original.Describe());
  }
  return static_cast<Int>(rounded);
}

template <typename Int>
Int ToInteger(const RegionalSettings& rs, const Value& value, std::string_view wanted) {
  switch (value.GetKind()) {
    case Value::Kind::Boolean:
      return value.AsBoolean() ? Int{-1} : Int{0};
    case Value::Kind::Integer: {
      const int64_t n = value.AsInteger();
      if (n < std::numeric_limits<Int>::min() || n > std::numeric_limits<Int>::max()) {
        throw HostError(error_number::kOverflow, "Overflow: " + value.Describe());
      }
      return static_cast<Int>(n);
    }
    case Value::Kind::Double:
      return RoundToInteger<Int>(value.AsDouble(), value);
    case Value::Kind::Text:
      if (auto number = rs.ReadNumber(value.AsText())) {
        return RoundToInteger<Int>(*number, value);
      }
      break;
    case Value::Kind::Date:
      return RoundToInteger<Int>(SerialOf(value.AsDate()), value);
    case Value::Kind::Null:
      break;
  }
  ThrowTypeMismatch(value, wanted);
}

}  // namespace

RegionalSettings RegionalSettings::Brazilian() {
  return RegionalSettings();
}

std::optional<DateTime> RegionalSettings::ReadDate(std::string_view text) const {
  text = Trim(text);
  size_t pos = 0;
  const Digits first = ReadDigits(text, pos, 4);
  if (first.count == 0 || pos >= text.size()) {
    return std::nullopt;
  }
  const char separator = text[pos];
  if (separator != '/' && separator != '-' && separator != '.' && separator != dateSeparator_) {
    return std::nullopt;
  }
  ++pos;
  const Digits second = ReadDigits(text, pos, 2);
  if (second.count == 0 || pos >= text.size() || text[pos] != separator) {
    return std::nullopt;
  }
  ++pos;
  const Digits third = ReadDigits(text, pos, 4);
  if (third.count == 0 || (pos < text.size() && IsDigit(text[pos]))) {
    return std::nullopt;
  }

  int year = 0;
  int month = second.value;
  int day = 0;
  if (first.count == 4) {  // ISO order: year first.
    if (third.count > 2) {
      return std::nullopt;
    }
    year = first.value;
    day = third.value;
  } else {  // Day first.
    if (first.count > 2 || third.count == 3) {
      return std::nullopt;
    }
    day = first.value;
    year = third.value;
    if (third.count <= 2) {
      const int century = twoDigitYearMax_ / 100 * 100;
      year += century;
      if (year > twoDigitYearMax_) {
        year -= 100;
      }
    }
  }

  int hour = 0;
  int minute = 0;
  int second_ = 0;
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') {
      return std::nullopt;
    }
    ++pos;
    const Digits h = ReadDigits(text, pos, 2);
    if (h.count == 0 || pos >= text.size() || text[pos] != timeSeparator_) {
      return std::nullopt;
    }
    ++pos;
    const Digits m = ReadDigits(text, pos, 2);
    if (m.count != 2) {
      return std::nullopt;
    }
    hour = h.value;
    minute = m.value;
    if (pos < text.size() && text[pos] == timeSeparator_) {
      ++pos;
      const Digits s = ReadDigits(text, pos, 2);
      if (s.count != 2) {
        return std::nullopt;
      }
      second_ = s.value;
    }
    if (pos != text.size()) {
      return std::nullopt;
    }
  }
  return DateTime::FromParts(year, month, day, hour, minute, second_);
}

std::optional<double> RegionalSettings::ReadNumber(std::string_view text) const {
  text = Trim(text);
  std::string plain;  // The number in the C form that from_chars reads.
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') {
      plain += '-';
    }
    ++pos;
  }
  int mantissaDigits = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (IsDigit(c)) {
      plain += c;
      ++mantissaDigits;
    } else if (c == thousandsSeparator_ && mantissaDigits > 0 && pos + 1 < text.size() &&
               IsDigit(text[pos + 1])) {
      // Thousands separators are skipped wherever they stand between digits.
    } else {
      break;
    }
    ++pos;
  }
  if (pos < text.size() && text[pos] == decimalSeparator_) {
    plain += '.';
    ++pos;
    while (pos < text.size() && IsDigit(text[pos])) {
      plain += text[pos++];
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) {
    return std::nullopt;
  }
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    plain += 'e';
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      plain += text[pos++];
    }
    int exponentDigits = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
      plain += text[pos++];
      ++exponentDigits;
    }
    if (exponentDigits == 0) {
      return std::nullopt;
    }
  }
  if (pos != text.size()) {
    return std::nullopt;
  }
  double number = 0;
  const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), number);
  if (ec != std::errc{} || end != plain.data() + plain.size() || !std::isfinite(number)) {
    return std::nullopt;
  }
  return number;
}

std::string RegionalSettings::FormatDate(const DateTime& date, std::string_view pattern) const {
  std::string out;
  char buffer[8];
  for (size_t i = 0; i < pattern.size();) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    size_t run = 1;
    while (i + run < pattern.size() &&
           std::tolower(static_cast<unsigned char>(pattern[i + run])) == c) {
      ++run;
    }
    auto put = [&](int number, bool pad) {
      std::snprintf(buffer, sizeof buffer, pad ? "%02d" : "%d", number);
      out += buffer;
    };
    switch (c) {
      case 'd':
        put(date.Day(), run > 1);
        break;
      case 'm':
        put(date.Month(), run > 1);
        break;
      case 'y':
        if (run > 2) {
          std::snprintf(buffer, sizeof buffer, "%04d", date.Year());
          out += buffer;
        } else {
          put(date.Year() % 100, true);
        }
        break;
      case 'h':
        put(date.Hour(), run > 1);
        break;
      case 'n':
        put(date.Minute(), run > 1);
        break;
      case 's':
        put(date.Second(), run > 1);
        break;
      case '/':
        out.append(run, dateSeparator_);
        break;
      case ':':
        out.append(run, timeSeparator_);
        break;
      default:
        out.append(pattern.substr(i, run));
        break;
    }
    i += run;
  }
  return out;
}

std::string RegionalSettings::ShortDate(const DateTime& date) const {
  return FormatDate(date, shortDatePattern_);
}

std::string RegionalSettings::FormatNumber(double value) const {
  if (value == 0) {
    return "0";  // Also for -0.
  }
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text = buffer;
  for (char& c : text) {
    if (c == '.') {
      c = decimalSeparator_;
    }
  }
  return text;
}

std::string RegionalSettings::ToText(const Value& value) const {
  switch (value.GetKind()) {
    case Value::Kind::Boolean:
      return value.AsBoolean() ? "True" : "False";
    case Value::Kind::Integer:
      return std::to_string(value.AsInteger());
    case Value::Kind::Double:
      return FormatNumber(value.AsDouble());
    case Value::Kind::Text:
      return value.AsText();
    case Value::Kind::Date: {
      const DateTime date = value.AsDate();
      std::string text = ShortDate(date);
      if (date.HasTime()) {
        text += ' ' + FormatDate(date, "hh:nn:ss");
      }
      return text;
    }
    case Value::Kind::Null:
      break;
  }
  ThrowTypeMismatch(value, "text");
}

bool RegionalSettings::ToBoolean(const Value& value) const {
  switch (value.GetKind()) {
    case Value::Kind::Boolean:
      return value.AsBoolean();
    case Value::Kind::Integer:
      return value.AsInteger() != 0;
    case Value::Kind::Double:
      return value.AsDouble() != 0;
    case Value::Kind::Text: {
      const std::string_view text = Trim(value.AsText());
      if (EqualsIgnoringCase(text, "true") || EqualsIgnoringCase(text, "verdadeiro")) {
        return true;
      }
      if (EqualsIgnoringCase(text, "false") || EqualsIgnoringCase(text, "falso")) {
        return false;
      }
      if (auto number = ReadNumber(text)) {
        return *number != 0;
      }
      break;
    }
    case Value::Kind::Date:
      return SerialOf(value.AsDate()) != 0;
    case Value::Kind::Null:
      break;
  }
  ThrowTypeMismatch(value, "Boolean");
}

int16_t RegionalSettings::ToInt16(const Value& value) const {
  return ToInteger<int16_t>(*this, value, "a 16-bit integer");
}

int32_t RegionalSettings::ToInt32(const Value& value) const {
  return ToInteger<int32_t>(*this, value, "a 32-bit integer");
}

double RegionalSettings::ToDouble(const Value& value) const {
  switch (value.GetKind()) {
    case Value::Kind::Boolean:
      return value.AsBoolean() ? -1.0 : 0.0;
    case Value::Kind::Integer:
      return static_cast<double>(value.AsInteger());
    case Value::Kind::Double:
      return value.AsDouble();
    case Value::Kind::Text:
      if (auto number = ReadNumber(value.AsText())) {
        return *number;
      }
      break;
    case Value::Kind::Date:
      return SerialOf(value.AsDate());
    case Value::Kind::Null:
      break;
  }
  ThrowTypeMismatch(value, "a number");
}

DateTime RegionalSettings::ToDate(const Value& value) const {
  switch (value.GetKind()) {
    case Value::Kind::Date:
      return value.AsDate();
    case Value::Kind::Text:
      if (auto date = ReadDate(value.AsText())) {
        return *date;
      }
      break;
    case Value::Kind::Integer:
    case Value::Kind::Double: {
      const double serial = ToDouble(value);
      if (serial < -657434.0 || serial > 2958465.0) {  // Years 100 to 9999.
        throw HostError(error_number::kOverflow, "Overflow: " + value.Describe());
      }
      const double days = std::floor(serial);
      const auto seconds = static_cast<int32_t>(std::lround((serial - days) * 86400.0));
      return DateTime::FromDays(static_cast<int64_t>(days) - kSerialOfUnixEpoch, seconds);
    }
    case Value::Kind::Boolean:
    case Value::Kind::Null:
      break;
  }
  ThrowTypeMismatch(value, "a date");
}

}  // namespace orla::host
