#include "app/catalogue.h"

#include <stdexcept>

#include "app/value_texts.h"
#include "engine/report.h"
#include "reports/by_name.h"
#include "reports/pickers.h"
#include "reports/report_list.h"
#include "sqlite/database.h"

namespace orla::app {

namespace {

using nlohmann::ordered_json;

std::string_view InputName(reports::Input input) {
  switch (input) {
    case reports::Input::Date:
      return "date";
    case reports::Input::Switch:
      return "switch";
    case reports::Input::Choice:
      return "choice";
    case reports::Input::Picker:
      return "lookup";
    case reports::Input::Number:
      return "number";
    case reports::Input::Text:
      return "text";
  }
  return "text";
}

std::string_view CheckName(reports::Check::Kind kind) {
  using K = reports::Check::Kind;
  switch (kind) {
    case K::None:
      return "none";
    case K::Date:
      return "date";
    case K::OptionalDate:
      return "optionalDate";
    case K::EntryCount:
      return "digits";
    case K::Rate:
      return "rate";
    case K::QuotedNames:
      return "quotedNames";
    case K::CodeList:
      return "codeList";
  }
  return "none";
}

ordered_json CheckJson(const reports::Check& check) {
  using K = reports::Check::Kind;
  ordered_json json{{"kind", CheckName(check.kind)}};
  switch (check.kind) {
    case K::Date:
    case K::OptionalDate:
      json["format"] = "dd/mm/aaaa";
      json["required"] = check.kind == K::Date;
      break;
    case K::EntryCount:
      json["pattern"] = "^[0-9]+$";
      break;
    case K::Rate:
      json["min"] = 0;
      json["max"] = 100;
      break;
    case K::QuotedNames:
      json["pattern"] = R"(^'(?:[^']|'')+'(?: *, *'(?:[^']|'')+')*$)";
      break;
    case K::CodeList:
      json["pattern"] = "^[0-9]+(?:,[0-9]+)*$";
      break;
    case K::None:
      break;
  }
  json["message"] = check.message;
  return json;
}

std::string_view EffectName(reports::Dependency::Effect effect) {
  switch (effect) {
    case reports::Dependency::Effect::ForcedBy:
      return "forcedBy";
    case reports::Dependency::Effect::UsedOnlyWhen:
      return "usedOnlyWhen";
    case reports::Dependency::Effect::IgnoredWhen:
      return "ignoredWhen";
  }
  return "";
}

std::string_view WhenName(reports::Dependency::When when) {
  switch (when) {
    case reports::Dependency::When::NotEmpty:
      return "notEmpty";
    case reports::Dependency::When::Equals:
      return "equals";
    case reports::Dependency::When::NotEquals:
      return "notEquals";
  }
  return "";
}

ordered_json DependencyJson(const reports::Dependency& dependency) {
  ordered_json json{{"effect", EffectName(dependency.effect)},
                    {"parameter", dependency.parameter},
                    {"when", WhenName(dependency.when)}};
  if (dependency.when != reports::Dependency::When::NotEmpty) {
    json["value"] = dependency.value;
  }
  if (dependency.effect == reports::Dependency::Effect::ForcedBy) {
    json["forced"] = dependency.forced;
  }
  json["note"] = dependency.note;
  return json;
}

std::string_view ShownName(reports::Shown::As as) {
  using A = reports::Shown::As;
  switch (as) {
    case A::Never:
      return "never";
    case A::Value:
      return "value";
    case A::Label:
      return "label";
    case A::ValueAndLabel:
      return "value - label";
    case A::Choice:
      return "choice";
    case A::Phrase:
      return "phrase";
  }
  return "never";
}

std::string_view RuleName(reports::Rule::Kind kind) {
  switch (kind) {
    case reports::Rule::Kind::InOrder:
      return "inOrder";
    case reports::Rule::Kind::AtLeastOne:
      return "atLeastOne";
    case reports::Rule::Kind::AllOffMeans:
      return "allOffMeans";
    case reports::Rule::Kind::WithAnyOf:
      return "withAnyOf";
  }
  return "";
}

ordered_json Strings(std::span<const std::string_view> texts) {
  ordered_json list = ordered_json::array();
  for (const std::string_view text : texts) {
    list.push_back(text);
  }
  return list;
}

ordered_json ParameterJson(const reports::Parameter& parameter, const host::DateTime& today) {
  ordered_json entry{{"name", parameter.name},
                     {"type", reports::TypeName(parameter.type)},
                     {"description", parameter.description},
                     {"default", RunText(reports::DefaultValue(parameter, today)).value_or("")},
                     {"input", InputName(parameter.input)}};
  if (parameter.input == reports::Input::Choice) {
    ordered_json list = ordered_json::array();
    for (const reports::Choice& choice : parameter.choices) {
      list.push_back({{"value", std::to_string(choice.value)}, {"label", choice.label}});
    }
    entry["choices"] = std::move(list);
  }
  if (parameter.picker != nullptr) {
    entry["lookup"] = parameter.picker->name;
    entry["multiple"] = parameter.multiple;
  }
  entry["label"] = parameter.label;
  entry["help"] = parameter.help;
  entry["used"] = parameter.used;
  if (parameter.check.kind != reports::Check::Kind::None) {
    entry["check"] = CheckJson(parameter.check);
  }
  if (!parameter.dependencies.empty()) {
    ordered_json list = ordered_json::array();
    for (const reports::Dependency& dependency : parameter.dependencies) {
      list.push_back(DependencyJson(dependency));
    }
    entry["dependencies"] = std::move(list);
  }
  entry["shown"] = {{"as", ShownName(parameter.shown.as)}, {"text", parameter.shown.text}};
  return entry;
}

ordered_json ReportJson(const reports::ReportDescriptor& report, const host::DateTime& today) {
  ordered_json parameters = ordered_json::array();
  for (const reports::Parameter& parameter : report.parameters) {
    parameters.push_back(ParameterJson(parameter, today));
  }
  ordered_json rules = ordered_json::array();
  for (const reports::Rule& rule : report.rules) {
    rules.push_back({{"kind", RuleName(rule.kind)},
                     {"parameters", Strings(rule.parameters)},
                     {"refused", rule.refused},
                     {"message", rule.message}});
  }
  ordered_json example = ordered_json::object();
  for (const reports::ExampleValue& value : report.example) {
    example[std::string(value.name)] = value.value;
  }
  return {{"name", report.name},
          {"title", engine::CreateReport(report.layouts.front())->Title()},
          {"group", report.group},
          {"summary", report.summary},
          {"layouts", Strings(report.layouts)},
          {"query",
           {{"kind", report.kind ? ordered_json(*report.kind) : ordered_json(nullptr)},
            {"builder", report.builder}}},
          {"workingTables", Strings(report.workingTables)},
          {"rules", std::move(rules)},
          {"example", std::move(example)},
          {"parameters", std::move(parameters)}};
}

}  // namespace

ordered_json ReportCatalogue(const host::DateTime& today) {
  ordered_json pickers = ordered_json::array();
  for (const reports::PickerSource* picker : reports::Pickers()) {
    pickers.push_back({{"name", picker->name}, {"label", picker->label}});
  }
  ordered_json list = ordered_json::array();
  for (const reports::ReportDescriptor& report : reports::ReportList()) {
    list.push_back(ReportJson(report, today));
  }
  return {{"today", today.ToIso()}, {"reports", std::move(list)}, {"pickers", std::move(pickers)}};
}

nlohmann::ordered_json Lookup(const std::filesystem::path& database, std::string_view list,
                              std::string_view search, int limit) {
  const reports::PickerSource* source = reports::FindPicker(list);
  if (source == nullptr) {
    std::string names;
    for (const reports::PickerSource* picker : reports::Pickers()) {
      names += (names.empty() ? "" : ", ") + std::string(picker->name);
    }
    throw std::invalid_argument("no list named '" + std::string(list) + "' (" + names + ")");
  }
  // Through the host's database interface and its T-SQL, as the reports query.
  sqlite::Database connection(database);
  ordered_json items = ordered_json::array();
  for (const reports::PickedValue& value : reports::Pick(connection, *source, search, limit)) {
    items.push_back({{"value", value.value}, {"label", value.label}});
  }
  return items;
}

}  // namespace orla::app
