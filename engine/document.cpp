#include "engine/document.h"

#include <algorithm>
#include <numeric>

#include "engine/chart.h"
#include "engine/crosstab.h"
#include "engine/render_context.h"

namespace orla::engine {

namespace {

TableColumn ColumnOf(const FieldDef& field) {
  TableColumn column;
  column.caption = field.caption;
  column.width = field.width;
  column.align = field.format.IsNumeric() ? Align::Right : Align::Left;
  column.format = field.format;
  column.wrapLines = field.wrapLines;
  column.bar = field.bar;
  column.total = field.total;
  return column;
}

Cell NumberCell(const Decimal& number, const FieldFormat& format) {
  return Cell{FormatNumber(number, format), host::Value(number.ToDouble()), format, {}};
}

Cell FieldCell(const RenderContext& context, size_t field, const host::Value& value) {
  const FieldDef& def = context.GetLayout().fields[field];
  const FieldFormat& format = def.format;
  if (!def.labels.empty()) {
    Cell cell{context.Text(field, value), host::Value(), format, {}};
    if (cell.text != FormatValue(value, format)) {
      return cell;  // a label in place of the stored code
    }
  }
  // Read once: the number gives both the text and the typed value.
  if (format.IsNumeric() && !value.IsNull()) {
    if (auto number = NumberOf(value, format.decimals)) {
      return Cell{FormatNumber(*number, format), host::Value(number->ToDouble()), format, {}};
    }
  }
  Cell cell{FormatValue(value, format), host::Value(), format, {}};
  if (format.IsDateOrTime()) {
    if (auto date = DateOf(value)) {
      cell.value = *date;
    }
  }
  return cell;
}

size_t FirstChangedGroup(const Layout& layout, const Row& a, const Row& b) {
  for (size_t level = 0; level < layout.groups.size(); ++level) {
    const size_t field = layout.groups[level].field;
    if (CompareValues(a[field], b[field]) != 0) {
      return level;
    }
  }
  return layout.groups.size();
}

// The address a cell of `field` opens, from the values `valueOf` finds; empty for none. A
// template, so that a report without links makes no function object per cell.
template <typename ValueOf>
std::string LinkOf(const RenderContext& context, size_t field, const ValueOf& valueOf) {
  const CellLinks* links = context.GetReport().Links().get();
  const std::string& id = context.GetLayout().fields[field].id;
  if (links == nullptr || std::ranges::find(links->fields, id) == links->fields.end()) {
    return {};
  }
  return links->address(id, valueOf);
}

class Walker {
 public:
  Walker(DocumentWriter& writer, const ColumnWidths* widths) : writer_(writer), widths_(widths) {}

  void WriteReport(const Report& report, bool subreport) {
    RenderContext context(report);
    const Layout& layout = context.GetLayout();
    auto rows = context.OpenRows();
    if (subreport) {
      // A subreport with nothing to show takes no room at all.
      rows->Rewind();
      Row first;
      if (!rows->Next(first)) {
        return;
      }
      writer_.Paragraph(report.Title(), true);
    }
    ChartSet charts(context);
    RowSource& body = charts.Watch(*rows);
    WriteSections(context, report, SectionKind::ReportHeader, charts);
    const SectionDef* totals = nullptr;
    for (const SectionDef& section : layout.sections) {
      if (section.kind == SectionKind::ReportFooter && section.totals && totals == nullptr) {
        totals = &section;
      }
    }
    if (layout.crosstab) {
      WriteCrossTab(context, body, report.Title());
    } else {
      WriteFlow(context, body, report.Title(), totals);
    }
    WriteSections(context, report, SectionKind::ReportFooter, charts);
  }

 private:
  // The next table's columns take what the measuring walk found they need; both walks meet
  // the same tables in the same order.
  void Measured(std::vector<TableColumn>& columns) {
    const size_t table = table_++;
    if (widths_ == nullptr || table >= widths_->size() ||
        (*widths_)[table].size() != columns.size()) {
      return;
    }
    for (size_t i = 0; i < columns.size(); ++i) {
      columns[i].content = (*widths_)[table][i];
    }
  }

  void WriteSections(const RenderContext& context, const Report& report, SectionKind kind,
                     const ChartSet& charts) {
    for (const SectionDef& section : context.GetLayout().sections) {
      if (section.kind != kind) {
        continue;
      }
      for (const Template& line : section.lines) {
        if (auto text = context.Expand(line, nullptr)) {
          writer_.Paragraph(*text, false);
        }
      }
      if (section.chart) {
        if (const auto chart = charts.Of(section); chart && chart->Shows()) {
          writer_.Chart(*chart);
        }
      }
      if (!section.subreport.empty()) {
        WriteReport(*report.Subreport(section.subreport), true);
      }
    }
  }

