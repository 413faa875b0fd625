#include "engine/chart.h"

#include <algorithm>
#include <numeric>

#include "engine/render_context.h"

namespace orla::engine {

namespace {

constexpr std::string_view kOthers = "Outros";

Decimal Zero(int scale) {
  return Decimal::FromInteger(0, scale);
}

Decimal Sum(const std::vector<Decimal>& sums, int scale) {
  Decimal total = Zero(scale);
  for (const Decimal& d : sums) {
    total += d;
  }
  return total;
}

int Compare(const Decimal& a, const Decimal& b) {
  const Decimal difference = a + -b;
  return difference.IsZero() ? 0 : difference.IsNegative() ? -1 : 1;
}

}  // namespace

std::string ChartData::ShareText(size_t category) const {
  return FormatNumber(shares[category], FieldFormat{FormatKind::Percent, 1});
}

bool ChartAccumulator::ValueLess::operator()(const host::Value& a, const host::Value& b) const {
  return CompareValues(a, b) < 0;
}

ChartAccumulator::ChartAccumulator(const RenderContext& context, const ChartDef& def)
    : context_(context), def_(def) {
  const Layout& layout = context.GetLayout();
  scale_ = layout.fields[def.values.front()].format.decimals;
  computes_ =
      layout.fields[def.category].computed || (def.series && layout.fields[*def.series].computed);
  for (size_t v : def.values) {
    computes_ = computes_ || layout.fields[v].computed;
  }
}

void ChartAccumulator::Reset() {
  entries_.clear();
  seen_ = 0;
  others_.clear();
  dropped_ = false;
  seriesSlots_.clear();
  seriesKeys_.clear();
  seriesOverflow_ = false;
}

void ChartAccumulator::AddTo(std::vector<Decimal>& sums, size_t slot, const Decimal& value) const {
  if (sums.size() <= slot) {
    sums.resize(slot + 1, Zero(scale_));
  }
  sums[slot] += value;
}

size_t ChartAccumulator::SlotOf(const host::Value& seriesValue) {
  if (auto it = seriesSlots_.find(seriesValue); it != seriesSlots_.end()) {
    return it->second;
  }
  if (seriesKeys_.size() == kTrackedSeries) {
    seriesOverflow_ = true;
    return kTrackedSeries;
  }
  seriesSlots_.emplace(seriesValue, seriesKeys_.size());
  seriesKeys_.push_back(seriesValue);
  return seriesKeys_.size() - 1;
}

void ChartAccumulator::Add(Row& row, int64_t number) {
  if (computes_) {
    context_.Compute(row, number);
  }
  std::optional<size_t> seriesSlot;
  if (def_.series) {
    seriesSlot = SlotOf(row[*def_.series]);
  }
  const host::Value& key = row[def_.category];
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    if (entries_.size() < kTracked) {
      it = entries_.emplace(key, Entry{seen_++, {}}).first;
    } else {
      dropped_ = true;
      const auto last = std::prev(entries_.end());
      // By category, the largest tracked one makes room for a smaller newcomer: a key that
      // once left never comes back, so the first kTracked keys stay exact.
      if (def_.order == ChartOrder::Category && CompareValues(key, last->first) < 0) {
        for (size_t s = 0; s < last->second.sums.size(); ++s) {
          AddTo(others_, s, last->second.sums[s]);
        }
        entries_.erase(last);
        it = entries_.emplace(key, Entry{seen_++, {}}).first;
      }
    }
  }
  std::vector<Decimal>& sums = it == entries_.end() ? others_ : it->second.sums;
  for (size_t i = 0; i < def_.values.size(); ++i) {
    if (auto value = NumberOf(row[def_.values[i]], scale_)) {
      AddTo(sums, seriesSlot.value_or(i), *value);
    }
  }
}

std::string ChartAccumulator::Label(size_t field, const host::Value& value) const {
  std::string label = context_.Text(field, value);
  return label.empty() ? "(em branco)" : label;
}

