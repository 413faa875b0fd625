// XLSX: numbers as numeric cells with number formats, dates as dates, the column headers
// frozen, groups as outline levels, columns as wide as their texts, and on every printed page
// a foot that says when it was printed. Rows stream to the file (constant-memory mode); the
// document date is the print time, which SOURCE_DATE_EPOCH fixes for the same bytes.
#include <algorithm>
#include <map>
#include <set>

#include <xlsxwriter.h>

#include "engine/chart.h"
#include "engine/chart_draw.h"
#include "engine/document.h"
#include "engine/text_util.h"
#include "engine/writers.h"
#include "host/errors.h"

namespace orla::engine {

namespace {

enum class Style { Plain, Header, Group, Subtotal, Total };

std::string NumberFormat(const FieldFormat& format) {
  std::string places;
  if (format.decimals > 0) {
    places.append(1, '.').append(static_cast<size_t>(format.decimals), '0');
  }
  switch (format.kind) {
    case FormatKind::Integer:
      return "#,##0";
    case FormatKind::Percent:
      return std::string("0").append(places).append("%");
    case FormatKind::Date:
      return "dd/mm/yyyy";
    case FormatKind::DateTime:
      return "dd/mm/yyyy hh:mm";
    case FormatKind::Time:
      return "hh:mm:ss";
    default:
      return format.IsNumeric() ? std::string("#,##0").append(places) : std::string();
  }
}

// Excel's rules for sheet names: at most 31 characters, none of []:*?/\, unique.
std::string SheetName(const std::string& wanted, std::set<std::string>& used) {
  std::string clean;
  for (char c : wanted) {
    if (std::string_view("[]:*?/\\").find(c) == std::string_view::npos) {
      clean += c;
    }
  }
  if (clean.empty()) {
    clean = "Relatório";
  }
  std::string name(LeadingCharacters(clean, 31));
  for (int n = 2; used.count(name) != 0; ++n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    name = std::string(LeadingCharacters(clean, 31 - suffix.size())) + suffix;
  }
  used.insert(name);
  return name;
}

// A header or footer text of Excel's: "&" starts a code, so a literal one is doubled.
std::string PageText(std::string_view text) {
  std::string result;
  for (char c : text) {
    result += c;
    if (c == '&') {
      result += '&';
    }
  }
  return result;
}

class XlsxWriter final : public DocumentWriter {
 public:
  XlsxWriter(const std::filesystem::path& path, const PrintTime& printed) : printed_(printed) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    workbook_ = workbook_new_opt(path.string().c_str(), &options);
    if (workbook_ == nullptr) {
      throw host::HostError(host::error_number::kInvalidProcedureCall,
                            "Cannot write " + path.string(), "Report engine");
    }
  }

  ~XlsxWriter() override {
    if (workbook_ != nullptr) {
      workbook_close(workbook_);
    }
  }

  void Close() {
    FinishSheet();
    const lxw_error error = workbook_close(workbook_);
    workbook_ = nullptr;
    if (error != LXW_NO_ERROR) {
      throw host::HostError(host::error_number::kInvalidProcedureCall,
                            std::string("Cannot write the spreadsheet: ") + lxw_strerror(error),
                            "Report engine");
    }
  }

  void Begin(const DocumentHead& head) override {
    head_ = head;
    lxw_doc_properties properties{};
    properties.title = head_.title.data();
    properties.subject = head_.caption.data();
    properties.author = head_.company.data();
    properties.created = printed_.epoch;
    workbook_set_properties(workbook_, &properties);
    // The application a workbook names is the spreadsheet's own; ours goes beside it.
    workbook_set_custom_property_string(workbook_, "Creator", kCreator.c_str());
    // At most 255 bytes with the page codes; a long user name is what gives way.
    footer_ = "&L" + PageText(LeadingCharacters(head_.printed, 160)) + "&RPágina &P de &N";
    NewSheet(head_.title);
    lxw_format* company = NewFormat();
    format_set_bold(company);
    lxw_format* title = NewFormat();
    format_set_bold(title);
    format_set_font_size(title, 14);
    format_set_font_color(title, 0x2F4B6E);
    lxw_format* note = NewFormat();
    format_set_font_color(note, 0x52606D);
    if (!head_.company.empty()) {
      WriteText(row_++, 0, head_.company, company);
    }
    WriteText(row_++, 0, head_.title, title);
    if (!head_.caption.empty()) {
      WriteText(row_++, 0, head_.caption, note);
    }
    for (const std::string& line : head_.pageHeaderLines) {
      WriteText(row_++, 0, line, note);
    }
    ++row_;
  }

