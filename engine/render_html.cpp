// One self-contained HTML file: readable on screen, and printed with the same content (the
// column headers repeat on every printed page).
#include <algorithm>
#include <cstdio>

#include "engine/chart_draw.h"
#include "engine/document.h"
#include "engine/text_util.h"
#include "engine/writers.h"

namespace orla::engine {

namespace {

constexpr std::string_view kStyle = R"(
body { font-family: "DejaVu Sans", "Segoe UI", Arial, sans-serif; font-size: 12px;
       color: #1f2933; margin: 24px; }
header.page { border-bottom: 2px solid #2f4b6e; padding-bottom: 6px; margin-bottom: 12px; }
header.page .company { font-weight: bold; font-size: 13px; }
header.page h1 { font-size: 20px; color: #2f4b6e; margin: 4px 0 2px; }
header.page .caption, header.page .note { color: #52606d; }
h2 { font-size: 15px; color: #2f4b6e; margin: 20px 0 4px; }
p { margin: 4px 0; }
table { border-collapse: collapse; width: 100%; margin: 8px 0 18px; }
th { background: #e4e9f0; color: #1f2933; text-align: left; padding: 5px 6px;
     border-bottom: 1px solid #9aa5b1; font-size: 11px; }
th.num, td.num { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
td { padding: 3px 6px; vertical-align: top; }
td.bar { background-image: linear-gradient(#8ba2bf, #8ba2bf); background-repeat: no-repeat;
         background-position: 6px center; }
tr.stripe td { background: #f5f7fa; }
td a { color: inherit; text-decoration: underline dotted; }
tr.group td { font-weight: bold; background: #edf1f6; padding-top: 7px; }
tr.group.level1 td { background: none; padding-left: 18px; }
tr.summary td { border-bottom: 1px solid #e4e7eb; }
tr.subtotal td { font-weight: bold; border-top: 1px solid #9aa5b1; }
tr.total td { font-weight: bold; border-top: 2px solid #2f4b6e; background: #e4e9f0; }
footer { color: #7b8794; font-size: 11px; margin-top: 16px; }
thead { display: table-header-group; }
tr { page-break-inside: avoid; }
@media print { body { margin: 0; } }
)";

class HtmlWriter final : public DocumentWriter {
 public:
  explicit HtmlWriter(std::ostream& out) : out_(out) {}

  void Begin(const DocumentHead& head) override {
    const bool landscape = head.orientation == Orientation::Landscape;
    out_ << "<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n"
         << "<title>" << MarkupEscape(head.title) << "</title>\n";
    if (!head.description.empty()) {
      out_ << "<meta name=\"description\" content=\"" << MarkupEscape(head.description) << "\">\n";
    }
    out_ << "<style>\n@page { size: A4 " << (landscape ? "landscape" : "portrait")
         << "; margin: 12mm; }" << kStyle << "</style>\n</head>\n<body>\n<header class=\"page\">\n";
    if (!head.company.empty()) {
      out_ << "<div class=\"company\">" << MarkupEscape(head.company) << "</div>\n";
    }
    out_ << "<h1>" << MarkupEscape(head.title) << "</h1>\n";
    if (!head.caption.empty()) {
      out_ << "<div class=\"caption\">" << MarkupEscape(head.caption) << "</div>\n";
    }
    for (const std::string& line : head.pageHeaderLines) {
      out_ << "<div class=\"note\">" << MarkupEscape(line) << "</div>\n";
    }
    out_ << "</header>\n";
    footer_ = head.pageFooterLines;
    // A4 less the PDF's margins, in points.
    chartWidth_ = landscape ? 785.89 : 539.28;
    footer_.push_back(head.printed);
  }

  void Paragraph(const std::string& text, bool heading) override {
    out_ << (heading ? "<h2>" : "<p>") << MarkupEscape(text) << (heading ? "</h2>\n" : "</p>\n");
  }

  void BeginTable(const std::vector<TableColumn>& columns, const std::string&) override {
    columns_ = columns;
    out_ << "<table>\n<thead><tr>";
    for (const TableColumn& c : columns) {
      out_ << (c.align == Align::Right ? "<th class=\"num\">" : "<th>") << MarkupEscape(c.caption)
           << "</th>";
    }
    out_ << "</tr></thead>\n<tbody>\n";
  }

  void GroupHeader(size_t level, const std::string& text) override {
    out_ << "<tr class=\"group level" << level << "\"><td colspan=\"" << columns_.size() << "\">"
         << MarkupEscape(text) << "</td></tr>\n";
  }

  void TableRow(RowKind kind, size_t, const std::vector<Cell>& cells, size_t stripe,
                bool) override {
    switch (kind) {
      case RowKind::Detail:
        out_ << (stripe % 2 == 0 ? "<tr class=\"stripe\">" : "<tr>");
        break;
      case RowKind::Summary:
        out_ << "<tr class=\"summary\">";
        break;
      case RowKind::Subtotal:
        out_ << "<tr class=\"subtotal\">";
        break;
      case RowKind::Total:
        out_ << "<tr class=\"total\">";
        break;
    }
    size_t i = 0;
    if (kind != RowKind::Detail && !cells.empty()) {
      size_t span = 1;
      while (span < cells.size() && cells[span].text.empty() &&
             columns_[span].align == Align::Left) {
        ++span;
      }
      out_ << "<td" << (span > 1 ? " colspan=\"" + std::to_string(span) + "\"" : "") << ">"
           << MarkupEscape(cells[0].text) << "</td>";
      i = span;
    }
    for (; i < cells.size(); ++i) {
      const host::Value& value = cells[i].value;
      if (kind == RowKind::Detail && columns_[i].bar &&
          value.GetKind() == host::Value::Kind::Double) {
        // The bar fills up to 60% of the cell, leaving the figure room on the right.
        const double share = std::clamp(value.AsDouble() / 100.0, 0.0, 1.0);
        char size[48];
        std::snprintf(size, sizeof size, "%.1f%% 0.7em", share * 60.0);
        out_ << "<td class=\"num bar\" style=\"background-size: " << size << "\">"
             << MarkupEscape(cells[i].text) << "</td>";
        continue;
      }
      out_ << (columns_[i].align == Align::Right ? "<td class=\"num\">" : "<td>");
      if (cells[i].link.empty()) {
        out_ << MarkupEscape(cells[i].text);
      } else {
        out_ << "<a href=\"" << MarkupEscape(cells[i].link) << "\">" << MarkupEscape(cells[i].text)
             << "</a>";
      }
      out_ << "</td>";
    }
    out_ << "</tr>\n";
  }

  void EndTable() override { out_ << "</tbody>\n</table>\n"; }

  void Chart(const ChartData& chart) override {
    WriteChartHtml(out_, chart, ++charts_, chartWidth_);
  }

  void End() override {
    out_ << "<footer>\n";
    for (const std::string& line : footer_) {
      out_ << "<div>" << MarkupEscape(line) << "</div>\n";
    }
    out_ << "</footer>\n</body>\n</html>\n";
  }

 private:
  std::ostream& out_;
  std::vector<TableColumn> columns_;
  std::vector<std::string> footer_;
  double chartWidth_ = 0;
  int charts_ = 0;
};

}  // namespace

void RenderHtml(const Report& report, const PrintTime& printed, std::ostream& out) {
  HtmlWriter writer(out);
  WriteDocument(report, writer, {printed.shown, nullptr});
}

}  // namespace orla::engine
