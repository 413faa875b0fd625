// A chart on each surface the engine writes: SVG inside the HTML page, vector drawing on the
// PDF page, a native chart in the XLSX workbook. Text, CSV and JSON carry the rows only.
#pragma once

#include <ostream>
#include <string>

#include "engine/chart.h"

struct lxw_workbook;
struct lxw_worksheet;

namespace orla::engine {

namespace pdf {
class Typesetter;
}

// A figure holding the chart as SVG and, for screen readers, its numbers as a table.
// `number` tells the charts of one page apart.
void WriteChartHtml(std::ostream& out, const ChartData& chart, int number, double width);

// The height the chart takes on a PDF page, and its drawing there: page operators to paint
// over the page's backgrounds, its texts going to the typesetter like every other text.
double PdfChartHeight(pdf::Typesetter& type, const ChartData& chart, double width);
std::string DrawPdfChart(pdf::Typesetter& type, const ChartData& chart, double x, double y,
                         double width);

// The chart on an SVG page: its shapes as SVG elements whose ids begin with `prefix`, its
// texts set by the typesetter in the PDF's places.
std::string DrawSvgPageChart(pdf::Typesetter& type, const ChartData& chart, double x, double y,
                             double width, const std::string& prefix);

// On a sheet of its own: the chart's numbers as a small table, and a native chart whose
// series point at the cells of that table.
void WriteXlsxChart(lxw_workbook* workbook, lxw_worksheet* sheet, const std::string& sheetName,
                    const ChartData& chart);

}  // namespace orla::engine
