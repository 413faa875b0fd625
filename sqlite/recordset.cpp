#include "sqlite/recordset.h"

#include "host/errors.h"
#include "sqlite/tsql_tokenizer.h"

namespace orla::sqlite {

namespace {

// ADO's numbers for these two failures.
constexpr int32_t kItemNotFound = 3265;
constexpr int32_t kNoCurrentRecord = 3021;

}  // namespace

TableRecordset::TableRecordset(std::vector<host::Column> columns, std::vector<host::Value> cells)
    : columns_(std::move(columns)), cells_(std::move(cells)) {}

void TableRecordset::MoveNext() {
  if (row_ >= RowCount()) {
    throw host::HostError(kNoCurrentRecord, "MoveNext past the last record", "Recordset");
  }
  ++row_;
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
  if (row_ >= RowCount()) {
    throw host::HostError(kNoCurrentRecord, "Either BOF or EOF is True: no current record",
                          "Recordset");
  }
  return cells_[row_ * columns_.size() + index];
}

}  // namespace orla::sqlite
