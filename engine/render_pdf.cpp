// PDF with Pango's text: real text in embedded DejaVu subsets, A4 in the layout's
// orientation. The report is walked twice over the same pages: once to count them, once to
// draw "Página x de y". Rows are laid out, drawn and dropped as they come, so memory does not
// grow with the rows; a group header never stays alone at the foot of a page, nor a group's
// last line apart from its totals.
#include <algorithm>
#include <array>

#include "engine/chart.h"
#include "engine/chart_draw.h"
#include "engine/document.h"
#include "engine/page_surface.h"
#include "engine/pdf_file.h"
#include "engine/pdf_text.h"
#include "engine/writers.h"
#include "host/errors.h"

namespace orla::engine {

namespace {

constexpr double kA4Short = 595.276;
constexpr double kA4Long = 841.890;
constexpr double kMargin = 28;
constexpr double kPadX = 3;
constexpr double kPadY = 2;
constexpr double kTableGap = 10;
// Around a cell's text, and half a point more, so that a text measured to fit is never cut
// by the rounding of its box.
constexpr double kCellPadding = 2 * kPadX + 0.5;

using pdf::Rgb;
constexpr Rgb kInk{0.12, 0.16, 0.20};
constexpr Rgb kAccent{0.184, 0.294, 0.431};
constexpr Rgb kMuted{0.32, 0.38, 0.43};
constexpr Rgb kRule{0.60, 0.65, 0.69};
constexpr Rgb kHeaderFill{0.894, 0.914, 0.941};
constexpr Rgb kStripe{0.961, 0.969, 0.980};
constexpr Rgb kGroupFill{0.875, 0.906, 0.941};
constexpr Rgb kSubtotalFill{0.945, 0.957, 0.969};
constexpr Rgb kBar{0.545, 0.635, 0.749};

using pdf::Font;
using pdf::Typesetter;

// Cells hold one line; line breaks of the data would only push rows apart.
std::string OneLine(std::string_view text) {
  std::string result(text);
  std::replace(result.begin(), result.end(), '\n', ' ');
  std::replace(result.begin(), result.end(), '\r', ' ');
  std::replace(result.begin(), result.end(), '\t', ' ');
  return result;
}

class PdfWriter final : public DocumentWriter {
 public:
  // Without a surface, it only counts the pages.
  PdfWriter(pdf::PageSurface* out, Typesetter& type, int totalPages)
      : out_(out), type_(type), draw_(out != nullptr), totalPages_(totalPages) {}

  int Pages() const { return page_; }

  void Begin(const DocumentHead& head) override {
    head_ = head;
    const bool landscape = head.orientation == Orientation::Landscape;
    pageWidth_ = landscape ? kA4Long : kA4Short;
    pageHeight_ = landscape ? kA4Short : kA4Long;
    if (draw_) {
      out_->SetPageSize(pageWidth_, pageHeight_);
    }
    contentWidth_ = pageWidth_ - 2 * kMargin;
    double height = 0;
    if (!head_.company.empty()) {
      height += type_.LineHeight(Font::Company);
    }
    height += type_.LineHeight(Font::Title) + 2;
    if (!head_.caption.empty()) {
      height += type_.Lines(Font::Caption, head_.caption, contentWidth_, 2) *
                type_.LineHeight(Font::Caption);
    }
    height += head_.pageHeaderLines.size() * type_.LineHeight(Font::Caption);
    headerHeight_ = height + 10;
    footerHeight_ = type_.LineHeight(Font::Footer) * (1 + head_.pageFooterLines.size()) + 8;
    bottom_ = pageHeight_ - kMargin - footerHeight_;
  }

  void Paragraph(const std::string& text, bool heading) override {
    Block block;
    block.kind = heading ? BlockKind::Heading : BlockKind::Paragraph;
    block.text = text;
    const Font font = heading ? Font::Heading : Font::Paragraph;
    block.height =
        type_.Lines(font, text, contentWidth_, 0) * type_.LineHeight(font) + (heading ? 12 : 4);
    // A heading or a note stays with what it introduces.
    block.keepWithNext = true;
    Queue(std::move(block));
  }

