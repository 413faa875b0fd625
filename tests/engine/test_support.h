// Helpers of the engine and layout tests: hand-built recordsets and layouts, a writer that
// records what a renderer would receive, and running the poppler and unzip tools.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/chart.h"
#include "engine/document.h"
#include "engine/layout.h"
#include "engine/memory_recordset.h"
#include "engine/report.h"

namespace orla::engine::testing {

inline std::shared_ptr<MemoryRecordset> Recordset(const std::vector<std::string>& columns,
                                                  std::vector<MemoryRecordset::Row> rows) {
  std::vector<host::Column> cols;
  for (const std::string& c : columns) {
    cols.push_back({c, host::ColumnType::Unknown});
  }
  return std::make_shared<MemoryRecordset>(std::move(cols), std::move(rows));
}

inline std::shared_ptr<Report> ReportOf(std::string_view layoutJson) {
  return std::make_shared<Report>(std::make_shared<Layout>(ParseLayout(layoutJson)));
}

inline host::DateTime Date(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  return *host::DateTime::FromParts(y, m, d, hh, mm, ss);
}

// Each call as one line: "table A|B", "group 0 text", "detail|x|y", "subtotal 0|...", ...
// A "+" after the kind marks a row kept with the next one. Charts are kept whole, in order.
class RecordingWriter final : public DocumentWriter {
 public:
  std::vector<std::string> lines;
  std::vector<ChartData> charts;
  std::optional<size_t> room;  // value columns a table takes beside its fixed ones

  void Begin(const DocumentHead& head) override { lines.push_back("begin " + head.title); }
  void Paragraph(const std::string& text, bool heading) override {
    lines.push_back((heading ? "heading " : "paragraph ") + text);
  }
  size_t ColumnsThatFit(const std::vector<TableColumn>& columns, size_t fixed) override {
    return room ? *room : DocumentWriter::ColumnsThatFit(columns, fixed);
  }
  void BeginTable(const std::vector<TableColumn>& columns, const std::string&) override {
    std::string line = "table ";
    for (size_t i = 0; i < columns.size(); ++i) {
      line += (i ? "|" : "") + columns[i].caption;
    }
    lines.push_back(line);
  }
  void GroupHeader(size_t level, const std::string& text) override {
    lines.push_back("group " + std::to_string(level) + " " + text);
  }
  void TableRow(RowKind kind, size_t level, const std::vector<Cell>& cells, size_t,
                bool keepWithNext) override {
    static const char* kKinds[] = {"detail", "summary", "subtotal", "total"};
    std::string line = kKinds[static_cast<int>(kind)];
    if (kind == RowKind::Subtotal || kind == RowKind::Summary) {
      line += " " + std::to_string(level);
    }
    line += keepWithNext ? "+" : "";
    for (const Cell& c : cells) {
      line += "|" + c.text;
    }
    lines.push_back(line);
  }
  void EndTable() override { lines.push_back("end table"); }
  void Chart(const ChartData& chart) override { charts.push_back(chart); }
  void End() override { lines.push_back("end"); }
};

inline std::vector<std::string> Record(const Report& report) {
  RecordingWriter writer;
  WriteDocument(report, writer);
  return writer.lines;
}

// Standard output of a shell command; the tests run poppler-utils and unzip this way.
inline std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return output;
  }
  std::array<char, 4096> buffer;
  size_t n = 0;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    output.append(buffer.data(), n);
  }
  pclose(pipe);
  return output;
}

inline std::string Slurp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct Word {
  double left, top, right, bottom;
  std::string text;
};

// The words of a PDF where pdftotext finds them, on one page or (0) on all.
inline std::vector<Word> Words(const std::filesystem::path& pdf, int page = 0) {
  const std::string range =
      page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
  const std::string html = RunCommand("pdftotext -bbox" + range + " '" + pdf.string() + "' -");
  const std::regex word(
      R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
  std::vector<Word> words;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator();
       ++it) {
    const std::smatch& m = *it;
    words.push_back({std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
  }
  return words;
}

// A directory of its own for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orla-engine-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace orla::engine::testing
