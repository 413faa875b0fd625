// The chart of an HTML page: inline SVG in the page's own font, sized in points like the
// PDF so that both read alike, and the same numbers as a table only screen readers see.
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "engine/chart_draw.h"
#include "engine/chart_paint.h"
#include "engine/text_util.h"

namespace orla::engine {

namespace {

std::string N(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", std::abs(value) < 0.005 ? 0.0 : value);
  std::string text = buffer;
  while (text.back() == '0') {
    text.pop_back();
  }
  if (text.back() == '.') {
    text.pop_back();
  }
  return text;
}

std::string Hex(const ChartColour& c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", static_cast<int>(std::lround(c.r * 255)),
                static_cast<int>(std::lround(c.g * 255)), static_cast<int>(std::lround(c.b * 255)));
  return buffer;
}

double SizeOf(ChartFont font) {
  switch (font) {
    case ChartFont::Title:
      return 9.5;
    case ChartFont::Label:
      return 8.5;
    case ChartFont::Small:
      return 8;
  }
  return 8;
}

// Advances of DejaVu Sans in ems, near enough to place labels: the browser sets the text.
double Advance(uint32_t c) {
  if (c == ' ' || c == '.' || c == ',' || c == ':' || c == ';' || c == '!' || c == '|' ||
      c == '\'' || c == 'i' || c == 'l' || c == 'j' || c == 'I' || c == 'f' || c == 't' ||
      c == '(' || c == ')' || c == '/') {
    return 0.33;
  }
  if (c >= '0' && c <= '9') {
    return 0.64;
  }
  if ((c >= 'A' && c <= 'Z') || c == 'm' || c == 'w' || c == '%' || c == 'M' || c == 'W') {
    return 0.72;
  }
  return 0.6;
}

class SvgCanvas final : public ChartCanvas {
 public:
  // With `texts`, the texts are theirs to measure and set.
  explicit SvgCanvas(std::string prefix, ChartCanvas* texts = nullptr)
      : prefix_(std::move(prefix)), texts_(texts) {}

  double TextWidth(const std::string& text, ChartFont font) override {
    if (texts_ != nullptr) {
      return texts_->TextWidth(text, font);
    }
    double width = 0;
    for (size_t i = 0; i < text.size();) {
      const auto c = static_cast<unsigned char>(text[i]);
      const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      width += Advance(length == 1 ? c : 'a');
      i += length;
    }
    return width * SizeOf(font) * (font == ChartFont::Title ? 1.08 : 1.0);
  }

  double LineHeight(ChartFont font) override {
    return texts_ != nullptr ? texts_->LineHeight(font) : SizeOf(font) * 1.25;
  }

  void Rect(double x, double y, double w, double h, const ChartColour& colour, int pattern,
            const char* role) override {
    const std::string box =
        "x=\"" + N(x) + "\" y=\"" + N(y) + "\" width=\"" + N(w) + "\" height=\"" + N(h) + "\"";
    body_ << "<rect class=\"" << role << "\" " << box << " fill=\"" << Hex(colour) << "\"/>\n";
    if (pattern > 0) {
      body_ << "<rect " << box << " fill=\"url(#" << Pattern(pattern) << ")\"/>\n";
    }
  }

  void Polygon(const std::vector<ChartPoint>& points, const ChartColour& colour, int pattern,
               const char* role) override {
    std::string d;
    for (size_t i = 0; i < points.size(); ++i) {
      d += (i == 0 ? "M" : " L") + N(points[i].x) + " " + N(points[i].y);
    }
    d += " Z";
    body_ << "<path class=\"" << role << "\" d=\"" << d << "\" fill=\"" << Hex(colour) << "\"/>\n";
    if (pattern > 0) {
      body_ << "<path d=\"" << d << "\" fill=\"url(#" << Pattern(pattern) << ")\"/>\n";
    }
  }

  void Polyline(const std::vector<ChartPoint>& points, const ChartColour& colour, double width,
                int dash) override {
    body_ << "<polyline points=\"";
    for (size_t i = 0; i < points.size(); ++i) {
      body_ << (i ? " " : "") << N(points[i].x) << "," << N(points[i].y);
    }
    body_ << "\" fill=\"none\" stroke=\"" << Hex(colour) << "\" stroke-width=\"" << N(width)
          << "\" stroke-linejoin=\"round\"";
    const std::vector<double> pattern = DashOf(dash);
    if (!pattern.empty()) {
      body_ << " stroke-dasharray=\"";
      for (size_t i = 0; i < pattern.size(); ++i) {
        body_ << (i ? " " : "") << N(pattern[i]);
      }
      body_ << "\"";
    }
    body_ << "/>\n";
  }

