#include "cli/arguments.h"

#include <charconv>
#include <cmath>

namespace orla::cli {

std::optional<std::string> ArgumentReader::TakeOption(std::string_view name) {
  if (Done()) {
    return std::nullopt;
  }
  const std::string& word = Peek();
  if (word == name) {
    ++next_;
    if (Done()) {
      throw UsageError(std::string(name) + " needs a value");
    }
    return Take();
  }
  if (word.size() > name.size() && word.compare(0, name.size(), name) == 0 &&
      word[name.size()] == '=') {
    ++next_;
    return word.substr(name.size() + 1);
  }
  return std::nullopt;
}

bool ArgumentReader::TakeFlag(std::string_view name) {
  if (!Done() && Peek() == name) {
    ++next_;
    return true;
  }
  return false;
}

host::DateTime ParseIsoDate(std::string_view text, std::string_view what) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
    auto number = [&](size_t at, size_t length, int& out) {
      const auto [end, ec] = std::from_chars(text.data() + at, text.data() + at + length, out);
      return ec == std::errc{} && end == text.data() + at + length;
    };
    if (number(0, 4, year) && number(5, 2, month) && number(8, 2, day)) {
      if (auto date = host::DateTime::FromParts(year, month, day)) {
        return *date;
      }
    }
  }
  throw UsageError(std::string(what) + " expects a date YYYY-MM-DD, got '" + std::string(text) +
                   "'");
}

int64_t ParseInteger(std::string_view text, std::string_view what) {
  int64_t value = 0;
  const char* first = text.data() + (!text.empty() && text.front() == '+' ? 1 : 0);
  const auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
  if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
    throw UsageError(std::string(what) + " expects a whole number, got '" + std::string(text) +
                     "'");
  }
  return value;
}

double ParseDecimal(std::string_view text, std::string_view what) {
  double value = 0;
  const char* first = text.data() + (!text.empty() && text.front() == '+' ? 1 : 0);
  const auto [end, ec] =
      std::from_chars(first, text.data() + text.size(), value, std::chars_format::fixed);
  if (text.empty() || ec != std::errc{} || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    throw UsageError(std::string(what) + " expects a number with a decimal point (17.5), got '" +
                     std::string(text) + "'");
  }
  return value;
}

bool ParseBoolean(std::string_view text, std::string_view what) {
  if (text == "true" || text == "True" || text == "TRUE") {
    return true;
  }
  if (text == "false" || text == "False" || text == "FALSE") {
    return false;
  }
  throw UsageError(std::string(what) + " expects true or false, got '" + std::string(text) + "'");
}

}  // namespace orla::cli
