#include "engine/chart_paint.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orla::engine {

namespace {

constexpr ChartColour kInk{0.12, 0.16, 0.20};
constexpr ChartColour kMuted{0.32, 0.38, 0.43};
constexpr ChartColour kGrid{0.86, 0.88, 0.90};
constexpr ChartColour kAxis{0.45, 0.50, 0.55};
constexpr ChartColour kWhite{1, 1, 1};
constexpr ChartColour kOthersColour{0.655, 0.694, 0.737};
// Lightness steps apart as well as hues, so that neighbours stay apart in grey.
constexpr ChartColour kPalette[] = {
    {0.184, 0.294, 0.431}, {0.851, 0.510, 0.169}, {0.310, 0.604, 0.580}, {0.710, 0.286, 0.357},
    {0.478, 0.420, 0.690}, {0.549, 0.549, 0.227}, {0.243, 0.486, 0.694}, {0.627, 0.471, 0.353},
};
constexpr size_t kColours = std::size(kPalette);

constexpr Hatch kHatches[] = {
    {45, 4, false}, {0, 3.5, false}, {-45, 4, false},  {90, 3.5, false},
    {45, 5, true},  {0, 5, true},    {45, 2.5, false},
};

constexpr double kPlotHeight = 150;
constexpr double kDonutRadius = 62;
constexpr double kHoleRadius = 34;
constexpr double kGap = 6;

struct Scale {
  double min = 0;
  double max = 1;
  double step = 1;
  int decimals = 0;

  double At(double value, double from, double length) const {
    return from + (value - min) / (max - min) * length;
  }
};

Scale NiceScale(double lo, double hi) {
  lo = std::min(lo, 0.0);
  hi = std::max(hi, 0.0);
  if (hi - lo <= 0) {
    hi = lo + 1;
  }
  const double raw = (hi - lo) / 5;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / magnitude;
  const double unit = norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 2.5 ? 2.5 : norm <= 5 ? 5 : 10;
  Scale scale;
  scale.step = unit * magnitude;
  scale.min = std::floor(lo / scale.step + 1e-9) * scale.step;
  scale.max = std::ceil(hi / scale.step - 1e-9) * scale.step;
  if (scale.max <= scale.min) {
    scale.max = scale.min + scale.step;
  }
  const double places = -std::log10(scale.step) + (unit == 2.5 ? 1 : 0);
  scale.decimals = std::clamp(static_cast<int>(std::ceil(places - 1e-9)), 0, 6);
  return scale;
}

std::vector<double> Ticks(const Scale& scale) {
  std::vector<double> ticks;
  const int count = static_cast<int>(std::lround((scale.max - scale.min) / scale.step));
  for (int i = 0; i <= count; ++i) {
    ticks.push_back(scale.min + i * scale.step);
  }
  return ticks;
}

std::string TickText(const ChartData& chart, const Scale& scale, double value) {
  const FieldFormat format{
      chart.format.kind == FormatKind::Percent ? FormatKind::Percent : FormatKind::Number,
      scale.decimals};
  const auto number = Decimal::FromDouble(std::abs(value) < 1e-9 ? 0 : value, scale.decimals);
  return number ? FormatNumber(*number, format) : std::string();
}

double Value(const ChartData& chart, size_t series, size_t category) {
  return chart.series[series].values[category].ToDouble();
}

bool Stacked(const ChartData& chart) {
  return chart.kind == ChartKind::StackedBar;
}

// The least and greatest a bar (or a stack, or a line) reaches.
std::pair<double, double> Extent(const ChartData& chart) {
  double lo = 0;
  double hi = 0;
  for (size_t c = 0; c < chart.categories.size(); ++c) {
    double up = 0;
    double down = 0;
    for (size_t s = 0; s < chart.series.size(); ++s) {
      const double v = Value(chart, s, c);
      if (Stacked(chart)) {
        (v < 0 ? down : up) += v;
      } else {
        up = std::max(up, v);
        down = std::min(down, v);
      }
    }
    lo = std::min(lo, down);
    hi = std::max(hi, up);
  }
  return {lo, hi};
}

// The figure written at the end of a bar or on top of a stack.
std::string BarLabel(const ChartData& chart, size_t series, size_t category) {
  if (!Stacked(chart)) {
    return chart.ValueText(chart.series[series].values[category]);
  }
  Decimal total = Decimal::FromInteger(0, chart.format.decimals);
  for (const auto& s : chart.series) {
    total += s.values[category];
  }
  return chart.ValueText(total);
}

// Days along an axis read as dd/mm when the year is the same for all of them.
std::vector<std::string> AxisLabels(const ChartData& chart) {
  std::vector<std::string> labels = chart.categories;
  if (!chart.dateCategories) {
    return labels;
  }
  std::string year;
  for (size_t i = 0; i < labels.size(); ++i) {
    const std::string& l = labels[i];
    if (l.size() != 10 || l[2] != '/' || l[5] != '/') {
      return labels;
    }
    if (i == 0) {
      year = l.substr(6);
    } else if (l.substr(6) != year) {
      return labels;
    }
  }
  for (std::string& l : labels) {
    l.resize(5);
  }
  return labels;
}

std::vector<ChartPoint> RegularPolygon(double cx, double cy, double radius, int sides,
                                       double rotation) {
  std::vector<ChartPoint> points;
  for (int i = 0; i < sides; ++i) {
    const double a = (rotation + 360.0 * i / sides) * std::numbers::pi / 180;
    points.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
  }
  return points;
}

// Line markers by series: a circle, a square, a triangle, a diamond...
void Marker(ChartCanvas& canvas, size_t series, double x, double y, const ChartColour& colour) {
  static constexpr std::pair<int, double> kShapes[] = {{12, 0}, {4, 45},  {3, -90}, {4, 0},
                                                       {3, 90}, {5, -90}, {6, 0},   {8, 22.5}};
  const auto [sides, rotation] = kShapes[series % std::size(kShapes)];
  const double radius = sides == 4 && rotation == 45 ? 3.2 : 2.8;
  canvas.Polygon(RegularPolygon(x, y, radius, sides, rotation), colour, 0, "marker");
}

class Painter {
 public:
  Painter(const ChartData& chart, ChartCanvas& canvas, double width)
      : chart_(chart), canvas_(canvas), width_(width) {}

