#pragma once

#include <ostream>

#include "demo/generator.h"
#include "engine/report.h"

namespace orla::cli {

// Day-by-day progress of a generation on `err`, or nothing when it is not a terminal.
demo::Progress TerminalProgress(std::ostream& err, bool terminal);

// Makes the rows the renderers read from `report` and its subreports count themselves on
// `err` as they go (a long list takes a while, and the PDF reads its rows twice). The rows are
// passed through unchanged, one at a time.
void ShowRowProgress(engine::Report& report, std::ostream& err);

}  // namespace orla::cli