  size_t ColumnsThatFit(const std::vector<TableColumn>& columns, size_t fixed) override {
    // As many value columns as fit beside the fixed ones at what their texts need share a
    // band. Unmeasured, a unit of a layout's width is 5.2 points, where a value column of 11
    // units holds a station's monthly money totals in the body font.
    const bool measured = std::any_of(columns.begin(), columns.end(),
                                      [](const TableColumn& c) { return c.content > 0; });
    auto need = [&](const TableColumn& c) {
      return measured ? c.content + kCellPadding : c.width * 5.2;
    };
    double used = 0;
    for (size_t i = 0; i < fixed; ++i) {
      used += need(columns[i]);
    }
    size_t count = 0;
    for (size_t i = fixed; i < columns.size(); ++i) {
      if (used + need(columns[i]) > contentWidth_ && count > 0) {
        break;
      }
      used += need(columns[i]);
      ++count;
    }
    return std::max<size_t>(count, 1);
  }

  void BeginTable(const std::vector<TableColumn>& columns, const std::string&) override {
    // Rows of the previous table are placed by now (EndTable); what may wait is a heading
    // or a note, which does not depend on the columns.
    columns_ = columns;
    xs_.clear();
    widths_ = FitColumns(columns, {contentWidth_, kCellPadding, true, true});
    double x = kMargin;
    for (double width : widths_) {
      xs_.push_back(x);
      x += width;
    }
    int lines = 1;
    for (size_t i = 0; i < columns.size(); ++i) {
      lines = std::max(
          lines, type_.Lines(Font::ColumnHeader, columns[i].caption, widths_[i] - 2 * kPadX, 2));
    }
    tableHeaderHeight_ = lines * type_.LineHeight(Font::ColumnHeader) + 2 * kPadY + 2;
    lastKind_ = RowKind::Detail;
    Block block;
    block.kind = BlockKind::TableHeader;
    block.height = tableHeaderHeight_;
    block.keepWithNext = true;
    Queue(std::move(block));
  }

  void GroupHeader(size_t level, const std::string& text) override {
    Block block;
    block.kind = BlockKind::Group;
    block.level = level;
    block.text = OneLine(text);
    block.height = GroupHeight(level);
    block.keepWithNext = true;
    Queue(std::move(block));
  }

  // Counting pages needs only the texts that may take more than one line.
  bool NeedsCells(size_t column) const override {
    return draw_ || (column < columns_.size() && Wraps(column));
  }

  void TableRow(RowKind kind, size_t level, const std::vector<Cell>& cells, size_t stripe,
                bool keepWithNext) override {
    Block block;
    block.kind = BlockKind::Row;
    block.rowKind = kind;
    block.level = level;
    block.stripe = stripe;
    block.keepWithNext = keepWithNext;
    const Font font =
        kind == RowKind::Detail || kind == RowKind::Summary ? Font::Body : Font::BodyBold;
    int lines = 1;
    for (size_t i = 0; i < cells.size() && i < columns_.size(); ++i) {
      const bool measured = kind == RowKind::Detail && Wraps(i);
      if (!draw_ && !measured) {
        continue;
      }
      std::string text = OneLine(cells[i].text);
      if (measured) {
        lines =
            std::max(lines, type_.Lines(font, text, widths_[i] - 2 * kPadX, columns_[i].wrapLines));
      }
      if (draw_) {
        block.texts.push_back(std::move(text));
        block.links.push_back(cells[i].link);
        const host::Value& value = cells[i].value;
        block.bars.push_back(kind == RowKind::Detail && columns_[i].bar &&
                                     value.GetKind() == host::Value::Kind::Double
                                 ? std::clamp(value.AsDouble() / 100.0, 0.0, 1.0)
                                 : -1.0);
      }
    }
    // A cross-tab's totals take a line per measure, under one rule.
    block.rule = kind != lastKind_ || level != lastLevel_;
    lastKind_ = kind;
    lastLevel_ = level;
    block.height =
        lines * type_.LineHeight(font) + 2 * kPadY + (kind == RowKind::Total && block.rule ? 3 : 0);
    Queue(std::move(block));
  }

