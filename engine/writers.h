// The document writers behind Render (render.cpp chooses one).
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "engine/render.h"
#include "engine/report.h"

namespace orla::engine {

// The program that writes the files, as their properties name it.
inline const std::string kCreator = std::string("orla-vendas ") + ORLA_VERSION;

void RenderText(const Report& report, const PrintTime& printed, std::ostream& out);
void RenderHtml(const Report& report, const PrintTime& printed, std::ostream& out);
void RenderCsv(const Report& report, CsvDialect dialect, std::ostream& out);
void RenderXlsx(const Report& report, const PrintTime& printed, const std::filesystem::path& out);
void RenderPdf(const Report& report, const PrintTime& printed, const std::filesystem::path& out);

}  // namespace orla::engine
