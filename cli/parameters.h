// The check of a request's NAME=VALUE texts before the library sees them, as `run` and
// `serve` share it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "reports/by_name.h"
#include "reports/descriptor.h"

namespace orla::cli {

// NAME and its value text, as `run` takes them.
using Assignment = std::pair<std::string, std::string>;

// Raises UsageError for a name that is not one of the thirteen operations.
const reports::ReportDescriptor& CheckOperation(std::string_view name);
// Each value typed as its parameter asks, the texts guarded as the statements need; raises
// UsageError naming an unknown or repeated parameter or a value that does not fit.
std::vector<reports::NamedValue> CheckParameters(const reports::ReportDescriptor& operation,
                                                 const std::vector<Assignment>& assignments);

}  // namespace orla::cli
