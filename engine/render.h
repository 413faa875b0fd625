// Rendering a report: PDF, HTML, XLSX, CSV, JSON and plain text. Every renderer reads the
// bound recordset from MoveFirst to EOF, as many times as it needs, and never holds all
// rows; the same report gives the same bytes every time.
#pragma once

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>

#include "engine/report.h"
#include "host/date_time.h"

namespace orla::engine {

enum class Format { Pdf, Html, Xlsx, Csv, Json, Text };

// "pdf", "html", "xlsx", "csv", "json", "txt".
std::optional<Format> ParseFormat(std::string_view name);
std::string_view FormatName(Format format);
// HTML, CSV, JSON and text can be written to a stream; PDF and XLSX only to files.
bool IsTextFormat(Format format);

// Plain: for programs (RFC 4180, query column names, decimal point, ISO dates). Br: for
// people's spreadsheets in Portuguese (";", decimal comma, dd/mm/aaaa, printed titles, BOM).
enum class CsvDialect { Plain, Br };
// "plain", "br".
std::optional<CsvDialect> ParseCsvDialect(std::string_view name);

struct RenderOptions {
  CsvDialect csv = CsvDialect::Plain;
};

// When a report is printed: what its footers show and its files carry as their creation date.
struct PrintTime {
  std::time_t epoch = 0;
  host::DateTime shown;  // the clock time printed
};
// SOURCE_DATE_EPOCH (seconds since 1970) when it is set, shown in UTC so that the same report
// gives the same bytes anywhere; otherwise now, shown in local time. Raises host::HostError
// naming SOURCE_DATE_EPOCH when it is not a whole number of seconds.
PrintTime CurrentPrintTime();

void Render(Report& report, Format format, const std::filesystem::path& out,
            const RenderOptions& options = {});
// Raises host::HostError for PDF and XLSX.
void Render(Report& report, Format format, std::ostream& out, const RenderOptions& options = {});

// The report as one JSON object: {"layout","title","headerLines","formulas","columns",
// "rows","subreports":[{"name","formulas","columns","rows"}]}. Dates are "YYYY-MM-DD" or
// "YYYY-MM-DD HH:MM:SS"; numbers are JSON numbers.
void WriteReportJson(Report& report, std::ostream& out);

// A report rebuilt from that object, or from an object holding it as "report". Only
// "layout", "columns" and "rows" are required. An unknown layout, column, formula or
// subreport raises host::LayoutError naming it.
std::shared_ptr<Report> ReportFromJson(std::string_view text);
// The same from a file, read as a stream: the rows stay in the file and are read again, one
// at a time, whenever the report is rendered, so memory does not grow with them.
std::shared_ptr<Report> ReportFromJsonFile(const std::filesystem::path& file);

}  // namespace orla::engine
