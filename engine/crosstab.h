// A cross-tab: the rows of a report summed by row keys and by the distinct values of one
// column field. It holds one cell per key pair, never the input rows, so its size follows
// the number of distinct keys (days, nozzles, payment forms), not the number of rows.
#pragma once

#include <optional>
#include <vector>

#include "engine/decimal.h"
#include "engine/render_context.h"

namespace orla::engine {

struct CrossTab {
  std::vector<Row> rowKeys;             // the row fields' values, sorted
  std::vector<host::Value> columnKeys;  // sorted
  size_t measures = 0;
  // cells[r][c * measures + m]; nothing where no row fell.
  std::vector<std::vector<std::optional<Decimal>>> cells;
  std::vector<std::vector<Decimal>> rowTotals;     // [r][m]
  std::vector<std::vector<Decimal>> columnTotals;  // [c][m]
  std::vector<Decimal> grandTotals;                // [m]
  int64_t inputRows = 0;
};

// Reads every row of `rows` once.
CrossTab BuildCrossTab(const RenderContext& context, RowSource& rows);

}  // namespace orla::engine
