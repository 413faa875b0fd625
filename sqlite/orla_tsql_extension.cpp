// orla_tsql.so: what the stored schema of a sales database needs from outside SQLite, as a
// loadable extension, so the standard sqlite3 shell and other SQLite tools can read it.
// Today that is the TSQL collation of every text column; the comparison is the program's
// own (collation.h).
#include <cstddef>

#include <sqlite3ext.h>

#include "sqlite/collation.h"

SQLITE_EXTENSION_INIT1

namespace {

int Compare(void*, int lengthA, const void* a, int lengthB, const void* b) {
  return orla::sqlite::CompareTsqlText(
      {static_cast<const char*>(a), static_cast<std::size_t>(lengthA)},
      {static_cast<const char*>(b), static_cast<std::size_t>(lengthB)});
}

}  // namespace

// SQLite finds the entry point by the file name: orla_tsql -> sqlite3_orlatsql_init.
extern "C" __attribute__((visibility("default"))) int sqlite3_orlatsql_init(
    sqlite3* db, char**, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  return sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, Compare);
}
