// The system's regional settings: how dates and numbers are read from text and written
// back, and the variant coercions that depend on them. Brazilian by default.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/date_time.h"
#include "host/value.h"

namespace orla::host {

class RegionalSettings {
 public:
  // Day first, "/" between date parts, ":" in times, decimal comma, "." between thousands,
  // short date dd/mm/yyyy, two-digit years up to 29 read as 20xx.
  static RegionalSettings Brazilian();

  char DateSeparator() const { return dateSeparator_; }
  char DecimalSeparator() const { return decimalSeparator_; }
  char ThousandsSeparator() const { return thousandsSeparator_; }

  // "Can be read as a date": day-first forms (1/3/2024, 01/03/24, 01-03-2024, 01.03.2024)
  // and ISO forms (2024-03-01, 2024/03/01), each with an optional time (10:30, 10:30:15).
  // 31/02/2024 and empty text are not dates.
  std::optional<DateTime> ReadDate(std::string_view text) const;
  bool IsDate(std::string_view text) const { return ReadDate(text).has_value(); }

  // "Is numeric" under the regional number rules: an optional sign, digits with optional
  // thousands separators, an optional decimal part and exponent, blanks around.
  std::optional<double> ReadNumber(std::string_view text) const;
  bool IsNumeric(std::string_view text) const { return ReadNumber(text).has_value(); }

  // Format patterns: d dd m mm yy yyyy h hh n nn s ss; "/" stands for the regional date
  // separator and ":" for the time separator, anything else is copied.
  std::string FormatDate(const DateTime& date, std::string_view pattern) const;
  // The system's short date form (dd/mm/yyyy).
  std::string ShortDate(const DateTime& date) const;
  // A double as text, as the runtime writes it: up to 15 significant digits, regional comma.
  std::string FormatNumber(double value) const;

  // The runtime's standard variant coercions. A null raises "Invalid use of Null" (94), a
  // value that cannot be converted "Type mismatch" (13), one out of range "Overflow" (6).
  std::string ToText(const Value& value) const;
  bool ToBoolean(const Value& value) const;
  int16_t ToInt16(const Value& value) const;
  int32_t ToInt32(const Value& value) const;
  double ToDouble(const Value& value) const;
  DateTime ToDate(const Value& value) const;

 private:
  RegionalSettings() = default;

  char dateSeparator_ = '/';
  char timeSeparator_ = ':';
  char decimalSeparator_ = ',';
  char thousandsSeparator_ = '.';
  std::string shortDatePattern_ = "dd/mm/yyyy";
  int twoDigitYearMax_ = 2029;
};

}  // namespace orla::host
