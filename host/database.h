// The host's database object and the recordsets it opens.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/value.h"

namespace orla::host {

// What a column holds, for the report engine and the JSON output.
enum class ColumnType { Unknown, Boolean, Integer, Double, Text, Date };

struct Column {
  std::string name;
  ColumnType type = ColumnType::Unknown;
};

class Recordset {
 public:
  virtual ~Recordset() = default;

  // The recordset's EOF: true once the cursor is past the last row. A provider that cannot
  // tell gives null, which callers read as false. (EOF itself is a C macro.)
  virtual Value Eof() = 0;
  virtual void MoveNext() = 0;
  // Back to the first row, so that one recordset can feed a report and its subreports.
  virtual void MoveFirst() = 0;
  // The current row's field by column name, letter case ignored; raises for an unknown name
  // or when there is no current row.
  virtual Value Field(std::string_view name) = 0;
  virtual Value FieldAt(std::size_t index) = 0;
  virtual const std::vector<Column>& Columns() = 0;
};

using RecordsetRef = std::shared_ptr<Recordset>;

class Database {
 public:
  virtual ~Database() = default;

  virtual RecordsetRef OpenRecordSet(const std::string& sql) = 0;
  // Runs a statement. A statement that gives rows gives them as a recordset; any other
  // gives no recordset.
  virtual RecordsetRef SQL_Execute(const std::string& sql) = 0;
  // The same, storing the number of rows the statement inserted, changed or deleted.
  virtual RecordsetRef SQL_Execute(const std::string& sql, int32_t& rowsAffected) = 0;
  virtual bool IsOpened() = 0;
  virtual void DB_Open() = 0;
  // The connection text; a command object opens its own connection on it.
  virtual std::string GetConnectionString() = 0;
  virtual void DB_Close() = 0;
};

}  // namespace orla::host
