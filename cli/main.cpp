// orla-vendas: the command-line host of the sales reports.
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/output.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  orla::app::RemoveTemporaryFilesOnSignal();
  return orla::cli::Dispatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                             isatty(STDERR_FILENO) == 1);
}
