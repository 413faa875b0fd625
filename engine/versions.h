// The versions of the drawing libraries the renderers run on, as the loaded libraries report
// them (not as the headers were when this was built).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orla::engine {

// Cairo, Pango and HarfBuzz, each with its version.
std::vector<std::pair<std::string, std::string>> DrawingLibraryVersions();

}  // namespace orla::engine
