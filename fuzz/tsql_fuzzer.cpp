// The T-SQL adapter: a batch as the library or `orla-vendas sql` would pass it, translated
// and run on an empty sales database (schema and master data only). A batch either runs or
// raises the adapter's database error; each input runs in a transaction that is rolled
// back, TempDB included, so that inputs do not see each other's tables.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "demo/schema.h"
#include "host/errors.h"
#include "sqlite/connection.h"
#include "sqlite/tsql_executor.h"

namespace {

orla::sqlite::Connection* connection = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("orla-tsql-fuzz-" + std::to_string(getpid()) + ".db");
  orla::demo::CreateEmptyDatabase(file);
  connection = new orla::sqlite::Connection(file, orla::sqlite::Connection::Mode::OpenExisting);
  // The file is only the fuzzer's scratch: it goes as soon as it is open.
  std::filesystem::remove(file);
  connection->Exec("PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string batch(reinterpret_cast<const char*>(data), size);
  connection->Exec("BEGIN");
  try {
    orla::sqlite::RunBatch(*connection, batch);
  } catch (const orla::host::DatabaseError&) {
  }
  connection->Exec("ROLLBACK");
  return 0;
}
