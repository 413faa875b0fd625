#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orla::cli {

// `orla-vendas serve [--db FILE] [--bind ADDR] [--port N] [--open]`: the viewer and its API
// until SIGINT or SIGTERM. Gives the exit code.
int ServeCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err,
                 bool terminal);

}  // namespace orla::cli