  double Height() { return Run(false, 0, 0); }
  void Paint(double x, double y) { Run(true, x, y); }

 private:
  double Run(bool draw, double x, double y) {
    draw_ = draw;
    x0_ = x;
    // Apart from the table or note above it.
    double top = y + kGap;
    if (!chart_.title.empty()) {
      if (draw_) {
        canvas_.Text(chart_.title, ChartFont::Title, x0_, top, width_, ChartAlign::Left, kInk,
                     false);
      }
      top += canvas_.LineHeight(ChartFont::Title) + 4;
    }
    if (!chart_.categories.empty()) {
      if (chart_.kind == ChartKind::Share) {
        top = Donut(top);
      } else if (chart_.horizontal) {
        top = Horizontal(top);
      } else {
        top = Vertical(top);
      }
    }
    const double line = canvas_.LineHeight(ChartFont::Small);
    for (const std::string& note : chart_.notes) {
      if (draw_) {
        canvas_.Text(note, ChartFont::Small, x0_, top, width_, ChartAlign::Left, kMuted, false);
      }
      top += line;
    }
    return top - y + kGap;
  }

  // A swatch and a name per series, in rows as wide as the chart.
  double Legend(double top) {
    if (chart_.series.size() < 2) {
      return top;
    }
    const double line = canvas_.LineHeight(ChartFont::Small);
    const double swatch = chart_.kind == ChartKind::Line ? 22 : 9;
    double cursor = x0_;
    top += 4;
    for (size_t s = 0; s < chart_.series.size(); ++s) {
      const double nameWidth =
          std::min(canvas_.TextWidth(chart_.series[s].name, ChartFont::Small), width_ / 3);
      const double item = swatch + 4 + nameWidth + 14;
      if (cursor > x0_ && cursor + item > x0_ + width_) {
        cursor = x0_;
        top += line + 2;
      }
      if (draw_) {
        const ChartLook look = LookOf(chart_, s, 0);
        const double mid = top + line / 2;
        if (chart_.kind == ChartKind::Line) {
          canvas_.Polyline({{cursor, mid}, {cursor + swatch, mid}}, look.colour, 1.6,
                           static_cast<int>(s));
          Marker(canvas_, s, cursor + swatch / 2, mid, look.colour);
        } else {
          canvas_.Rect(cursor, mid - swatch / 2, swatch, swatch, look.colour, look.pattern,
                       "swatch");
        }
        canvas_.Text(chart_.series[s].name, ChartFont::Small, cursor + swatch + 4, top, nameWidth,
                     ChartAlign::Left, kInk, false);
      }
      cursor += item;
    }
    return top + line + 2;
  }

