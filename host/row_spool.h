// Values written one after another and read back in the same order, as often as asked, by
// as many readers as want them: encoded into a buffer of at most a given size and past that
// into an anonymous temporary file, so that a year of sale lines costs a file, not memory.
// The recordsets of the embedded database keep the rows they have read in one; the report
// engine sorts through them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/value.h"

namespace orla::host {

class RowSpool {
 public:
  static constexpr std::size_t kMemoryBytes = std::size_t{1} << 20;

  explicit RowSpool(std::size_t memoryBytes = kMemoryBytes) : memoryBytes_(memoryBytes) {}

  // Raise HostError when the temporary file cannot be written.
  void Append(const Value& cell) { Append(std::span(&cell, 1)); }
  void Append(std::span<const Value> cells);
  std::size_t Cells() const { return cells_; }
  bool Spilled() const { return file_ != nullptr; }

  // A place in the spool, from the first cell on. Appending between reads leaves every
  // reader where it was; the spool must outlive its readers.
  class Reader {
   public:
    explicit Reader(const RowSpool& spool) : spool_(&spool) {}

    void Rewind() { at_ = 0; }
    // Past every cell appended so far, for a reader that has them already.
    void SkipToEnd() { at_ = spool_->bytes_; }
    bool AtEnd() const { return at_ >= spool_->bytes_; }
    // The next cell; raises HostError past the last one or when the file cannot be read.
    Value Read();
    // The next `width` cells into `row`; false, leaving `row` as it was, at the end.
    bool ReadRow(std::vector<Value>& row, std::size_t width);

   private:
    void Get(void* data, std::size_t size);

    const RowSpool* spool_;
    std::size_t at_ = 0;  // offset of the next cell, from the first cell
    std::string buffer_;  // the file's bytes from bufferAt_ on
    std::size_t bufferAt_ = 0;
  };

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  // The file is written and read a chunk at a time: a call of the C library per cell, each
  // taking the stream's lock, cost more than SQLite took to find the row.
  static constexpr std::size_t kChunkBytes = std::size_t{64} << 10;

  void Put(const void* data, std::size_t size);
  void Flush();

  std::size_t memoryBytes_;
  // Every cell until the spool spills; then the cells not yet written to the file.
  std::string memory_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::size_t fileBytes_ = 0;
  std::size_t cells_ = 0;
  std::size_t bytes_ = 0;
};

}  // namespace orla::host
