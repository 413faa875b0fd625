#include "engine/svg_pages.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "engine/chart_draw.h"
#include "engine/page_surface.h"
#include "engine/pdf_text.h"
#include "host/errors.h"

namespace orla::engine {

namespace {

[[noreturn]] void Refuse(const std::string& message) {
  throw host::HostError(host::error_number::kInvalidProcedureCall, message, "Report engine");
}

// Hundredths of a point: a glyph lands within a two-hundredth of its place in the PDF.
void Number(std::string& out, double value) {
  auto units = static_cast<int64_t>(std::nearbyint(value * 100));
  if (units < 0) {
    out += '-';
    units = -units;
  }
  char buffer[24];
  out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, units / 100).ptr);
  if (const int64_t fraction = units % 100; fraction != 0) {
    out += '.';
    out += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) {
      out += static_cast<char>('0' + fraction % 10);
    }
  }
}

std::string Hex(const pdf::Rgb& c) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "#";
  for (double v : {c.r, c.g, c.b}) {
    const int byte = static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
  return out;
}

// UTF-8 sequences of `text`, with XML's three signs escaped and control characters, which
// XML cannot hold, as spaces; calls `each` with each character's escaped text.
template <typename Each>
void Characters(std::string_view text, Each each) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    const std::string_view one = text.substr(i, length);
    i += length;
    if (c == '&') {
      each("&amp;", "&");
    } else if (c == '<') {
      each("&lt;", "<");
    } else if (c == '>') {
      each("&gt;", ">");
    } else if (c < 0x20 || c == 0x7F) {
      each(" ", " ");
    } else {
      each(one, one);
    }
  }
}

