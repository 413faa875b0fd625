#include "cli/progress.h"

namespace orla::cli {

demo::Progress TerminalProgress(std::ostream& err, bool terminal) {
  if (!terminal) {
    return {};
  }
  return [&err](int done, int days) {
    err << "\rGenerating day " << done << " of " << days << "..." << std::flush;
    if (done == days) {
      err << "\n";
    }
  };
}

}  // namespace orla::cli
