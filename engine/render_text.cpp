// Plain text for terminals: the page header once, then the tables in fixed-width columns as
// wide as their texts, and when it was printed at the end.
#include <algorithm>
#include <cmath>

#include "engine/document.h"
#include "engine/text_util.h"
#include "engine/writers.h"

namespace orla::engine {

namespace {

class TextWriter final : public DocumentWriter {
 public:
  explicit TextWriter(std::ostream& out) : out_(out) {}

  void Begin(const DocumentHead& head) override {
    lineWidth_ = head.orientation == Orientation::Landscape ? 160 : 110;
    if (!head.company.empty()) {
      out_ << head.company << '\n';
    }
    out_ << head.title << '\n';
    if (!head.caption.empty()) {
      out_ << head.caption << '\n';
    }
    for (const std::string& line : head.pageHeaderLines) {
      out_ << line << '\n';
    }
    out_ << std::string(lineWidth_, '=') << '\n';
    footer_ = head.pageFooterLines;
    footer_.push_back(head.printed);
  }

  void Paragraph(const std::string& text, bool heading) override {
    out_ << '\n' << text << '\n';
    if (heading) {
      out_ << std::string(CharacterCount(text), '-') << '\n';
    }
  }

  void BeginTable(const std::vector<TableColumn>& columns, const std::string&) override {
    columns_ = columns;
    const size_t available = lineWidth_ - (columns.empty() ? 0 : columns.size() - 1);
    widths_.clear();
    for (double width : FitColumns(columns, {static_cast<double>(available), 0, false, false})) {
      widths_.push_back(std::max<size_t>(1, static_cast<size_t>(std::floor(width + 1e-9))));
    }
    out_ << '\n';
    std::vector<std::string> captions;
    for (const TableColumn& c : columns) {
      captions.push_back(c.caption);
    }
    WriteLine(captions, false);
    Rule('-');
    lastKind_ = RowKind::Detail;
  }

  void GroupHeader(size_t level, const std::string& text) override {
    out_ << std::string(level * 2, ' ') << (level == 0 ? "== " : "-- ") << text << '\n';
  }

  void TableRow(RowKind kind, size_t level, const std::vector<Cell>& cells, size_t,
                bool keepWithNext) override {
    // A cross-tab's totals take a line per measure, under one rule.
    const bool rule = kind != lastKind_ || level != lastLevel_;
    if (kind == RowKind::Subtotal && rule) {
      Rule('-', true);
    } else if (kind == RowKind::Total && rule) {
      Rule('=');
    }
    lastKind_ = kind;
    lastLevel_ = level;
    std::vector<std::string> texts;
    for (const Cell& c : cells) {
      texts.push_back(c.text);
    }
    WriteLine(texts, kind != RowKind::Detail);
    if (kind == RowKind::Subtotal && !keepWithNext) {
      out_ << '\n';
    }
  }

  void EndTable() override {}

  void End() override {
    for (const std::string& line : footer_) {
      out_ << '\n' << line;
    }
    out_ << '\n';
  }

 private:
  // A line of cells; with `label`, the first cell runs on over the empty ones after it.
  void WriteLine(const std::vector<std::string>& texts, bool label) {
    std::string line;
    size_t i = 0;
    if (label && !texts.empty()) {
      size_t span = widths_[0];
      size_t next = 1;
      while (next < texts.size() && texts[next].empty() && columns_[next].align == Align::Left) {
        span += 1 + widths_[next];
        ++next;
      }
      line = PadRight(FitText(texts[0], span), span);
      i = next;
    }
    for (; i < texts.size(); ++i) {
      if (!line.empty() || i > 0) {
        line += ' ';
      }
      const std::string fitted =
          columns_[i].align == Align::Right ? texts[i] : FitText(texts[i], widths_[i]);
      line += columns_[i].align == Align::Right ? PadLeft(fitted, widths_[i])
                                                : PadRight(fitted, widths_[i]);
    }
    while (!line.empty() && line.back() == ' ') {
      line.pop_back();
    }
    out_ << line << '\n';
  }

  // A rule under the whole table, or only under its numeric columns.
  void Rule(char c, bool numericOnly = false) {
    std::string line;
    for (size_t i = 0; i < widths_.size(); ++i) {
      if (i > 0) {
        line += ' ';
      }
      const bool draw = !numericOnly || columns_[i].align == Align::Right;
      line += std::string(widths_[i], draw ? c : ' ');
    }
    while (!line.empty() && line.back() == ' ') {
      line.pop_back();
    }
    out_ << line << '\n';
  }

  std::ostream& out_;
  size_t lineWidth_ = 110;
  std::vector<TableColumn> columns_;
  std::vector<size_t> widths_;
  RowKind lastKind_ = RowKind::Detail;
  size_t lastLevel_ = 0;
  std::vector<std::string> footer_;
};

}  // namespace

void RenderText(const Report& report, const PrintTime& printed, std::ostream& out) {
  const ColumnWidths widths = MeasureColumns(
      report, [](const std::string& text, TextStyle) { return double(CharacterCount(text)); });
  TextWriter writer(out);
  WriteDocument(report, writer, {printed.shown, &widths});
}

}  // namespace orla::engine
