#include "engine/pdf_text.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// A Pango renderer that draws nothing: it keeps what Pango's cairo renderer would hand to
// cairo_show_text_glyphs, computed the same way, so the glyphs can be drawn again later.
struct OrlaPdfCaptureRenderer {
  PangoRenderer parent;
  orla::engine::pdf::ShapedText* target;
  bool failed;
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
    self->failed = true;
    return;
  }
  const bool backward = (item->item->analysis.level & 1) != 0;
  orla::engine::pdf::GlyphRun& run = self->target->runs.emplace_back();
  run.font.reset(cairo_scaled_font_reference(scaled));
  run.x = static_cast<double>(x) / PANGO_SCALE;
  run.y = static_cast<double>(y) / PANGO_SCALE;
  run.text.assign(text + item->item->offset, static_cast<size_t>(item->item->length));
  run.flags = backward ? CAIRO_TEXT_CLUSTER_FLAG_BACKWARD : cairo_text_cluster_flags_t(0);

  PangoGlyphItemIter iter;
  if (pango_glyph_item_iter_init_start(&iter, item, text)) {
    do {
      int count = backward ? iter.start_glyph - iter.end_glyph : iter.end_glyph - iter.start_glyph;
      // Empty glyphs are not drawn, so their clusters do not count them.
      for (int i = std::min(iter.start_glyph, iter.end_glyph + 1);
           i < std::max(iter.start_glyph + 1, iter.end_glyph); ++i) {
        if (glyphs->glyphs[i].glyph == PANGO_GLYPH_EMPTY) {
          --count;
        }
      }
      run.clusters.push_back({iter.end_index - iter.start_index, count});
    } while (pango_glyph_item_iter_next_cluster(&iter));
  }
  int position = 0;
  for (int i = 0; i < glyphs->num_glyphs; ++i) {
    const PangoGlyphInfo& info = glyphs->glyphs[i];
    if (info.glyph & PANGO_GLYPH_UNKNOWN_FLAG) {
      // Pango draws boxes of hex digits for these: such text is left to Pango.
      self->failed = true;
      return;
    }
    if (info.glyph != PANGO_GLYPH_EMPTY) {
      run.glyphs.push_back({info.glyph,
                            static_cast<double>(position + info.geometry.x_offset) / PANGO_SCALE,
                            static_cast<double>(info.geometry.y_offset) / PANGO_SCALE});
    }
    position += info.geometry.width;
  }
}

// Anything else (underlines, shapes) is not kept: such text is left to Pango.
void CaptureGlyphs(PangoRenderer* renderer, PangoFont*, PangoGlyphString*, int, int) {
  Self(renderer)->failed = true;
}
void CaptureRectangle(PangoRenderer* renderer, PangoRenderPart, int, int, int, int) {
  Self(renderer)->failed = true;
}
void CaptureUnderline(PangoRenderer* renderer, int, int, int, int) {
  Self(renderer)->failed = true;
}
void CaptureShape(PangoRenderer* renderer, PangoAttrShape*, int, int) {
  Self(renderer)->failed = true;
}

void orla_pdf_capture_renderer_init(OrlaPdfCaptureRenderer* self) {
  self->target = nullptr;
  self->failed = false;
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
  run.clusters.clear();
  int position = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const int width =
        i + 1 < text.size() ? PairWidth(signs[i], signs[i + 1]) : signs_[signs[i]].width;
    if (width == kUnusable) {
      return false;
    }
    run.glyphs.push_back(
        {signs_[signs[i]].glyph, static_cast<double>(position) / PANGO_SCALE, 0.0});
    run.clusters.push_back({1, 1});
    position += width;
  }
  if (run.font.get() != font_.get()) {
    run.font.reset(cairo_scaled_font_reference(font_.get()));
  }
  run.x = 0;
  run.y = baseline_;
  run.text.assign(text);
  run.flags = cairo_text_cluster_flags_t(0);
  out.width = position;
  return true;
}

