// The rows a statement gave. The statement is read to its end before the caller sees the
// first row, so the caller can write to the tables it is reading, on this connection or
// another (a live statement would hold TempDB's lock and stop the library's own writes to
// its ## tables), and the recordset outlives the Database that opened it (the library reads
// recordsets after DB_Close at the end of two operations).
//
// The rows are not held as values: they are spooled, encoded, into a buffer of at most
// RowSpool::kMemoryBytes and past that into an anonymous temporary file, and decoded one row
// at a time as the reader moves. A year of sale lines costs a file, not memory, and reading
// twice (EOF at presentation, page counting, MoveFirst) reads the file again rather than
// running the statement again, which could see other rows once ## tables have changed.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/database.h"

namespace orla::sqlite {

// Cells written one after another, then read back in the same order, as often as asked.
class RowSpool {
 public:
  static constexpr std::size_t kMemoryBytes = std::size_t{1} << 20;

  explicit RowSpool(std::size_t memoryBytes = kMemoryBytes) : memoryBytes_(memoryBytes) {}

  // Raises host::HostError when the temporary file cannot be written.
  void Append(const host::Value& cell);
  std::size_t Cells() const { return cells_; }
  bool Spilled() const { return file_ != nullptr; }

  // Back to the first cell; then Read gives the cells in order.
  void Rewind();
  host::Value Read();

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  void Put(const void* data, std::size_t size);
  void Get(void* data, std::size_t size);

  std::size_t memoryBytes_;
  std::string memory_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::size_t cells_ = 0;
  std::size_t readAt_ = 0;  // in memory_
};

class TableRecordset final : public host::Recordset {
 public:
  // Turns a stored cell into the value the caller sees, knowing its column.
  using Convert = std::function<host::Value(host::Value cell, std::size_t column)>;

  // `cells` holds the rows one after another, columns.size() values each.
  TableRecordset(std::vector<host::Column> columns, std::vector<host::Value> cells);
  TableRecordset(std::vector<host::Column> columns, RowSpool rows, Convert convert);

  host::Value Eof() override { return host::Value(row_ >= RowCount()); }
  void MoveNext() override;
  void MoveFirst() override;
  // Raises host::HostError 3265 for an unknown column, 3021 when past the last row.
  host::Value Field(std::string_view name) override;
  host::Value FieldAt(std::size_t index) override;
  const std::vector<host::Column>& Columns() override { return columns_; }

  std::size_t RowCount() const { return columns_.empty() ? 0 : rows_.Cells() / columns_.size(); }

 private:
  void LoadRow();

  std::vector<host::Column> columns_;
  RowSpool rows_;
  Convert convert_;
  std::vector<host::Value> current_;
  std::size_t row_ = 0;
};

}  // namespace orla::sqlite
