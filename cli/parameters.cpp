#include "cli/parameters.h"

#include <algorithm>

#include "cli/arguments.h"
#include "reports/report_list.h"

namespace orla::cli {

namespace {

host::Value TypedValue(const reports::Parameter& parameter, const std::string& text) {
  const std::string what(parameter.name);
  switch (parameter.type) {
    case reports::ParameterType::Text:
      // SQLite ends a statement at a NUL, which would leave the value's literal open.
      if (text.find('\0') != std::string::npos) {
        throw UsageError(what + " cannot hold a NUL character");
      }
      // The two the report places into its statement as they stand.
      switch (parameter.check.kind) {
        case reports::Check::Kind::QuotedNames:
          return CheckQuotedNameList(text, what);
        case reports::Check::Kind::EntryCount:
          return CheckEntryCount(text, what);
        default:
          return text;
      }
    case reports::ParameterType::Boolean:
      return ParseBoolean(text, what);
    case reports::ParameterType::Int16:
    case reports::ParameterType::Int32: {
      const int64_t number = ParseInteger(text, what);
      const int64_t limit = parameter.type == reports::ParameterType::Int16 ? 32767 : 2147483647;
      if (number < -limit - 1 || number > limit) {
        throw UsageError(what + " expects a " + std::string(reports::TypeName(parameter.type)) +
                         ", got '" + text + "'");
      }
      return number;
    }
    case reports::ParameterType::Double:
      return ParseDecimal(text, what);
  }
  return {};
}

}  // namespace

const reports::ReportDescriptor& CheckOperation(std::string_view name) {
  const reports::ReportDescriptor* operation = reports::FindReport(name);
  if (operation == nullptr) {
    throw UsageError("unknown operation '" + std::string(name) +
                     "' (orla-vendas list shows the thirteen)");
  }
  return *operation;
}

std::vector<reports::NamedValue> CheckParameters(const reports::ReportDescriptor& operation,
                                                 const std::vector<Assignment>& assignments) {
  std::vector<reports::NamedValue> values;
  for (const auto& [name, text] : assignments) {
    // A structured binding cannot be captured by clang 14, which builds the fuzz targets.
    const std::string& wanted = name;
    const auto parameter =
        std::find_if(operation.parameters.begin(), operation.parameters.end(),
                     [&](const reports::Parameter& p) { return p.name == wanted; });
    if (parameter == operation.parameters.end()) {
      throw UsageError(std::string(operation.name) + " has no parameter " + name +
                       " (orla-vendas list shows its parameters)");
    }
    for (const reports::NamedValue& earlier : values) {
      if (earlier.name == name) {
        throw UsageError("parameter " + name + " is given twice");
      }
    }
    values.push_back({name, TypedValue(*parameter, text)});
  }
  return values;
}

}  // namespace orla::cli
