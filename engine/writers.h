// The document writers behind Render (render.cpp chooses one).
#pragma once

#include <filesystem>
#include <ostream>

#include "engine/report.h"

namespace orla::engine {

void RenderText(const Report& report, std::ostream& out);
void RenderHtml(const Report& report, std::ostream& out);
void RenderCsv(const Report& report, std::ostream& out);
void RenderXlsx(const Report& report, const std::filesystem::path& out);
void RenderPdf(const Report& report, const std::filesystem::path& out);

}  // namespace orla::engine
