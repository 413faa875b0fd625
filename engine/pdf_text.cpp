#include "engine/pdf_text.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/page_surface.h"

namespace {

// A Pango renderer that draws nothing: it keeps the glyphs Pango's cairo renderer would
// draw, where it would draw them, and the text each glyph stands for.
struct OrlaPdfCaptureRenderer {
  PangoRenderer parent;
  orla::engine::pdf::ShapedText* target;
  const char* failure;
};
struct OrlaPdfCaptureRendererClass {
  PangoRendererClass parent;
};

G_DEFINE_TYPE(OrlaPdfCaptureRenderer, orla_pdf_capture_renderer, PANGO_TYPE_RENDERER)

OrlaPdfCaptureRenderer* Self(PangoRenderer* renderer) {
  return reinterpret_cast<OrlaPdfCaptureRenderer*>(renderer);
}

void CaptureGlyphItem(PangoRenderer* renderer, const char* text, PangoGlyphItem* item, int x,
                      int y) {
  OrlaPdfCaptureRenderer* self = Self(renderer);
  PangoGlyphString* glyphs = item->glyphs;
  PangoFont* font = item->item->analysis.font;
  cairo_scaled_font_t* scaled = PANGO_IS_CAIRO_FONT(font)
                                    ? pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font))
                                    : nullptr;
  if (scaled == nullptr || cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) {
    self->failure = "a font Cairo cannot use";
    return;
  }
  orla::engine::pdf::GlyphRun& run = self->target->runs.emplace_back();
  run.font.reset(cairo_scaled_font_reference(scaled));
  run.x = static_cast<double>(x) / PANGO_SCALE;
  run.y = static_cast<double>(y) / PANGO_SCALE;
  const int offset = item->item->offset;
  run.text.assign(text + offset, static_cast<size_t>(item->item->length));

  // The text of each cluster goes with its first glyph that is drawn, in logical order.
  std::vector<std::pair<uint32_t, uint32_t>> texts(static_cast<size_t>(glyphs->num_glyphs));
  PangoGlyphItemIter iter;
  if (pango_glyph_item_iter_init_start(&iter, item, text)) {
    do {
      const int step = iter.start_glyph <= iter.end_glyph ? 1 : -1;
      for (int i = iter.start_glyph; i != iter.end_glyph; i += step) {
        if (glyphs->glyphs[i].glyph != PANGO_GLYPH_EMPTY) {
          texts[static_cast<size_t>(i)] = {
              static_cast<uint32_t>(iter.start_index - offset),
              static_cast<uint32_t>(iter.end_index - iter.start_index)};
          break;
        }
      }
    } while (pango_glyph_item_iter_next_cluster(&iter));
  }
  int position = 0;
  for (int i = 0; i < glyphs->num_glyphs; ++i) {
    const PangoGlyphInfo& info = glyphs->glyphs[i];
    if (info.glyph != PANGO_GLYPH_EMPTY) {
      // A sign no font has: Pango draws a box of its hex digits; the font's own box takes
      // its place, and the text layer keeps the sign.
      const uint32_t id = (info.glyph & PANGO_GLYPH_UNKNOWN_FLAG) != 0 ? 0 : info.glyph;
      const auto& [start, length] = texts[static_cast<size_t>(i)];
      run.glyphs.push_back({id, start, length, 1.0f,
                            static_cast<double>(position + info.geometry.x_offset) / PANGO_SCALE,
                            static_cast<double>(info.geometry.y_offset) / PANGO_SCALE});
    }
    position += info.geometry.width;
  }
}

// Layouts here carry no attributes, so Pango never draws these; if it did, the text
// would lose them.
void CaptureGlyphs(PangoRenderer* renderer, PangoFont*, PangoGlyphString*, int, int) {
  Self(renderer)->failure = "glyphs without their text";
}
void CaptureRectangle(PangoRenderer* renderer, PangoRenderPart, int, int, int, int) {
  Self(renderer)->failure = "an underline or a strike-through";
}
void CaptureUnderline(PangoRenderer* renderer, int, int, int, int) {
  Self(renderer)->failure = "an error underline";
}
void CaptureShape(PangoRenderer* renderer, PangoAttrShape*, int, int) {
  Self(renderer)->failure = "a shape";
}

void orla_pdf_capture_renderer_init(OrlaPdfCaptureRenderer* self) {
  self->target = nullptr;
  self->failure = nullptr;
}

void orla_pdf_capture_renderer_class_init(OrlaPdfCaptureRendererClass* type) {
  type->parent.draw_glyph_item = CaptureGlyphItem;
  type->parent.draw_glyphs = CaptureGlyphs;
  type->parent.draw_rectangle = CaptureRectangle;
  type->parent.draw_error_underline = CaptureUnderline;
  type->parent.draw_shape = CaptureShape;
}

}  // namespace

