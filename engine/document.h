// The shape every paged or tabular renderer (PDF, HTML, XLSX, text) receives: the report
// walked once, section by section, as a sequence of writer calls. The walk reads the rows
// as a stream; a writer that needs two passes (the PDF counts its pages first) walks twice.
#pragma once

#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/layout.h"
#include "engine/report.h"
#include "host/value.h"

namespace orla::engine {

enum class Align { Left, Right };

struct ChartData;  // engine/chart.h

struct TableColumn {
  std::string caption;
  double width = 10;  // relative
  Align align = Align::Left;
  FieldFormat format;
  int wrapLines = 1;
  bool bar = false;  // detail cells draw their percent as a bar as well
};

struct Cell {
  std::string text;
  // The typed value behind a number or date, for writers that keep types (spreadsheets);
  // null for plain text. `format` is how it prints.
  host::Value value;
  FieldFormat format;
};

enum class RowKind {
  Detail,
  Summary,   // one line for a group, in a layout without details
  Subtotal,  // a group's totals
  Total,     // the report's totals
};

struct DocumentHead {
  std::string layoutName;
  std::string title;
  std::string description;
  Orientation orientation = Orientation::Portrait;
  std::string company;  // header line 0
  std::string caption;  // header line 1
  std::vector<std::string> pageHeaderLines;
  std::vector<std::string> pageFooterLines;
};

class DocumentWriter {
 public:
  virtual ~DocumentWriter() = default;

  virtual void Begin(const DocumentHead& head) = 0;
  // A line of text between tables; a heading introduces a subreport.
  virtual void Paragraph(const std::string& text, bool heading) = 0;
  // How many of the columns after the first `fixed` fit beside those (at least one). A
  // cross-tab wider than that is printed in bands; writers without a page width take all.
  virtual size_t ColumnsThatFit(const std::vector<TableColumn>& columns, size_t fixed) {
    return columns.size() - fixed;
  }
  // `name` names the table (the report or subreport title).
  virtual void BeginTable(const std::vector<TableColumn>& columns, const std::string& name) = 0;
  virtual void GroupHeader(size_t level, const std::string& text) = 0;
  // Whether the detail rows of the current table must carry the cells of this column; a
  // writer that only measures the rows gets the others empty, which spares formatting them.
  virtual bool NeedsCells(size_t /*column*/) const { return true; }
  // In Summary, Subtotal and Total rows the first cell is a label that may run on over the
  // empty cells after it. `stripe` alternates the shading of detail lines; `keepWithNext`
  // asks not to break the page after this row (a group's last line and its totals).
  virtual void TableRow(RowKind kind, size_t level, const std::vector<Cell>& cells, size_t stripe,
                        bool keepWithNext) = 0;
  virtual void EndTable() = 0;
  // A chart of the report's rows, where its section stands; writers of text draw none.
  virtual void Chart(const ChartData& /*chart*/) {}
  virtual void End() = 0;
};

// Walks the report: report header sections, the body (groups, details and totals, or the
// cross-tab), report footer sections and subreports where their sections stand.
void WriteDocument(const Report& report, DocumentWriter& writer);

}  // namespace orla::engine