  double Vertical(double top) {
    const size_t n = chart_.categories.size();
    const auto [lo, hi] = Extent(chart_);
    const Scale scale = NiceScale(lo, hi);
    const double small = canvas_.LineHeight(ChartFont::Small);
    double axisWidth = 0;
    for (double t : Ticks(scale)) {
      axisWidth =
          std::max(axisWidth, canvas_.TextWidth(TickText(chart_, scale, t), ChartFont::Small));
    }
    const double left = x0_ + axisWidth + 6;
    const double right = x0_ + width_ - 4;
    const double plotTop = top + small + 2;  // room for the figures over the bars
    const double bottom = plotTop + kPlotHeight;
    const double slot = (right - left) / static_cast<double>(n);
    auto yOf = [&](double v) { return bottom - scale.At(v, 0, kPlotHeight); };
    if (draw_) {
      for (double t : Ticks(scale)) {
        const double ty = yOf(t);
        canvas_.Polyline({{left, ty}, {right, ty}}, std::abs(t) < 1e-9 ? kAxis : kGrid,
                         std::abs(t) < 1e-9 ? 0.8 : 0.4, 0);
        canvas_.Text(TickText(chart_, scale, t), ChartFont::Small, x0_, ty - small / 2, axisWidth,
                     ChartAlign::Right, kMuted, true);
      }
      const size_t count = chart_.series.size();
      for (size_t c = 0; c < n; ++c) {
        const double slotLeft = left + slot * static_cast<double>(c);
        if (chart_.kind == ChartKind::Line) {
          continue;
        }
        // Bars no wider than a thumb, however few the categories.
        const double group = std::min(slot * 0.72, 56.0 * static_cast<double>(count));
        const double barWidth = Stacked(chart_) ? group : group / static_cast<double>(count);
        double up = 0;
        double down = 0;
        for (size_t s = 0; s < count; ++s) {
          const double v = Value(chart_, s, c);
          double from = 0;
          if (Stacked(chart_)) {
            double& base = v < 0 ? down : up;
            from = base;
            base += v;
          }
          const double bx = slotLeft + (slot - group) / 2 +
                            (Stacked(chart_) ? 0 : barWidth * static_cast<double>(s));
          const double y1 = yOf(from);
          const double y2 = yOf(from + v);
          const ChartLook look = LookOf(chart_, s, c);
          if (v != 0) {
            canvas_.Rect(bx, std::min(y1, y2), barWidth, std::abs(y2 - y1), look.colour,
                         look.pattern, "bar");
          }
        }
        // A figure over each bar of a single series, over each stack, where there is room.
        if (count == 1 || Stacked(chart_)) {
          const std::string label = BarLabel(chart_, 0, c);
          if (canvas_.TextWidth(label, ChartFont::Small) <= slot - 1) {
            const double end = Stacked(chart_) ? up : Value(chart_, 0, c);
            const double at = end < 0 ? yOf(end) + 1 : yOf(end) - small - 1;
            canvas_.Text(label, ChartFont::Small, slotLeft, at, slot, ChartAlign::Centre, kInk,
                         true);
          }
        }
      }
      if (chart_.kind == ChartKind::Line) {
        for (size_t s = 0; s < chart_.series.size(); ++s) {
          const ChartLook look = LookOf(chart_, s, 0);
          std::vector<ChartPoint> points;
          for (size_t c = 0; c < n; ++c) {
            points.push_back(
                {left + slot * (static_cast<double>(c) + 0.5), yOf(Value(chart_, s, c))});
          }
          canvas_.Polyline(points, look.colour, 1.6, static_cast<int>(s));
          if (slot >= 7) {
            for (const ChartPoint& p : points) {
              Marker(canvas_, s, p.x, p.y, look.colour);
            }
          }
        }
      }
    }
    // Category names under their slots, every k-th one when they would run into each other.
    const std::vector<std::string> labels = AxisLabels(chart_);
    double widest = 0;
    for (const std::string& l : labels) {
      widest = std::max(widest, canvas_.TextWidth(l, ChartFont::Small));
    }
    const size_t every = std::max<size_t>(1, static_cast<size_t>(std::ceil((widest + 4) / slot)));
    if (draw_) {
      for (size_t c = 0; c < n; c += every) {
        const double box = slot * static_cast<double>(every);
        const double centre = left + slot * (static_cast<double>(c) + 0.5);
        canvas_.Text(labels[c], ChartFont::Small, centre - box / 2, bottom + 3, box,
                     ChartAlign::Centre, kInk, false);
      }
    }
    return Legend(bottom + 3 + small) + 2;
  }

