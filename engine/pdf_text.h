// Text for the PDF renderer. Pango shapes a text once; what its cairo renderer would draw
// (glyphs, their positions and the clusters that tie them to the text) is kept and drawn
// again with cairo_show_text_glyphs, so a text repeated on every row costs one shaping.
// Numbers, nearly all distinct, are set from a table of their glyphs measured by Pango.
// Either way the PDF gets the same glyphs at the same places, with the same text layer.
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

namespace orla::engine::pdf {

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
  std::vector<cairo_glyph_t> glyphs;
  std::vector<cairo_text_cluster_t> clusters;
  cairo_text_cluster_flags_t flags = cairo_text_cluster_flags_t(0);
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
class Typesetter {
 public:
  // Uncached, every text goes through Pango alone: the reference the cache is held to.
  explicit Typesetter(cairo_t* cr, bool cached = true);
  ~Typesetter();
  Typesetter(const Typesetter&) = delete;
  Typesetter& operator=(const Typesetter&) = delete;

  double LineHeight(Font font) const { return lineHeights_[static_cast<size_t>(font)]; }

  // The lines `text` takes in `width`, wrapped at word boundaries, at most `maxLines`
  // (0: as many as it needs).
  int Lines(Font font, const std::string& text, double width, int maxLines);

  // Text in a box of `width`: wrapped up to `maxLines`, the last line cut with "…"
  // (0: all the lines it needs, uncut).
  void Draw(cairo_t* cr, Font font, const std::string& text, double x, double y, double width,
            Align align, int maxLines);

  // Between these, texts are kept and drawn at EndBatch: those in the same font and colour
  // by one call, then those that need a call of their own (narrowed, right to left, or
  // drawn by Pango). Fewer, larger drawing operations for Cairo to record and place on the
  // page, the same glyphs at the same places; what is drawn meanwhile lies under the texts.
  void BeginBatch() { batching_ = cached_; }
  void EndBatch(cairo_t* cr);

  // A number on one line, never cut: narrowed to fit when it is wider than its cell.
  void DrawNumber(cairo_t* cr, Font font, const std::string& text, double x, double y, double width,
                  Align align);

 private:
  // What Draw and DrawNumber (width < 0) draw; no runs: Pango draws it.
  const ShapedText& Shape(Font font, const std::string& text, double width, int maxLines,
                          Align align);
  PangoLayout* Layout(size_t f) const { return static_cast<PangoLayout*>(layouts_[f].get()); }
  PangoLayout* Prepare(Font font, const std::string& text, double width, int maxLines, Align align);
  void Capture(PangoLayout* layout, ShapedText& out);
  // The runs with their origin at (originX, originY), in user space.
  void Show(cairo_t* cr, const ShapedText& shaped, double originX, double originY);
  // Keeps a text that needs a call of its own until the batch ends.
  void Defer(cairo_t* cr, Font font, const std::string& text, double x, double y, double width,
             Align align, int maxLines, bool number);

  // The glyphs of one font and one colour waiting for EndBatch.
  struct Batch {
    ScaledFontPtr font;
    std::array<double, 4> rgba{};
    std::vector<cairo_glyph_t> glyphs;
    std::string text;
    std::vector<cairo_text_cluster_t> clusters;
    bool started = false;  // on this page
  };
  struct Deferred {
    Font font;
    std::array<double, 4> rgba;
    std::string text;
    double x, y, width;
    Align align;
    int maxLines;
    bool number;
  };
  Batch* BatchFor(cairo_t* cr, cairo_scaled_font_t* font);
  static std::array<double, 4> SourceColour(cairo_t* cr);

  bool cached_;
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
  std::vector<cairo_glyph_t> placed_;
  bool batching_ = false;
  std::vector<Batch> batches_;
  size_t lastBatch_ = 0;
  std::vector<size_t> batchOrder_;
  std::vector<Deferred> deferred_;
};

}  // namespace orla::engine::pdf
