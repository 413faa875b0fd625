// Databases the tests share: a generated month of the demo station (March 2024), the one
// ctest writes once per run (ORLA_DEMO_MARCH) or else one made for this program, and empty
// ones in a scratch folder.
#pragma once

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

namespace orla::testing {

// A month of generated data; read-only for the tests that use it.
const std::filesystem::path& MarchDatabase();

// A fresh file path in this program's scratch folder (removed at exit).
std::filesystem::path ScratchFile(const std::string& name);

// The rows of `sql` over MarchDatabase() read with plain SQLite, no adapter, as JSON arrays;
// :from, :to and :shift bound to the texts given.
nlohmann::json RawRows(const std::string& sql, const std::string& from = "",
                       const std::string& to = "", const std::string& shift = "");

}  // namespace orla::testing
