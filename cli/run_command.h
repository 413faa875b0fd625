#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orla::cli {

// `orla-vendas run OPERATION [NAME=VALUE ...] [--db FILE] [--format F] [--out FILE]
// [--trace-sql FILE] [--today YYYY-MM-DD] [--viewer-hidden]`. Gives the exit code.
// `terminal` tells whether progress may be shown while a demo database is made.
int RunCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err,
               bool terminal);

}  // namespace orla::cli
