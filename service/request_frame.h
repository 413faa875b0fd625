// The frame every operation runs: period check, layout, header lines, query, presentation,
// and the closing steps that hand the held report back on every path.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "host/database.h"
#include "host/objects.h"
#include "host/report_engine.h"

namespace orla::service {

// The host objects every operation receives, borrowed for one call.
struct HostObjects {
  host::Viewer* oRPTViewer = nullptr;
  host::Object* oParentForm = nullptr;
  host::Database* oDB = nullptr;
  host::Company* oEmpresa = nullptr;
  host::Object* oUser = nullptr;  // accepted and never touched
};

// What one operation adds to the frame, in the order the steps run. Empty functions do
// nothing.
struct RequestSteps {
  // Step 3: filter adjustments (a shift forces the financial view, and the like).
  std::function<void()> adjustFilters{};
  // Step 4: the layout of the new held report.
  std::string layout;
  // Step 5: header line 1, before trimming.
  std::function<std::string()> caption{};
  // After the header lines, before the query: formulas that do not depend on the data.
  std::function<void(host::ReportRef& report)> beforeQuery{};
  // Step 8: builds and runs the query, giving the recordset.
  std::function<host::RecordsetRef(host::Database& oDB)> query{};
  // Step 9: what the report does with the rows before presenting them.
  std::function<void(host::RecordsetRef& recordset, host::ReportRef& report)> afterQuery{};
  // Whether PresentReport hands the recordset to ShowReport.
  bool bind = true;
  // Whether the closing steps close the host's connection, on every path.
  bool closesConnection = false;
};

// Runs the frame for `operation`. `heldReport` is the operation's object's held report;
// `oRPT` receives it at the end of every call.
bool RunRequest(std::string_view operation, const HostObjects& host, host::ReportRef& heldReport,
                host::ReportRef& oRPT, std::string_view initialDate, std::string_view finalDate,
                const RequestSteps& steps);

// Header line 1's date part: "De " + initial + " até " + final, both "dd/mm/yy".
std::string PeriodCaption(std::string_view initialDate, std::string_view finalDate);

// "Visão financeira / " (view 0) or "Visão fiscal / ", then the period part.
std::string ViewAndPeriodCaption(int32_t view, std::string_view initialDate,
                                 std::string_view finalDate);

}  // namespace orla::service