  void Chart(const ChartData& chart) override {
    // A note above belongs to the table it follows, not to the chart: it is not pushed
    // along to the next page with a chart that does not fit.
    Flush();
    Block block;
    block.kind = BlockKind::Chart;
    block.height = PdfChartHeight(type_, chart, contentWidth_);
    if (draw_) {
      block.chart = std::make_shared<const ChartData>(chart);
    }
    Queue(std::move(block));
  }

  void EndTable() override {
    Flush();
    tableOpen_ = false;
    openGroups_.clear();
    y_ += kTableGap;
  }

  void End() override {
    Flush();
    if (!pageOpen_) {
      StartPage();
    }
    FinishPage();
  }

 private:
  enum class BlockKind { Paragraph, Heading, TableHeader, Group, Row, Chart };

  struct Block {
    BlockKind kind = BlockKind::Paragraph;
    double height = 0;
    bool keepWithNext = false;
    std::string text;
    size_t level = 0;
    RowKind rowKind = RowKind::Detail;
    std::vector<std::string> texts;
    size_t stripe = 0;
    bool rule = true;
    std::vector<double> bars;        // the share a cell's bar fills, or negative for none
    std::vector<std::string> links;  // where a cell leads (Cell::link)
    std::shared_ptr<const ChartData> chart;
  };

  bool Wraps(size_t column) const {
    return columns_[column].align == Align::Left && columns_[column].wrapLines != 1;
  }

  double GroupHeight(size_t level) const {
    return type_.LineHeight(Font::Group) + 2 * kPadY + (level == 0 ? 4 : 1);
  }

  // Blocks that must stay together wait until the chain ends.
  void Queue(Block block) {
    const bool keep = block.keepWithNext;
    pending_.push_back(std::move(block));
    if (!keep) {
      Flush();
    }
  }

  void Flush() {
    if (pending_.empty()) {
      return;
    }
    double height = 0;
    for (const Block& b : pending_) {
      height += b.height;
    }
    if (!pageOpen_) {
      StartPage();
    }
    if (y_ + height > bottom_ && !PageEmpty()) {
      NewPage();
    }
    for (const Block& b : pending_) {
      // A chain taller than a page breaks where it must.
      if (y_ + b.height > bottom_ && !PageEmpty()) {
        NewPage();
      }
      Place(b);
    }
    pending_.clear();
  }

  bool PageEmpty() const { return y_ <= bodyTop_ + 0.01; }

  void NewPage() {
    FinishPage();
    StartPage();
  }

  void StartPage() {
    ++page_;
    pageOpen_ = true;
    y_ = kMargin;
    DrawPageHeader();
    y_ = kMargin + headerHeight_;
    if (tableOpen_) {
      DrawTableHeader();
      y_ += tableHeaderHeight_;
      for (size_t level = 0; level < openGroups_.size(); ++level) {
        DrawGroup(level, openGroups_[level] + " (continuação)");
        y_ += GroupHeight(level);
      }
    }
    bodyTop_ = y_;
  }

  void FinishPage() {
    if (!pageOpen_) {
      return;
    }
    DrawPageFooter();
    if (draw_) {
      PaintShapes();
      type_.Flush(*out_);
      out_->EndPage();
    }
    pageOpen_ = false;
  }

  void Place(const Block& block) {
    switch (block.kind) {
      case BlockKind::Paragraph:
      case BlockKind::Heading:
        if (draw_) {
          const bool heading = block.kind == BlockKind::Heading;
          SetColor(heading ? kAccent : kInk);
          type_.Draw(heading ? Font::Heading : Font::Paragraph, block.text, kMargin,
                     y_ + (heading ? 8 : 2), contentWidth_, Align::Left, 0);
        }
        break;
      case BlockKind::TableHeader:
        tableOpen_ = true;
        openGroups_.clear();
        DrawTableHeader();
        break;
      case BlockKind::Group:
        openGroups_.resize(std::min(openGroups_.size(), block.level));
        openGroups_.push_back(block.text);
        DrawGroup(block.level, block.text);
        break;
      case BlockKind::Row:
        if (block.rowKind == RowKind::Subtotal) {
          openGroups_.resize(std::min(openGroups_.size(), block.level));
        }
        DrawRow(block);
        break;
      case BlockKind::Chart:
        if (draw_) {
          pictures_.push_back(out_->ChartShapes(type_, *block.chart, kMargin, y_, contentWidth_));
        }
        break;
    }
    y_ += block.height;
  }