Typesetter::Typesetter(cairo_t* cr, bool cached)
    : cached_(cached),
      fontMap_(pango_cairo_font_map_new()),
      context_(pango_font_map_create_context(static_cast<PangoFontMap*>(fontMap_.get()))),
      renderer_(g_object_new(orla_pdf_capture_renderer_get_type(), nullptr)) {
  // A font map of its own, released with the typesetter: the process-wide default would
  // keep every font pattern it ever matched for the life of the thread.
  PangoContext* context = static_cast<PangoContext*>(context_.get());
  pango_cairo_update_context(cr, context);
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

void Typesetter::Capture(PangoLayout* layout, ShapedText& out) {
  out.runs.clear();
  OrlaPdfCaptureRenderer* renderer = Self(static_cast<PangoRenderer*>(renderer_.get()));
  renderer->target = &out;
  renderer->failed = false;
  pango_renderer_draw_layout(&renderer->parent, layout, 0, 0);
  renderer->target = nullptr;
  if (renderer->failed) {
    out.runs.clear();
  }
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  out.width = logical.width;
}

const ShapedText& Typesetter::Shape(Font font, const std::string& text, double width, int maxLines,
                                    Align align) {
  if (!cached_) {
    scratch_.runs.clear();
    return scratch_;
  }
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
  Capture(Prepare(font, text, width, maxLines, align), shaped);
  return shaped;
}

void Typesetter::Draw(cairo_t* cr, Font font, const std::string& text, double x, double y,
                      double width, Align align, int maxLines) {
  const ShapedText& shaped = Shape(font, text, width, maxLines, align);
  const bool alone =
      shaped.runs.empty() || std::any_of(shaped.runs.begin(), shaped.runs.end(),
                                         [](const GlyphRun& run) { return run.flags != 0; });
  if (batching_ && alone && !text.empty()) {
    Defer(cr, font, text, x, y, width, align, maxLines, false);
    return;
  }
  if (shaped.runs.empty() && !text.empty()) {
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, Prepare(font, text, width, maxLines, align));
    return;
  }
  Show(cr, shaped, x, y);
}

void Typesetter::DrawNumber(cairo_t* cr, Font font, const std::string& text, double x, double y,
                            double width, Align align) {
  const ShapedText& shaped = Shape(font, text, -1, 0, Align::Left);
  PangoLayout* layout = nullptr;
  int units = shaped.width;
  if (shaped.runs.empty()) {
    layout = Prepare(font, text, -1, 0, Align::Left);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    units = logical.width;
  }
  const double textWidth = static_cast<double>(units) / PANGO_SCALE;
  const bool narrowed = textWidth > width;
  if (batching_ && (layout != nullptr || narrowed)) {
    Defer(cr, font, text, x, y, width, align, 0, true);
    return;
  }
  double originX = align == Align::Right ? x + width - textWidth : x;
  double originY = y;
  if (narrowed) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, width / textWidth, 1);
    originX = 0;
    originY = 0;
  }
  if (layout != nullptr) {
    cairo_move_to(cr, originX, originY);
    pango_cairo_show_layout(cr, layout);
  } else {
    Show(cr, shaped, originX, originY);
  }
  if (narrowed) {
    cairo_restore(cr);
  }
}

// A batch keeps the colour, not the pattern: a plain colour is all it can draw again.
std::array<double, 4> Typesetter::SourceColour(cairo_t* cr) {
  std::array<double, 4> rgba{};
  if (cairo_pattern_get_rgba(cairo_get_source(cr), &rgba[0], &rgba[1], &rgba[2], &rgba[3]) !=
      CAIRO_STATUS_SUCCESS) {
    throw std::logic_error("batched text must be drawn in a plain colour");
  }
  return rgba;
}

void Typesetter::Defer(cairo_t* cr, Font font, const std::string& text, double x, double y,
                       double width, Align align, int maxLines, bool number) {
  deferred_.push_back({font, SourceColour(cr), text, x, y, width, align, maxLines, number});
}

