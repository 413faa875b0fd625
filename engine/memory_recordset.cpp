#include "engine/memory_recordset.h"

#include "engine/layout.h"
#include "host/errors.h"

namespace orla::engine {

namespace {

constexpr const char* kSource = "Recordset";

}  // namespace

MemoryRecordset::MemoryRecordset(std::vector<host::Column> columns, std::vector<Row> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {
  for (const Row& row : rows_) {
    if (row.size() != columns_.size()) {
      throw host::HostError(host::error_number::kInvalidProcedureCall,
                            "A row has " + std::to_string(row.size()) + " values for " +
                                std::to_string(columns_.size()) + " columns",
                            kSource);
    }
  }
}

void MemoryRecordset::MoveNext() {
  if (position_ >= rows_.size()) {
    throw host::HostError(host::error_number::kDatabase, "Either BOF or EOF is True", kSource);
  }
  ++position_;
}

host::Value MemoryRecordset::Field(std::string_view name) {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (EqualsIgnoringCase(columns_[i].name, name)) {
      return FieldAt(i);
    }
  }
  throw host::HostError(host::error_number::kDatabase,
                        "Item cannot be found in the collection: " + std::string(name), kSource);
}

host::Value MemoryRecordset::FieldAt(std::size_t index) {
  if (position_ >= rows_.size()) {
    throw host::HostError(host::error_number::kDatabase, "Either BOF or EOF is True", kSource);
  }
  if (index >= columns_.size()) {
    throw host::HostError(host::error_number::kDatabase,
                          "Item cannot be found in the collection: " + std::to_string(index),
                          kSource);
  }
  return rows_[position_][index];
}

}  // namespace orla::engine
