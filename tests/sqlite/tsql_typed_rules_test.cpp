// The typed rules of the T-SQL adapter that records (records/typed_rules.test) cannot show:
// working tables typed across connections, GETDATE from the host's clock, and the
// collation over random letter case.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/errors.h"
#include "host/platform.h"
#include "host/regional_settings.h"
#include "sqlite/database.h"
#include "tests/fakes/host_fakes.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

using Rows = std::vector<std::string>;

Rows Query(Database& db, const std::string& sql) {
  host::RecordsetRef rows = db.OpenRecordSet(sql);
  Rows result;
  for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
    std::string row;
    for (std::size_t i = 0; i < rows->Columns().size(); ++i) {
      row += (i ? "|" : "") + rows->FieldAt(i).Describe();
    }
    result.push_back(row);
  }
  return result;
}

std::filesystem::path Scratch(const std::string& name) {
  const auto file = orla::testing::ScratchFile(name);
  Connection(file, Connection::Mode::Create);
  return file;
}

// Flips the letter case of random ASCII and Latin-1 letters of a UTF-8 text.
std::string RandomCase(const std::string& text, std::mt19937& random) {
  std::string result = text;
  for (std::size_t i = 0; i < result.size(); ++i) {
    const auto c = static_cast<unsigned char>(result[i]);
    const bool flip = random() % 2 == 0;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      result[i] = static_cast<char>(flip ? c ^ 0x20 : c);
    } else if (c == 0xC3 && i + 1 < result.size()) {
      const auto next = static_cast<unsigned char>(result[i + 1]);
      if (flip && next >= 0x80 && next <= 0xBE && next != 0x97 && next != 0xB7 && next != 0x9F) {
        result[i + 1] = static_cast<char>(next ^ 0x20);
      }
      ++i;
    }
  }
  return result;
}

TEST(TsqlCollationProperty, CaseVariantsGroupTogetherAccentVariantsApart) {
  Database db(Scratch("variants.db"));
  db.SQL_Execute("CREATE TABLE Nomes (ID INT, Nome VARCHAR(60))");
  // 'óleo diesel' and 'oleo diesel' differ by an accent only: two groups.
  const std::vector<std::string> bases = {
      "gasolina comum", "etanol hidratado", "óleo diesel", "oleo diesel", "ação", "acao"};
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    db.SQL_Execute("DELETE Nomes");
    std::string insert = "INSERT INTO Nomes VALUES ";
    int id = 0;
    for (const std::string& base : bases) {
      for (int copy = 0; copy < 8; ++copy) {
        insert += id == 0 ? "(" : ", (";
        insert += std::to_string(++id) + ", '" + RandomCase(base, random) + "')";
      }
    }
    db.SQL_Execute(insert);
    const std::vector<std::string> groupings = {
        "SELECT COUNT(*) FROM (SELECT Nome FROM Nomes GROUP BY Nome) x",
        "SELECT COUNT(*) FROM (SELECT 'T' + Nome AS N FROM Nomes GROUP BY 'T' + Nome) x",
        "SELECT COUNT(*) FROM (SELECT CASE WHEN ID > 0 THEN Nome END AS N FROM Nomes GROUP BY "
        "CASE WHEN ID > 0 THEN Nome END) x",
        "SELECT COUNT(*) FROM (SELECT DISTINCT ISNULL(Nome, '') AS N FROM Nomes) x",
        "SELECT COUNT(*) FROM (SELECT Nome FROM Nomes WHERE ID % 2 = 0 UNION SELECT Nome FROM "
        "Nomes WHERE ID % 2 = 1) x",
    };
    for (const std::string& sql : groupings) {
      SCOPED_TRACE(sql);
      EXPECT_EQ(db.OpenRecordSet(sql)->FieldAt(0), host::Value(static_cast<int64_t>(bases.size())));
    }
  }
}

// GETDATE reads the host's clock, so a run made for another day sees that day in SQL too.
TEST(TsqlTypedRules, GetDateIsTheHostsNow) {
  Database db(Scratch("getdate.db"));
  const std::string sql = "SELECT CONVERT(VARCHAR(10), GETDATE(), 103)";
  {
    orla::testing::ScopedFakePlatform platform(*host::DateTime::FromParts(2031, 7, 9));
    EXPECT_EQ(Query(db, sql), Rows{"\"09/07/2031\""});
  }
  // Without a platform, the system's clock; the day read on either side of the query.
  auto today = [] {
    return "\"" +
           host::RegionalSettings::Brazilian().FormatDate(host::SystemClock().Now(), "dd/mm/yyyy") +
           "\"";
  };
  const std::string before = today();
  const Rows rows = Query(db, sql);
  EXPECT_TRUE(rows == Rows{before} || rows == Rows{today()}) << rows.at(0);
}

// A working table made on another connection: its date column reads a literal as a date, its
// text compares under the collation, and its text code added to a number is a number.
TEST(TsqlTypedRules, WorkingTablesOfAnotherConnectionAreTyped) {
  const auto file = Scratch("typed.db");
  Database db(file);
  db.SQL_Execute(
      "CREATE TABLE Vendas (Código INT, Caixa VARCHAR(3), Nome VARCHAR(40), Data DATETIME)\n"
      "INSERT INTO Vendas VALUES (1, '001', 'Gasolina', '20240301 08:00:00'), (2, '002', "
      "'GASOLINA', '2024/03/01 23:59:59'), (3, '003', 'gasolina', '2024-03-02'), (4, '001', "
      "'Óleo', '20240331 12:00:00')");
  Database other(file);
  other.SQL_Execute(
      "IF OBJECT_ID('TempDB.dbo.##DeOutra') IS NOT NULL DROP TABLE ##DeOutra\n"
      "SELECT Código, Nome, Data, Caixa INTO ##DeOutra FROM Vendas");
  EXPECT_EQ(Query(db, "SELECT Código FROM ##DeOutra WHERE Data > '2024/03/31 11:00'"), Rows{"4"});
  EXPECT_EQ(Query(db, "SELECT COUNT(*) FROM ##DeOutra WHERE Nome = 'gasolina'"), Rows{"3"});
  EXPECT_EQ(Query(db, "SELECT Caixa + 1 FROM ##DeOutra WHERE Código = 3"), Rows{"4"});
}

}  // namespace
}  // namespace orla::sqlite