  double Horizontal(double top) {
    const size_t n = chart_.categories.size();
    const size_t count = chart_.series.size();
    const bool grouped = count > 1 && !Stacked(chart_);
    const double rowHeight = grouped ? 7.0 * static_cast<double>(count) + 6 : 15;
    const double small = canvas_.LineHeight(ChartFont::Small);
    const double label = canvas_.LineHeight(ChartFont::Label);
    double labelWidth = 0;
    for (const std::string& c : chart_.categories) {
      labelWidth = std::max(labelWidth, canvas_.TextWidth(c, ChartFont::Label));
    }
    labelWidth = std::min(labelWidth, width_ * 0.3) + 6;
    double figureWidth = 0;
    for (size_t c = 0; c < n; ++c) {
      for (size_t s = 0; s < (Stacked(chart_) ? 1 : count); ++s) {
        figureWidth =
            std::max(figureWidth, canvas_.TextWidth(BarLabel(chart_, s, c), ChartFont::Small));
      }
    }
    figureWidth += 6;
    const double left = x0_ + labelWidth;
    const double length = x0_ + width_ - figureWidth - left;
    auto [lo, hi] = Extent(chart_);
    if (lo < 0) {
      // Room for the figures of bars that run left.
      lo -= (hi - lo) * figureWidth / std::max(length, 1.0);
    }
    const Scale scale = NiceScale(lo, hi);
    auto xOf = [&](double v) { return scale.At(v, left, length); };
    const double bottom = top + rowHeight * static_cast<double>(n);
    if (draw_) {
      for (double t : Ticks(scale)) {
        const double tx = xOf(t);
        canvas_.Polyline({{tx, top}, {tx, bottom}}, std::abs(t) < 1e-9 ? kAxis : kGrid,
                         std::abs(t) < 1e-9 ? 0.8 : 0.4, 0);
        const std::string text = TickText(chart_, scale, t);
        const double w = canvas_.TextWidth(text, ChartFont::Small) + 2;
        canvas_.Text(text, ChartFont::Small, tx - w / 2, bottom + 2, w, ChartAlign::Centre, kMuted,
                     true);
      }
      for (size_t c = 0; c < n; ++c) {
        const double rowTop = top + rowHeight * static_cast<double>(c);
        canvas_.Text(chart_.categories[c], ChartFont::Label, x0_, rowTop + (rowHeight - label) / 2,
                     labelWidth - 6, ChartAlign::Right, kInk, false);
        const double thickness = grouped ? 7 : 10;
        double right = 0;
        double leftEnd = 0;
        for (size_t s = 0; s < count; ++s) {
          const double v = Value(chart_, s, c);
          double from = 0;
          if (Stacked(chart_)) {
            double& base = v < 0 ? leftEnd : right;
            from = base;
            base += v;
          }
          const double by = grouped ? rowTop + 3 + thickness * static_cast<double>(s)
                                    : rowTop + (rowHeight - thickness) / 2;
          const double x1 = xOf(from);
          const double x2 = xOf(from + v);
          const ChartLook look = LookOf(chart_, s, c);
          if (v != 0) {
            canvas_.Rect(std::min(x1, x2), by, std::abs(x2 - x1), thickness - (grouped ? 1 : 0),
                         look.colour, look.pattern, "bar");
          }
          if (!Stacked(chart_)) {
            Figure(BarLabel(chart_, s, c), v, xOf(v), by + (thickness - small) / 2);
          }
        }
        if (Stacked(chart_)) {
          const double end = right != 0 || leftEnd == 0 ? right : leftEnd;
          Figure(BarLabel(chart_, 0, c), end, xOf(end), rowTop + (rowHeight - small) / 2);
        }
      }
    }
    return Legend(bottom + 2 + small) + 2;
  }