  void Paragraph(const std::string& text, bool heading) override {
    if (heading) {
      // A subreport goes on a sheet of its own.
      NewSheet(text);
      lxw_format* title = NewFormat();
      format_set_bold(title);
      format_set_font_size(title, 12);
      format_set_font_color(title, 0x2F4B6E);
      WriteText(row_++, 0, text, title);
      ++row_;
      return;
    }
    WriteText(row_++, 0, text, nullptr);
  }

  void BeginTable(const std::vector<TableColumn>& columns, const std::string&) override {
    columns_ = columns;
    for (size_t c = 0; c < columns.size(); ++c) {
      lxw_format* header = Format(Style::Header, columns[c].format);
      WriteText(row_, c, columns[c].caption, header);
      Widen(c, columns[c].caption);
    }
    if (!frozen_) {
      worksheet_freeze_panes(sheet_, static_cast<lxw_row_t>(row_ + 1), 0);
      frozen_ = true;
    }
    ++row_;
  }

  void GroupHeader(size_t level, const std::string& text) override {
    Outline(level);
    WriteText(row_, 0, text, Format(Style::Group, {}));
    for (size_t c = 1; c < columns_.size(); ++c) {
      worksheet_write_blank(sheet_, static_cast<lxw_row_t>(row_), static_cast<lxw_col_t>(c),
                            Format(Style::Group, {}));
    }
    ++row_;
  }

  void TableRow(RowKind kind, size_t level, const std::vector<Cell>& cells, size_t, bool) override {
    const Style style = kind == RowKind::Subtotal ? Style::Subtotal
                        : kind == RowKind::Total  ? Style::Total
                                                  : Style::Plain;
    Outline(kind == RowKind::Total ? 0 : level);
    // A total's label runs on over the empty cells after it.
    const bool runsOn = kind != RowKind::Detail && cells.size() > 1 && cells[1].text.empty();
    for (size_t c = 0; c < cells.size(); ++c) {
      const Cell& cell = cells[c];
      if (c > 0 || !runsOn) {
        Widen(c, cell.text);
      }
      const auto col = static_cast<lxw_col_t>(c);
      const auto row = static_cast<lxw_row_t>(row_);
      const host::Value& value = cell.value;
      if (value.GetKind() == host::Value::Kind::Double) {
        const double number =
            cell.format.kind == FormatKind::Percent ? value.AsDouble() / 100 : value.AsDouble();
        worksheet_write_number(sheet_, row, col, number, Format(style, cell.format));
      } else if (value.GetKind() == host::Value::Kind::Date) {
        const host::DateTime& d = value.AsDate();
        lxw_datetime when{};
        if (cell.format.kind != FormatKind::Time) {
          when.year = d.Year();
          when.month = d.Month();
          when.day = d.Day();
        }
        when.hour = d.Hour();
        when.min = d.Minute();
        when.sec = d.Second();
        worksheet_write_datetime(sheet_, row, col, &when, Format(style, cell.format));
      } else if (!cell.text.empty()) {
        WriteText(row_, c, cell.text, Format(style, {}));
      } else if (style != Style::Plain) {
        worksheet_write_blank(sheet_, row, col, Format(style, {}));
      }
    }
    ++row_;
  }

  void EndTable() override { ++row_; }

  // A sheet of its own, so that the chart and its numbers never cover the table.
  void Chart(const ChartData& chart) override {
    const std::string name = SheetName(chart.title.empty() ? "Gráfico" : chart.title, sheetNames_);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook_, name.c_str());
    if (sheet == nullptr) {
      throw host::HostError(host::error_number::kInvalidProcedureCall,
                            "Cannot add the worksheet " + name, "Report engine");
    }
    WriteXlsxChart(workbook_, sheet, name, chart);
  }

