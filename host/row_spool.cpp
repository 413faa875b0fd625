#include "host/row_spool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "host/errors.h"

namespace orla::host {

namespace {

[[noreturn]] void SpoolFailed(const char* message) {
  throw HostError(error_number::kOutOfMemory, message, "Row spool");
}

constexpr const char* kCannotKeep = "Cannot keep the rows in a temporary file";
constexpr const char* kCannotRead = "Cannot read the rows back from their temporary file";

// A cell's kind and its fixed-size part: at most a date's days and seconds.
constexpr std::size_t kHeadBytes = 1 + sizeof(int64_t) + sizeof(int32_t);

// Encodes `cell` at `to`, which has room for its fixed-size part and its text; gives the
// bytes written.
std::size_t Encode(const Value& cell, char* to) {
  std::size_t size = 1;
  to[0] = static_cast<char>(cell.GetKind());
  auto add = [&](const auto& part) {
    std::memcpy(to + size, &part, sizeof part);
    size += sizeof part;
  };
  switch (cell.GetKind()) {
    case Value::Kind::Null:
      break;
    case Value::Kind::Boolean:
      add(static_cast<uint8_t>(cell.AsBoolean() ? 1 : 0));
      break;
    case Value::Kind::Integer:
      add(cell.AsInteger());
      break;
    case Value::Kind::Double:
      add(cell.AsDouble());
      break;
    case Value::Kind::Text:
      add(static_cast<uint64_t>(cell.AsText().size()));
      std::memcpy(to + size, cell.AsText().data(), cell.AsText().size());
      size += cell.AsText().size();
      break;
    case Value::Kind::Date:
      add(static_cast<int64_t>(cell.AsDate().Days()));
      add(static_cast<int32_t>(cell.AsDate().SecondsOfDay()));
      break;
  }
  return size;
}

}  // namespace

void RowSpool::Put(const void* data, std::size_t size) {
  if (!file_ && memory_.size() + size > memoryBytes_) {
    file_.reset(std::tmpfile());
    if (!file_) {
      SpoolFailed(kCannotKeep);
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
    SpoolFailed(kCannotKeep);
  }
  fileBytes_ += memory_.size();
  memory_.clear();
}

void RowSpool::Append(std::span<const Value> cells) {
  // A row goes in with one Put, encoded in place at the end of the buffer.
  std::size_t room = 0;
  for (const Value& cell : cells) {
    room += kHeadBytes + (cell.GetKind() == Value::Kind::Text ? cell.AsText().size() : 0);
  }
  if (!file_ && memory_.size() + room > memoryBytes_) {
    std::string row(room, '\0');
    std::size_t size = 0;
    for (const Value& cell : cells) {
      size += Encode(cell, row.data() + size);
    }
    Put(row.data(), size);
  } else {
    const std::size_t start = memory_.size();
    memory_.resize(start + room);
    std::size_t size = 0;
    for (const Value& cell : cells) {
      size += Encode(cell, memory_.data() + start + size);
    }
    memory_.resize(start + size);
    bytes_ += size;
    if (file_ && memory_.size() >= kChunkBytes) {
      Flush();
    }
  }
  cells_ += cells.size();
}

void RowSpool::Reader::Get(void* data, std::size_t size) {
  const RowSpool& spool = *spool_;
  auto* to = static_cast<char*>(data);
  while (size != 0) {
    if (at_ >= spool.fileBytes_) {
      const std::size_t at = at_ - spool.fileBytes_;
      if (at + size > spool.memory_.size()) {
        SpoolFailed(kCannotRead);
      }
      std::memcpy(to, spool.memory_.data() + at, size);
      at_ += size;
      return;
    }
    if (at_ < bufferAt_ || at_ >= bufferAt_ + buffer_.size()) {
      // Each reader seeks before it reads: readers of one spool share its file.
      buffer_.resize(std::min(kChunkBytes, spool.fileBytes_ - at_));
      bufferAt_ = at_;
      if (std::fseek(spool.file_.get(), static_cast<long>(at_), SEEK_SET) != 0 ||
          std::fread(buffer_.data(), 1, buffer_.size(), spool.file_.get()) != buffer_.size()) {
        SpoolFailed(kCannotRead);
      }
    }
    const std::size_t part = std::min(size, bufferAt_ + buffer_.size() - at_);
    std::memcpy(to, buffer_.data() + (at_ - bufferAt_), part);
    to += part;
    size -= part;
    at_ += part;
  }
}

Value RowSpool::Reader::Read() {
  uint8_t kind = 0;
  Get(&kind, 1);
  switch (static_cast<Value::Kind>(kind)) {
    case Value::Kind::Null:
      return Value();
    case Value::Kind::Boolean: {
      uint8_t flag = 0;
      Get(&flag, 1);
      return Value(flag != 0);
    }
    case Value::Kind::Integer: {
      int64_t number = 0;
      Get(&number, sizeof number);
      return Value(number);
    }
    case Value::Kind::Double: {
      double number = 0;
      Get(&number, sizeof number);
      return Value(number);
    }
    case Value::Kind::Text: {
      uint64_t length = 0;
      Get(&length, sizeof length);
      std::string text(length, '\0');
      Get(text.data(), text.size());
      return Value(std::move(text));
    }
    case Value::Kind::Date: {
      int64_t days = 0;
      int32_t seconds = 0;
      Get(&days, sizeof days);
      Get(&seconds, sizeof seconds);
      return Value(DateTime::FromDays(days, seconds));
    }
  }
  SpoolFailed(kCannotRead);
}

bool RowSpool::Reader::ReadRow(std::vector<Value>& row, std::size_t width) {
  if (AtEnd()) {
    return false;
  }
  row.resize(width);
  for (Value& cell : row) {
    cell = Read();
  }
  return true;
}

}  // namespace orla::host