namespace orla::engine::pdf {

namespace {

// Sizes in points: body text, its bold, column headers, group headers, notes, subreport
// headings, the company line, the title, the caption and the page footer.
constexpr std::array<const char*, kFontCount> kFontDescriptions = {
    "DejaVu Sans Condensed 8.5",
    "DejaVu Sans Condensed Bold 8.5",
    "DejaVu Sans Condensed Bold 8",
    "DejaVu Sans Condensed Bold 9.5",
    "DejaVu Sans 9",
    "DejaVu Sans Bold 12",
    "DejaVu Sans Bold 9.5",
    "DejaVu Sans Bold 16",
    "DejaVu Sans 9",
    "DejaVu Sans 8",
};

// Texts kept shaped, and heights of wrapped texts; past this many a cache starts again. A
// report's repeated texts (products, captions) are far fewer, and larger caches only held a
// year-long report's one-off texts: 11 MB more at the end of a year than of a day at 16,384.
constexpr size_t kShapedLimit = 1024;
constexpr size_t kLinesLimit = 1024;

void SetOneLine(PangoLayout* layout, std::string_view text) {
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  pango_layout_set_width(layout, -1);
  pango_layout_set_height(layout, -1);
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
  pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
}

}  // namespace

void UnrefObject(void* p) {
  g_object_unref(p);
}

bool NumberGlyphs::Measure(std::string_view text, std::vector<PangoGlyphInfo>& glyphs) {
  SetOneLine(layout_, text);
  if (pango_layout_get_line_count(layout_) != 1) {
    return false;
  }
  PangoLayoutLine* line = pango_layout_get_line_readonly(layout_, 0);
  if (line->runs == nullptr || line->runs->next != nullptr) {
    return false;
  }
  const auto* run = static_cast<const PangoGlyphItem*>(line->runs->data);
  PangoFont* font = run->item->analysis.font;
  if (!PANGO_IS_CAIRO_FONT(font) || (run->item->analysis.level & 1) != 0) {
    return false;
  }
  cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font));
  if (!started_) {
    started_ = true;
    font_.reset(cairo_scaled_font_reference(scaled));
    baseline_ = static_cast<double>(pango_layout_get_baseline(layout_)) / PANGO_SCALE;
  } else if (scaled != font_.get() ||
             static_cast<double>(pango_layout_get_baseline(layout_)) / PANGO_SCALE != baseline_) {
    return false;
  }
  glyphs.assign(run->glyphs->glyphs, run->glyphs->glyphs + run->glyphs->num_glyphs);
  for (const PangoGlyphInfo& g : glyphs) {
    if (g.geometry.x_offset != 0 || g.geometry.y_offset != 0 ||
        (g.glyph & PANGO_GLYPH_UNKNOWN_FLAG) != 0 || g.glyph == PANGO_GLYPH_EMPTY) {
      return false;
    }
  }
  return static_cast<int>(glyphs.size()) == static_cast<int>(text.size());
}

const NumberGlyphs::Sign& NumberGlyphs::SignAt(size_t i) {
  Sign& sign = signs_[i];
  if (!sign.measured) {
    sign.measured = true;
    std::vector<PangoGlyphInfo> glyphs;
    if (Measure(kSigns.substr(i, 1), glyphs)) {
      sign.usable = true;
      sign.glyph = glyphs[0].glyph;
      sign.width = glyphs[0].geometry.width;
    }
    pairs_[i].fill(kUnknown);
  }
  return sign;
}

int NumberGlyphs::PairWidth(size_t a, size_t b) {
  int& width = pairs_[a][b];
  if (width == kUnknown) {
    width = kUnusable;
    const char text[2] = {kSigns[a], kSigns[b]};
    std::vector<PangoGlyphInfo> glyphs;
    // Kerning that moves the second sign, or replaces either, is Pango's alone to set.
    if (Measure(std::string_view(text, 2), glyphs) && glyphs[0].glyph == signs_[a].glyph &&
        glyphs[1].glyph == signs_[b].glyph && glyphs[1].geometry.width == signs_[b].width) {
      width = glyphs[0].geometry.width;
    }
  }
  return width;
}

