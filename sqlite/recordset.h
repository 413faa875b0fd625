// The rows a statement gave, read whole. Keeping them costs memory but no locks: the
// statement is finished before the caller sees the first row, so the caller can write to
// the tables it is reading, on this connection or another, and the recordset outlives the
// Database that opened it (the library reads recordsets after DB_Close at the end of two
// operations).
#pragma once

#include <cstddef>
#include <vector>

#include "host/database.h"

namespace orla::sqlite {

class TableRecordset final : public host::Recordset {
 public:
  // `cells` holds the rows one after another, columns.size() values each.
  TableRecordset(std::vector<host::Column> columns, std::vector<host::Value> cells);

  host::Value Eof() override { return host::Value(row_ >= RowCount()); }
  void MoveNext() override;
  void MoveFirst() override { row_ = 0; }
  // Raises host::HostError 3265 for an unknown column, 3021 when past the last row.
  host::Value Field(std::string_view name) override;
  host::Value FieldAt(std::size_t index) override;
  const std::vector<host::Column>& Columns() override { return columns_; }

  std::size_t RowCount() const { return columns_.empty() ? 0 : cells_.size() / columns_.size(); }

 private:
  std::vector<host::Column> columns_;
  std::vector<host::Value> cells_;
  std::size_t row_ = 0;
};

}  // namespace orla::sqlite
