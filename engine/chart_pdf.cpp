// The chart of a PDF page: filled paths, hatchings clipped to their shapes and stroked lines
// as page operators, its texts set by the typesetter in the report's own fonts.
#include <charconv>
#include <cmath>

#include "engine/chart_draw.h"
#include "engine/chart_paint.h"
#include "engine/pdf_text.h"

namespace orla::engine {

namespace {

using pdf::Font;

Font FontOf(ChartFont font) {
  switch (font) {
    case ChartFont::Title:
      return Font::Group;
    case ChartFont::Label:
      return Font::Body;
    case ChartFont::Small:
      return Font::Footer;
  }
  return Font::Footer;
}

class PdfCanvas final : public ChartCanvas {
 public:
  explicit PdfCanvas(pdf::Typesetter& type, bool draw) : type_(type), draw_(draw) {}

  double TextWidth(const std::string& text, ChartFont font) override {
    PangoLayout* layout = type_.Prepare(FontOf(font), text, -1, 0, Align::Left);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return static_cast<double>(logical.width) / PANGO_SCALE;
  }

  double LineHeight(ChartFont font) override { return type_.LineHeight(FontOf(font)); }

  void Rect(double x, double y, double w, double h, const ChartColour& colour, int pattern,
            const char*) override {
    std::string path;
    Numbers(path, {x, y, w, h});
    path += "re ";
    Paint(path, colour, pattern, x, y, w, h);
  }

  void Polygon(const std::vector<ChartPoint>& points, const ChartColour& colour, int pattern,
               const char*) override {
    std::string path;
    double x1 = points.front().x, y1 = points.front().y, x2 = x1, y2 = y1;
    for (size_t i = 0; i < points.size(); ++i) {
      Numbers(path, {points[i].x, points[i].y});
      path += i == 0 ? "m " : "l ";
      x1 = std::min(x1, points[i].x);
      y1 = std::min(y1, points[i].y);
      x2 = std::max(x2, points[i].x);
      y2 = std::max(y2, points[i].y);
    }
    path += "h ";
    Paint(path, colour, pattern, x1, y1, x2 - x1, y2 - y1);
  }

  void Polyline(const std::vector<ChartPoint>& points, const ChartColour& colour, double width,
                int dash) override {
    Numbers(ops_, {colour.r, colour.g, colour.b});
    ops_ += "RG ";
    Numbers(ops_, {width});
    ops_ += "w [";
    for (double d : DashOf(dash)) {
      Numbers(ops_, {d});
    }
    ops_ += "] 0 d 1 J 1 j\n";
    for (size_t i = 0; i < points.size(); ++i) {
      Numbers(ops_, {points[i].x, points[i].y});
      ops_ += i == 0 ? "m " : "l ";
    }
    ops_ += "S\n";
  }

  void Text(const std::string& text, ChartFont font, double x, double top, double width,
            ChartAlign align, const ChartColour& colour, bool number) override {
    if (!draw_ || text.empty()) {
      return;
    }
    type_.SetColour({colour.r, colour.g, colour.b});
    const Font f = FontOf(font);
    if (align == ChartAlign::Centre) {
      const double w = TextWidth(text, font);
      if (w < width) {
        x += (width - w) / 2;
        width = w + 0.5;
      }
    }
    const Align side = align == ChartAlign::Right ? Align::Right : Align::Left;
    if (number) {
      type_.DrawNumber(f, text, x, top, width, side);
    } else {
      type_.Draw(f, text, x, top, width, side, 1);
    }
  }

  const std::string& Operators() const { return ops_; }

 private:
  static void Numbers(std::string& out, std::initializer_list<double> values) {
    for (double v : values) {
      char buffer[32];
      const double rounded = std::nearbyint(v * 1000) / 1000;
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, rounded == 0 ? 0.0 : rounded,
                                     std::chars_format::fixed);
      out.append(buffer, end);
      out += ' ';
    }
  }

  // Fills the path, then strokes the hatching over it inside the path alone.
  void Paint(const std::string& path, const ChartColour& colour, int pattern, double x, double y,
             double w, double h) {
    Numbers(ops_, {colour.r, colour.g, colour.b});
    ops_ += "rg ";
    ops_ += path;
    ops_ += "f\n";
    const Hatch* hatch = HatchOf(pattern);
    if (hatch == nullptr) {
      return;
    }
    ops_ += "q ";
    ops_ += path;
    ops_ += "W n 1 1 1 RG 0.8 w [] 0 d 0 J\n";
    // Lines through the pattern's grid from the page's origin, so that neighbouring shapes
    // of one series hatch as one surface, as the SVG pattern does.
    for (double angle : {hatch->angle, hatch->angle + 90}) {
      const double a = angle * 3.14159265358979323846 / 180;
      const double dx = std::cos(a), dy = std::sin(a);
      const double nx = -dy, ny = dx;
      double pMin = 1e18, pMax = -1e18, tMin = 1e18, tMax = -1e18;
      for (const auto& [cx, cy] : {std::pair{x, y}, {x + w, y}, {x, y + h}, {x + w, y + h}}) {
        pMin = std::min(pMin, cx * nx + cy * ny);
        pMax = std::max(pMax, cx * nx + cy * ny);
        tMin = std::min(tMin, cx * dx + cy * dy);
        tMax = std::max(tMax, cx * dx + cy * dy);
      }
      const double s = hatch->spacing;
      for (double p = (std::floor(pMin / s - 0.5) + 0.5) * s; p <= pMax; p += s) {
        Numbers(ops_, {p * nx + tMin * dx, p * ny + tMin * dy});
        ops_ += "m ";
        Numbers(ops_, {p * nx + tMax * dx, p * ny + tMax * dy});
        ops_ += "l ";
      }
      ops_ += "S\n";
      if (!hatch->crossed) {
        break;
      }
    }
    ops_ += "Q\n";
  }

  pdf::Typesetter& type_;
  bool draw_;
  std::string ops_;
};

}  // namespace

std::unique_ptr<ChartCanvas> TypesetChartTexts(pdf::Typesetter& type) {
  return std::make_unique<PdfCanvas>(type, true);
}

double PdfChartHeight(pdf::Typesetter& type, const ChartData& chart, double width) {
  PdfCanvas canvas(type, false);
  return ChartHeight(chart, canvas, width);
}

std::string DrawPdfChart(pdf::Typesetter& type, const ChartData& chart, double x, double y,
                         double width) {
  PdfCanvas canvas(type, true);
  PaintChart(chart, canvas, x, y, width);
  return canvas.Operators();
}

}  // namespace orla::engine
