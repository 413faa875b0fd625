// Runs orla-vendas subcommands in-process on a month of generated demo data.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace orla::cli {

struct CommandResult {
  int exitCode = 0;
  std::string out;
  std::string err;
};

// `base`, then `more`.
inline std::vector<std::string> With(std::vector<std::string> base,
                                     const std::vector<std::string>& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

class CliTest : public ::testing::Test {
 protected:
  // A scratch folder for the suite; the demo station's March 2024 (MarchDatabase()).
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  static const std::filesystem::path& Folder() { return folder_; }
  static const std::filesystem::path& DemoMarch() { return database_; }

  static CommandResult Main(std::vector<std::string> arguments);
  // `run OPERATION ... --db <March>`.
  static CommandResult Run(std::vector<std::string> arguments);
  // `run ... --format json`, parsed.
  static nlohmann::json RunJson(std::vector<std::string> arguments, int expectedExit = 0);

  static std::vector<nlohmann::json> ReadTrace(const std::filesystem::path& file);
  static std::string ReadFile(const std::filesystem::path& file);
  // pdftotext of a PDF, layout kept.
  static std::string PdfText(const std::filesystem::path& file);

 private:
  static std::filesystem::path folder_;
  static std::filesystem::path database_;
};

}  // namespace orla::cli
