#include "engine/format.h"

#include <cstdio>

#include "host/regional_settings.h"

namespace orla::engine {

namespace {

struct NamedKind {
  std::string_view name;
  FormatKind kind;
  int decimals;
};

constexpr NamedKind kKinds[] = {
    {"text", FormatKind::Text, 0},         {"integer", FormatKind::Integer, 0},
    {"number", FormatKind::Number, 2},     {"money", FormatKind::Money, 2},
    {"quantity", FormatKind::Quantity, 3}, {"price", FormatKind::Price, 3},
    {"percent", FormatKind::Percent, 2},   {"date", FormatKind::Date, 0},
    {"datetime", FormatKind::DateTime, 0}, {"time", FormatKind::Time, 0},
    {"boolean", FormatKind::Boolean, 0},
};

std::string TwoDigits(int n) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d", n);
  return buffer;
}

std::string DatePart(const host::DateTime& d) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", d.Day(), d.Month(), d.Year());
  return buffer;
}

}  // namespace

bool FieldFormat::IsNumeric() const {
  switch (kind) {
    case FormatKind::Integer:
    case FormatKind::Number:
    case FormatKind::Money:
    case FormatKind::Quantity:
    case FormatKind::Price:
    case FormatKind::Percent:
      return true;
    default:
      return false;
  }
}

bool FieldFormat::IsDateOrTime() const {
  return kind == FormatKind::Date || kind == FormatKind::DateTime || kind == FormatKind::Time;
}

std::optional<FieldFormat> FormatFromName(std::string_view name, std::optional<int> decimals) {
  for (const NamedKind& k : kKinds) {
    if (k.name == name) {
      FieldFormat format{k.kind, k.decimals};
      if (decimals && format.IsNumeric() && k.kind != FormatKind::Integer) {
        if (*decimals < 0 || *decimals > 6) {
          return std::nullopt;
        }
        format.decimals = *decimals;
      }
      return format;
    }
  }
  return std::nullopt;
}

std::optional<Decimal> NumberOf(const host::Value& value, int decimals) {
  switch (value.GetKind()) {
    case host::Value::Kind::Integer:
      return Decimal::FromInteger(value.AsInteger(), 0).Rescaled(decimals);
    case host::Value::Kind::Double:
      return Decimal::FromDouble(value.AsDouble(), decimals);
    case host::Value::Kind::Boolean:
      return Decimal::FromInteger(value.AsBoolean() ? 1 : 0, decimals);
    case host::Value::Kind::Text: {
      std::string_view text = value.AsText();
      while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
      }
      while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
      }
      return Decimal::Parse(text, decimals);
    }
    default:
      return std::nullopt;
  }
}

std::optional<host::DateTime> DateOf(const host::Value& value) {
  if (value.GetKind() == host::Value::Kind::Date) {
    return value.AsDate();
  }
  if (value.GetKind() == host::Value::Kind::Text) {
    return host::RegionalSettings::Brazilian().ReadDate(value.AsText());
  }
  return std::nullopt;
}

std::string FormatNumber(const Decimal& number, const FieldFormat& format) {
  std::string text = number.Rescaled(format.decimals).Format(',', '.');
  if (format.kind == FormatKind::Percent) {
    text += '%';
  }
  return text;
}

std::string FormatValue(const host::Value& value, const FieldFormat& format) {
  if (value.IsNull()) {
    return {};
  }
  if (format.IsNumeric()) {
    if (auto number = NumberOf(value, format.decimals)) {
      return FormatNumber(*number, format);
    }
  } else if (format.IsDateOrTime()) {
    if (auto date = DateOf(value)) {
      const std::string time = TwoDigits(date->Hour()) + ":" + TwoDigits(date->Minute());
      switch (format.kind) {
        case FormatKind::Date:
          return DatePart(*date);
        case FormatKind::DateTime:
          return DatePart(*date) + " " + time;
        default:
          return time + ":" + TwoDigits(date->Second());
      }
    }
  } else if (format.kind == FormatKind::Boolean) {
    if (value.GetKind() == host::Value::Kind::Boolean) {
      return value.AsBoolean() ? "Sim" : "Não";
    }
    if (auto number = NumberOf(value, 0)) {
      return number->IsZero() ? "Não" : "Sim";
    }
  }
  switch (value.GetKind()) {
    case host::Value::Kind::Text:
      return value.AsText();
    case host::Value::Kind::Date:
      return DatePart(value.AsDate());
    case host::Value::Kind::Integer:
      // Codes and numbers kept as text (coupons, sales, nozzles) print without grouping.
      return std::to_string(value.AsInteger());
    case host::Value::Kind::Double:
      if (auto number = NumberOf(value, 6)) {
        std::string text = number->Format(',', '\0');
        while (text.back() == '0') {
          text.pop_back();
        }
        if (text.back() == ',') {
          text.pop_back();
        }
        return text;
      }
      return {};
    case host::Value::Kind::Boolean:
      return value.AsBoolean() ? "Sim" : "Não";
    case host::Value::Kind::Null:
      break;
  }
  return {};
}

std::string FormulaDisplayText(std::string_view text) {
  if (text.size() >= 2 && (text.front() == '\'' || text.front() == '"') &&
      text.back() == text.front()) {
    const char quote = text.front();
    std::string result;
    text = text.substr(1, text.size() - 2);
    for (size_t i = 0; i < text.size(); ++i) {
      result.push_back(text[i]);
      if (text[i] == quote && i + 1 < text.size() && text[i + 1] == quote) {
        ++i;
      }
    }
    return result;
  }
  return std::string(text);
}

}  // namespace orla::engine
