#include "sqlite/recordset.h"

#include <cstdint>
#include <cstring>

#include "host/errors.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite {

namespace {

// ADO's numbers for these two failures.
constexpr int32_t kItemNotFound = 3265;
constexpr int32_t kNoCurrentRecord = 3021;

[[noreturn]] void SpoolFailed(const char* what) {
  throw host::HostError(host::error_number::kOutOfMemory,
                        std::string("Cannot ") + what + " the rows of a query in a temporary file",
                        "Recordset");
}

}  // namespace

void RowSpool::Put(const void* data, std::size_t size) {
  bytes_ += size;
  if (!file_ && memory_.size() + size > memoryBytes_) {
    file_.reset(std::tmpfile());
    if (!file_ || std::fwrite(memory_.data(), 1, memory_.size(), file_.get()) != memory_.size()) {
      SpoolFailed("keep");
    }
    std::string().swap(memory_);
    fileAtReadAt_ = false;
  }
  if (file_) {
    if (fileAtReadAt_) {
      if (std::fseek(file_.get(), 0, SEEK_END) != 0) {
        SpoolFailed("keep");
      }
      fileAtReadAt_ = false;
    }
    if (size != 0 && std::fwrite(data, 1, size, file_.get()) != size) {
      SpoolFailed("keep");
    }
  } else {
    memory_.append(static_cast<const char*>(data), size);
  }
}

void RowSpool::Get(void* data, std::size_t size) {
  if (file_) {
    if (!fileAtReadAt_) {
      // A seek between writing and reading also flushes what was written.
      if (std::fseek(file_.get(), static_cast<long>(readAt_), SEEK_SET) != 0) {
        SpoolFailed("read back");
      }
      fileAtReadAt_ = true;
    }
    if (size != 0 && std::fread(data, 1, size, file_.get()) != size) {
      SpoolFailed("read back");
    }
    readAt_ += size;
    return;
  }
  if (readAt_ + size > memory_.size()) {
    SpoolFailed("read back");
  }
  std::memcpy(data, memory_.data() + readAt_, size);
  readAt_ += size;
}

void RowSpool::Append(const host::Value& cell) {
  const auto kind = static_cast<uint8_t>(cell.GetKind());
  Put(&kind, 1);
  switch (cell.GetKind()) {
    case host::Value::Kind::Null:
      break;
    case host::Value::Kind::Boolean: {
      const uint8_t flag = cell.AsBoolean() ? 1 : 0;
      Put(&flag, 1);
      break;
    }
    case host::Value::Kind::Integer: {
      const int64_t number = cell.AsInteger();
      Put(&number, sizeof number);
      break;
    }
    case host::Value::Kind::Double: {
      const double number = cell.AsDouble();
      Put(&number, sizeof number);
      break;
    }
    case host::Value::Kind::Text: {
      const std::string& text = cell.AsText();
      const uint64_t length = text.size();
      Put(&length, sizeof length);
      Put(text.data(), text.size());
      break;
    }
    case host::Value::Kind::Date: {
      const int64_t days = cell.AsDate().Days();
      const int32_t seconds = cell.AsDate().SecondsOfDay();
      Put(&days, sizeof days);
      Put(&seconds, sizeof seconds);
      break;
    }
  }
  ++cells_;
}

void RowSpool::Rewind() {
  readAt_ = 0;
  fileAtReadAt_ = false;
}

void RowSpool::SkipToEnd() {
  readAt_ = bytes_;
  fileAtReadAt_ = false;
}

host::Value RowSpool::Read() {
  uint8_t kind = 0;
  Get(&kind, 1);
  switch (static_cast<host::Value::Kind>(kind)) {
    case host::Value::Kind::Null:
      return host::Value();
    case host::Value::Kind::Boolean: {
      uint8_t flag = 0;
      Get(&flag, 1);
      return host::Value(flag != 0);
    }
    case host::Value::Kind::Integer: {
      int64_t number = 0;
      Get(&number, sizeof number);
      return host::Value(number);
    }
    case host::Value::Kind::Double: {
      double number = 0;
      Get(&number, sizeof number);
      return host::Value(number);
    }
    case host::Value::Kind::Text: {
      uint64_t length = 0;
      Get(&length, sizeof length);
      std::string text(length, '\0');
      Get(text.data(), text.size());
      return host::Value(std::move(text));
    }
    case host::Value::Kind::Date: {
      int64_t days = 0;
      int32_t seconds = 0;
      Get(&days, sizeof days);
      Get(&seconds, sizeof seconds);
      return host::Value(host::DateTime::FromDays(days, seconds));
    }
  }
  SpoolFailed("read back");
}

TableRecordset::TableRecordset(std::vector<host::Column> columns, std::vector<host::Value> cells)
    : columns_(std::move(columns)) {
  for (const host::Value& cell : cells) {
    rows_.Append(cell);
  }
  MoveFirst();
}

TableRecordset::TableRecordset(std::vector<host::Column> columns, RowSpool rows, Convert convert)
    : columns_(std::move(columns)), rows_(std::move(rows)), convert_(std::move(convert)) {
  MoveFirst();
}

TableRecordset::TableRecordset(std::vector<host::Column> columns, RowSpool rows, Convert convert,
                               std::unique_ptr<RowSource> source)
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
      for (const host::Value& cell : cells) {
        rows_.Append(cell);
      }
      return true;
    }
  } catch (...) {
    failure_ = std::current_exception();
  }
  source_.reset();
  return false;
}

bool TableRecordset::HaveRow(std::size_t row) {
  std::vector<host::Value> cells;
  while (row >= RowsRead() && source_ && Pull(cells)) {
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
    std::vector<host::Value> cells;
    if (Pull(cells)) {
      rows_.SkipToEnd();
      for (std::size_t c = 0; c < cells.size(); ++c) {
        current_.push_back(convert_ ? convert_(std::move(cells[c]), c) : std::move(cells[c]));
      }
      return;
    }
  }
  if (!HaveRow(row_)) {
    return;
  }
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    host::Value cell = rows_.Read();
    current_.push_back(convert_ ? convert_(std::move(cell), c) : std::move(cell));
  }
}

void TableRecordset::MoveFirst() {
  row_ = 0;
  rows_.Rewind();
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