  std::vector<Cell> TotalCells(const RenderContext& context, const std::string& label,
                               const Totals& totals) {
    std::vector<Cell> cells;
    for (size_t field : context.PrintedFields()) {
      if (auto total = totals.Of(field)) {
        cells.push_back(NumberCell(total->first, total->second));
      } else {
        cells.push_back(Cell{});
      }
    }
    if (!cells.empty() && cells.front().text.empty()) {
      cells.front().text = label;
    }
    return cells;
  }

  void WriteFlow(const RenderContext& context, RowSource& rows, const std::string& name,
                 const SectionDef* totalsSection) {
    const Layout& layout = context.GetLayout();
    const std::vector<size_t>& printed = context.PrintedFields();
    std::vector<TableColumn> columns;
    bool anyTotals = false;
    for (size_t field : printed) {
      columns.push_back(ColumnOf(layout.fields[field]));
      anyTotals = anyTotals || layout.fields[field].total != TotalKind::None;
    }
    Measured(columns);
    writer_.BeginTable(columns, name);

    const size_t levels = layout.groups.size();
    // Without details the innermost group prints as one summary line instead of a header.
    const size_t headerLevels = layout.details ? levels : levels - 1;
    std::vector<std::vector<const Template*>> headerLines(levels);
    for (const SectionDef& section : layout.sections) {
      if (section.kind == SectionKind::GroupHeader) {
        for (const Template& line : section.lines) {
          headerLines[section.group].push_back(&line);
        }
      }
    }
    std::vector<Totals> groupTotals(levels, Totals(context));
    std::vector<Row> firstRows(levels);
    Totals grand(context);
    Totals rowTotals(context);

    rows.Rewind();
    Row row;
    Row next;
    bool haveRow = rows.Next(row);
    size_t opening = 0;
    int64_t number = 0;
    size_t summaries = 0;
    while (haveRow) {
      context.Compute(row, ++number);
      for (size_t level = opening; level < levels; ++level) {
        firstRows[level] = row;
        groupTotals[level].Reset();
        if (level < headerLevels) {
          writer_.GroupHeader(level,
                              context.Expand(layout.groups[level].header, &row).value_or(""));
          for (const Template* line : headerLines[level]) {
            writer_.GroupHeader(level, context.Expand(*line, &row).value_or(""));
          }
        }
      }
      const bool haveNext = rows.Next(next);
      const size_t changed = haveNext ? FirstChangedGroup(layout, row, next) : 0;
      const size_t ending = levels - changed;
      // The report's last lines stay with the grand total under them.
      const bool totalFollows = !haveNext && totalsSection != nullptr && anyTotals;
      rowTotals.Reset();
      rowTotals.Add(row);
      grand.Add(rowTotals);
      for (Totals& totals : groupTotals) {
        totals.Add(rowTotals);
      }
      if (layout.details) {
        std::vector<Cell> cells(printed.size());
        for (size_t i = 0; i < printed.size(); ++i) {
          if (writer_.NeedsCells(i)) {
            cells[i] = FieldCell(context, printed[i], row[printed[i]]);
            cells[i].link =
                LinkOf(context, printed[i], [&](std::string_view id) -> const host::Value* {
                  const std::optional<size_t> found = layout.FindField(id);
                  return found ? &row[*found] : nullptr;
                });
          }
        }
        writer_.TableRow(RowKind::Detail, levels, cells, static_cast<size_t>(number),
                         (ending > 0 && anyTotals) || (levels == 0 && totalFollows));
      }
      for (size_t k = 0; k < ending; ++k) {
        const size_t level = levels - 1 - k;
        const bool more = k + 1 < ending;
        const GroupDef& group = layout.groups[level];
        if (!layout.details && level == levels - 1) {
          const std::string label = context.Expand(group.header, &firstRows[level]).value_or("");
          writer_.TableRow(RowKind::Summary, level, TotalCells(context, label, groupTotals[level]),
                           summaries++, more ? anyTotals : totalFollows);
        } else if (anyTotals) {
          const std::string label = context.Expand(group.footer, &firstRows[level]).value_or("");
          writer_.TableRow(RowKind::Subtotal, level, TotalCells(context, label, groupTotals[level]),
                           0, more || totalFollows);
        }
      }
      opening = changed;
      std::swap(row, next);
      haveRow = haveNext;
    }
    if (totalsSection != nullptr && anyTotals && grand.Rows() > 0) {
      const std::string label = context.Expand(totalsSection->totalsLabel, nullptr).value_or("");
      writer_.TableRow(RowKind::Total, 0, TotalCells(context, label, grand), 0, false);
    }
    writer_.EndTable();
  }

