// orla-vendas demo-db --out FILE [--seed N] [--days N] [--start YYYY-MM-DD]
// Writes a demo sales database (demo/generator.h).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orla::cli {

// `args` are the words after "demo-db". Progress goes to `err` when `showProgress`. Gives
// the exit status: 0 done, 1 the generation failed, 2 bad arguments (nothing written).
int RunDemoDbCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool showProgress);

inline constexpr const char* kDemoDbUsage =
    "usage: orla-vendas demo-db --out FILE [--seed N] [--days N] [--start YYYY-MM-DD]\n"
    "\n"
    "Writes a demo sales database of one fuel station: FILE is replaced. The same arguments\n"
    "give the same data.\n"
    "  --out FILE           the database file to write\n"
    "  --seed N             the generator's seed (default 20240101)\n"
    "  --days N             how many days of sales (default 366)\n"
    "  --start YYYY-MM-DD   the first day (default 2024-01-01)\n";

}  // namespace orla::cli
