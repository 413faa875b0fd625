#include "app/filters_line.h"

#include <algorithm>
#include <optional>

#include "app/value_texts.h"
#include "host/errors.h"
#include "host/regional_settings.h"
#include "reports/pickers.h"

namespace orla::app {

namespace {

using reports::Shown;

bool IsDefault(const reports::Parameter& parameter, const host::Value& value) {
  const std::string_view fallback = parameter.fallback.text;
  if (parameter.fallback.kind != reports::Default::Kind::Fixed) {
    return false;
  }
  switch (parameter.type) {
    case reports::ParameterType::Text:
      return value.AsText() == fallback;
    case reports::ParameterType::Boolean:
      return !fallback.empty() && value.AsBoolean() == ParseBoolean(fallback, parameter.name);
    default:
      if (fallback.empty()) {
        return false;
      }
      return value.GetKind() == host::Value::Kind::Integer
                 ? value.AsInteger() == ParseInteger(fallback, parameter.name)
                 : value.AsDouble() == ParseDecimal(fallback, parameter.name);
  }
}

// The names of a quoted list ('Dinheiro','Cheque a Vista'), as `run` checked it.
std::vector<std::string> QuotedNames(std::string_view list) {
  std::vector<std::string> names;
  std::string name;
  bool inside = false;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] != '\'') {
      if (inside) {
        name += list[i];
      }
    } else if (inside && i + 1 < list.size() && list[i + 1] == '\'') {
      name += '\'';
      ++i;
    } else if (inside) {
      names.push_back(std::move(name));
      name.clear();
      inside = false;
    } else {
      inside = true;
    }
  }
  return names;
}

// What people read for `code` in the picker's list; nothing when no entry has it.
std::optional<std::string> PickedText(host::Database& oDB, const reports::PickerSource& source,
                                      const std::string& code) {
  std::string literal;
  for (const char c : code) {
    literal += c == '\'' ? "''" : std::string(1, c);
  }
  const host::RecordsetRef rows = oDB.OpenRecordSet(
      "SELECT TOP 1 " + std::string(source.text) + " AS Rotulo FROM " + std::string(source.from) +
      " WHERE " + std::string(source.value) + " = '" + literal + "'");
  const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
  if (rows == nullptr || regional.ToBoolean(rows->Eof()) || rows->FieldAt(0).IsNull()) {
    return std::nullopt;
  }
  return regional.ToText(rows->FieldAt(0));
}

std::string Entry(const reports::Parameter& parameter, const host::Value& value,
                  host::Database& oDB) {
  const host::RegionalSettings regional = host::RegionalSettings::Brazilian();
  const Shown& shown = parameter.shown;
  const std::string words(shown.text);
  switch (shown.as) {
    case Shown::As::Phrase:
      return words;
    case Shown::As::Choice: {
      const auto choice =
          std::ranges::find(parameter.choices, value.AsInteger(), &reports::Choice::value);
      return words + " " +
             (choice != parameter.choices.end() ? std::string(choice->label)
                                                : regional.ToText(value));
    }
    case Shown::As::Label:
    case Shown::As::ValueAndLabel: {
      const std::vector<std::string> codes =
          parameter.multiple ? QuotedNames(value.AsText()) : std::vector{value.AsText()};
      std::string texts;
      for (const std::string& code : codes) {
        std::optional<std::string> text;
        if (parameter.picker != nullptr) {
          try {
            text = PickedText(oDB, *parameter.picker, code);
          } catch (const host::HostError&) {
            // A code the column cannot hold names nothing there: it is printed as given.
          }
        }
        const std::string read =
            !text || *text == code
                ? code
                : (shown.as == Shown::As::ValueAndLabel ? code + " - " + *text : *text);
        texts += (texts.empty() ? "" : ", ") + read;
      }
      return words + " " + texts;
    }
    case Shown::As::Value:
      return words + " " + regional.ToText(value);
    case Shown::As::Never:
      break;
  }
  return {};
}

}  // namespace

std::string FiltersLine(const reports::ReportDescriptor& operation,
                        const std::vector<reports::NamedValue>& values, host::Database& oDB) {
  std::string line;
  for (const reports::Parameter& parameter : operation.parameters) {
    if (parameter.shown.as == Shown::As::Never || !parameter.used) {
      continue;
    }
    const auto given = std::ranges::find(values, parameter.name, &reports::NamedValue::name);
    if (given == values.end() || given->value.IsNull() || IsDefault(parameter, given->value)) {
      continue;
    }
    line += (line.empty() ? "Filtros: " : " · ") + Entry(parameter, given->value, oDB);
  }
  return line;
}

}  // namespace orla::app