  void WriteCrossTab(const RenderContext& context, RowSource& rows, const std::string& name) {
    const Layout& layout = context.GetLayout();
    const CrossTabDef& def = *layout.crosstab;
    const CrossTab table = BuildCrossTab(context, rows);
    const size_t measures = table.measures;

    std::vector<TableColumn> fixed;
    for (size_t field : def.rowFields) {
      fixed.push_back(ColumnOf(layout.fields[field]));
    }
    if (measures > 1) {
      TableColumn measure;
      measure.width = 0;
      for (size_t field : def.measureFields) {
        measure.width = std::max(measure.width, layout.fields[field].width * 0.8);
      }
      fixed.push_back(measure);
    }
    std::vector<TableColumn> values;
    const FieldDef& first = layout.fields[def.measureFields.front()];
    double valueWidth = 0;
    for (size_t field : def.measureFields) {
      valueWidth = std::max(valueWidth, layout.fields[field].width);
    }
    for (const host::Value& key : table.columnKeys) {
      TableColumn column = ColumnOf(first);
      column.caption = context.Text(def.columnField, key);
      column.width = valueWidth;
      values.push_back(column);
    }
    TableColumn total = ColumnOf(first);
    total.caption = "Total";
    total.width = valueWidth;
    values.push_back(total);
    for (TableColumn& column : values) {
      column.total = TotalKind::Sum;  // a line's cells, and the lines of a measure totalled down
    }
    std::vector<TableColumn> all = fixed;
    all.insert(all.end(), values.begin(), values.end());
    Measured(all);
    std::copy(all.begin(), all.begin() + fixed.size(), fixed.begin());
    std::copy(all.begin() + fixed.size(), all.end(), values.begin());
    // Measures whose field says so are totalled down, by day and at the foot; the others
    // (litres beside units, say) only across, along their own line.
    std::vector<size_t> summed;
    for (size_t m = 0; m < measures; ++m) {
      if (layout.fields[def.measureFields[m]].total == TotalKind::Sum) {
        summed.push_back(m);
      }
    }

    const size_t keyColumns = table.columnKeys.size();
    std::vector<Decimal> zeros;
    for (size_t field : def.measureFields) {
      zeros.push_back(Decimal::FromInteger(0, layout.fields[field].format.decimals));
    }
    size_t start = 0;
    do {
      std::vector<TableColumn> remaining = fixed;
      remaining.insert(remaining.end(), values.begin() + start, values.end());
      const size_t fit = writer_.ColumnsThatFit(remaining, fixed.size());
      const size_t count = std::clamp<size_t>(fit, 1, values.size() - start);
      std::vector<TableColumn> band = fixed;
      band.insert(band.end(), values.begin() + start, values.begin() + start + count);
      writer_.BeginTable(band, name);

      auto valueCells = [&](std::vector<Cell>& cells, size_t m, auto cellAt, auto totalAt) {
        const FieldFormat& format = layout.fields[def.measureFields[m]].format;
        for (size_t v = start; v < start + count; ++v) {
          if (v < keyColumns) {
            const std::optional<Decimal> cell = cellAt(v);
            cells.push_back(cell ? NumberCell(*cell, format) : Cell{});
          } else {
            cells.push_back(NumberCell(totalAt(), format));
          }
        }
      };
      // With two or more row fields the rows group by the first (the day, say): its value
      // prints once, the group stays on one page and ends with its own totals.
      const size_t keys = def.rowFields.size();
      std::vector<std::vector<Decimal>> groupCells;
      std::vector<Decimal> groupTotals;
      auto sameAsAbove = [&](size_t r, size_t k) {
        for (size_t j = 0; r > 0 && j <= k; ++j) {
          if (CompareValues(table.rowKeys[r][j], table.rowKeys[r - 1][j]) != 0) {
            return false;
          }
        }
        return r > 0;
      };
      for (size_t r = 0; r < table.rowKeys.size(); ++r) {
        if (!sameAsAbove(r, 0)) {
          groupCells.assign(keyColumns, zeros);
          groupTotals = zeros;
        }
        const bool lastRow = r + 1 == table.rowKeys.size();
        const bool lastInGroup = lastRow || !sameAsAbove(r + 1, 0);
        for (size_t c = 0; c < keyColumns; ++c) {
          for (size_t m = 0; m < measures; ++m) {
            if (const auto& cell = table.cells[r][c * measures + m]) {
              groupCells[c][m] += *cell;
              groupTotals[m] += *cell;
            }
          }
        }
        // Every day ends with its totals, one line or many, so that the days add up to the
        // foot.
        const bool subtotal = keys > 1 && lastInGroup && !summed.empty();
        for (size_t m = 0; m < measures; ++m) {
          std::vector<Cell> cells;
          for (size_t k = 0; k < keys; ++k) {
            const bool repeated = k + 1 < keys && sameAsAbove(r, k);
            if (m > 0 || repeated) {
              cells.emplace_back();
              continue;
            }
            cells.push_back(FieldCell(context, def.rowFields[k], table.rowKeys[r][k]));
            cells.back().link =
                LinkOf(context, def.rowFields[k], [&](std::string_view id) -> const host::Value* {
                  for (size_t j = 0; j < keys; ++j) {
                    if (layout.fields[def.rowFields[j]].id == id) {
                      return &table.rowKeys[r][j];
                    }
                  }
                  return nullptr;
                });
          }
          if (measures > 1) {
            cells.push_back(Cell{layout.fields[def.measureFields[m]].caption, {}, {}, {}});
          }
          valueCells(
              cells, m, [&](size_t c) { return table.cells[r][c * measures + m]; },
              [&] { return table.rowTotals[r][m]; });
          // Totals follow the last row.
          const bool keep = m + 1 < measures || (keys > 1 && !lastInGroup) || subtotal ||
                            (lastRow && !summed.empty());
          writer_.TableRow(RowKind::Detail, 0, cells, r, keep);
        }
        for (size_t k = 0; subtotal && k < summed.size(); ++k) {
          const size_t m = summed[k];
          std::vector<Cell> cells(keys);
          if (k == 0) {
            cells.front().text =
                "Total " + FieldCell(context, def.rowFields[0], table.rowKeys[r][0]).text;
          }
          if (measures > 1) {
            cells.push_back(Cell{layout.fields[def.measureFields[m]].caption, {}, {}, {}});
          }
          valueCells(
              cells, m, [&](size_t c) { return std::optional<Decimal>(groupCells[c][m]); },
              [&] { return groupTotals[m]; });
          writer_.TableRow(RowKind::Subtotal, 0, cells, 0, k + 1 < summed.size() || lastRow);
        }
      }
      if (!table.rowKeys.empty()) {
        for (size_t k = 0; k < summed.size(); ++k) {
          const size_t m = summed[k];
          std::vector<Cell> cells(def.rowFields.size());
          cells.front().text = k == 0 ? "Total" : "";
          if (measures > 1) {
            cells.push_back(Cell{layout.fields[def.measureFields[m]].caption, {}, {}, {}});
          }
          valueCells(
              cells, m, [&](size_t c) { return std::optional<Decimal>(table.columnTotals[c][m]); },
              [&] { return table.grandTotals[m]; });
          writer_.TableRow(RowKind::Total, 0, cells, 0, k + 1 < summed.size());
        }
      }
      writer_.EndTable();
      start += count;
    } while (start < values.size());
  }

