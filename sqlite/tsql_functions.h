// The functions typed translation writes (tsql_translator.h), registered on every connection
// beside those of sql_functions.h. Each fails where SQL Server fails, with SQL Server's words,
// rather than letting SQLite carry on with a value SQL Server would never have produced.
//
// tsql_int(x), tsql_float(x): text read as a number; text that is not one is an error.
// tsql_divide(a, b): a / b, whole when both are whole; dividing by zero is an error.
// tsql_upper(x), tsql_lower(x): letter case changed also on accented Latin letters.
// tsql_like(x, pattern): LIKE with %, _ and [...] under the TSQL collation.
// tsql_dateadd(part, n, d), tsql_datediff(part, a, b): part is one of year, quarter, month,
//   day, week, hour, minute, second; datediff counts the boundaries crossed.
// tsql_getdate(): the local time now.
#pragma once

struct sqlite3;

namespace orla::sqlite {

void RegisterTsqlTypeFunctions(sqlite3* db);

}  // namespace orla::sqlite