  void SetColor(const Rgb& c) { type_.SetColour(c); }

  // Fills and rules wait for the end of the page, when those of one colour are written
  // together. Layers keep the order they overlap in: backgrounds (never on one another),
  // then bars, then rules in the order they came, then the texts over all of them.
  enum class Layer { Background, Bar, Rule };

  struct Shape {
    Layer layer;
    Rgb colour;
    double lineWidth;  // rules only
    double x, y, w, h;
    bool painted = false;
  };

  void Fill(double x, double y, double w, double h, const Rgb& c, Layer layer = Layer::Background) {
    shapes_.push_back({layer, c, 0, x, y, w, h});
  }

  void Line(double x1, double y1, double x2, double width, const Rgb& c) {
    shapes_.push_back({Layer::Rule, c, width, x1, y1, x2 - x1, 0});
  }

  void PaintShapes() {
    for (Layer layer : {Layer::Background, Layer::Bar}) {
      for (size_t i = 0; i < shapes_.size(); ++i) {
        if (shapes_[i].layer != layer || shapes_[i].painted) {
          continue;
        }
        for (size_t j = i; j < shapes_.size(); ++j) {
          Shape& s = shapes_[j];
          if (s.layer == layer && s.colour == shapes_[i].colour) {
            out_->Fill(s.colour, s.x, s.y, s.w, s.h);
            s.painted = true;
          }
        }
      }
    }
    for (const std::string& picture : pictures_) {
      out_->Graphics(picture);
    }
    pictures_.clear();
    for (const Shape& s : shapes_) {
      if (s.layer == Layer::Rule) {
        out_->Rule(s.colour, s.lineWidth, s.x, s.y, s.x + s.w);
      }
    }
    shapes_.clear();
  }

  void DrawPageHeader() {
    if (!draw_) {
      return;
    }
    double y = kMargin;
    if (!head_.company.empty()) {
      SetColor(kInk);
      type_.Draw(Font::Company, head_.company, kMargin, y, contentWidth_, Align::Left, 1);
      y += type_.LineHeight(Font::Company);
    }
    SetColor(kAccent);
    type_.Draw(Font::Title, head_.title, kMargin, y, contentWidth_, Align::Left, 1);
    y += type_.LineHeight(Font::Title) + 2;
    SetColor(kMuted);
    if (!head_.caption.empty()) {
      type_.Draw(Font::Caption, head_.caption, kMargin, y, contentWidth_, Align::Left, 2);
      y += type_.Lines(Font::Caption, head_.caption, contentWidth_, 2) *
           type_.LineHeight(Font::Caption);
    }
    for (const std::string& line : head_.pageHeaderLines) {
      type_.Draw(Font::Caption, line, kMargin, y, contentWidth_, Align::Left, 1);
      y += type_.LineHeight(Font::Caption);
    }
    Line(kMargin, y + 4, kMargin + contentWidth_, 1.2, kAccent);
  }

  void DrawPageFooter() {
    if (!draw_) {
      return;
    }
    double y = pageHeight_ - kMargin - footerHeight_ + 6;
    Line(kMargin, y, kMargin + contentWidth_, 0.5, kRule);
    y += 2;
    SetColor(kMuted);
    for (const std::string& line : head_.pageFooterLines) {
      type_.Draw(Font::Footer, line, kMargin, y, contentWidth_, Align::Left, 1);
      y += type_.LineHeight(Font::Footer);
    }
    type_.Draw(Font::Footer, head_.printed, kMargin, y, contentWidth_ / 2, Align::Left, 1);
    // A page drawn before the count is known says only its number.
    std::string page = "Página " + std::to_string(page_);
    if (totalPages_ > 0) {
      page += " de " + std::to_string(totalPages_);
    }
    type_.Draw(Font::Footer, page, kMargin + contentWidth_ / 2, y, contentWidth_ / 2, Align::Right,
               1);
  }