  // A bar's figure just past its end.
  void Figure(const std::string& text, double value, double end, double top) {
    const double w = canvas_.TextWidth(text, ChartFont::Small) + 1;
    const double at = value < 0 ? end - 3 - w : end + 3;
    canvas_.Text(text, ChartFont::Small, at, top, w, ChartAlign::Left, kInk, true);
  }

  double Donut(double top) {
    const size_t n = chart_.categories.size();
    const double cx = x0_ + 8 + kDonutRadius;
    const double cy = top + 4 + kDonutRadius;
    const double label = canvas_.LineHeight(ChartFont::Label);
    const double small = canvas_.LineHeight(ChartFont::Small);
    const auto& values = chart_.series.front().values;
    double total = 0;
    for (const Decimal& v : values) {
      total += v.ToDouble();
    }
    if (draw_) {
      double start = -90;
      for (size_t c = 0; c < n; ++c) {
        const double sweep = values[c].ToDouble() / total * 360;
        const double end = start + sweep;
        std::vector<ChartPoint> points;
        const int steps = std::max(2, static_cast<int>(std::ceil(sweep / 3)));
        for (int i = 0; i <= steps; ++i) {
          const double a = (start + sweep * i / steps) * std::numbers::pi / 180;
          points.push_back({cx + kDonutRadius * std::cos(a), cy + kDonutRadius * std::sin(a)});
        }
        for (int i = steps; i >= 0; --i) {
          const double a = (start + sweep * i / steps) * std::numbers::pi / 180;
          points.push_back({cx + kHoleRadius * std::cos(a), cy + kHoleRadius * std::sin(a)});
        }
        const ChartLook look = LookOf(chart_, 0, c);
        canvas_.Polygon(points, look.colour, look.pattern, "slice");
        start = end;
      }
      // White edges keep neighbouring slices apart whatever their shade.
      start = -90;
      for (size_t c = 0; c < n && n > 1; ++c) {
        const double a = start * std::numbers::pi / 180;
        canvas_.Polyline({{cx + kHoleRadius * std::cos(a), cy + kHoleRadius * std::sin(a)},
                          {cx + kDonutRadius * std::cos(a), cy + kDonutRadius * std::sin(a)}},
                         kWhite, 1.2, 0);
        start += values[c].ToDouble() / total * 360;
      }
      start = -90;
      for (size_t c = 0; c < n; ++c) {
        const double sweep = values[c].ToDouble() / total * 360;
        const std::string text = chart_.ShareText(c);
        const double w = canvas_.TextWidth(text, ChartFont::Small) + 2;
        if (sweep >= 22) {
          // On a white ground, to read over any colour or hatching.
          const double a = (start + sweep / 2) * std::numbers::pi / 180;
          const double r = (kDonutRadius + kHoleRadius) / 2;
          const double left = cx + r * std::cos(a) - w / 2;
          const double labelTop = cy + r * std::sin(a) - small / 2;
          canvas_.Rect(left - 1, labelTop, w + 2, small, kWhite, 0, "label");
          canvas_.Text(text, ChartFont::Small, left, labelTop, w, ChartAlign::Centre, kInk, true);
        }
        start += sweep;
      }
    }
    // The legend is a small table: swatch, name, value, share, and the total under them.
    const double tableLeft = cx + kDonutRadius + 24;
    const double rowHeight = label + 3;
    double nameWidth = canvas_.TextWidth(chart_.categoryCaption, ChartFont::Small);
    double valueWidth = canvas_.TextWidth(chart_.series.front().name, ChartFont::Small);
    Decimal sum = Decimal::FromInteger(0, chart_.format.decimals);
    for (size_t c = 0; c < n; ++c) {
      nameWidth = std::max(nameWidth, canvas_.TextWidth(chart_.categories[c], ChartFont::Label));
      valueWidth =
          std::max(valueWidth, canvas_.TextWidth(chart_.ValueText(values[c]), ChartFont::Label));
      sum += values[c];
    }
    const std::string totalText = chart_.ValueText(sum);
    valueWidth = std::max(valueWidth, canvas_.TextWidth(totalText, ChartFont::Label)) + 4;
    const double available = x0_ + width_ - tableLeft;
    const double shareWidth = canvas_.TextWidth("Participação", ChartFont::Small) + 4;
    nameWidth =
        std::clamp(nameWidth + 4, 40.0, std::max(40.0, available - 14 - valueWidth - shareWidth));
    const double nameLeft = tableLeft + 14;
    const double valueLeft = nameLeft + nameWidth;
    const double shareLeft = valueLeft + valueWidth;
    double row = top + 4;
    if (draw_) {
      canvas_.Text(chart_.categoryCaption, ChartFont::Small, nameLeft, row, nameWidth,
                   ChartAlign::Left, kMuted, false);
      canvas_.Text(chart_.series.front().name, ChartFont::Small, valueLeft, row, valueWidth,
                   ChartAlign::Right, kMuted, false);
      canvas_.Text("Participação", ChartFont::Small, shareLeft, row, shareWidth, ChartAlign::Right,
                   kMuted, false);
    }
    row += small + 3;
    for (size_t c = 0; c < n; ++c) {
      if (draw_) {
        const ChartLook look = LookOf(chart_, 0, c);
        canvas_.Rect(tableLeft, row + (label - 9) / 2, 9, 9, look.colour, look.pattern, "swatch");
        canvas_.Text(chart_.categories[c], ChartFont::Label, nameLeft, row, nameWidth - 4,
                     ChartAlign::Left, kInk, false);
        canvas_.Text(chart_.ValueText(values[c]), ChartFont::Label, valueLeft, row, valueWidth,
                     ChartAlign::Right, kInk, true);
        canvas_.Text(chart_.ShareText(c), ChartFont::Label, shareLeft, row, shareWidth,
                     ChartAlign::Right, kInk, true);
      }
      row += rowHeight;
    }
    if (draw_) {
      canvas_.Polyline({{nameLeft, row}, {shareLeft + shareWidth, row}}, kAxis, 0.6, 0);
      canvas_.Text("Total", ChartFont::Label, nameLeft, row + 2, nameWidth, ChartAlign::Left, kInk,
                   false);
      canvas_.Text(totalText, ChartFont::Label, valueLeft, row + 2, valueWidth, ChartAlign::Right,
                   kInk, true);
    }
    row += rowHeight + 2;
    return std::max(row, cy + kDonutRadius + 4);
  }

