#include "tests/cli/cli_fixture.h"

#include <fstream>

#include "cli/commands.h"
#include "tests/engine/test_support.h"
#include "tests/sqlite/test_databases.h"

namespace orla::cli {

std::filesystem::path CliTest::folder_;
std::filesystem::path CliTest::database_;

void CliTest::SetUpTestSuite() {
  folder_ =
      std::filesystem::temp_directory_path() / ("orla-cli-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder_);
  database_ = testing::MarchDatabase();
}

void CliTest::TearDownTestSuite() {
  std::filesystem::remove_all(folder_);
}

CommandResult CliTest::Main(std::vector<std::string> arguments) {
  std::ostringstream out;
  std::ostringstream err;
  const int code = Dispatch(std::move(arguments), out, err, /*terminal=*/false);
  return {code, out.str(), err.str()};
}

CommandResult CliTest::Run(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "run");
  arguments.push_back("--db");
  arguments.push_back(database_.string());
  return Main(std::move(arguments));
}

nlohmann::json CliTest::RunJson(std::vector<std::string> arguments, int expectedExit) {
  arguments.push_back("--format");
  arguments.push_back("json");
  const CommandResult result = Run(std::move(arguments));
  EXPECT_EQ(result.exitCode, expectedExit) << result.err;
  return nlohmann::json::parse(result.out);
}

std::vector<nlohmann::json> CliTest::ReadTrace(const std::filesystem::path& file) {
  std::vector<nlohmann::json> calls;
  std::ifstream stream(file);
  for (std::string line; std::getline(stream, line);) {
    calls.push_back(nlohmann::json::parse(line));
  }
  return calls;
}

std::string CliTest::ReadFile(const std::filesystem::path& file) {
  return engine::testing::Slurp(file);
}

std::string CliTest::PdfText(const std::filesystem::path& file) {
  return engine::testing::RunCommand("pdftotext -layout '" + file.string() + "' - 2>/dev/null");
}

}  // namespace orla::cli