  void DrawTableHeader() {
    if (!draw_) {
      return;
    }
    Fill(kMargin, y_, contentWidth_, tableHeaderHeight_ - 1, kHeaderFill);
    Line(kMargin, y_ + tableHeaderHeight_ - 1, kMargin + contentWidth_, 0.6, kRule);
    SetColor(kInk);
    for (size_t i = 0; i < columns_.size(); ++i) {
      type_.Draw(Font::ColumnHeader, columns_[i].caption, xs_[i] + kPadX, y_ + kPadY + 0.5,
                 widths_[i] - 2 * kPadX, columns_[i].align, 2);
    }
  }

  void DrawGroup(size_t level, const std::string& text) {
    if (!draw_) {
      return;
    }
    const double height = GroupHeight(level);
    const double indent = level * 8.0;
    if (level == 0) {
      Fill(kMargin, y_ + 3, contentWidth_, height - 3, kGroupFill);
    } else {
      Line(kMargin + indent, y_ + height - 0.5, kMargin + contentWidth_, 0.4, kRule);
    }
    SetColor(kInk);
    type_.Draw(Font::Group, text, kMargin + indent + kPadX,
               y_ + height - kPadY - type_.LineHeight(Font::Group),
               contentWidth_ - indent - 2 * kPadX, Align::Left, 1);
  }

  void DrawRow(const Block& block) {
    if (!draw_) {
      return;
    }
    const RowKind kind = block.rowKind;
    const Font font =
        kind == RowKind::Detail || kind == RowKind::Summary ? Font::Body : Font::BodyBold;
    double top = y_;
    switch (kind) {
      case RowKind::Detail:
        if (block.stripe % 2 == 0) {
          Fill(kMargin, top, contentWidth_, block.height, kStripe);
        }
        break;
      case RowKind::Summary:
        Line(kMargin, top + block.height - 0.25, kMargin + contentWidth_, 0.3, kHeaderFill);
        break;
      case RowKind::Subtotal:
        Fill(kMargin, top, contentWidth_, block.height, kSubtotalFill);
        if (block.rule) {
          Line(kMargin, top, kMargin + contentWidth_, 0.5, kRule);
        }
        break;
      case RowKind::Total:
        Fill(kMargin, top, contentWidth_, block.height, kHeaderFill);
        if (block.rule) {
          Line(kMargin, top, kMargin + contentWidth_, 1, kAccent);
          top += 3;
        }
        break;
    }
    SetColor(kInk);
    size_t i = 0;
    if (kind != RowKind::Detail && !block.texts.empty()) {
      size_t span = 1;
      while (span < block.texts.size() && block.texts[span].empty() &&
             columns_[span].align == Align::Left) {
        ++span;
      }
      const double width = xs_[span - 1] + widths_[span - 1] - xs_[0] - 2 * kPadX;
      type_.Draw(font, block.texts[0], xs_[0] + kPadX, top + kPadY, width, Align::Left, 1);
      i = span;
    }
    for (; i < block.texts.size(); ++i) {
      const std::string& text = block.texts[i];
      if (text.empty()) {
        continue;
      }
      const double width = widths_[i] - 2 * kPadX;
      if (i < block.bars.size() && block.bars[i] >= 0) {
        // The bar takes the cell's left part; the figure stays right-aligned beside it.
        const double barHeight = type_.LineHeight(font) * 0.6;
        Fill(xs_[i] + kPadX, top + kPadY + (type_.LineHeight(font) - barHeight) / 2,
             block.bars[i] * width * 0.62, barHeight, kBar, Layer::Bar);
      }
      if (columns_[i].format.IsNumeric() || columns_[i].format.IsDateOrTime()) {
        type_.DrawNumber(font, text, xs_[i] + kPadX, top + kPadY, width, columns_[i].align);
      } else {
        type_.Draw(font, text, xs_[i] + kPadX, top + kPadY, width, columns_[i].align,
                   kind == RowKind::Detail ? columns_[i].wrapLines : 1);
      }
      if (i < block.links.size() && !block.links[i].empty()) {
        out_->Link(block.links[i], xs_[i], y_, widths_[i], block.height);
      }
    }
  }

