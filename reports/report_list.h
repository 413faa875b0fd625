// Every report of the library, one line each in report_list.cpp, in the order the viewer
// groups them. Adding a report is its unit and its line.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "query/get_sql.h"
#include "reports/descriptor.h"

namespace orla::reports {

const std::vector<std::reference_wrapper<const ReportDescriptor>>& ReportList();
// Nothing when no report's operation has exactly this name.
const ReportDescriptor* FindReport(std::string_view name);
// GetSQL's builders by report kind, from the descriptors.
const query::QueryBuilders& QueryBuilderTable();

}  // namespace orla::reports
