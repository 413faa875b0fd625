// Charts: a picture of rows the report already prints, placed in a report header or footer.
// The rows are summed by category as they pass, so a chart holds its categories (a bounded
// number of them), never the rows; what it cannot name goes into "Outros" or is left out with
// a note saying so, and the table beside it still prints every row.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "engine/decimal.h"
#include "engine/format.h"
#include "engine/layout.h"
#include "engine/rows.h"

namespace orla::engine {

class RenderContext;

enum class ChartKind {
  Bar,         // a bar per category and series, side by side
  StackedBar,  // the series of a category stacked in one bar
  Line,        // a line per series across the categories (days, as a rule)
  Share,       // a donut of each category's share of the total
};

enum class ChartOrder {
  Value,     // largest first; the rest summed as "Outros"
  Data,      // as the rows come (a ranking); the rest summed as "Outros"
  Category,  // by the category's own value (days, nozzles); the rest left out, with a note
};

struct ChartDef {
  ChartKind kind = ChartKind::Bar;
  std::string title;
  size_t category = 0;
  std::optional<size_t> series;  // a field whose values split each category
  std::vector<size_t> values;    // numeric fields of one format; one with `series`
  bool horizontal = false;       // bars along the page, for long category names
  ChartOrder order = ChartOrder::Value;
  size_t limit = 12;  // categories drawn
};

// Raises host::LayoutError naming the layout, the section and what is wrong.
ChartDef ParseChart(const nlohmann::json& object, const Layout& layout, const std::string& section);

// What a writer draws: the categories and series picked, their sums as the table prints them.
struct ChartData {
  ChartKind kind = ChartKind::Bar;
  bool horizontal = false;
  std::string title;
  std::string categoryCaption;
  std::vector<std::string> categories;
  bool dateCategories = false;  // days: axis labels may be shortened to dd/mm
  bool others = false;          // the last category is "Outros"
  struct Series {
    std::string name;
    std::vector<Decimal> values;  // per category
  };
  std::vector<Series> series;
  bool otherSeries = false;     // the last series is "Outros"
  FieldFormat format;           // of the values
  std::vector<Decimal> shares;  // Share: percent of the total, one place, per category
  std::vector<std::string> notes;

  // Nothing to draw: no rows, or none that a chart can show and nothing to say about it.
  bool Shows() const { return !categories.empty() || !notes.empty(); }
  std::string ValueText(const Decimal& value) const { return FormatNumber(value, format); }
  std::string ShareText(size_t category) const;
};

// Sums the rows of one report for one chart. Memory is bounded by kTracked categories and
// kTrackedSeries series, whatever the number of rows.
class ChartAccumulator {
 public:
  static constexpr size_t kTracked = 1000;
  static constexpr size_t kTrackedSeries = 64;
  static constexpr size_t kSeriesDrawn = 7;

  ChartAccumulator(const RenderContext& context, const ChartDef& def);

  void Reset();
  // A row as read (computed fields are filled here when the chart reads any); `number`
  // counts rows from 1.
  void Add(Row& row, int64_t number);
  ChartData Result() const;

 private:
  struct ValueLess {
    bool operator()(const host::Value& a, const host::Value& b) const;
  };
  struct Entry {
    size_t seen = 0;
    std::vector<Decimal> sums;  // per slot: a series (or value field) the chart tracks
  };
  void AddTo(std::vector<Decimal>& sums, size_t slot, const Decimal& value) const;
  // What a category or series is called: its printed text, or "(em branco)" for none.
  std::string Label(size_t field, const host::Value& value) const;
  size_t SlotOf(const host::Value& seriesValue);

  const RenderContext& context_;
  const ChartDef& def_;
  bool computes_ = false;
  int scale_ = 0;
  std::map<host::Value, Entry, ValueLess> entries_;
  size_t seen_ = 0;
  std::vector<Decimal> others_;  // categories beyond those tracked
  bool dropped_ = false;         // some category went to others_
  std::map<host::Value, size_t, ValueLess> seriesSlots_;
  std::vector<host::Value> seriesKeys_;  // by slot
  bool seriesOverflow_ = false;          // the last slot gathers series beyond those tracked
};

// The charts of one report's sections.
class ChartSet {
 public:
  explicit ChartSet(const RenderContext& context);
  ~ChartSet();

  // The rows for the table to read. Charts of report footers are summed from them as they
  // pass; when a report header shows a chart, the rows are read once here first.
  RowSource& Watch(RowSource& rows);
  // The chart of `section`, or nothing when it holds none.
  std::optional<ChartData> Of(const SectionDef& section) const;

 private:
  class Watcher;
  void Reset();
  void Add(Row& row, int64_t number);

  std::vector<const SectionDef*> sections_;
  std::deque<ChartAccumulator> sums_;
  bool inHeader_ = false;
  std::unique_ptr<Watcher> watcher_;
};

}  // namespace orla::engine
