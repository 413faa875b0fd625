#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orla::cli {

// `orla-vendas demo-db --out FILE [--seed N] [--days N] [--start YYYY-MM-DD]`: writes a demo
// sales database; the same arguments give the same data. Progress goes to `err` on a
// terminal. Exit status 0 done, 1 the generation failed, 2 bad arguments (nothing written).
int DemoDbCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err,
                  bool terminal);

}  // namespace orla::cli
