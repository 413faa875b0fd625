// How a layout field shows its value: Brazilian number and date forms (1.234,56; litres
// with three places; dd/mm/yyyy), and the scale at which totals of the field are kept.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/decimal.h"
#include "host/date_time.h"
#include "host/value.h"

namespace orla::engine {

enum class FormatKind {
  Text,
  Integer,   // 1.234
  Number,    // `decimals` places
  Money,     // 1.234,56
  Quantity,  // 1.234,567 (litres and other quantities)
  Price,     // 5,899 (unit prices of fuel carry three places)
  Percent,   // 12,34% (the value is already in percent)
  Date,      // 01/03/2024
  DateTime,  // 01/03/2024 14:05
  Time,      // 14:05:09
  Boolean,   // Sim / Não
};

struct FieldFormat {
  FormatKind kind = FormatKind::Text;
  int decimals = 0;  // places of numeric kinds

  bool IsNumeric() const;
  bool IsDateOrTime() const;
};

// "text", "integer", "number", "money", "quantity", "price", "percent", "date", "datetime",
// "time", "boolean"; `decimals` overrides the places of a numeric kind when given.
std::optional<FieldFormat> FormatFromName(std::string_view name,
                                          std::optional<int> decimals = std::nullopt);

// The value as a decimal rounded to the format's places: integers, doubles, booleans and
// numeric text (decimal point) are numbers; anything else is not.
std::optional<Decimal> NumberOf(const host::Value& value, int decimals);
// Dates, and text in ISO or dd/mm/yyyy form.
std::optional<host::DateTime> DateOf(const host::Value& value);

// The printed text of a value; null prints as nothing. A value that does not suit the
// format prints as plain text rather than failing.
std::string FormatValue(const host::Value& value, const FieldFormat& format);
std::string FormatNumber(const Decimal& number, const FieldFormat& format);

// Formula texts arrive quoted where they are dates or free text ("'01/03/2024'"): the
// report shows them without the quotes, with doubled quotes made single.
std::string FormulaDisplayText(std::string_view text);

}  // namespace orla::engine
