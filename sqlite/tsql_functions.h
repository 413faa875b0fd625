// What every connection registers so that translated statements keep SQL Server's meaning:
// the TSQL collation and the tsql_* functions the translator writes (tsql_translator.h). Each
// fails where SQL Server fails, with SQL Server's words, rather than letting SQLite carry on
// with a value SQL Server would never have produced.
//
// tsql_datetime(x): x read as a date (date_text.h), in the stored form; a number counts days
//   from 1900-01-01 as SQL Server does.
// tsql_convert(x, style): a date as text in the CONVERT style: 103 dd/mm/yyyy, 108 hh:mm:ss,
//   111 yyyy/mm/dd, 112 yyyymmdd, 120 yyyy-mm-dd hh:mm:ss; other text passes unchanged.
// tsql_bit(x): 1 for non-zero and 'TRUE', 0 for zero and 'FALSE', null for null.
// tsql_int(x), tsql_float(x): text read as a number; text that is not one is an error.
// tsql_arith(kind, x0 [, op, x ...]): x0 op x1 op x2 ... from the left, op one of + - * / %,
//   in SQL Server's type `kind` (tinyint, smallint, int, bigint: whole, a real cut toward
//   zero; money, decimal, float: real): each step fails on overflow of the type's range and
//   on division by zero, null when an operand is; with x0 alone, x0 brought into the type.
// tsql_error(message): fails with the message, where SQL Server fails at run time.
// tsql_upper(x), tsql_lower(x): letter case changed also on accented Latin letters.
// tsql_like(x, pattern): LIKE with %, _ and [...] under the TSQL collation.
// tsql_dateadd(part, n, d), tsql_datediff(part, a, b): part is one of year, quarter, month,
//   day, week, hour, minute, second; datediff counts the boundaries crossed.
// tsql_getdate(): the local time now.
#pragma once

struct sqlite3;

namespace orla::sqlite {

void RegisterTsqlFunctions(sqlite3* db);

}  // namespace orla::sqlite
