// What `run` writes when the operation returns: the JSON contract object, or the report
// rendered in the format asked for.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "engine/render.h"
#include "host/report_engine.h"
#include "hostlib/session.h"

namespace orla::cli {

struct RunOutcome {
  std::string operation;
  bool result = false;
  host::ReportRef report;  // what oRPT holds at the end
  bool shown = false;      // whether ShowReport handed the report to the viewer
  const hostlib::Session& session;
};

// The format a file name asks for by its extension; raises UsageError when it asks none.
engine::Format FormatOfFile(const std::string& file);
// The value of --csv-dialect; raises UsageError for anything but plain and br.
engine::CsvDialect ParseCsvDialectOption(const std::string& text);

// JSON: {"operation","result","report","shown","messages","errors"} to `out` or the file.
// Other formats: the shown report rendered to the file (or to `out` for text formats without
// one); when nothing was shown, nothing is written and `err` says so.
void WriteOutcome(const RunOutcome& outcome, engine::Format format,
                  const std::optional<std::string>& file, std::ostream& out, std::ostream& err,
                  const engine::RenderOptions& render = {});

// Strings as JSON, with invalid UTF-8 replaced rather than refused.
std::string JsonText(const nlohmann::ordered_json& value);

}  // namespace orla::cli