// The file fontconfig has for a face, by its PostScript name.
std::filesystem::path FontFile(const std::string& postscriptName) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_POSTSCRIPT_NAME,
                     reinterpret_cast<const FcChar8*>(postscriptName.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
  std::filesystem::path file;
  FcChar8* name = nullptr;
  if (fonts != nullptr && fonts->nfont > 0 &&
      FcPatternGetString(fonts->fonts[0], FC_FILE, 0, &name) == FcResultMatch) {
    file = reinterpret_cast<const char*>(name);
  }
  if (fonts != nullptr) {
    FcFontSetDestroy(fonts);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return file;
}

class SvgSurface final : public pdf::PageSurface {
 public:
  explicit SvgSurface(PageSink& sink) : sink_(sink) {}
  ~SvgSurface() override {
    for (const auto& [font, face] : faces_) {
      cairo_scaled_font_destroy(font);
    }
  }
  SvgSurface(const SvgSurface&) = delete;
  SvgSurface& operator=(const SvgSurface&) = delete;

  void SetPageSize(double width, double height) override {
    width_ = width;
    height_ = height;
  }

  void Fill(const pdf::Rgb& colour, double x, double y, double w, double h) override {
    Rect(colour, x, y, w, h);
  }

  void Rule(const pdf::Rgb& colour, double lineWidth, double x1, double y, double x2) override {
    Rect(colour, x1, y - lineWidth / 2, x2 - x1, lineWidth);
  }

  std::string ChartShapes(pdf::Typesetter& type, const ChartData& chart, double x, double y,
                          double width) override {
    return DrawSvgPageChart(type, chart, x, y, width,
                            "p" + std::to_string(page_ + 1) + "g" + std::to_string(++charts_));
  }

  void Graphics(std::string_view shapes) override { body_ += shapes; }

  void Link(std::string_view address, double x, double y, double w, double h) override {
    links_.push_back({std::string(address), x, y, x + w, y + h});
  }

  void Text(cairo_scaled_font_t* font, const pdf::Rgb& colour, const pdf::Glyph* glyphs,
            size_t count, std::string_view text) override {
    if (count == 0) {
      return;
    }
    const Face& face = FaceOf(font);
    body_ += "<g font-family=\"";
    body_ += face.family;
    body_ += "\" font-size=\"";
    Number(body_, face.size);
    body_ += "\" fill=\"";
    body_ += Hex(colour);
    body_ += "\">";
    for (size_t i = 0; i < count;) {
      i = Line(face, glyphs, count, i, text);
    }
    body_ += "</g>\n";
  }

  void EndPage() override {
    ++page_;
    charts_ = 0;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ";
    Number(svg, width_);
    svg += ' ';
    Number(svg, height_);
    // Glyphs stand where the PDF has them: the browser neither kerns nor joins them again.
    svg += "\" style=\"font-kerning:none;font-variant-ligatures:none\">\n";
    svg += body_;
    svg += "</svg>\n";
    body_.clear();
    links_.clear();
    sink_.Page(std::move(svg), std::move(text_));
    text_.clear();
  }

 private:
  struct LinkArea {
    std::string address;
    double left, top, right, bottom;
  };

  // The link area a glyph stands in, or none.
  const LinkArea* AreaOf(const pdf::Glyph& g) const {
    for (const LinkArea& area : links_) {
      if (g.x >= area.left && g.x < area.right && g.y >= area.top && g.y < area.bottom) {
        return &area;
      }
    }
    return nullptr;
  }

  struct Face {
    std::string family;
    double size = 0;
    uint32_t ellipsis = 0;  // the glyph of "…", which stands for the text it cuts
  };

  const Face& FaceOf(cairo_scaled_font_t* font) {
    if (const auto found = faces_.find(font); found != faces_.end()) {
      return found->second;
    }
    cairo_matrix_t matrix;
    cairo_scaled_font_get_font_matrix(font, &matrix);
    Face face;
    face.size = matrix.yy;
    FT_Face ft = cairo_ft_scaled_font_lock_face(font);
    if (ft == nullptr) {
      Refuse("Cannot show a font that is not a FreeType font");
    }
    const char* postscript = FT_Get_Postscript_Name(ft);
    const std::string name = postscript != nullptr ? postscript : "";
    face.ellipsis = FT_Get_Char_Index(ft, 0x2026);
    cairo_ft_scaled_font_unlock_face(font);
    face.family = "orla-" + name;
    if (known_.insert(name).second) {
      const std::filesystem::path file = name.empty() ? std::filesystem::path() : FontFile(name);
      if (file.empty()) {
        Refuse("Cannot find the file of font '" + name + "' to show it");
      }
      sink_.Font({face.family, file});
    }
    // Held, so that no other font takes its address while the pages are drawn.
    return faces_.emplace(cairo_scaled_font_reference(font), std::move(face)).first->second;
  }

  // One <text> from glyph `first`: the glyphs after it on the same line that were drawn with
  // it, each character at its glyph's place. Gives the glyph after the last it took.
  size_t Line(const Face& face, const pdf::Glyph* glyphs, size_t count, size_t first,
              std::string_view text) {
    const pdf::Glyph& start = glyphs[first];
    std::string xs;
    std::string content;
    std::string found;
    size_t i = first;
    uint32_t end = start.textStart;
    // A link's text is a <text> of its own, inside its <a>.
    const LinkArea* area = AreaOf(start);
    for (; i < count; ++i) {
      const pdf::Glyph& g = glyphs[i];
      if (g.textLength == 0) {
        continue;  // drawn with the cluster of the glyph before it
      }
      if (g.y != start.y || g.scale != start.scale || (i > first && g.textStart != end) ||
          (i > first && !links_.empty() && AreaOf(g) != area)) {
        break;
      }
      end = g.textStart + g.textLength;
      std::string_view cluster = text.substr(g.textStart, g.textLength);
      const bool alone = i + 1 == count || glyphs[i + 1].textLength != 0;
      if (alone && g.id == face.ellipsis && face.ellipsis != 0 && cluster != "…") {
        cluster = "…";
      }
      // Where the characters of one glyph go: spread over its advance, as near as the next
      // glyph tells.
      size_t characters = 0;
      Characters(cluster, [&](std::string_view, std::string_view) { ++characters; });
      double next = g.x + face.size * 0.5 * static_cast<double>(characters) * g.scale;
      for (size_t k = i + 1; k < count; ++k) {
        if (glyphs[k].textLength != 0) {
          if (glyphs[k].y == g.y) {
            next = glyphs[k].x;
          }
          break;
        }
      }
      size_t k = 0;
      Characters(cluster, [&](std::string_view escaped, std::string_view plain) {
        const double x =
            g.x + (next - g.x) * static_cast<double>(k++) / static_cast<double>(characters);
        if (!xs.empty()) {
          xs += ' ';
        }
        Number(xs, x / start.scale);
        content += escaped;
        found += plain;
      });
    }
    if (content.empty()) {
      return i;
    }
    if (area != nullptr) {
      body_ += "<a href=\"";
      Characters(area->address, [&](std::string_view escaped, std::string_view) {
        body_ += escaped == "\"" ? "&quot;" : escaped;
      });
      body_ += "\">";
    }
    body_ += "<text";
    if (start.scale != 1) {
      body_ += " transform=\"scale(";
      Number(body_, start.scale);
      body_ += " 1)\"";
    }
    body_ += " x=\"" + xs + "\" y=\"";
    Number(body_, start.y);
    body_ += "\">" + content + "</text>";
    if (area != nullptr) {
      body_ += "</a>";
    }
    text_ += found;
    text_ += '\n';
    return i;
  }

  void Rect(const pdf::Rgb& colour, double x, double y, double w, double h) {
    body_ += "<rect x=\"";
    Number(body_, x);
    body_ += "\" y=\"";
    Number(body_, y);
    body_ += "\" width=\"";
    Number(body_, w);
    body_ += "\" height=\"";
    Number(body_, h);
    body_ += "\" fill=\"" + Hex(colour) + "\"/>\n";
  }

  PageSink& sink_;
  double width_ = 0;
  double height_ = 0;
  int page_ = 0;
  int charts_ = 0;
  std::string body_;
  std::string text_;
  std::vector<LinkArea> links_;
  std::map<cairo_scaled_font_t*, Face> faces_;
  std::set<std::string> known_;
};

// The rows of a recordset up to a limit, as if there were no more; remembers whether a reader
// was refused one that exists. A page drawn before that happened used true rows only.
class CutRecordset final : public host::Recordset {
 public:
  CutRecordset(host::RecordsetRef inner, size_t limit) : inner_(std::move(inner)), limit_(limit) {}

  bool Cut() const { return cut_; }
  void Forget() { cut_ = false; }

  host::Value Eof() override {
    if (AtEnd(*inner_)) {
      return host::Value(true);
    }
    if (row_ >= limit_) {
      cut_ = true;
      return host::Value(true);
    }
    return host::Value(false);
  }
  void MoveNext() override {
    inner_->MoveNext();
    ++row_;
  }
  void MoveFirst() override {
    inner_->MoveFirst();
    row_ = 0;
  }
  host::Value Field(std::string_view name) override { return inner_->Field(name); }
  host::Value FieldAt(std::size_t index) override { return inner_->FieldAt(index); }
  const std::vector<host::Column>& Columns() override { return inner_->Columns(); }

 private:
  host::RecordsetRef inner_;
  size_t limit_;
  size_t row_ = 0;
  bool cut_ = false;
};

struct FirstPageDrawn {};
struct PageNotKnown {};

// Takes the first page, if nothing past the cut was asked for before it ended, and stops.
class FirstPageSink final : public PageSink {
 public:
  FirstPageSink(PageSink& sink, const CutRecordset& rows) : sink_(sink), rows_(rows) {}

  void Counted(int) override {}
  void Font(const PageFont& font) override { sink_.Font(font); }
  void Page(std::string svg, std::string text) override {
    if (rows_.Cut()) {
      throw PageNotKnown();
    }
    sink_.Ahead(std::move(svg), std::move(text));
    throw FirstPageDrawn();
  }
  void Ahead(std::string, std::string) override {}

 private:
  PageSink& sink_;
  const CutRecordset& rows_;
};

}  // namespace

void RenderPages(const Report& report, const PrintTime& printed, PageSink& sink) {
  pdf::Typesetter type;
  SvgSurface surface(sink);
  PaintPages(report, printed, type, surface, [&](int pages) { sink.Counted(pages); });
}

bool RenderFirstPage(Report& report, const PrintTime& printed, PageSink& sink, size_t rows) {
  const host::RecordsetRef data = report.DataSource();
  if (data == nullptr) {
    return false;
  }
  auto cut = std::make_shared<CutRecordset>(data, rows);
  report.SetDataSource(cut);
  struct Restore {
    Report& report;
    const host::RecordsetRef& data;
    ~Restore() { report.SetDataSource(data); }
  } restore{report, data};
  FirstPageSink first(sink, *cut);
  pdf::Typesetter type;
  SvgSurface surface(first);
  try {
    // Measuring reads to the cut by design; what counts is what the drawing asks for, so it
    // must not be given the sort the measuring made of the rows before the cut.
    PaintPagesUncounted(report, printed, type, surface, [&] {
      cut->Forget();
      report.Kept() = {};
    });
  } catch (const FirstPageDrawn&) {
    return true;
  } catch (const PageNotKnown&) {
    return false;
  }
  return false;
}

}  // namespace orla::engine
