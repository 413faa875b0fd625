#include "cli/version.h"

#include <sqlite3.h>

#include "engine/versions.h"
#include "service/class_registry.h"

namespace orla::cli {

void WriteVersions(std::ostream& out) {
  out << "orla-vendas " << ORLA_VERSION << '\n'
      << "library " << service::kProgId << ' ' << service::kTypeLibraryMajorVersion << '.'
      << service::kTypeLibraryMinorVersion << '\n'
      << "SQLite " << sqlite3_libversion() << '\n';
  for (const auto& [name, version] : engine::DrawingLibraryVersions()) {
    out << name << ' ' << version << '\n';
  }
}

}  // namespace orla::cli