  DocumentWriter& writer_;
  const ColumnWidths* widths_;
  size_t table_ = 0;
};

// Records what every cell needs, table by table.
class MeasuringWriter final : public DocumentWriter {
 public:
  explicit MeasuringWriter(const TextMeasure& measure) : measure_(measure) {}

  ColumnWidths widths;

  void Begin(const DocumentHead&) override {}
  void Paragraph(const std::string&, bool) override {}
  void BeginTable(const std::vector<TableColumn>& columns, const std::string&) override {
    left_.clear();
    std::vector<double>& table = widths.emplace_back();
    for (const TableColumn& column : columns) {
      left_.push_back(column.align == Align::Left);
      table.push_back(column.caption.empty() ? 0 : measure_(column.caption, TextStyle::Caption));
    }
  }
  void GroupHeader(size_t, const std::string&) override {}
  void TableRow(RowKind kind, size_t, const std::vector<Cell>& cells, size_t, bool) override {
    std::vector<double>& table = widths.back();
    const bool detail = kind == RowKind::Detail;
    const TextStyle style = detail || kind == RowKind::Summary ? TextStyle::Body : TextStyle::Bold;
    // A label followed by an empty text cell runs on over it, as the writers print it.
    const bool runsOn = !detail && cells.size() > 1 && cells[1].text.empty() && left_[1];
    for (size_t i = runsOn ? 1 : 0; i < cells.size() && i < table.size(); ++i) {
      if (!cells[i].text.empty()) {
        table[i] = std::max(table[i], measure_(cells[i].text, style));
      }
    }
  }
  void EndTable() override {}
  void End() override {}