bool NumberGlyphs::Shape(std::string_view text, ShapedText& out) {
  if (text.empty()) {
    return false;
  }
  std::array<size_t, 64> signs{};
  if (text.size() > signs.size()) {
    return false;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    signs[i] = kSignOf[static_cast<unsigned char>(text[i])];
    if (signs[i] == kNoSign || !SignAt(signs[i]).usable) {
      return false;
    }
  }
  out.runs.resize(1);
  GlyphRun& run = out.runs.front();
  run.glyphs.clear();
  int position = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const int width =
        i + 1 < text.size() ? PairWidth(signs[i], signs[i + 1]) : signs_[signs[i]].width;
    if (width == kUnusable) {
      return false;
    }
    run.glyphs.push_back({signs_[signs[i]].glyph, static_cast<uint32_t>(i), 1, 1.0f,
                          static_cast<double>(position) / PANGO_SCALE, 0.0});
    position += width;
  }
  if (run.font.get() != font_.get()) {
    run.font.reset(cairo_scaled_font_reference(font_.get()));
  }
  run.x = 0;
  run.y = baseline_;
  run.text.assign(text);
  out.width = position;
  return true;
}

Typesetter::Typesetter()
    : fontMap_(pango_cairo_font_map_new()),
      context_(pango_font_map_create_context(static_cast<PangoFontMap*>(fontMap_.get()))),
      renderer_(g_object_new(orla_pdf_capture_renderer_get_type(), nullptr)) {
  // A font map of its own, released with the typesetter: the process-wide default would
  // keep every font pattern it ever matched for the life of the thread.
  PangoContext* context = static_cast<PangoContext*>(context_.get());
  // One unit of the page is one point, so font sizes are points (Pango assumes 96 dpi).
  pango_cairo_context_set_resolution(context, 72);
  cairo_font_options_t* options = cairo_font_options_create();
  // Unhinted metrics: the same widths whatever the surface, in both passes.
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  for (size_t f = 0; f < kFontCount; ++f) {
    fonts_[f] = FontPtr(pango_font_description_from_string(kFontDescriptions[f]));
    layouts_[f] = ObjectPtr(pango_layout_new(context));
    pango_layout_set_font_description(Layout(f), fonts_[f].get());
    pango_layout_set_text(Layout(f), "ÁÇgj", -1);
    PangoRectangle logical;
    pango_layout_get_extents(Layout(f), nullptr, &logical);
    lineHeights_[f] = static_cast<double>(logical.height) / PANGO_SCALE;
    numbers_[f] = std::make_unique<NumberGlyphs>(Layout(f));
  }
}

// The cache holds references to the fonts of the font map it is released before.
Typesetter::~Typesetter() {
  shaped_.clear();
  batches_.clear();
  scratch_.runs.clear();
  numbers_ = {};
}

int Typesetter::Lines(Font font, const std::string& text, double width, int maxLines) {
  if (maxLines == 1 || text.empty()) {
    return 1;
  }
  std::string key = std::to_string(static_cast<int>(font)) + '/' +
                    std::to_string(static_cast<int>(width * 8)) + '/' + std::to_string(maxLines) +
                    '/' + text;
  if (auto it = lines_.find(key); it != lines_.end()) {
    return it->second;
  }
  PangoLayout* layout = Prepare(font, text, width, maxLines, Align::Left);
  const int lines = std::max(1, pango_layout_get_line_count(layout));
  if (lines_.size() >= kLinesLimit) {
    lines_.clear();
  }
  lines_.emplace(std::move(key), lines);
  return lines;
}

