// The operations' by-name face: each operation with its filter parameters, their types and
// the defaults a caller gets when it leaves one out, and a call by name with named values
// coerced as the runtime coerces variants.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/date_time.h"
#include "host/report_engine.h"
#include "host/value.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla::service {

enum class ParameterType { Text, Boolean, Int16, Int32, Double };

std::string_view TypeName(ParameterType type);

struct ParameterInfo {
  std::string_view name;
  ParameterType type;
  std::string_view description;
};

// The filters an operation takes after the six common parameters, in call order, each
// already of its parameter's type.
using ArgumentList = std::vector<host::Value>;

struct OperationInfo {
  std::string_view name;
  std::vector<ParameterInfo> parameters;
  bool (*invoke)(Reports& reports, const HostObjects& host, host::ReportRef& oRPT,
                 const ArgumentList& arguments);
};

// The thirteen operations in dispatch order.
std::span<const OperationInfo> Operations();
// Nothing when no operation has exactly this name.
const OperationInfo* FindOperation(std::string_view name);

// What a parameter is when the caller leaves it out: the current month up to today for the
// period, no identifier filter, both product kinds and every tax situation shown, nothing
// ignored, the fiscal view, 40 ranking entries.
host::Value DefaultValue(const ParameterInfo& parameter, const host::DateTime& today);

struct NamedValue {
  std::string name;
  host::Value value;
};

// The operation's arguments in call order: each named value coerced to its parameter's type,
// the others defaulted. Raises, before anything runs, for a name the operation does not have
// (448), a name given twice (448) or a value that does not coerce (13, 6, 94).
ArgumentList ResolveArguments(const OperationInfo& operation, const std::vector<NamedValue>& values,
                              const host::DateTime& today);

// Calls an operation by name; raises 438 for an unknown operation.
bool CallByName(Reports& reports, std::string_view operation, const HostObjects& host,
                host::ReportRef& oRPT, const std::vector<NamedValue>& values);

}  // namespace orla::service
