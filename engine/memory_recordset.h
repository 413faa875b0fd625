// A recordset held in memory: the rows of a report read back from JSON, and hand-made rows
// in tests.
#pragma once

#include <vector>

#include "host/database.h"

namespace orla::engine {

class MemoryRecordset final : public host::Recordset {
 public:
  using Row = std::vector<host::Value>;

  // Every row has one value per column.
  MemoryRecordset(std::vector<host::Column> columns, std::vector<Row> rows);

  host::Value Eof() override { return position_ >= rows_.size(); }
  void MoveNext() override;
  void MoveFirst() override { position_ = 0; }
  host::Value Field(std::string_view name) override;
  host::Value FieldAt(std::size_t index) override;
  const std::vector<host::Column>& Columns() override { return columns_; }

 private:
  std::vector<host::Column> columns_;
  std::vector<Row> rows_;
  size_t position_ = 0;
};

}  // namespace orla::engine
