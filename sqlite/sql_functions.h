// What every connection registers so that translated statements keep SQL Server's meaning:
// the TSQL collation and the tsql_* functions the translator writes.
#pragma once

#include "sqlite/collation.h"

struct sqlite3;

namespace orla::sqlite {

// tsql_datetime(x): x read as a date (date_text.h), in the stored form; a number counts days
// from 1900-01-01 as SQL Server does.
// tsql_convert(x, style): a date as text in the CONVERT style: 103 dd/mm/yyyy, 108 hh:mm:ss,
// 111 yyyy/mm/dd, 112 yyyymmdd, 120 yyyy-mm-dd hh:mm:ss; other text passes unchanged.
// tsql_bit(x): 1 for non-zero and 'TRUE', 0 for zero and 'FALSE', null for null.
void RegisterTsqlFunctions(sqlite3* db);

}  // namespace orla::sqlite
