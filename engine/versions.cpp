#include "engine/versions.h"

#include <cairo.h>
#include <hb.h>
#include <pango/pango.h>

namespace orla::engine {

std::vector<std::pair<std::string, std::string>> DrawingLibraryVersions() {
  return {{"Cairo", cairo_version_string()},
          {"Pango", pango_version_string()},
          {"HarfBuzz", hb_version_string()}};
}

}  // namespace orla::engine
