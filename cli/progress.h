#pragma once

#include <ostream>

#include "demo/generator.h"

namespace orla::cli {

// Day-by-day progress of a generation on `err`, or nothing when it is not a terminal.
demo::Progress TerminalProgress(std::ostream& err, bool terminal);

}  // namespace orla::cli
