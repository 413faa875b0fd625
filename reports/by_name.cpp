#include "reports/by_name.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <stdexcept>

#include "host/errors.h"
#include "host/platform.h"
#include "reports/report_list.h"

namespace orla::reports {

namespace {

host::Value Coerce(const Parameter& parameter, const host::Value& value) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  switch (parameter.type) {
    case ParameterType::Text:
      return regional.ToText(value);
    case ParameterType::Boolean:
      return regional.ToBoolean(value);
    case ParameterType::Int16:
      return int32_t{regional.ToInt16(value)};
    case ParameterType::Int32:
      return regional.ToInt32(value);
    case ParameterType::Double:
      return regional.ToDouble(value);
  }
  return value;
}

// A fixed default, written as `run` takes it, of the parameter's type.
host::Value Fixed(const Parameter& parameter) {
  const std::string_view text = parameter.fallback.text;
  auto number = [&]<typename T>(T value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) {
      throw std::logic_error("the default of " + std::string(parameter.name) + " is no number");
    }
    return value;
  };
  switch (parameter.type) {
    case ParameterType::Text:
      return text;
    case ParameterType::Boolean:
      return text == "true";
    case ParameterType::Int16:
    case ParameterType::Int32:
      return number(int32_t{0});
    case ParameterType::Double:
      return number(0.0);
  }
  return {};
}

constexpr int32_t kNamedArgumentNotFound = 448;

}  // namespace

host::Value DefaultValue(const Parameter& parameter, const host::DateTime& today) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  switch (parameter.fallback.kind) {
    case Default::Kind::FirstDayOfMonth:
      return regional.ShortDate(today.AddDays(1 - today.Day()));
    case Default::Kind::Today:
      return regional.ShortDate(today);
    case Default::Kind::Fixed:
      return Fixed(parameter);
  }
  return {};
}

ArgumentList ResolveArguments(const ReportDescriptor& report, const std::vector<NamedValue>& values,
                              const host::DateTime& today) {
  std::map<std::string_view, const host::Value*> given;
  for (const NamedValue& value : values) {
    const auto known = std::find_if(report.parameters.begin(), report.parameters.end(),
                                    [&](const Parameter& p) { return p.name == value.name; });
    if (known == report.parameters.end()) {
      throw host::HostError(kNamedArgumentNotFound,
                            std::string(report.name) + " has no parameter named " + value.name);
    }
    if (!given.emplace(known->name, &value.value).second) {
      throw host::HostError(kNamedArgumentNotFound, "Parameter " + value.name + " given twice");
    }
  }
  ArgumentList arguments;
  arguments.reserve(report.parameters.size());
  for (const Parameter& parameter : report.parameters) {
    const auto it = given.find(parameter.name);
    if (it == given.end()) {
      arguments.push_back(DefaultValue(parameter, today));
      continue;
    }
    try {
      arguments.push_back(Coerce(parameter, *it->second));
    } catch (const host::HostError& e) {
      throw host::HostError(e.Number(), std::string(parameter.name) + " expects " +
                                            std::string(TypeName(parameter.type)) + ": " +
                                            e.Description());
    }
  }
  return arguments;
}

bool CallByName(Reports& reports, std::string_view operation, const service::HostObjects& host,
                host::ReportRef& oRPT, const std::vector<NamedValue>& values) {
  const ReportDescriptor* report = FindReport(operation);
  if (report == nullptr) {
    throw host::HostError(host::error_number::kObjectDoesNotSupport,
                          "Reports has no operation named " + std::string(operation));
  }
  const ArgumentList arguments = ResolveArguments(*report, values, host::CurrentPlatform().Today());
  return report->invoke(reports, host, oRPT, arguments);
}

}  // namespace orla::reports
