// The way from a run's figures to the sales behind them: its report's drills (reports/
// descriptor.h) as the links the HTML file and the viewer's pages carry.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/report.h"
#include "reports/descriptor.h"

namespace orla::app {

// The viewer's address of a run with run=1: "#/OPERATION?NAME=VALUE&...&run=1", each value
// percent-encoded but for its slashes, as the viewer writes its own addresses.
std::string ViewerAddress(std::string_view operation,
                          const std::vector<std::pair<std::string, std::string>>& values);

// The links of a run of `report` with `arguments` (its parameters' values in order, resolved
// as the run had them); null when none of its drills applies to this run. Keys looked up by
// name read their pickers through `oDB`; without one they lead nowhere.
std::shared_ptr<const engine::CellLinks> DrillLinks(const reports::ReportDescriptor& report,
                                                    const reports::ArgumentList& arguments,
                                                    host::Database* oDB = nullptr);

}  // namespace orla::app
