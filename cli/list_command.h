#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orla::cli {

// `orla-vendas list`: the operations with their parameters, types and defaults.
int ListCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace orla::cli
