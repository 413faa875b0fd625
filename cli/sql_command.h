// `orla-vendas sql`: a T-SQL batch through the adapter, the rows of its last query printed.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace orla::cli {

// `in` is read for the batch "-" (and when no batch is given).
int SqlCommand(std::vector<std::string> arguments, std::istream& in, std::ostream& out,
               std::ostream& err, bool terminal);

}  // namespace orla::cli
