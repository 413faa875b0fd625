#include "engine/render.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "engine/writers.h"
#include "host/errors.h"

namespace orla::engine {

namespace {

struct NamedFormat {
  std::string_view name;
  Format format;
};

constexpr NamedFormat kFormats[] = {
    {"pdf", Format::Pdf}, {"html", Format::Html}, {"xlsx", Format::Xlsx},
    {"csv", Format::Csv}, {"json", Format::Json}, {"txt", Format::Text},
};

}  // namespace

std::optional<Format> ParseFormat(std::string_view name) {
  for (const NamedFormat& f : kFormats) {
    if (f.name == name) {
      return f.format;
    }
  }
  return std::nullopt;
}

std::string_view FormatName(Format format) {
  for (const NamedFormat& f : kFormats) {
    if (f.format == format) {
      return f.name;
    }
  }
  return {};
}

bool IsTextFormat(Format format) {
  return format != Format::Pdf && format != Format::Xlsx;
}

std::optional<CsvDialect> ParseCsvDialect(std::string_view name) {
  if (name == "plain") {
    return CsvDialect::Plain;
  }
  if (name == "br") {
    return CsvDialect::Br;
  }
  return std::nullopt;
}

PrintTime CurrentPrintTime() {
  PrintTime result;
  std::tm parts{};
  if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    errno = 0;
    const long long seconds = std::strtoll(fixed, &end, 10);
    if (*fixed == '\0' || *end != '\0' || errno != 0 || seconds < 0 ||
        seconds > 253402300799LL) {  // 9999-12-31 23:59:59, the last moment a date can show
      throw host::HostError(
          host::error_number::kInvalidProcedureCall,
          "SOURCE_DATE_EPOCH must be a whole number of seconds since 1970, not '" +
              std::string(fixed) + "'",
          "Report engine");
    }
    result.epoch = static_cast<std::time_t>(seconds);
    gmtime_r(&result.epoch, &parts);
  } else {
    result.epoch = std::time(nullptr);
    localtime_r(&result.epoch, &parts);
  }
  result.shown = host::DateTime::FromParts(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                                           parts.tm_hour, parts.tm_min, parts.tm_sec)
                     .value_or(host::DateTime());
  return result;
}

void Render(Report& report, Format format, std::ostream& out, const RenderOptions& options) {
  switch (format) {
    case Format::Html:
      RenderHtml(report, CurrentPrintTime(), out);
      break;
    case Format::Csv:
      RenderCsv(report, options.csv, out);
      break;
    case Format::Json:
      WriteReportJson(report, out);
      out << '\n';
      break;
    case Format::Text:
      RenderText(report, CurrentPrintTime(), out);
      break;
    case Format::Pdf:
    case Format::Xlsx:
      throw host::HostError(host::error_number::kInvalidProcedureCall,
                            std::string(FormatName(format)) + " is written to files only",
                            "Report engine");
  }
  out.flush();
}

void Render(Report& report, Format format, const std::filesystem::path& out,
            const RenderOptions& options) {
  if (format == Format::Pdf) {
    RenderPdf(report, CurrentPrintTime(), out);
    return;
  }
  if (format == Format::Xlsx) {
    RenderXlsx(report, CurrentPrintTime(), out);
    return;
  }
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  if (!file) {
    throw host::HostError(host::error_number::kInvalidProcedureCall, "Cannot write " + out.string(),
                          "Report engine");
  }
  Render(report, format, file, options);
  if (!file) {
    throw host::HostError(host::error_number::kInvalidProcedureCall, "Cannot write " + out.string(),
                          "Report engine");
  }
}

}  // namespace orla::engine
