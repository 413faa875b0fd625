#include "cli/parameters.h"

#include <algorithm>

#include "cli/arguments.h"

namespace orla::cli {

namespace {

host::Value TypedValue(const service::ParameterInfo& parameter, const std::string& text) {
  const std::string what(parameter.name);
  switch (parameter.type) {
    case service::ParameterType::Text:
      // SQLite ends a statement at a NUL, which would leave the value's literal open.
      if (text.find('\0') != std::string::npos) {
        throw UsageError(what + " cannot hold a NUL character");
      }
      if (parameter.name == "Filtro_FormasDePagto") {
        return CheckQuotedNameList(text, what);
      }
      if (parameter.name == "Filtro_QtdeRegistros") {
        return CheckEntryCount(text, what);
      }
      return text;
    case service::ParameterType::Boolean:
      return ParseBoolean(text, what);
    case service::ParameterType::Int16:
    case service::ParameterType::Int32: {
      const int64_t number = ParseInteger(text, what);
      const int64_t limit = parameter.type == service::ParameterType::Int16 ? 32767 : 2147483647;
      if (number < -limit - 1 || number > limit) {
        throw UsageError(what + " expects a " + std::string(service::TypeName(parameter.type)) +
                         ", got '" + text + "'");
      }
      return number;
    }
    case service::ParameterType::Double:
      return ParseDecimal(text, what);
  }
  return {};
}

}  // namespace

const service::OperationInfo& CheckOperation(std::string_view name) {
  const service::OperationInfo* operation = service::FindOperation(name);
  if (operation == nullptr) {
    throw UsageError("unknown operation '" + std::string(name) +
                     "' (orla-vendas list shows the thirteen)");
  }
  return *operation;
}

std::vector<service::NamedValue> CheckParameters(const service::OperationInfo& operation,
                                                 const std::vector<Assignment>& assignments) {
  std::vector<service::NamedValue> values;
  for (const auto& [name, text] : assignments) {
    // A structured binding cannot be captured by clang 14, which builds the fuzz targets.
    const std::string& wanted = name;
    const auto parameter =
        std::find_if(operation.parameters.begin(), operation.parameters.end(),
                     [&](const service::ParameterInfo& p) { return p.name == wanted; });
    if (parameter == operation.parameters.end()) {
      throw UsageError(std::string(operation.name) + " has no parameter " + name +
                       " (orla-vendas list shows its parameters)");
    }
    for (const service::NamedValue& earlier : values) {
      if (earlier.name == name) {
        throw UsageError("parameter " + name + " is given twice");
      }
    }
    values.push_back({name, TypedValue(*parameter, text)});
  }
  return values;
}

}  // namespace orla::cli