PangoLayout* Typesetter::Prepare(Font font, const std::string& text, double width, int maxLines,
                                 Align align) {
  PangoLayout* layout = Layout(static_cast<size_t>(font));
  if (width < 0) {
    SetOneLine(layout, text);
    return layout;
  }
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
  // Column captions break between words only: a caption cut inside a word reads badly.
  pango_layout_set_wrap(layout,
                        font == Font::ColumnHeader ? PANGO_WRAP_WORD : PANGO_WRAP_WORD_CHAR);
  pango_layout_set_height(layout, maxLines > 0 ? -maxLines : -1);
  pango_layout_set_ellipsize(layout, maxLines > 0 ? PANGO_ELLIPSIZE_END : PANGO_ELLIPSIZE_NONE);
  pango_layout_set_alignment(layout, align == Align::Right ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
  return layout;
}

void Typesetter::Capture(PangoLayout* layout, const std::string& text, ShapedText& out) {
  out.runs.clear();
  OrlaPdfCaptureRenderer* renderer = Self(static_cast<PangoRenderer*>(renderer_.get()));
  renderer->target = &out;
  renderer->failure = nullptr;
  pango_renderer_draw_layout(&renderer->parent, layout, 0, 0);
  renderer->target = nullptr;
  if (renderer->failure != nullptr) {
    throw std::runtime_error(std::string("Pango would draw ") + renderer->failure + " for \"" +
                             text + "\"");
  }
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  out.width = logical.width;
}

const ShapedText& Typesetter::Shape(Font font, const std::string& text, double width, int maxLines,
                                    Align align) {
  const auto f = static_cast<size_t>(font);
  const int box = width < 0 ? -1 : static_cast<int>(width * PANGO_SCALE);
  // Pango may leave a space at either end of a line out of its measure.
  const bool spaced = !text.empty() && (text.front() == ' ' || text.back() == ' ');
  if ((box < 0 || !spaced) && numbers_[f]->Shape(text, scratch_)) {
    if (box < 0) {
      return scratch_;
    }
    // In a box, only a number that fits stays on its one line, uncut.
    if (scratch_.width < box) {
      scratch_.runs.front().x =
          align == Align::Right ? static_cast<double>(box - scratch_.width) / PANGO_SCALE : 0.0;
      return scratch_;
    }
  }
  key_.clear();
  const int head[4] = {static_cast<int>(font), box, maxLines, static_cast<int>(align)};
  key_.append(reinterpret_cast<const char*>(head), sizeof head);
  key_.append(text);
  if (auto it = shaped_.find(key_); it != shaped_.end()) {
    return it->second;
  }
  if (shaped_.size() >= kShapedLimit) {
    shaped_.clear();
  }
  ShapedText& shaped = shaped_[key_];
  Capture(Prepare(font, text, width, maxLines, align), text, shaped);
  return shaped;
}

double Typesetter::Width(Font font, const std::string& text) {
  return text.empty()
             ? 0.0
             : static_cast<double>(Shape(font, text, -1, 0, Align::Left).width) / PANGO_SCALE;
}

void Typesetter::Draw(Font font, const std::string& text, double x, double y, double width,
                      Align align, int maxLines) {
  if (!text.empty()) {
    Show(Shape(font, text, width, maxLines, align), x, y, 1);
  }
}

void Typesetter::DrawNumber(Font font, const std::string& text, double x, double y, double width,
                            Align align) {
  const ShapedText& shaped = Shape(font, text, -1, 0, Align::Left);
  const double textWidth = static_cast<double>(shaped.width) / PANGO_SCALE;
  if (textWidth > width) {
    Show(shaped, x, y, width / textWidth);
  } else {
    Show(shaped, align == Align::Right ? x + width - textWidth : x, y, 1);
  }
}

Typesetter::Batch& Typesetter::BatchFor(cairo_scaled_font_t* font) {
  // Texts come in runs of one font and colour: the last batch is nearly always the one.
  for (size_t k = 0; k < batches_.size(); ++k) {
    const size_t i = (lastBatch_ + k) % batches_.size();
    if (batches_[i].font.get() == font && batches_[i].colour == colour_) {
      if (!batches_[i].started) {
        batches_[i].started = true;
        batchOrder_.push_back(i);
      }
      lastBatch_ = i;
      return batches_[i];
    }
  }
  Batch& batch = batches_.emplace_back();
  batch.font.reset(cairo_scaled_font_reference(font));
  batch.colour = colour_;
  batch.started = true;
  lastBatch_ = batches_.size() - 1;
  batchOrder_.push_back(lastBatch_);
  return batch;
}

void Typesetter::Show(const ShapedText& shaped, double x, double y, double scale) {
  // Where cairo_move_to would have put the current point: on its grid of 1/256 of a point,
  // which is where Pango's own drawing starts.
  const double originX = std::nearbyint(x * 256) / 256;
  const double originY = std::nearbyint(y * 256) / 256;
  for (const GlyphRun& run : shaped.runs) {
    Batch& batch = BatchFor(run.font.get());
    // Texts drawn apart stay apart: a line break no glyph stands for, so that a surface that
    // keeps words (the SVG pages) does not run two cells together.
    if (!batch.text.empty()) {
      batch.text += '\n';
    }
    const auto textStart = static_cast<uint32_t>(batch.text.size());
    for (const Glyph& g : run.glyphs) {
      batch.glyphs.push_back({g.id, textStart + g.textStart, g.textLength,
                              static_cast<float>(scale), originX + scale * (run.x + g.x),
                              originY + run.y + g.y});
    }
    batch.text += run.text;
  }
}

void Typesetter::Flush(PageSurface& out) {
  // The batches stay, emptied, for the next page: their buffers are grown already.
  for (size_t i : batchOrder_) {
    Batch& batch = batches_[i];
    out.Text(batch.font.get(), batch.colour, batch.glyphs.data(), batch.glyphs.size(), batch.text);
    batch.glyphs.clear();
    batch.text.clear();
    batch.started = false;
  }
  batchOrder_.clear();
}

}  // namespace orla::engine::pdf
