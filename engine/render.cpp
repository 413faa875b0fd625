#include "engine/render.h"

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

void Render(Report& report, Format format, std::ostream& out) {
  switch (format) {
    case Format::Html:
      RenderHtml(report, out);
      break;
    case Format::Csv:
      RenderCsv(report, out);
      break;
    case Format::Json:
      WriteReportJson(report, out);
      out << '\n';
      break;
    case Format::Text:
      RenderText(report, out);
      break;
    case Format::Pdf:
    case Format::Xlsx:
      throw host::HostError(host::error_number::kInvalidProcedureCall,
                            std::string(FormatName(format)) + " is written to files only",
                            "Report engine");
  }
  out.flush();
}

void Render(Report& report, Format format, const std::filesystem::path& out) {
  if (format == Format::Pdf) {
    RenderPdf(report, out);
    return;
  }
  if (format == Format::Xlsx) {
    RenderXlsx(report, out);
    return;
  }
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  if (!file) {
    throw host::HostError(host::error_number::kInvalidProcedureCall, "Cannot write " + out.string(),
                          "Report engine");
  }
  Render(report, format, file);
  if (!file) {
    throw host::HostError(host::error_number::kInvalidProcedureCall, "Cannot write " + out.string(),
                          "Report engine");
  }
}

}  // namespace orla::engine
