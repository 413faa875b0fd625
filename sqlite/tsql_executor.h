// Runs a T-SQL batch on a connection: tokenized, cut into statements, each translated just
// before it runs (tsql_translator.h). Every failure is a host::DatabaseError that says what
// failed and shows the statement as the caller wrote it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/database.h"
#include "sqlite/connection.h"

namespace orla::sqlite {

struct BatchResult {
  // The rows of the last statement that gives rows (a SELECT, also an empty one).
  host::RecordsetRef rows;
  // Rows inserted, changed or deleted by the whole batch.
  int64_t rowsAffected = 0;
};

BatchResult RunBatch(Connection& connection, std::string_view tsql);

// The SQLite text of one T-SQL SELECT, for a caller that runs it inside a statement of its
// own; raises host::DatabaseError as RunBatch does.
std::string TranslateQuery(Connection& connection, std::string_view tsql);

// The rows of a statement prepared on `connection`, as a recordset that reads them as they
// are used (recordset.h). Columns take their kind from the declared type in `typeHints`
// (the T-SQL type the translator gave the column, which for a UNION may outrank its first
// branch's column), else from SQLite's declared type (DATETIME as dates, BIT as Booleans...),
// and otherwise from their values, stored-form dates included, in which case the rows are
// read whole at once; so are the rows of a statement that reads TempDB (`readsTempDb`).
host::RecordsetRef ReadRows(Connection& connection, std::unique_ptr<PreparedStatement> statement,
                            const std::vector<std::string>& typeHints, bool readsTempDb);

}  // namespace orla::sqlite
