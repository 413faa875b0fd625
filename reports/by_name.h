// The operations' by-name face: an operation and its parameters by name, with the defaults a
// caller gets for what it leaves out, and values coerced as the runtime coerces variants.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/date_time.h"
#include "host/report_engine.h"
#include "host/value.h"
#include "reports/descriptor.h"
#include "service/reports.h"
#include "service/request_frame.h"

namespace orla::reports {

// What a parameter is when the caller leaves it out, of the parameter's type.
host::Value DefaultValue(const Parameter& parameter, const host::DateTime& today);

struct NamedValue {
  std::string name;
  host::Value value;
};

// The operation's arguments in call order: each named value coerced to its parameter's type,
// the others defaulted. Raises, before anything runs, for a name the operation does not have
// (448), a name given twice (448) or a value that does not coerce (13, 6, 94).
ArgumentList ResolveArguments(const ReportDescriptor& report, const std::vector<NamedValue>& values,
                              const host::DateTime& today);

// Calls an operation by name; raises 438 for an unknown operation.
bool CallByName(Reports& reports, std::string_view operation, const service::HostObjects& host,
                host::ReportRef& oRPT, const std::vector<NamedValue>& values);

}  // namespace orla::reports
