// `orla-vendas --version`: the program's, the library's and the libraries' versions it runs on.
#pragma once

#include <ostream>

namespace orla::cli {

void WriteVersions(std::ostream& out);

}  // namespace orla::cli
