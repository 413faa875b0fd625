// Where the sales database of a run comes from.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

namespace orla::cli {

// The file given with --db; raises UsageError when there is no such file.
std::filesystem::path ExistingDatabase(const std::string& file);

// The demo database in the user's data folder ($XDG_DATA_HOME or ~/.local/share, then
// orla-vendas/demo.db), generated on first use with a note on `err`.
std::filesystem::path DemoDatabase(std::ostream& err, bool terminal);

}  // namespace orla::cli
