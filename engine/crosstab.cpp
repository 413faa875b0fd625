#include "engine/crosstab.h"

#include <map>
#include <set>

namespace orla::engine {

namespace {

struct RowKeyLess {
  bool operator()(const Row& a, const Row& b) const {
    for (size_t i = 0; i < a.size(); ++i) {
      if (const int c = CompareValues(a[i], b[i]); c != 0) {
        return c < 0;
      }
    }
    return false;
  }
};

struct ValueLess {
  bool operator()(const host::Value& a, const host::Value& b) const {
    return CompareValues(a, b) < 0;
  }
};

}  // namespace

CrossTab BuildCrossTab(const RenderContext& context, RowSource& rows) {
  const Layout& layout = context.GetLayout();
  const CrossTabDef& def = *layout.crosstab;
  CrossTab result;
  result.measures = def.measureFields.size();

  std::vector<Decimal> zero;
  for (size_t field : def.measureFields) {
    zero.push_back(Decimal::FromInteger(0, layout.fields[field].format.decimals));
  }
  using Cells = std::map<host::Value, std::vector<Decimal>, ValueLess>;
  std::map<Row, Cells, RowKeyLess> sums;
  std::set<host::Value, ValueLess> columns;

  rows.Rewind();
  Row row;
  while (rows.Next(row)) {
    ++result.inputRows;
    context.Compute(row, result.inputRows);
    Row key;
    for (size_t field : def.rowFields) {
      key.push_back(row[field]);
    }
    const host::Value& column = row[def.columnField];
    columns.insert(column);
    auto cell = sums[key].try_emplace(column, zero).first;
    for (size_t m = 0; m < result.measures; ++m) {
      const size_t field = def.measureFields[m];
      if (auto number = NumberOf(row[field], layout.fields[field].format.decimals)) {
        cell->second[m] += *number;
      }
    }
  }

  std::map<host::Value, size_t, ValueLess> columnIndex;
  for (const host::Value& key : columns) {
    columnIndex.emplace(key, result.columnKeys.size());
    result.columnKeys.push_back(key);
  }
  const size_t width = result.columnKeys.size() * result.measures;
  result.columnTotals.assign(result.columnKeys.size(), zero);
  result.grandTotals = zero;
  for (auto& [key, cells] : sums) {
    result.rowKeys.push_back(key);
    std::vector<std::optional<Decimal>> line(width);
    std::vector<Decimal> totals = zero;
    for (const auto& [column, values] : cells) {
      const size_t c = columnIndex.at(column);
      for (size_t m = 0; m < result.measures; ++m) {
        line[c * result.measures + m] = values[m];
        totals[m] += values[m];
        result.columnTotals[c][m] += values[m];
        result.grandTotals[m] += values[m];
      }
    }
    result.cells.push_back(std::move(line));
    result.rowTotals.push_back(std::move(totals));
  }
  return result;
}

}  // namespace orla::engine
