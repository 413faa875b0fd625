#include "cli/output.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "cli/arguments.h"
#include "engine/report.h"

namespace orla::cli {

namespace {

using nlohmann::ordered_json;

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

engine::Report* EngineReport(const host::ReportRef& report) {
  return dynamic_cast<engine::Report*>(report.get());
}

void WriteJson(const RunOutcome& outcome, std::ostream& out) {
  out << "{\"operation\":" << JsonText(outcome.operation)
      << ",\"result\":" << (outcome.result ? "true" : "false") << ",\"report\":";
  if (engine::Report* report = EngineReport(outcome.report)) {
    engine::WriteReportJson(*report, out);
  } else {
    out << "null";
  }
  ordered_json messages = ordered_json::array();
  for (const hostlib::MessageRecord& m : outcome.session.Messages()) {
    messages.push_back({{"text", m.text}, {"title", m.title}, {"style", m.style}});
  }
  ordered_json errors = ordered_json::array();
  for (const hostlib::ErrorRecord& e : outcome.session.Errors()) {
    errors.push_back({{"procedure", e.procedure}, {"description", e.description}});
  }
  out << ",\"shown\":" << (outcome.shown ? "true" : "false")
      << ",\"messages\":" << JsonText(messages) << ",\"errors\":" << JsonText(errors) << "}\n";
}

}  // namespace

std::string JsonText(const ordered_json& value) {
  return value.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

engine::Format FormatOfFile(const std::string& file) {
  std::string extension = Lowercase(std::filesystem::path(file).extension().string());
  if (extension == ".htm") {
    extension = ".html";
  }
  if (extension.size() > 1) {
    if (auto format = engine::ParseFormat(extension.substr(1))) {
      return *format;
    }
  }
  throw UsageError("--out " + file +
                   ": cannot tell the format from the file name; add --format pdf|html|xlsx|csv|"
                   "json|txt");
}

engine::CsvDialect ParseCsvDialectOption(const std::string& text) {
  if (auto dialect = engine::ParseCsvDialect(text)) {
    return *dialect;
  }
  throw UsageError("--csv-dialect expects plain or br, got '" + text + "'");
}

void WriteOutcome(const RunOutcome& outcome, engine::Format format,
                  const std::optional<std::string>& file, std::ostream& out, std::ostream& err,
                  const engine::RenderOptions& render) {
  if (format == engine::Format::Json) {
    if (!file) {
      WriteJson(outcome, out);
      return;
    }
    std::ofstream stream(*file, std::ios::binary | std::ios::trunc);
    WriteJson(outcome, stream);
    if (!stream.flush()) {
      throw std::runtime_error("cannot write " + *file);
    }
    err << "Wrote " << *file << '\n';
    return;
  }
  engine::Report* report = EngineReport(outcome.report);
  if (!outcome.shown || report == nullptr) {
    err << "Nothing to print: the report was not shown.\n";
    return;
  }
  if (!file && engine::IsTextFormat(format)) {
    engine::Render(*report, format, out, render);
    return;
  }
  const std::string path =
      file ? *file : outcome.operation + "." + std::string(engine::FormatName(format));
  engine::Render(*report, format, std::filesystem::path(path), render);
  err << "Wrote " << std::filesystem::absolute(path).string() << '\n';
}

}  // namespace orla::cli