  void End() override {
    for (const std::string& line : head_.pageFooterLines) {
      WriteText(row_++, 0, line, nullptr);
    }
  }

 private:
  // What a column's widest text needs, in characters of the default font.
  void Widen(size_t column, const std::string& text) {
    if (column >= widths_.size()) {
      widths_.resize(column + 1, 0);
    }
    widths_[column] = std::max(widths_[column], static_cast<double>(CharacterCount(text)));
  }

  // Columns are sized when the sheet's last row is known; the workbook writes them at close.
  void FinishSheet() {
    if (sheet_ == nullptr) {
      return;
    }
    for (size_t c = 0; c < widths_.size(); ++c) {
      // A little more than the characters, for bold totals and the cell's margins.
      const double width = std::clamp(widths_[c] * 1.1 + 2, 6.0, 80.0);
      worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width,
                           nullptr);
    }
    widths_.clear();
  }

  void NewSheet(const std::string& name) {
    FinishSheet();
    sheet_ = workbook_add_worksheet(workbook_, SheetName(name, sheetNames_).c_str());
    if (sheet_ == nullptr) {
      throw host::HostError(host::error_number::kInvalidProcedureCall,
                            "Cannot add the worksheet " + name, "Report engine");
    }
    worksheet_set_landscape(sheet_);
    worksheet_set_paper(sheet_, 9);  // A4
    worksheet_outline_settings(sheet_, LXW_TRUE, LXW_FALSE, LXW_FALSE, LXW_FALSE);
    worksheet_set_footer(sheet_, footer_.c_str());
    row_ = 0;
    frozen_ = false;
  }

  // Detail lines sit one level below their innermost group, so that each group collapses.
  void Outline(size_t level) {
    lxw_row_col_options options{};
    options.level = static_cast<uint8_t>(std::min<size_t>(level, 7));
    worksheet_set_row_opt(sheet_, static_cast<lxw_row_t>(row_), LXW_DEF_ROW_HEIGHT, nullptr,
                          &options);
  }

  void WriteText(size_t row, size_t col, const std::string& text, lxw_format* format) {
    worksheet_write_string(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col),
                           text.c_str(), format);
  }

  lxw_format* NewFormat() { return workbook_add_format(workbook_); }

  lxw_format* Format(Style style, const FieldFormat& field) {
    const std::string numberFormat = NumberFormat(field);
    const auto key = std::make_pair(static_cast<int>(style), numberFormat);
    if (auto it = formats_.find(key); it != formats_.end()) {
      return it->second;
    }
    lxw_format* format = NewFormat();
    if (!numberFormat.empty()) {
      format_set_num_format(format, numberFormat.c_str());
    }
    switch (style) {
      case Style::Plain:
        break;
      case Style::Header:
        format_set_bold(format);
        format_set_bg_color(format, 0xE4E9F0);
        format_set_bottom(format, LXW_BORDER_THIN);
        if (field.IsNumeric()) {
          format_set_align(format, LXW_ALIGN_RIGHT);
        }
        break;
      case Style::Group:
        format_set_bold(format);
        format_set_bg_color(format, 0xEDF1F6);
        break;
      case Style::Subtotal:
        format_set_bold(format);
        format_set_top(format, LXW_BORDER_THIN);
        break;
      case Style::Total:
        format_set_bold(format);
        format_set_top(format, LXW_BORDER_MEDIUM);
        format_set_bg_color(format, 0xE4E9F0);
        break;
    }
    formats_.emplace(key, format);
    return format;
  }

  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  PrintTime printed_;
  DocumentHead head_;
  std::string footer_;
  std::vector<double> widths_;
  std::set<std::string> sheetNames_;
  std::map<std::pair<int, std::string>, lxw_format*> formats_;
  std::vector<TableColumn> columns_;
  size_t row_ = 0;
  bool frozen_ = false;
};

}  // namespace

void RenderXlsx(const Report& report, const PrintTime& printed, const std::filesystem::path& out) {
  XlsxWriter writer(out, printed);
  WriteDocument(report, writer, {printed.shown, nullptr});
  writer.Close();
}

}  // namespace orla::engine
