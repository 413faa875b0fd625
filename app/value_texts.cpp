#include "app/value_texts.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "host/regional_settings.h"
#include "hostlib/messages.h"

namespace orla::app {

using hostlib::Say;

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
  throw UsageError(Say("%s expects a date YYYY-MM-DD, got '%s'", {what, text}));
}

int64_t ParseInteger(std::string_view text, std::string_view what) {
  int64_t value = 0;
  const char* first = text.data() + (!text.empty() && text.front() == '+' ? 1 : 0);
  const auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
  if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
    throw UsageError(Say("%s expects a whole number, got '%s'", {what, text}));
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
    throw UsageError(
        Say("%s expects a number with a decimal point (17.5), got '%s'", {what, text}));
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
  throw UsageError(Say("%s expects true or false, got '%s'", {what, text}));
}

std::string CheckQuotedNameList(std::string_view text, std::string_view what) {
  auto refuse = [&](const std::string& why) {
    return UsageError(
        Say("%s expects quoted names separated by commas ('Dinheiro','Cheque a "
            "Vista'), %s, got \"%s\"",
            {what, why, text}));
  };
  auto skipBlanks = [&](size_t pos) {
    while (pos < text.size() && text[pos] == ' ') {
      ++pos;
    }
    return pos;
  };
  if (text.empty()) {
    return {};
  }
  size_t pos = skipBlanks(0);
  while (true) {
    if (pos >= text.size() || text[pos] != '\'') {
      throw refuse(Say("each name between single quotes"));
    }
    const size_t first = ++pos;
    while (true) {
      if (pos >= text.size()) {
        throw refuse(Say("a name whose closing quote is missing"));
      }
      if (text[pos] == '\'') {
        if (pos + 1 < text.size() && text[pos + 1] == '\'') {
          pos += 2;  // a quote inside the name, doubled
          continue;
        }
        break;
      }
      if (static_cast<unsigned char>(text[pos]) < 0x20) {
        throw refuse(Say("names without control characters"));
      }
      ++pos;
    }
    if (pos == first) {
      throw refuse(Say("no empty name"));
    }
    pos = skipBlanks(pos + 1);
    if (pos == text.size()) {
      return std::string(text);
    }
    if (text[pos] != ',') {
      throw refuse(Say("a comma between two names (a quote inside a name is doubled)"));
    }
    pos = skipBlanks(pos + 1);
  }
}

std::string CheckEntryCount(std::string_view text, std::string_view what) {
  if (!host::RegionalSettings::Brazilian().IsNumeric(text)) {
    return std::string(text);
  }
  std::string_view digits = text;
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!digits.empty() && blank(digits.front())) {
    digits.remove_prefix(1);
  }
  while (!digits.empty() && blank(digits.back())) {
    digits.remove_suffix(1);
  }
  int64_t count = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
  if (digits.empty() || digits.front() == '-' || ec != std::errc{} ||
      end != digits.data() + digits.size()) {
    throw UsageError(
        Say("%s expects a count of entries in plain digits (40), got '%s'", {what, text}));
  }
  return std::string(digits);
}

std::optional<std::string> RunText(const host::Value& value) {
  switch (value.GetKind()) {
    case host::Value::Kind::Null:
      return std::nullopt;
    case host::Value::Kind::Boolean:
      return value.AsBoolean() ? "true" : "false";
    case host::Value::Kind::Integer:
      return std::to_string(value.AsInteger());
    case host::Value::Kind::Double: {
      char buffer[64];
      const auto end =
          std::to_chars(buffer, buffer + sizeof buffer, value.AsDouble(), std::chars_format::fixed);
      return std::string(buffer, end.ptr);
    }
    case host::Value::Kind::Text:
      return value.AsText();
    case host::Value::Kind::Date: {
      const host::DateTime d = value.AsDate();
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", d.Day(), d.Month(), d.Year());
      return std::string(buffer);
    }
  }
  return std::nullopt;
}

}  // namespace orla::app
