// A chart's geometry, worked out once for every surface: the PDF page (engine/chart_pdf.cpp)
// and the SVG of the HTML page (engine/chart_svg.cpp) only draw what the painter places.
// Colours differ in lightness as well as hue, and series that share a picture also differ in
// hatching (bars, slices) or in dash and marker (lines), so a chart still reads when printed
// in black and white; bars and slices carry their figures as direct labels where they fit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/chart.h"

namespace orla::engine {

namespace pdf {
class Typesetter;
}

struct ChartColour {
  double r, g, b;
  bool operator==(const ChartColour&) const = default;
};

struct ChartPoint {
  double x, y;
};

enum class ChartFont { Title, Label, Small };
enum class ChartAlign { Left, Centre, Right };

// Hatchings, by number; 0 is none. Each is a set of parallel white lines at an angle.
struct Hatch {
  double angle;    // degrees from the horizontal
  double spacing;  // between lines
  bool crossed;    // a second set at a right angle
};
const Hatch* HatchOf(int pattern);

// How series `series` (in a share, category `category`) is filled: a chart of one series is
// plain, and "Outros" is always grey.
struct ChartLook {
  ChartColour colour;
  int pattern;
};
ChartLook LookOf(const ChartData& chart, size_t series, size_t category);

class ChartCanvas {
 public:
  virtual ~ChartCanvas() = default;

  virtual double TextWidth(const std::string& text, ChartFont font) = 0;
  virtual double LineHeight(ChartFont font) = 0;

  // `role` names what a shape stands for, for surfaces that keep it ("bar", "slice").
  virtual void Rect(double x, double y, double w, double h, const ChartColour& colour, int pattern,
                    const char* role) = 0;
  virtual void Polygon(const std::vector<ChartPoint>& points, const ChartColour& colour,
                       int pattern, const char* role) = 0;
  // An open line; dash 0 is solid.
  virtual void Polyline(const std::vector<ChartPoint>& points, const ChartColour& colour,
                        double width, int dash) = 0;
  // One line of text with its top at `top`, in a box of `width`; text is cut with "…" where
  // it does not fit, numbers (`number`) never are.
  virtual void Text(const std::string& text, ChartFont font, double x, double top, double width,
                    ChartAlign align, const ChartColour& colour, bool number) = 0;
};

// Dash patterns of lines, by number: on and off lengths, or empty for solid.
std::vector<double> DashOf(int dash);

// The height the chart takes at `width`.
double ChartHeight(const ChartData& chart, ChartCanvas& canvas, double width);
// Draws it with its top left corner at (x, y).
void PaintChart(const ChartData& chart, ChartCanvas& canvas, double x, double y, double width);

// A canvas that sets the texts with the typesetter, in the report's own fonts, as on the PDF
// page, and draws no shapes: for a surface that draws the shapes its own way.
std::unique_ptr<ChartCanvas> TypesetChartTexts(pdf::Typesetter& type);

}  // namespace orla::engine
