// orla-vendas: the command-line host. Each subcommand keeps its argument handling in its
// own unit beside this file.
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/demo_db_command.h"

namespace {

constexpr const char* kUsage =
    "usage: orla-vendas COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  demo-db   write a demo sales database (orla-vendas demo-db --help)\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? std::cerr : std::cout) << kUsage;
    return args.empty() ? 2 : 0;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "demo-db") {
    return orla::cli::RunDemoDbCommand(rest, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
  }
  std::cerr << "orla-vendas: unknown command '" << args[0] << "'\n\n" << kUsage;
  return 2;
}