  const ChartData& chart_;
  ChartCanvas& canvas_;
  double width_;
  bool draw_ = false;
  double x0_ = 0;
};

}  // namespace

ChartLook LookOf(const ChartData& chart, size_t series, size_t category) {
  if (chart.kind == ChartKind::Share) {
    if (chart.others && category + 1 == chart.categories.size()) {
      return {kOthersColour, 0};
    }
    return {kPalette[category % kColours], static_cast<int>(category % kColours)};
  }
  if (chart.otherSeries && series + 1 == chart.series.size()) {
    return {kOthersColour, 0};
  }
  if (chart.series.size() == 1) {
    const bool others = chart.others && category + 1 == chart.categories.size();
    return {others ? kOthersColour : kPalette[0], 0};
  }
  return {kPalette[series % kColours], static_cast<int>(series % kColours)};
}

const Hatch* HatchOf(int pattern) {
  if (pattern <= 0) {
    return nullptr;
  }
  return &kHatches[static_cast<size_t>(pattern - 1) % std::size(kHatches)];
}

std::vector<double> DashOf(int dash) {
  static const std::vector<double> kDashes[] = {
      {}, {4, 2}, {1.2, 1.8}, {5, 2, 1.2, 2}, {8, 3}, {2.5, 2.5}, {6, 2, 2, 2, 2, 2}, {1, 3}};
  return kDashes[static_cast<size_t>(dash) % std::size(kDashes)];
}

double ChartHeight(const ChartData& chart, ChartCanvas& canvas, double width) {
  return Painter(chart, canvas, width).Height();
}

void PaintChart(const ChartData& chart, ChartCanvas& canvas, double x, double y, double width) {
  Painter(chart, canvas, width).Paint(x, y);
}

}  // namespace orla::engine
