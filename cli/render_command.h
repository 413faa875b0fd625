#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orla::cli {

// `orla-vendas render FILE.json [--format F] [--out FILE]`: a saved report (or hand-written
// rows for a layout) rendered again without querying.
int RenderCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace orla::cli
