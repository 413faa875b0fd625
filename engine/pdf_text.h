// Text for the PDF renderer. Pango shapes a text once; what its cairo renderer would draw
// (glyphs, their positions and the text each stands for) is kept and placed again on every
// page it appears on, so a text repeated on every row costs one shaping. Numbers, nearly
// all distinct, are set from a table of their glyphs measured by Pango. Either way the PDF
// gets the glyphs Pango chose at the places Pango put them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <cairo.h>
#include <pango/pangocairo.h>

#include "engine/document.h"
#include "engine/pdf_file.h"

namespace orla::engine::pdf {

class PageSurface;

enum class Font {
  Body,
  BodyBold,
  ColumnHeader,
  Group,
  Paragraph,
  Heading,
  Company,
  Title,
  Caption,
  Footer
};
constexpr size_t kFontCount = 10;

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
void UnrefObject(void* p);
using ObjectPtr = std::unique_ptr<void, Deleter<void, UnrefObject>>;
using FontPtr = std::unique_ptr<PangoFontDescription,
                                Deleter<PangoFontDescription, pango_font_description_free>>;
using ScaledFontPtr =
    std::unique_ptr<cairo_scaled_font_t, Deleter<cairo_scaled_font_t, cairo_scaled_font_destroy>>;

// One run of glyphs in one font, placed relative to the origin of the text.
struct GlyphRun {
  ScaledFontPtr font;
  double x = 0;
  double y = 0;
  std::string text;
  std::vector<Glyph> glyphs;  // x and y from the run's origin, text from the run's
};

// A text laid out: its runs and its logical width (Pango units).
struct ShapedText {
  std::vector<GlyphRun> runs;
  int width = 0;
};

// The glyphs of digits and of the signs numbers, dates and times are written with, for one
// font, with their advances next to each other sign as Pango gives them (kerning included).
class NumberGlyphs {
 public:
  // Signs this table can set.
  static constexpr std::string_view kSigns = "0123456789.,:/-+%() ";

  explicit NumberGlyphs(PangoLayout* layout) : layout_(layout) {}

  // `text` laid out on one line from the left, as Pango would; false when a sign is not in
  // the table or Pango sets some pair in a way the table cannot reproduce.
  bool Shape(std::string_view text, ShapedText& out);

 private:
  struct Sign {
    bool measured = false;
    bool usable = false;
    PangoGlyph glyph = 0;
    int width = 0;
  };
  static constexpr size_t kCount = kSigns.size();
  static constexpr uint8_t kNoSign = 0xff;
  // The place of each byte in kSigns, or kNoSign.
  static constexpr std::array<uint8_t, 256> kSignOf = [] {
    std::array<uint8_t, 256> table{};
    table.fill(kNoSign);
    for (size_t i = 0; i < kSigns.size(); ++i) {
      table[static_cast<unsigned char>(kSigns[i])] = static_cast<uint8_t>(i);
    }
    return table;
  }();
  static constexpr int kUnknown = -1;
  static constexpr int kUnusable = -2;

  const Sign& SignAt(size_t i);
  int PairWidth(size_t a, size_t b);
  bool Measure(std::string_view text, std::vector<PangoGlyphInfo>& glyphs);

  PangoLayout* layout_;
  bool started_ = false;
  ScaledFontPtr font_;
  double baseline_ = 0;
  std::array<Sign, kCount> signs_{};
  // The advance of the first sign when the second follows it.
  std::array<std::array<int, kCount>, kCount> pairs_{};
};

// Pango layouts, one per font, with bounded caches of shaped texts and of wrapped heights,
// so that laying out and drawing a row costs the same on the millionth row as on the first.
// Texts wait, grouped by font and colour, until Flush writes them to a page.
class Typesetter {
 public:
  Typesetter();
  ~Typesetter();
  Typesetter(const Typesetter&) = delete;
  Typesetter& operator=(const Typesetter&) = delete;

  double LineHeight(Font font) const { return lineHeights_[static_cast<size_t>(font)]; }

  // How wide `text` is on one line, in points.
  double Width(Font font, const std::string& text);

  // The lines `text` takes in `width`, wrapped at word boundaries, at most `maxLines`
  // (0: as many as it needs).
  int Lines(Font font, const std::string& text, double width, int maxLines);

  // The colour of the texts drawn next.
  void SetColour(const Rgb& colour) { colour_ = colour; }

  // Text in a box of `width`: wrapped up to `maxLines`, the last line cut with "…"
  // (0: all the lines it needs, uncut).
  void Draw(Font font, const std::string& text, double x, double y, double width, Align align,
            int maxLines);

  // A number on one line, never cut: narrowed to fit when it is wider than its cell.
  void DrawNumber(Font font, const std::string& text, double x, double y, double width,
                  Align align);

  // The texts drawn since the last flush, one text object per font and colour, in the
  // order each was first used; they lie over whatever the page holds so far.
  void Flush(PageSurface& out);

  // The layout Pango sets `text` in (width < 0: one line, unbounded).
  PangoLayout* Prepare(Font font, const std::string& text, double width, int maxLines, Align align);

 private:
  // What Draw and DrawNumber (width < 0) draw.
  const ShapedText& Shape(Font font, const std::string& text, double width, int maxLines,
                          Align align);
  PangoLayout* Layout(size_t f) const { return static_cast<PangoLayout*>(layouts_[f].get()); }
  void Capture(PangoLayout* layout, const std::string& text, ShapedText& out);
  // The runs with their origin at (x, y), `scale` times as wide.
  void Show(const ShapedText& shaped, double x, double y, double scale);

  // The glyphs of one font and one colour waiting for Flush.
  struct Batch {
    ScaledFontPtr font;
    Rgb colour{};
    std::vector<Glyph> glyphs;
    std::string text;
    bool started = false;  // since the last flush
  };
  Batch& BatchFor(cairo_scaled_font_t* font);

  ObjectPtr fontMap_;
  ObjectPtr context_;
  ObjectPtr renderer_;
  std::array<FontPtr, kFontCount> fonts_;
  std::array<ObjectPtr, kFontCount> layouts_;
  std::array<double, kFontCount> lineHeights_{};
  std::array<std::unique_ptr<NumberGlyphs>, kFontCount> numbers_;
  std::unordered_map<std::string, int> lines_;
  std::unordered_map<std::string, ShapedText> shaped_;
  std::string key_;
  ShapedText scratch_;
  Rgb colour_{};
  std::vector<Batch> batches_;
  size_t lastBatch_ = 0;
  std::vector<size_t> batchOrder_;
};

}  // namespace orla::engine::pdf