ChartData ChartAccumulator::Result() const {
  const Layout& layout = context_.GetLayout();
  const FieldDef& categoryField = layout.fields[def_.category];
  ChartData chart;
  chart.kind = def_.kind;
  chart.horizontal = def_.horizontal;
  chart.title = def_.title;
  chart.categoryCaption = categoryField.caption;
  chart.dateCategories = categoryField.format.kind == FormatKind::Date;
  chart.format = layout.fields[def_.values.front()].format;

  // Series: the value fields, or the series field's values, the largest first, the smallest
  // beyond what the palette can tell apart gathered as "Outros".
  const size_t slots =
      def_.series ? seriesKeys_.size() + (seriesOverflow_ ? 1 : 0) : def_.values.size();
  std::vector<size_t> slotSeries(slots);
  if (def_.series) {
    std::vector<Decimal> totals(slots, Zero(scale_));
    auto addTotals = [&](const std::vector<Decimal>& sums) {
      for (size_t s = 0; s < sums.size(); ++s) {
        totals[s] += sums[s];
      }
    };
    for (const auto& [key, entry] : entries_) {
      addTotals(entry.sums);
    }
    addTotals(others_);
    std::vector<size_t> order(seriesKeys_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      if (const int c = Compare(totals[a], totals[b]); c != 0) {
        return c > 0;
      }
      return CompareValues(seriesKeys_[a], seriesKeys_[b]) < 0;
    });
    const bool gather = slots > kSeriesDrawn + 1;
    const size_t drawn = gather ? kSeriesDrawn : order.size();
    for (size_t i = 0; i < drawn; ++i) {
      slotSeries[order[i]] = i;
      chart.series.push_back({Label(*def_.series, seriesKeys_[order[i]]), {}});
    }
    if (gather || seriesOverflow_) {
      for (size_t i = drawn; i < order.size(); ++i) {
        slotSeries[order[i]] = drawn;
      }
      if (seriesOverflow_) {
        slotSeries[kTrackedSeries] = drawn;
      }
      chart.series.push_back({std::string(kOthers), {}});
      chart.otherSeries = true;
    }
  } else {
    for (size_t i = 0; i < slots; ++i) {
      slotSeries[i] = i;
      chart.series.push_back({layout.fields[def_.values[i]].caption, {}});
    }
  }
  // A category's sums by drawn series.
  auto bySeries = [&](const std::vector<Decimal>& sums) {
    std::vector<Decimal> values(chart.series.size(), Zero(scale_));
    for (size_t s = 0; s < sums.size(); ++s) {
      values[slotSeries[s]] += sums[s];
    }
    return values;
  };

  struct Candidate {
    std::string label;
    std::vector<Decimal> values;
    Decimal measure;  // what orders by value: the first series, or the whole stack
    size_t seen;
  };
  std::vector<Candidate> candidates;
  for (const auto& [key, entry] : entries_) {
    Candidate c{Label(def_.category, key), bySeries(entry.sums), Zero(scale_), entry.seen};
    c.measure = def_.series ? Sum(c.values, scale_) : c.values.front();
    candidates.push_back(std::move(c));
  }
  const auto largestFirst = [](bool magnitude) {
    return [magnitude](const Candidate& a, const Candidate& b) {
      const auto size = [magnitude](const Decimal& d) {
        return magnitude && d.IsNegative() ? -d : d;
      };
      if (const int c = Compare(size(a.measure), size(b.measure)); c != 0) {
        return c > 0;
      }
      return a.seen < b.seen;
    };
  };
  if (def_.order == ChartOrder::Value) {
    // The largest either way are kept, so a loss is drawn rather than lost in "Outros".
    std::stable_sort(candidates.begin(), candidates.end(), largestFirst(true));
  } else if (def_.order == ChartOrder::Data) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.seen < b.seen; });
  }

  // A share of a total is a share of positive parts only; the others are named below it.
  std::vector<std::string> outside;
  auto keepPositive = [&](std::vector<Candidate>& list) {
    if (def_.kind != ChartKind::Share) {
      return;
    }
    std::vector<Candidate> kept;
    for (Candidate& c : list) {
      if (c.measure.IsNegative() || c.measure.IsZero()) {
        outside.push_back(c.label + " (" + chart.ValueText(c.measure) + ")");
      } else {
        kept.push_back(std::move(c));
      }
    }
    list = std::move(kept);
  };
  keepPositive(candidates);

  const bool gatherRest = def_.order != ChartOrder::Category;
  std::vector<Decimal> rest = bySeries(others_);
  bool anyRest = !others_.empty();
  size_t leftOut = 0;
  if (candidates.size() > def_.limit) {
    for (size_t i = def_.limit; i < candidates.size(); ++i) {
      for (size_t s = 0; s < rest.size(); ++s) {
        rest[s] += candidates[i].values[s];
      }
    }
    leftOut = candidates.size() - def_.limit;
    anyRest = true;
    candidates.resize(def_.limit);
  }
  if (def_.order == ChartOrder::Value) {
    std::stable_sort(candidates.begin(), candidates.end(), largestFirst(false));
  }
  if (anyRest && gatherRest) {
    std::vector<Candidate> last{{std::string(kOthers), rest, Zero(scale_), 0}};
    last.front().measure = def_.series ? Sum(rest, scale_) : rest.front();
    keepPositive(last);
    if (!last.empty()) {
      candidates.push_back(std::move(last.front()));
      chart.others = true;
    }
    if (dropped_) {
      chart.notes.push_back("Mais de " + FormatNumber(Decimal::FromInteger(kTracked), {}) +
                            " valores de " + categoryField.caption + ": os lidos depois dos " +
                            "primeiros estão em Outros.");
    }
  } else if (anyRest) {
    chart.notes.push_back("O gráfico mostra os primeiros " + std::to_string(def_.limit) +
                          " valores de " + categoryField.caption +
                          (dropped_ ? "" : " (de " + std::to_string(def_.limit + leftOut) + ")") +
                          "; a tabela traz todos.");
  }
  if (!outside.empty()) {
    std::string note = "Fora do gráfico, por não serem positivos: ";
    for (size_t i = 0; i < outside.size(); ++i) {
      note += (i ? "; " : "") + outside[i];
    }
    chart.notes.push_back(note + ".");
  }

  for (Candidate& c : candidates) {
    chart.categories.push_back(std::move(c.label));
    for (size_t s = 0; s < chart.series.size(); ++s) {
      chart.series[s].values.push_back(c.values[s]);
    }
  }
  if (def_.kind == ChartKind::Share) {
    const Decimal total = Sum(chart.series.front().values, scale_);
    for (const Decimal& v : chart.series.front().values) {
      chart.shares.push_back(
          Decimal::Divide(Decimal::FromUnits(v.Units() * 100, v.Scale()), total, 1).value());
    }
  }
  return chart;
}

