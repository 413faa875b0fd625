#include "tests/sqlite/test_databases.h"

#include <cstdlib>

#include <unistd.h>

#include "demo/generator.h"

namespace orla::testing {

namespace {

struct ScratchFolder {
  ScratchFolder() {
    path = std::filesystem::temp_directory_path() /
           ("orla-tests-" + std::to_string(getpid()) + "-" + std::to_string(std::rand()));
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

}  // namespace

std::filesystem::path ScratchFile(const std::string& name) {
  static int counter = 0;
  return Scratch().path / (std::to_string(++counter) + "-" + name);
}

const std::filesystem::path& MarchDatabase() {
  static const std::filesystem::path file = [] {
    if (const char* shared = std::getenv("ORLA_DEMO_MARCH")) {
      return std::filesystem::path(shared);
    }
    std::filesystem::path path = ScratchFile("march-2024.db");
    demo::GeneratorOptions options;
    options.start = *host::DateTime::FromParts(2024, 3, 1);
    options.days = 31;
    demo::Generate(path, options);
    return path;
  }();
  return file;
}

}  // namespace orla::testing