  pdf::PageSurface* out_;
  Typesetter& type_;
  bool draw_;
  int totalPages_;
  DocumentHead head_;
  double pageWidth_ = kA4Short;
  double pageHeight_ = kA4Long;
  double contentWidth_ = 0;
  double headerHeight_ = 0;
  double footerHeight_ = 0;
  double bottom_ = 0;
  double bodyTop_ = 0;
  double y_ = 0;
  int page_ = 0;
  bool pageOpen_ = false;
  bool tableOpen_ = false;
  std::vector<std::string> openGroups_;
  std::vector<TableColumn> columns_;
  std::vector<double> xs_;
  std::vector<double> widths_;
  double tableHeaderHeight_ = 0;
  RowKind lastKind_ = RowKind::Detail;
  size_t lastLevel_ = 0;
  std::vector<Block> pending_;
  std::vector<Shape> shapes_;
  std::vector<std::string> pictures_;  // charts, painted over the backgrounds
};

// The narrowest a caption of two lines at most can be: the wider half of its best break.
double CaptionWidth(Typesetter& type, const std::string& caption) {
  double best = type.Width(Font::ColumnHeader, caption);
  for (size_t space = caption.find(' '); space != std::string::npos;
       space = caption.find(' ', space + 1)) {
    const size_t rest = caption.find_first_not_of(' ', space);
    if (rest == std::string::npos) {
      break;
    }
    best = std::min(best, std::max(type.Width(Font::ColumnHeader, caption.substr(0, space)),
                                   type.Width(Font::ColumnHeader, caption.substr(rest))));
  }
  return best;
}

ColumnWidths MeasureForPdf(const Report& report, Typesetter& type) {
  return MeasureColumns(report, [&](const std::string& text, TextStyle style) {
    switch (style) {
      case TextStyle::Caption:
        return CaptionWidth(type, text);
      case TextStyle::Body:
        return type.Width(Font::Body, OneLine(text));
      case TextStyle::Bold:
        return type.Width(Font::BodyBold, OneLine(text));
    }
    return 0.0;
  });
}

}  // namespace

void PaintPages(const Report& report, const PrintTime& printed, Typesetter& type,
                pdf::PageSurface& surface, const std::function<void(int)>& counted) {
  // Three walks: what the columns need, then the pages they take, then the pages drawn.
  const ColumnWidths widths = MeasureForPdf(report, type);
  const DocumentOptions options{printed.shown, &widths};
  PdfWriter counter(nullptr, type, 0);
  WriteDocument(report, counter, options);
  if (counted) {
    counted(counter.Pages());
  }
  PdfWriter painter(&surface, type, counter.Pages());
  WriteDocument(report, painter, options);
}

void PaintPagesUncounted(const Report& report, const PrintTime& printed, Typesetter& type,
                         pdf::PageSurface& surface, const std::function<void()>& measured) {
  const ColumnWidths widths = MeasureForPdf(report, type);
  measured();
  PdfWriter painter(&surface, type, 0);
  WriteDocument(report, painter, {printed.shown, &widths});
}

void RenderPdf(const Report& report, const PrintTime& printed, const std::filesystem::path& out) {
  const bool landscape = report.GetLayout().orientation == Orientation::Landscape;
  pdf::PdfFile file(out, landscape ? kA4Long : kA4Short, landscape ? kA4Short : kA4Long);
  file.SetInfo(
      {report.Title(), report.HeaderLines()[1], report.HeaderLines()[0], kCreator, printed.epoch});
  Typesetter type;
  PaintPages(report, printed, type, file, {});
  file.Finish();
}

}  // namespace orla::engine

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig parses its configuration once per process, when Pango first asks for a font,
// and never frees it. Every program that renders a PDF links this file, so the leak
// checker of sanitized builds learns it here rather than in each program.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif
