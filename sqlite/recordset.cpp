#include "sqlite/recordset.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

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
  if (!file_ && memory_.size() + size > memoryBytes_) {
    file_.reset(std::tmpfile());
    if (!file_) {
      SpoolFailed("keep");
    }
    Flush();
    std::string().swap(memory_);
  }
  memory_.append(static_cast<const char*>(data), size);
  bytes_ += size;
  if (file_ && memory_.size() >= kChunkBytes) {
    Flush();
  }
}

void RowSpool::Flush() {
  if (memory_.empty()) {
    return;
  }
  if (std::fseek(file_.get(), static_cast<long>(fileBytes_), SEEK_SET) != 0 ||
      std::fwrite(memory_.data(), 1, memory_.size(), file_.get()) != memory_.size()) {
    SpoolFailed("keep");
  }
  fileBytes_ += memory_.size();
  memory_.clear();
}

void RowSpool::Get(void* data, std::size_t size) {
  auto* to = static_cast<char*>(data);
  while (size != 0) {
    if (readAt_ >= fileBytes_) {
      const std::size_t at = readAt_ - fileBytes_;
      if (at + size > memory_.size()) {
        SpoolFailed("read back");
      }
      std::memcpy(to, memory_.data() + at, size);
      readAt_ += size;
      return;
    }
    if (readAt_ < readBufferAt_ || readAt_ >= readBufferAt_ + readBuffer_.size()) {
      readBuffer_.resize(std::min(kChunkBytes, fileBytes_ - readAt_));
      readBufferAt_ = readAt_;
      if (std::fseek(file_.get(), static_cast<long>(readAt_), SEEK_SET) != 0 ||
          std::fread(readBuffer_.data(), 1, readBuffer_.size(), file_.get()) !=
              readBuffer_.size()) {
        SpoolFailed("read back");
      }
    }
    const std::size_t part = std::min(size, readBufferAt_ + readBuffer_.size() - readAt_);
    std::memcpy(to, readBuffer_.data() + (readAt_ - readBufferAt_), part);
    to += part;
    size -= part;
    readAt_ += part;
  }
}

namespace {

// A cell's kind and its fixed-size part: at most a date's days and seconds.
constexpr std::size_t kHeadBytes = 1 + sizeof(int64_t) + sizeof(int32_t);

}  // namespace

std::size_t RowSpool::Encode(const host::Value& cell, char* to) {
  std::size_t size = 1;
  to[0] = static_cast<char>(cell.GetKind());
  auto add = [&](const auto& part) {
    std::memcpy(to + size, &part, sizeof part);
    size += sizeof part;
  };
  switch (cell.GetKind()) {
    case host::Value::Kind::Null:
      break;
    case host::Value::Kind::Boolean:
      add(static_cast<uint8_t>(cell.AsBoolean() ? 1 : 0));
      break;
    case host::Value::Kind::Integer:
      add(cell.AsInteger());
      break;
    case host::Value::Kind::Double:
      add(cell.AsDouble());
      break;
    case host::Value::Kind::Text:
      add(static_cast<uint64_t>(cell.AsText().size()));
      std::memcpy(to + size, cell.AsText().data(), cell.AsText().size());
      size += cell.AsText().size();
      break;
    case host::Value::Kind::Date:
      add(static_cast<int64_t>(cell.AsDate().Days()));
      add(static_cast<int32_t>(cell.AsDate().SecondsOfDay()));
      break;
  }
  return size;
}

void RowSpool::Append(const host::Value& cell) {
  Append(&cell, 1);
}

void RowSpool::Append(const std::vector<host::Value>& cells) {
  Append(cells.data(), cells.size());
}

void RowSpool::Append(const host::Value* cells, std::size_t count) {
  // A row goes in with one Put, encoded in place at the end of the buffer.
  std::size_t room = 0;
  for (const host::Value& cell : std::span(cells, count)) {
    room += kHeadBytes + (cell.GetKind() == host::Value::Kind::Text ? cell.AsText().size() : 0);
  }
  if (!file_ && memory_.size() + room > memoryBytes_) {
    std::string row(room, '\0');
    std::size_t size = 0;
    for (const host::Value& cell : std::span(cells, count)) {
      size += Encode(cell, row.data() + size);
    }
    Put(row.data(), size);
  } else {
    const std::size_t start = memory_.size();
    memory_.resize(start + room);
    std::size_t size = 0;
    for (const host::Value& cell : std::span(cells, count)) {
      size += Encode(cell, memory_.data() + start + size);
    }
    memory_.resize(start + size);
    bytes_ += size;
    if (file_ && memory_.size() >= kChunkBytes) {
      Flush();
    }
  }
  cells_ += count;
}

void RowSpool::Rewind() {
  readAt_ = 0;
}

void RowSpool::SkipToEnd() {
  readAt_ = bytes_;
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
  rows_.Append(cells);
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
      rows_.SkipToEnd();
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
    current_.push_back(rows_.Read());
  }
  if (convert_) {
    convert_(current_);
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
