#include "tests/cli/cli_fixture.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>

#include "cli/commands.h"
#include "demo/generator.h"

namespace orla::cli {

std::filesystem::path CliTest::folder_;
std::filesystem::path CliTest::database_;

void CliTest::SetUpTestSuite() {
  folder_ =
      std::filesystem::temp_directory_path() / ("orla-cli-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder_);
  database_ = folder_ / "march.db";
  demo::GeneratorOptions options;
  options.days = 31;
  options.start = *host::DateTime::FromParts(2024, 3, 1);
  demo::Generate(database_, options);
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
  std::ifstream stream(file, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

std::string CliTest::PdfText(const std::filesystem::path& file) {
  const std::string command = "pdftotext -layout '" + file.string() + "' - 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  std::array<char, 4096> buffer{};
  while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) {
    text += buffer.data();
  }
  return text;
}

}  // namespace orla::cli
