// orla_tsql.so in plain SQLite, without the program: the demo database's text columns
// compare, group and sort as they do inside the program.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "sqlite/connection.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows Query(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db) << "\n"
      << sql;
  Rows rows;
  while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<std::string>& row = rows.emplace_back();
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
      const auto* text = sqlite3_column_text(statement, c);
      row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
    }
  }
  sqlite3_finalize(statement);
  return rows;
}

class LoadableExtension : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open_v2(orla::testing::MarchDatabase().c_str(), &db_, SQLITE_OPEN_READONLY,
                              nullptr),
              SQLITE_OK);
  }
  void TearDown() override { sqlite3_close(db_); }

  void Load() {
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr);
    char* error = nullptr;
    ASSERT_EQ(sqlite3_load_extension(db_, ORLA_TSQL_EXTENSION, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
  }

  sqlite3* db_ = nullptr;
};

TEST_F(LoadableExtension, TheDemoDatabaseReadsInPlainSqliteAsInTheProgram) {
  sqlite3_stmt* refused = nullptr;
  EXPECT_NE(sqlite3_prepare_v2(db_,
                               "SELECT COUNT(*) FROM [Movimentações em Vendas] WHERE "
                               "Situação_Tributária = 'TT'",
                               -1, &refused, nullptr),
            SQLITE_OK)
      << "without the extension the collation is unknown";
  sqlite3_finalize(refused);
  Load();

  // Counted here from the raw bytes: 'tt' matches every letter case, trailing blanks ignored.
  int64_t expected = 0;
  for (const auto& row : Query(db_,
                               "SELECT Situação_Tributária COLLATE BINARY FROM [Movimentações "
                               "em Vendas]")) {
    const std::string& code = row[0];
    expected += code.size() >= 2 && (code[0] | 0x20) == 't' && (code[1] | 0x20) == 't' &&
                code.find_first_not_of(' ', 2) == std::string::npos;
  }
  ASSERT_GT(expected, 0);
  EXPECT_EQ(Query(db_,
                  "SELECT COUNT(*) FROM [Movimentações em Vendas] WHERE "
                  "Situação_Tributária = 'tt  '"),
            (Rows{{std::to_string(expected)}}));

  // Grouping and order under the collation are the program's own, on every text column read.
  Connection program(orla::testing::MarchDatabase(), Connection::Mode::OpenExisting);
  for (const char* sql :
       {"SELECT Descrição, COUNT(*) FROM [Movimentações em Vendas] GROUP BY Descrição ORDER BY "
        "Descrição",
        "SELECT UPPER(Descrição) = Descrição, COUNT(DISTINCT Descrição) FROM [Movimentações em "
        "Vendas] GROUP BY 1 ORDER BY 1",
        "SELECT T011_FormaDePagto FROM T011_ImagemDosMeiosDePagtoUtilizados GROUP BY "
        "T011_FormaDePagto ORDER BY T011_FormaDePagto DESC",
        "SELECT Caixa, MIN(Data_Abertura) FROM [Movimentações] WHERE Caixa IN ('1 ', '2') GROUP "
        "BY Caixa ORDER BY Caixa"}) {
    SCOPED_TRACE(sql);
    const Rows loaded = Query(db_, sql);
    EXPECT_FALSE(loaded.empty());
    EXPECT_EQ(loaded, Query(program.Handle(), sql));
  }
}

TEST_F(LoadableExtension, TheSqlite3ShellLoadsIt) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "a sanitized extension loads only into a sanitized program, not the shell";
#endif
  if (!std::filesystem::exists("/usr/bin/sqlite3")) {
    GTEST_SKIP() << "the sqlite3 shell is not installed (scripts/setup.sh installs it)";
  }
  Load();
  const std::string expected =
      Query(db_, "SELECT COUNT(*) FROM [Movimentações em Vendas] WHERE Situação_Tributária='tt'")
          .at(0)
          .at(0);
  const std::string command = "/usr/bin/sqlite3 -readonly '" +
                              orla::testing::MarchDatabase().string() + "' '.load " +
                              ORLA_TSQL_EXTENSION +
                              "' \"SELECT COUNT(*) FROM [Movimentações em Vendas] WHERE "
                              "Situação_Tributária='tt'\" 2>&1";
  FILE* shell = popen(command.c_str(), "r");
  ASSERT_NE(shell, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, shell) != nullptr) {
    output += buffer;
  }
  EXPECT_EQ(pclose(shell), 0) << output;
  EXPECT_EQ(output, expected + "\n");
}

}  // namespace
}  // namespace orla::sqlite
