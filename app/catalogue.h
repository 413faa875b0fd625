// What a form needs to know of the reports, read from their descriptors: the viewer's
// `GET /api/reports` and the C interface's list give it as JSON.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "host/date_time.h"

namespace orla::app {

// {"today","reports":[{"name","title","group","summary","layouts","query":{"kind","builder"},
// "workingTables","rules","example","parameters":[{"name","type","description","default",
// "input","label","help","used","shown",...}]}],"pickers":[{"name","label"}]}. "input" is date,
// switch, choice (with "choices"), lookup (with "lookup" and "multiple"), number or text; a
// parameter may add "check" and "dependencies". Defaults and values are texts as `run` takes
// them; "label", "help", "summary", "message" and "note" are for people, in Portuguese.
nlohmann::ordered_json ReportCatalogue(const host::DateTime& today);

// The entries of one picker's list whose label or value contains `search`, at most `limit`:
// [{"value","label"}]. Raises std::invalid_argument for a list that does not exist.
nlohmann::ordered_json Lookup(const std::filesystem::path& database, std::string_view list,
                              std::string_view search, int limit);

}  // namespace orla::app
