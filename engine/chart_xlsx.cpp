// The chart of a workbook: Excel draws it from cells, so the sheet first holds the chart's
// numbers (the categories and series the PDF shows, "Outros" included) and the chart's series
// point at those cells; a reader who changes them sees the chart follow.
#include <cmath>
#include <vector>

#include <xlsxwriter.h>

#include "engine/chart_draw.h"
#include "engine/chart_paint.h"
#include "host/errors.h"

namespace orla::engine {

namespace {

lxw_color_t Rgb(const ChartColour& c) {
  const auto byte = [](double v) { return static_cast<lxw_color_t>(std::lround(v * 255)); };
  return (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

std::string NumberFormat(const FieldFormat& format) {
  std::string places = format.decimals > 0 ? "." + std::string(format.decimals, '0') : "";
  if (format.kind == FormatKind::Percent) {
    return "0" + places + "%";
  }
  return "#,##0" + places;
}

// Excel's own hatchings nearest to the chart's, white over the series' colour. Each covers
// about half, as LibreOffice draws the lighter ones with their colours swapped.
uint8_t PatternType(int pattern) {
  static constexpr uint8_t kTypes[] = {
      LXW_CHART_PATTERN_WIDE_DOWNWARD_DIAGONAL,
      LXW_CHART_PATTERN_DARK_HORIZONTAL,
      LXW_CHART_PATTERN_WIDE_UPWARD_DIAGONAL,
      LXW_CHART_PATTERN_DARK_VERTICAL,
      LXW_CHART_PATTERN_SMALL_CHECK,
      LXW_CHART_PATTERN_LARGE_CHECK,
      LXW_CHART_PATTERN_DARK_DOWNWARD_DIAGONAL,
  };
  return kTypes[static_cast<size_t>(pattern - 1) % std::size(kTypes)];
}

uint8_t ChartType(const ChartData& chart) {
  switch (chart.kind) {
    case ChartKind::Bar:
      return chart.horizontal ? LXW_CHART_BAR : LXW_CHART_COLUMN;
    case ChartKind::StackedBar:
      return chart.horizontal ? LXW_CHART_BAR_STACKED : LXW_CHART_COLUMN_STACKED;
    case ChartKind::Line:
      return LXW_CHART_LINE;
    case ChartKind::Share:
      return LXW_CHART_DOUGHNUT;
  }
  return LXW_CHART_COLUMN;
}

}  // namespace

void WriteXlsxChart(lxw_workbook* workbook, lxw_worksheet* sheet, const std::string& sheetName,
                    const ChartData& chart) {
  lxw_format* title = workbook_add_format(workbook);
  format_set_bold(title);
  format_set_font_size(title, 12);
  format_set_font_color(title, 0x2F4B6E);
  lxw_format* note = workbook_add_format(workbook);
  format_set_font_color(note, 0x52606D);
  lxw_format* header = workbook_add_format(workbook);
  format_set_bold(header);
  format_set_bg_color(header, 0xE4E9F0);
  format_set_bottom(header, LXW_BORDER_THIN);
  lxw_format* number = workbook_add_format(workbook);
  format_set_num_format(number, NumberFormat(chart.format).c_str());
  lxw_format* share = workbook_add_format(workbook);
  format_set_num_format(share, "0.0%");

  const bool shares = chart.kind == ChartKind::Share;
  const size_t columns = 1 + chart.series.size() + (shares ? 1 : 0);
  worksheet_set_column(sheet, 0, 0, 30, nullptr);
  worksheet_set_column(sheet, 1, static_cast<lxw_col_t>(columns - 1), 15, nullptr);
  lxw_row_t row = 0;
  worksheet_write_string(sheet, row++, 0, chart.title.c_str(), title);
  for (const std::string& text : chart.notes) {
    worksheet_write_string(sheet, row++, 0, text.c_str(), note);
  }
  ++row;
  const lxw_row_t head = row++;
  worksheet_write_string(sheet, head, 0, chart.categoryCaption.c_str(), header);
  for (size_t s = 0; s < chart.series.size(); ++s) {
    worksheet_write_string(sheet, head, static_cast<lxw_col_t>(1 + s), chart.series[s].name.c_str(),
                           header);
  }
  if (shares) {
    worksheet_write_string(sheet, head, static_cast<lxw_col_t>(columns - 1), "Participação",
                           header);
  }
  for (size_t c = 0; c < chart.categories.size(); ++c, ++row) {
    worksheet_write_string(sheet, row, 0, chart.categories[c].c_str(), nullptr);
    for (size_t s = 0; s < chart.series.size(); ++s) {
      double value = chart.series[s].values[c].ToDouble();
      if (chart.format.kind == FormatKind::Percent) {
        value /= 100;
      }
      worksheet_write_number(sheet, row, static_cast<lxw_col_t>(1 + s), value, number);
    }
    if (shares) {
      worksheet_write_number(sheet, row, static_cast<lxw_col_t>(columns - 1),
                             chart.shares[c].ToDouble() / 100, share);
    }
  }
  if (chart.categories.empty()) {
    return;
  }
  const lxw_row_t first = head + 1;
  const lxw_row_t last = row - 1;

  lxw_chart* picture = workbook_add_chart(workbook, ChartType(chart));
  // libxlsxwriter copies fills, patterns and points as they are set.
  std::vector<lxw_chart_point> points(chart.categories.size());
  std::vector<lxw_chart_fill> fills(chart.categories.size());
  std::vector<lxw_chart_pattern> patterns(chart.categories.size());
  std::vector<lxw_chart_point*> pointList;
  for (size_t s = 0; s < chart.series.size(); ++s) {
    lxw_chart_series* series = chart_add_series(picture, nullptr, nullptr);
    chart_series_set_categories(series, sheetName.c_str(), first, 0, last, 0);
    chart_series_set_values(series, sheetName.c_str(), first, static_cast<lxw_col_t>(1 + s), last,
                            static_cast<lxw_col_t>(1 + s));
    chart_series_set_name_range(series, sheetName.c_str(), head, static_cast<lxw_col_t>(1 + s));
    if (shares) {
      for (size_t c = 0; c < chart.categories.size(); ++c) {
        const ChartLook look = LookOf(chart, 0, c);
        fills[c] = lxw_chart_fill{Rgb(look.colour), 0, 0};
        points[c] = lxw_chart_point{nullptr, &fills[c], nullptr};
        if (look.pattern > 0) {
          patterns[c] = lxw_chart_pattern{0xFFFFFF, Rgb(look.colour), PatternType(look.pattern)};
          points[c].pattern = &patterns[c];
        }
        pointList.push_back(&points[c]);
      }
      pointList.push_back(nullptr);
      chart_series_set_points(series, pointList.data());
      chart_series_set_labels(series);
      chart_series_set_labels_options(series, LXW_FALSE, LXW_FALSE, LXW_FALSE);
      chart_series_set_labels_percentage(series);
      continue;
    }
    const ChartLook look = LookOf(chart, s, 0);
    if (chart.kind == ChartKind::Line) {
      const int dash = s == 0 ? LXW_CHART_LINE_DASH_SOLID
                              : LXW_CHART_LINE_DASH_DASH + static_cast<int>((s - 1) % 6);
      lxw_chart_line line{Rgb(look.colour), 0, 1.75f, static_cast<uint8_t>(dash), 0};
      chart_series_set_line(series, &line);
      chart_series_set_marker_type(series, static_cast<uint8_t>(LXW_CHART_MARKER_SQUARE + s % 8));
      continue;
    }
    if (look.pattern > 0) {
      lxw_chart_pattern pattern{0xFFFFFF, Rgb(look.colour), PatternType(look.pattern)};
      chart_series_set_pattern(series, &pattern);
    } else {
      lxw_chart_fill fill{Rgb(look.colour), 0, 0};
      chart_series_set_fill(series, &fill);
    }
    if (chart.series.size() == 1) {
      chart_series_set_labels(series);
      chart_series_set_labels_num_format(series, NumberFormat(chart.format).c_str());
    }
  }
  if (!chart.title.empty()) {
    chart_title_set_name(picture, chart.title.c_str());
  } else {
    chart_title_off(picture);
  }
  chart_legend_set_position(picture, shares                    ? LXW_CHART_LEGEND_RIGHT
                                     : chart.series.size() > 1 ? LXW_CHART_LEGEND_BOTTOM
                                                               : LXW_CHART_LEGEND_NONE);
  if (!shares) {
    // In a bar chart along the page libxlsxwriter's x axis holds the values, its y axis the
    // categories, which Excel lists from the bottom: the first belongs at the top, as printed.
    lxw_chart_axis* values = chart.horizontal ? picture->x_axis : picture->y_axis;
    chart_axis_set_num_format(values, NumberFormat(chart.format).c_str());
    if (chart.horizontal) {
      chart_axis_set_reverse(picture->y_axis);
    }
  }
  lxw_chart_options options{};
  options.x_scale = 1.6;
  options.y_scale =
      chart.horizontal ? std::max(1.3, 0.1 * static_cast<double>(chart.categories.size())) : 1.3;
  const std::string description = chart.title;
  options.description = const_cast<char*>(description.c_str());
  const lxw_error error = worksheet_insert_chart_opt(
      sheet, head, static_cast<lxw_col_t>(columns + 1), picture, &options);
  if (error != LXW_NO_ERROR) {
    throw host::HostError(host::error_number::kInvalidProcedureCall,
                          std::string("Cannot place the chart: ") + lxw_strerror(error),
                          "Report engine");
  }
}

}  // namespace orla::engine
