// Plain text for terminals: the page header once, then the tables in fixed-width columns.
#include <algorithm>
#include <cmath>

#include "engine/document.h"
#include "engine/text_util.h"
#include "engine/writers.h"

namespace orla::engine {

namespace {

// The narrowest a column may be, so that numbers and dates are never cut.
size_t MinimumWidth(const FieldFormat& format) {
  switch (format.kind) {
    case FormatKind::Money:
    case FormatKind::Quantity:
    case FormatKind::Number:
      return 12;
    case FormatKind::Price:
    case FormatKind::Percent:
      return 8;
    case FormatKind::Integer:
      return 6;
    case FormatKind::Date:
      return 10;
    case FormatKind::DateTime:
      return 16;
    case FormatKind::Time:
      return 8;
    case FormatKind::Boolean:
      return 3;
    case FormatKind::Text:
      return 4;
  }
  return 4;
}

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
  }

  void Paragraph(const std::string& text, bool heading) override {
    out_ << '\n' << text << '\n';
    if (heading) {
      out_ << std::string(CharacterCount(text), '-') << '\n';
    }
  }

  void BeginTable(const std::vector<TableColumn>& columns, const std::string&) override {
    columns_ = columns;
    double total = 0;
    for (const TableColumn& c : columns) {
      total += c.width;
    }
    const size_t available = lineWidth_ - (columns.empty() ? 0 : columns.size() - 1);
    widths_.clear();
    for (const TableColumn& c : columns) {
      const auto share = static_cast<size_t>(std::floor(c.width / total * available));
      widths_.push_back(std::max(share, MinimumWidth(c.format)));
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
    if (!footer_.empty()) {
      out_ << '\n';
    }
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

void RenderText(const Report& report, std::ostream& out) {
  TextWriter writer(out);
  WriteDocument(report, writer);
}

}  // namespace orla::engine
