// Rows as the renderers read them: one value per layout field, taken from the bound
// recordset by column name, in the layout's sort order when it has one. Every source can be
// read again from the start, as often as a renderer needs, without holding all rows.
#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/layout.h"
#include "host/database.h"

namespace orla::engine {

using Row = std::vector<host::Value>;

// Which fields of a layout the bound recordset feeds. With no recordset every field counts
// as present, so that an empty report still shows its columns.
class FieldBinding {
 public:
  FieldBinding(const Layout& layout, host::Recordset* recordset);

  bool Present(size_t field) const { return present_[field]; }
  std::optional<size_t> Column(size_t field) const { return columns_[field]; }

 private:
  std::vector<std::optional<size_t>> columns_;
  std::vector<bool> present_;
};

class RowSource {
 public:
  virtual ~RowSource() = default;
  // Back to the first row; call before the first Next.
  virtual void Rewind() = 0;
  // The next row, computed fields left null; false past the last row.
  virtual bool Next(Row& row) = 0;
};

struct SortedData;

// What a report keeps of the sort of its rows, so that the walks of a rendering (totals,
// widths, pages, drawing) sort once: the sorted rows of `source`.
struct KeptRows {
  const host::Recordset* source = nullptr;
  std::shared_ptr<const SortedData> rows;
};

// The rows of `recordset` (none when it is null), sorted when the layout asks; a sort is taken
// from `kept` (may be null) when it holds this recordset's, and left there otherwise.
// `chunkRows` bounds the rows a sort holds in memory; longer inputs spill to temporary files.
std::unique_ptr<RowSource> OpenRows(const Layout& layout, const FieldBinding& binding,
                                    host::RecordsetRef recordset, KeptRows* kept = nullptr,
                                    size_t chunkRows = 8192);

// The recordset is past its last row. A provider that cannot tell gives null, read as false.
bool AtEnd(host::Recordset& recordset);

// Order of values for sorting and grouping: nulls first, numbers by value, dates by time,
// text ignoring letter case and accents, with runs of digits compared as numbers.
int CompareValues(const host::Value& a, const host::Value& b);
int CompareText(std::string_view a, std::string_view b);

}  // namespace orla::engine
