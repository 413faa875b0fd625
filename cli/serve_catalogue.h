// What the viewer's page needs to know of the reports beyond `orla-vendas list`: titles,
// groups, the meanings of the choices, and which parameters pick from the database.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "host/date_time.h"

namespace orla::cli {

// {"today","reports":[{"name","title","group","parameters":[{"name","type","description",
// "default","input",...}]}]}; "input" is date, switch, choice (with "choices"), lookup (with
// "lookup" and "multiple"), number or text. Defaults are texts as `run` takes them.
nlohmann::ordered_json ReportCatalogue(const host::DateTime& today);

// The entries of one lookup list whose label or value contains `search` (case as SQLite's
// LIKE takes it), at most `limit`: [{"value","label"}]. Raises std::invalid_argument for a
// list that does not exist.
nlohmann::ordered_json Lookup(const std::filesystem::path& database, std::string_view list,
                              std::string_view search, int limit);

}  // namespace orla::cli
