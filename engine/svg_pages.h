// The pages of a report for a screen: page by page as the PDF prints them, each an SVG
// document with the PDF's shapes and its glyphs at the PDF's places, the text kept as text
// (found, selected and read aloud) in the fonts the PDF embeds, which a browser gets from
// the font files they name.
#pragma once

#include <filesystem>
#include <string>

#include "engine/render.h"
#include "engine/report.h"

namespace orla::engine {

// A font the pages set text in: the family their SVG names, and its file.
struct PageFont {
  std::string family;
  std::filesystem::path file;
};

class PageSink {
 public:
  virtual ~PageSink() = default;
  // How many pages there are; told before the first is drawn.
  virtual void Counted(int pages) = 0;
  // A font met for the first time, told before the first page that names it.
  virtual void Font(const PageFont& font) = 0;
  // The next page: its SVG, and its texts one to a line, in the order they are drawn.
  virtual void Page(std::string svg, std::string text) = 0;
  // The first page drawn ahead of the count (RenderFirstPage), to show until page 1 comes.
  virtual void Ahead(std::string svg, std::string text) = 0;
};

// What the sink raises stops the drawing and leaves this function.
void RenderPages(const Report& report, const PrintTime& printed, PageSink& sink);

// The first page drawn ahead, from the report's first `rows` rows while the others are still
// to be read: columns measured on those rows, no page count. Draws nothing and gives false when
// the page could depend on a later row (totals of the whole report, a chart above the table, a
// sort); the page then comes with the others. The report's rows are read again from the start
// by whatever renders it next.
bool RenderFirstPage(Report& report, const PrintTime& printed, PageSink& sink, size_t rows = 2000);

}  // namespace orla::engine
