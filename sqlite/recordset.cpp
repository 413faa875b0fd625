#include "sqlite/recordset.h"

#include <cstdint>

#include "host/errors.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite {

namespace {

// ADO's numbers for these two failures.
constexpr int32_t kItemNotFound = 3265;
constexpr int32_t kNoCurrentRecord = 3021;

}  // namespace

TableRecordset::TableRecordset(std::vector<host::Column> columns, std::vector<host::Value> cells)
    : columns_(std::move(columns)) {
  rows_.Append(cells);
  MoveFirst();
}

TableRecordset::TableRecordset(std::vector<host::Column> columns, host::RowSpool rows,
                               Convert convert)
    : columns_(std::move(columns)), rows_(std::move(rows)), convert_(std::move(convert)) {
  MoveFirst();
}

TableRecordset::TableRecordset(std::vector<host::Column> columns, host::RowSpool rows,
                               Convert convert, std::unique_ptr<RowSource> source)
    : columns_(std::move(columns)),
      rows_(std::move(rows)),
      convert_(std::move(convert)),
      source_(std::move(source)) {
  MoveFirst();
}

bool TableRecordset::Pull(std::vector<host::Value>& cells) {
  cells.clear();
  try {
    if (source_->Next(cells)) {
      rows_.Append(cells);
      return true;
    }
  } catch (...) {
    failure_ = std::current_exception();
  }
  source_.reset();
  return false;
}

bool TableRecordset::HaveRow(std::size_t row) {
  while (row >= RowsRead() && source_ && Pull(pulled_)) {
  }
  if (row >= RowsRead() && failure_) {
    std::rethrow_exception(failure_);
  }
  return row < RowsRead();
}

void TableRecordset::Drain() {
  try {
    HaveRow(static_cast<std::size_t>(-1));
  } catch (...) {
    // Kept in failure_ for the reader who gets that far.
  }
}

void TableRecordset::LoadRow() {
  current_.clear();
  if (row_ == RowsRead() && source_) {
    // The reader is at the end of the spool: the new row is used as it comes rather than
    // read back, which in the file would cost a seek each way per row.
    if (Pull(pulled_)) {
      reader_.SkipToEnd();
      current_.swap(pulled_);
      if (convert_) {
        convert_(current_);
      }
      return;
    }
  }
  if (!HaveRow(row_)) {
    return;
  }
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    current_.push_back(reader_.Read());
  }
  if (convert_) {
    convert_(current_);
  }
}

void TableRecordset::MoveFirst() {
  row_ = 0;
  reader_.Rewind();
  LoadRow();
}

void TableRecordset::MoveNext() {
  if (!HaveRow(row_)) {
    throw host::HostError(kNoCurrentRecord, "MoveNext past the last record", "Recordset");
  }
  ++row_;
  LoadRow();
}

host::Value TableRecordset::Field(std::string_view name) {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (tsql::EqualsIgnoreCase(columns_[i].name, name)) {
      return FieldAt(i);
    }
  }
  throw host::HostError(kItemNotFound,
                        "Item cannot be found in the collection corresponding to the requested "
                        "name: column '" +
                            std::string(name) + "'",
                        "Recordset");
}

host::Value TableRecordset::FieldAt(std::size_t index) {
  if (index >= columns_.size()) {
    throw host::HostError(kItemNotFound, "No column number " + std::to_string(index), "Recordset");
  }
  if (current_.empty()) {
    throw host::HostError(kNoCurrentRecord, "Either BOF or EOF is True: no current record",
                          "Recordset");
  }
  return current_[index];
}

}  // namespace orla::sqlite
