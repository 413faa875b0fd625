#include "tests/sqlite/test_databases.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include "demo/generator.h"

namespace orla::testing {

namespace {

struct ScratchFolder {
  ScratchFolder() {
    path = std::filesystem::temp_directory_path() /
           ("orla-tests-" + std::to_string(getpid()) + "-" + std::to_string(std::rand()));
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

}  // namespace

std::filesystem::path ScratchFile(const std::string& name) {
  static int counter = 0;
  return Scratch().path / (std::to_string(++counter) + "-" + name);
}

const std::filesystem::path& MarchDatabase() {
  static const std::filesystem::path file = [] {
    if (const char* shared = std::getenv("ORLA_DEMO_MARCH")) {
      return std::filesystem::path(shared);
    }
    std::filesystem::path path = ScratchFile("march-2024.db");
    demo::GeneratorOptions options;
    options.start = *host::DateTime::FromParts(2024, 3, 1);
    options.days = 31;
    demo::Generate(path, options);
    return path;
  }();
  return file;
}

nlohmann::json RawRows(const std::string& sql, const std::string& from, const std::string& to,
                       const std::string& shift) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(MarchDatabase().c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  // Text columns name the database's own collation; byte order serves for these figures.
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr,
                           [](void*, int sizeA, const void* a, int sizeB, const void* b) {
                             const int order = std::memcmp(a, b, std::min(sizeA, sizeB));
                             return order != 0 ? order : sizeA - sizeB;
                           });
  sqlite3_stmt* statement = nullptr;
  nlohmann::json rows = nlohmann::json::array();
  int code = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
  if (code == SQLITE_OK) {
    for (const auto& [name, value] : {std::pair{":from", from}, {":to", to}, {":shift", shift}}) {
      sqlite3_bind_text(statement, sqlite3_bind_parameter_index(statement, name), value.c_str(), -1,
                        SQLITE_TRANSIENT);
    }
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
      nlohmann::json& row = rows.emplace_back(nlohmann::json::array());
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        switch (sqlite3_column_type(statement, i)) {
          case SQLITE_INTEGER:
            row.push_back(sqlite3_column_int64(statement, i));
            break;
          case SQLITE_FLOAT:
            row.push_back(sqlite3_column_double(statement, i));
            break;
          case SQLITE_NULL:
            row.push_back(nullptr);
            break;
          default:
            row.push_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
        }
      }
    }
  }
  EXPECT_EQ(code, SQLITE_DONE) << sqlite3_errmsg(db) << "\n" << sql;
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

}  // namespace orla::testing