 private:
  const TextMeasure& measure_;
  std::vector<bool> left_;
};

std::string PrintedLine(const host::DateTime& at, const std::string& user) {
  auto two = [](int n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
  return "Impresso em " + two(at.Day()) + "/" + two(at.Month()) + "/" + std::to_string(at.Year()) +
         " " + two(at.Hour()) + ":" + two(at.Minute()) + (user.empty() ? "" : " por " + user);
}

}  // namespace

ColumnWidths MeasureColumns(const Report& report, const TextMeasure& measure) {
  MeasuringWriter writer(measure);
  Walker(writer, nullptr).WriteReport(report, false);
  return std::move(writer.widths);
}

std::vector<double> FitColumns(const std::vector<TableColumn>& columns, const ColumnFit& fit) {
  const double available = fit.available;
  const size_t n = columns.size();
  std::vector<double> widths(n, 0);
  std::vector<double> weights(n);
  bool measured = false;
  for (size_t i = 0; i < n; ++i) {
    weights[i] = std::max(columns[i].width, 1e-6);
    measured = measured || columns[i].content > 0;
  }
  auto share = [&](const std::vector<size_t>& which, double room) {
    double weight = 0;
    for (size_t i : which) {
      weight += weights[i];
    }
    for (size_t i : which) {
      widths[i] += room * weights[i] / weight;
    }
  };
  std::vector<size_t> all(n);
  std::iota(all.begin(), all.end(), size_t{0});
  if (!measured) {
    share(all, available);
    return widths;
  }
  std::vector<double> need(n);
  double needed = 0;
  double keptNeed = 0;
  std::vector<size_t> texts;
  for (size_t i = 0; i < n; ++i) {
    need[i] = columns[i].content + fit.padding;
    needed += need[i];
    if (columns[i].format.IsNumeric() || columns[i].format.IsDateOrTime()) {
      widths[i] = need[i];
      keptNeed += need[i];
    } else {
      texts.push_back(i);
    }
  }
  double room = available - keptNeed;
  if (needed <= available || (room <= 0 && !fit.squeezeNumbers)) {
    widths = need;
    if (fit.spread && needed < available) {
      share(all, available - needed);
    }
    return widths;
  }
  if (room <= 0 || texts.empty()) {
    // Not even the numbers fit: everything narrows alike (numbers are squeezed, never cut).
    for (size_t i = 0; i < n; ++i) {
      widths[i] = need[i] * available / needed;
    }
    return widths;
  }
  // Every text column takes what it needs up to a width common to all, the widest such that
  // they fit: only the widest texts are cut, and to the same width, whatever the layout's
  // relative widths (which would cut a short code for a long name's sake).
  std::sort(texts.begin(), texts.end(), [&](size_t a, size_t b) { return need[a] < need[b]; });
  for (size_t k = 0; k < texts.size(); ++k) {
    const double cap = room / static_cast<double>(texts.size() - k);
    if (need[texts[k]] > cap) {
      for (size_t j = k; j < texts.size(); ++j) {
        widths[texts[j]] = cap;
      }
      break;
    }
    widths[texts[k]] = need[texts[k]];
    room -= need[texts[k]];
  }
  return widths;
}

void WriteDocument(const Report& report, DocumentWriter& writer, const DocumentOptions& options) {
  DocumentHead head;
  const Layout& layout = report.GetLayout();
  head.title = report.Title();
  head.description = layout.description;
  head.orientation = layout.orientation;
  head.company = report.HeaderLines()[0];
  head.caption = report.HeaderLines()[1];
  if (!report.FiltersLine().empty()) {
    head.pageHeaderLines.push_back(report.FiltersLine());
  }
  RenderContext context(report);
  for (const SectionDef& section : layout.sections) {
    auto* lines = section.kind == SectionKind::PageHeader   ? &head.pageHeaderLines
                  : section.kind == SectionKind::PageFooter ? &head.pageFooterLines
                                                            : nullptr;
    if (lines == nullptr) {
      continue;
    }
    for (const Template& line : section.lines) {
      if (auto text = context.Expand(line, nullptr)) {
        lines->push_back(*text);
      }
    }
  }
  head.printed = PrintedLine(options.printedAt, report.PrintedBy());
  writer.Begin(head);
  Walker(writer, options.widths).WriteReport(report, false);
  writer.End();
}

}  // namespace orla::engine
