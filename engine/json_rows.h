// The rows of a report document read from the document itself, one at a time, each time
// the recordset is read from its first row: a saved report of any size renders in the
// memory of one row.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/format.h"
#include "host/database.h"

namespace orla::engine {

// Opens the document again, from its start.
using JsonOpener = std::function<std::unique_ptr<std::istream>()>;

// A JSON row value as the field of that format holds it: text in a date field is a date.
// Raises host::LayoutError for a value that is a list or an object.
host::Value ValueFromJson(const nlohmann::json& value, const FieldFormat& format);

class JsonRowsRecordset final : public host::Recordset {
 public:
  // `offset` is just past the "[" that opens the rows, which were checked to be lists of one
  // value per column when the document was first read.
  JsonRowsRecordset(JsonOpener open, std::streamoff offset, std::vector<host::Column> columns,
                    std::vector<FieldFormat> formats);

  host::Value Eof() override;
  void MoveNext() override;
  void MoveFirst() override;
  host::Value Field(std::string_view name) override;
  host::Value FieldAt(std::size_t index) override;
  const std::vector<host::Column>& Columns() override { return columns_; }

 private:
  void Read();
  void Start();

  JsonOpener open_;
  std::streamoff offset_;
  std::vector<host::Column> columns_;
  std::vector<FieldFormat> formats_;
  std::unique_ptr<std::istream> in_;
  bool started_ = false;
  bool first_ = true;
  bool eof_ = false;
  std::string text_;
  std::vector<host::Value> values_;
};

}  // namespace orla::engine