  void Text(const std::string& text, ChartFont font, double x, double top, double width,
            ChartAlign align, const ChartColour& colour, bool number) override {
    if (texts_ != nullptr) {
      texts_->Text(text, font, x, top, width, align, colour, number);
      return;
    }
    std::string shown = text;
    if (!number && TextWidth(shown, font) > width) {
      // Cut at a character boundary, as the PDF does, and say so with "…".
      while (!shown.empty() && TextWidth(shown + "…", font) > width) {
        size_t end = shown.size() - 1;
        while (end > 0 && (static_cast<unsigned char>(shown[end]) & 0xC0) == 0x80) {
          --end;
        }
        shown.resize(end);
      }
      shown += "…";
    }
    const double size = SizeOf(font);
    const double at = align == ChartAlign::Left    ? x
                      : align == ChartAlign::Right ? x + width
                                                   : x + width / 2;
    body_ << "<text x=\"" << N(at) << "\" y=\"" << N(top + size * 0.93) << "\" font-size=\""
          << N(size) << "\"";
    if (font == ChartFont::Title) {
      body_ << " font-weight=\"bold\"";
    }
    if (align != ChartAlign::Left) {
      body_ << " text-anchor=\"" << (align == ChartAlign::Right ? "end" : "middle") << "\"";
    }
    body_ << " fill=\"" << Hex(colour) << "\">" << MarkupEscape(shown) << "</text>\n";
  }

  std::string Body() const { return body_.str(); }

  std::string Definitions() const {
    std::string defs;
    for (int pattern : patterns_) {
      const Hatch& h = *HatchOf(pattern);
      const std::string s = N(h.spacing);
      const std::string half = N(h.spacing / 2);
      defs += "<pattern id=\"" + Id(pattern) + "\" patternUnits=\"userSpaceOnUse\" width=\"" + s +
              "\" height=\"" + s + "\" patternTransform=\"rotate(" + N(h.angle) +
              ")\"><path d=\"M0 " + half + " H" + s + (h.crossed ? " M" + half + " 0 V" + s : "") +
              "\" stroke=\"#ffffff\" stroke-width=\"0.8\"/></pattern>\n";
    }
    return defs;
  }

 private:
  std::string Id(int pattern) const { return prefix_ + "-hachura" + std::to_string(pattern); }

  std::string Pattern(int pattern) {
    patterns_.insert(pattern);
    return Id(pattern);
  }

  std::string prefix_;
  ChartCanvas* texts_;
  std::ostringstream body_;
  std::set<int> patterns_;
};

// The chart's numbers for screen readers, out of sight of everyone else.
void WriteTable(std::ostream& out, const ChartData& chart) {
  const bool share = chart.kind == ChartKind::Share;
  out << "<table class=\"chart-data\" style=\"position:absolute;width:1px;height:1px;"
         "overflow:hidden;clip:rect(0 0 0 0);white-space:nowrap;margin:0\">\n<caption>"
      << MarkupEscape(chart.title);
  for (const std::string& note : chart.notes) {
    out << " " << MarkupEscape(note);
  }
  out << "</caption>\n<thead><tr><th>" << MarkupEscape(chart.categoryCaption) << "</th>";
  for (const auto& s : chart.series) {
    out << "<th>" << MarkupEscape(s.name) << "</th>";
  }
  if (share) {
    out << "<th>Participação</th>";
  }
  out << "</tr></thead>\n<tbody>\n";
  for (size_t c = 0; c < chart.categories.size(); ++c) {
    out << "<tr><th>" << MarkupEscape(chart.categories[c]) << "</th>";
    for (const auto& s : chart.series) {
      out << "<td>" << MarkupEscape(chart.ValueText(s.values[c])) << "</td>";
    }
    if (share) {
      out << "<td>" << MarkupEscape(chart.ShareText(c)) << "</td>";
    }
    out << "</tr>\n";
  }
  out << "</tbody>\n</table>\n";
}

}  // namespace

void WriteChartHtml(std::ostream& out, const ChartData& chart, int number, double width) {
  SvgCanvas canvas("grafico" + std::to_string(number));
  const double height = ChartHeight(chart, canvas, width);
  PaintChart(chart, canvas, 0, 0, width);
  const std::string id = "grafico" + std::to_string(number);
  // Points as CSS pixels (4/3 of a point): the chart reads at the size the PDF prints it.
  out << "<figure class=\"chart\" style=\"margin:8px 0 18px;position:relative\">\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << N(width) << " " << N(height)
      << "\" width=\"" << N(width * 4 / 3) << "\" style=\"max-width:100%;height:auto\""
      << " role=\"img\" aria-labelledby=\"" << id << "-titulo\" font-family=\"'DejaVu Sans', "
      << "'Segoe UI', Arial, sans-serif\">\n<title id=\"" << id << "-titulo\">"
      << MarkupEscape(chart.title) << "</title>\n<defs>\n"
      << canvas.Definitions() << "</defs>\n"
      << canvas.Body() << "</svg>\n";
  WriteTable(out, chart);
  out << "</figure>\n";
}

std::string DrawSvgPageChart(pdf::Typesetter& type, const ChartData& chart, double x, double y,
                             double width, const std::string& prefix) {
  const std::unique_ptr<ChartCanvas> texts = TypesetChartTexts(type);
  SvgCanvas canvas(prefix, texts.get());
  PaintChart(chart, canvas, x, y, width);
  return "<g class=\"chart\"><defs>" + canvas.Definitions() + "</defs>\n" + canvas.Body() +
         "</g>\n";
}

}  // namespace orla::engine
