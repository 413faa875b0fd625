// What the PDF's pagination draws a page on: the PDF file, or one SVG document a page for the
// viewer (engine/svg_pages.h). Both get the same shapes and the same glyphs at the same
// places, so a page on screen breaks where the printed one does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <cairo.h>

#include "engine/render.h"

namespace orla::engine {

struct ChartData;

namespace pdf {

class Typesetter;

struct Rgb {
  double r, g, b;
  bool operator==(const Rgb&) const = default;
};

// A glyph of a font at (x, y) with its horizontal scale. The text it stands for is
// [textStart, textStart + textLength) of the text drawn with it; the other glyphs of a
// cluster stand for nothing.
struct Glyph {
  uint32_t id;
  uint32_t textStart;
  uint32_t textLength;
  float scale;
  double x, y;
};

class PageSurface {
 public:
  virtual ~PageSurface() = default;

  virtual void SetPageSize(double width, double height) = 0;
  virtual void Fill(const Rgb& colour, double x, double y, double w, double h) = 0;
  // A horizontal rule centred on y.
  virtual void Rule(const Rgb& colour, double lineWidth, double x1, double y, double x2) = 0;
  // A chart's shapes in the surface's own drawing, given back to Graphics at the end of the
  // page; its texts go to `type` now, like every other text.
  virtual std::string ChartShapes(Typesetter& type, const ChartData& chart, double x, double y,
                                  double width) = 0;
  virtual void Graphics(std::string_view shapes) = 0;
  // Glyphs of one font in one colour, with the text they stand for (Glyph's textStart).
  virtual void Text(cairo_scaled_font_t* font, const Rgb& colour, const Glyph* glyphs, size_t count,
                    std::string_view text) = 0;
  // An area of the page that opens `address` when clicked, told before the page's texts;
  // surfaces a reader cannot click (the PDF file) leave it.
  virtual void Link(std::string_view /*address*/, double /*x*/, double /*y*/, double /*w*/,
                    double /*h*/) {}
  virtual void EndPage() = 0;
};

}  // namespace pdf

// The report's pages as the PDF prints them, drawn on `surface`; `counted` (may be empty)
// hears how many there are before the first is drawn.
void PaintPages(const Report& report, const PrintTime& printed, pdf::Typesetter& type,
                pdf::PageSurface& surface, const std::function<void(int)>& counted);

// The same pages without counting them first, so each says only its number; `measured` is
// called once the columns are measured, before the first page is drawn.
void PaintPagesUncounted(const Report& report, const PrintTime& printed, pdf::Typesetter& type,
                         pdf::PageSurface& surface, const std::function<void()>& measured);

}  // namespace orla::engine
