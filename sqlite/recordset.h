// The rows a statement gives, read as the caller moves through them. Each row read is also
// spooled (host/row_spool.h), so reading twice (EOF at presentation, page counting,
// MoveFirst) reads the spool again rather than running the statement again, which could see
// other rows once ## tables have changed. A year of sale lines costs a file, not memory.
//
// A statement still being read is a live SQLite statement: it holds a read lock that the
// library's own writes would wait on (on TempDB, or on the sales file). So a recordset whose
// statement is live is drained, its remaining rows spooled and the statement finalized,
// before any write on the thread that opened it and before its connection closes
// (connection.h); it then outlives DB_Close and the Database that opened it, as the library
// expects of the recordsets it reads at the end of two operations.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/database.h"
#include "host/row_spool.h"
#include "sqlite/connection.h"

namespace orla::sqlite {

// Where a recordset's rows come from while there are more to read.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // Appends the next row's cells to `cells` and gives true, or gives false at the end.
  virtual bool Next(std::vector<host::Value>& cells) = 0;
};

class TableRecordset final : public host::Recordset, public LiveReader {
 public:
  // Turns a row's stored cells, in place, into the values the caller sees.
  using Convert = std::function<void(std::vector<host::Value>& row)>;

  // `cells` holds the rows one after another, columns.size() values each.
  TableRecordset(std::vector<host::Column> columns, std::vector<host::Value> cells);
  TableRecordset(std::vector<host::Column> columns, host::RowSpool rows, Convert convert);
  // Rows read from `source` as they are needed, after those already in `rows`. Whoever
  // makes it lists it with AddLiveReader (connection.h) so that it is drained in time.
  TableRecordset(std::vector<host::Column> columns, host::RowSpool rows, Convert convert,
                 std::unique_ptr<RowSource> source);
  TableRecordset(const TableRecordset&) = delete;
  TableRecordset& operator=(const TableRecordset&) = delete;

  host::Value Eof() override { return host::Value(!HaveRow(row_)); }
  void MoveNext() override;
  void MoveFirst() override;
  // Raises host::HostError 3265 for an unknown column, 3021 when past the last row.
  host::Value Field(std::string_view name) override;
  host::Value FieldAt(std::size_t index) override;
  const std::vector<host::Column>& Columns() override { return columns_; }

  // Reads the remaining rows into the spool and lets the statement go.
  void Drain() override;

 private:
  // Rows read from the statement so far (all of them once it is drained).
  std::size_t RowsRead() const { return columns_.empty() ? 0 : rows_.Cells() / columns_.size(); }
  // Reads from the source until row `row` is in the spool or there are no more rows; raises
  // the error the source met, then and ever after, rather than end the rows early.
  bool HaveRow(std::size_t row);
  // Reads the next row from the source into the spool and `cells`; false at the end or on
  // an error, which it keeps.
  bool Pull(std::vector<host::Value>& cells);
  void LoadRow();

  std::vector<host::Column> columns_;
  host::RowSpool rows_;
  host::RowSpool::Reader reader_{rows_};
  Convert convert_;
  std::unique_ptr<RowSource> source_;
  std::exception_ptr failure_;
  std::vector<host::Value> current_;
  std::vector<host::Value> pulled_;  // the row last read from the source, kept for its capacity
  std::size_t row_ = 0;
};

}  // namespace orla::sqlite