class ChartSet::Watcher final : public RowSource {
 public:
  Watcher(RowSource& rows, ChartSet& charts) : rows_(rows), charts_(charts) {}
  void Rewind() override {
    rows_.Rewind();
    charts_.Reset();
    number_ = 0;
  }
  bool Next(Row& row) override {
    if (!rows_.Next(row)) {
      return false;
    }
    charts_.Add(row, ++number_);
    return true;
  }

 private:
  RowSource& rows_;
  ChartSet& charts_;
  int64_t number_ = 0;
};

ChartSet::ChartSet(const RenderContext& context) {
  for (const SectionDef& section : context.GetLayout().sections) {
    if (!section.chart) {
      continue;
    }
    // Like a column of the table, a chart of fields the data lacks is left out.
    const ChartDef& def = *section.chart;
    bool present = context.Present(def.category) && (!def.series || context.Present(*def.series));
    for (size_t v : def.values) {
      present = present && context.Present(v);
    }
    if (present) {
      sections_.push_back(&section);
      sums_.emplace_back(context, *section.chart);
      inHeader_ = inHeader_ || section.kind == SectionKind::ReportHeader;
    }
  }
}

ChartSet::~ChartSet() = default;

void ChartSet::Reset() {
  for (ChartAccumulator& sums : sums_) {
    sums.Reset();
  }
}

void ChartSet::Add(Row& row, int64_t number) {
  for (ChartAccumulator& sums : sums_) {
    sums.Add(row, number);
  }
}

RowSource& ChartSet::Watch(RowSource& rows) {
  if (sums_.empty()) {
    return rows;
  }
  watcher_ = std::make_unique<Watcher>(rows, *this);
  if (!inHeader_) {
    return *watcher_;
  }
  watcher_->Rewind();
  for (Row row; watcher_->Next(row);) {
  }
  return rows;
}

std::optional<ChartData> ChartSet::Of(const SectionDef& section) const {
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i] == &section) {
      return sums_[i].Result();
    }
  }
  return std::nullopt;
}

}  // namespace orla::engine