Typesetter::Batch* Typesetter::BatchFor(cairo_t* cr, cairo_scaled_font_t* font) {
  const std::array<double, 4> rgba = SourceColour(cr);
  // Texts come in runs of one font and colour: the last batch is nearly always the one.
  for (size_t k = 0; k < batches_.size(); ++k) {
    const size_t i = (lastBatch_ + k) % batches_.size();
    if (batches_[i].font.get() == font && batches_[i].rgba == rgba) {
      if (!batches_[i].started) {
        batches_[i].started = true;
        batchOrder_.push_back(i);
      }
      lastBatch_ = i;
      return &batches_[i];
    }
  }
  Batch& batch = batches_.emplace_back();
  batch.font.reset(cairo_scaled_font_reference(font));
  batch.rgba = rgba;
  batch.started = true;
  lastBatch_ = batches_.size() - 1;
  batchOrder_.push_back(lastBatch_);
  return &batch;
}

void Typesetter::Show(cairo_t* cr, const ShapedText& shaped, double originX, double originY) {
  // Where cairo_move_to would have put the current point: on its grid of 1/256 of a device
  // unit, which is where Pango's own drawing starts.
  cairo_user_to_device(cr, &originX, &originY);
  originX = std::nearbyint(originX * 256) / 256;
  originY = std::nearbyint(originY * 256) / 256;
  cairo_device_to_user(cr, &originX, &originY);
  for (const GlyphRun& run : shaped.runs) {
    const double baseX = originX + run.x;
    const double baseY = originY + run.y;
    if (batching_) {
      Batch& batch = *BatchFor(cr, run.font.get());
      for (const cairo_glyph_t& g : run.glyphs) {
        batch.glyphs.push_back({g.index, baseX + g.x, baseY + g.y});
      }
      batch.text += run.text;
      batch.clusters.insert(batch.clusters.end(), run.clusters.begin(), run.clusters.end());
      continue;
    }
    placed_.resize(run.glyphs.size());
    for (size_t i = 0; i < run.glyphs.size(); ++i) {
      placed_[i] = {run.glyphs[i].index, baseX + run.glyphs[i].x, baseY + run.glyphs[i].y};
    }
    cairo_save(cr);
    cairo_set_scaled_font(cr, run.font.get());
    cairo_show_text_glyphs(cr, run.text.data(), static_cast<int>(run.text.size()), placed_.data(),
                           static_cast<int>(placed_.size()), run.clusters.data(),
                           static_cast<int>(run.clusters.size()), run.flags);
    cairo_restore(cr);
  }
}

void Typesetter::EndBatch(cairo_t* cr) {
  if (!batching_) {
    return;
  }
  batching_ = false;
  cairo_save(cr);
  // In the order they were started, which decides how Cairo writes the page. The batches
  // stay, emptied, for the next page: their buffers are grown already.
  for (size_t i : batchOrder_) {
    Batch& batch = batches_[i];
    cairo_set_source_rgba(cr, batch.rgba[0], batch.rgba[1], batch.rgba[2], batch.rgba[3]);
    cairo_set_scaled_font(cr, batch.font.get());
    cairo_show_text_glyphs(cr, batch.text.data(), static_cast<int>(batch.text.size()),
                           batch.glyphs.data(), static_cast<int>(batch.glyphs.size()),
                           batch.clusters.data(), static_cast<int>(batch.clusters.size()),
                           cairo_text_cluster_flags_t(0));
    batch.glyphs.clear();
    batch.text.clear();
    batch.clusters.clear();
    batch.started = false;
  }
  batchOrder_.clear();
  for (const Deferred& d : deferred_) {
    cairo_set_source_rgba(cr, d.rgba[0], d.rgba[1], d.rgba[2], d.rgba[3]);
    if (d.number) {
      DrawNumber(cr, d.font, d.text, d.x, d.y, d.width, d.align);
    } else {
      Draw(cr, d.font, d.text, d.x, d.y, d.width, d.align, d.maxLines);
    }
  }
  deferred_.clear();
  cairo_restore(cr);
}

}  // namespace orla::engine::pdf
