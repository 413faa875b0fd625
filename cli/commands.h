// orla-vendas, the command-line host: the subcommands by name.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orla::cli {

// `arguments` are the words after the program name; `terminal` tells whether stderr is a
// terminal (for progress). Gives the exit status.
int Dispatch(std::vector<std::string> arguments, std::ostream& out, std::ostream& err,
             bool terminal);

}  // namespace orla::cli
