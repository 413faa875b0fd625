// What `run` writes when the operation returns: the JSON contract object, or the report
// rendered in the format asked for; and the files it and `render` write, whole or not at all.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "engine/render.h"
#include "host/errors.h"
#include "host/report_engine.h"
#include "hostlib/session.h"

namespace orla::app {

struct RunOutcome {
  std::string operation;
  bool result = false;
  host::ReportRef report;  // what oRPT holds at the end
  bool shown = false;      // whether ShowReport handed the report to the viewer
  const hostlib::Session& session;
};

// `--out -`: standard output.
inline constexpr std::string_view kStandardOutput = "-";

// A write, flush, close or rename that failed: "cannot write FILE: reason", FILE as the user
// named it. A host error, as the engine's own failures to write are.
class OutputError : public host::HostError {
 public:
  explicit OutputError(const std::string& message);
};

// A file written through a stream that keeps the first failure, so that a full disk is told
// when the file is closed instead of being lost in a stream's state.
class OutputFile {
 public:
  // `path` made, or emptied; raises OutputError naming it.
  explicit OutputFile(const std::filesystem::path& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& Stream() { return *stream_; }
  // Flushes and closes; with `sync`, on the disk too. Raises OutputError naming the file.
  void Close(bool sync = false);

 private:
  friend class ReplacingFile;
  // Takes `descriptor`; the caller closes it when this cannot be made.
  OutputFile(int descriptor, std::string shownAs);
  void Start(std::string shownAs);

  class Buffer;
  int descriptor_;
  std::string shownAs_;
  std::unique_ptr<Buffer> buffer_;
  std::unique_ptr<std::ostream> stream_;
};

// A file written under a temporary name beside `target` and renamed over it by Commit, so
// that `target` holds either its old file or the whole new one, never a part (a link stays a
// link to it; a device or a pipe is written in place, as it cannot be replaced). Dropped before
// Commit (a failure, a signal when the program asked for that), the temporary goes.
class ReplacingFile {
 public:
  explicit ReplacingFile(const std::filesystem::path& target);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // For writers that open files by name (PDF, XLSX).
  const std::filesystem::path& TemporaryPath() const { return temporary_; }
  std::ostream& Stream() { return file_->Stream(); }
  // Flushes, syncs and closes the temporary; raises OutputError naming the target.
  void Close();
  // Closes, then gives the temporary the target's name.
  void Commit();

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::unique_ptr<OutputFile> file_;
  bool closed_ = false;
  bool committed_ = false;
  bool inPlace_ = false;  // a device or a pipe, written straight
  bool held_ = false;     // for a signal to remove
};

// For the program: SIGINT, SIGTERM, SIGHUP and SIGPIPE (those left at their default) remove
// the temporary of a ReplacingFile being written before the program ends.
void RemoveTemporaryFilesOnSignal();

// The format a file name asks for by its extension; raises UsageError when it asks none.
engine::Format FormatOfFile(const std::string& file);

// `report` in `format` to `file` whole or not at all, or to `out` when `file` is "-".
// Raises OutputError naming the file, or what the rendering raised.
void WriteReport(engine::Report& report, engine::Format format, const std::string& file,
                 std::ostream& out, const engine::RenderOptions& render = {});

// JSON: {"operation","result","report","shown","messages","errors"} to `out` or the file,
// always. Other formats: the shown report rendered to the file (none: to `out` for text
// formats, OPERATION.<format> for the others). When nothing was shown nothing is written, an
// old file at that path is removed, as it would pass for this run's report, and `err` says so
// in one line. A file is written whole or not at all ("-" is `out`); raises OutputError.
void WriteOutcome(const RunOutcome& outcome, engine::Format format,
                  const std::optional<std::string>& file, std::ostream& out, std::ostream& err,
                  const engine::RenderOptions& render = {});

// Strings as JSON, with invalid UTF-8 replaced rather than refused.
std::string JsonText(const nlohmann::ordered_json& value);

}  // namespace orla::app
