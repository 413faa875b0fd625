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

struct Case {
  std::string name;
  std::string sql;
  Rows rows;
};

class TsqlTypedRules : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    file_ = new std::filesystem::path(orla::testing::ScratchFile("typed.db"));
    Connection(*file_, Connection::Mode::Create);
    Database db(*file_);
    db.SQL_Execute(
        "CREATE TABLE [Vendas] (Código INT NOT NULL PRIMARY KEY, Caixa VARCHAR(3), Nome "
        "VARCHAR(40), Código_Produto VARCHAR(14), IDProduto INT, Qtde INT, Valor MONEY, Data "
        "DATETIME)\n"
        "INSERT INTO [Vendas] VALUES "
        "(1, '001', 'Gasolina', '01', 7, 2, 10.50, '20240301 08:00:00'),"
        "(2, '002', 'GASOLINA', '02', 8, 3, 5.25, '2024/03/01 23:59:59'),"
        "(3, '003', 'gasolina', '03', 9, 1, 2, '2024-03-02'),"
        "(4, '001', 'Óleo', '04', 10, 4, 7, '20240331 12:00:00'),"
        "(5, '002', 'Oleo', '05', 11, 0, 1, '20240331'),"
        "(6, NULL, 'diesel', '06', 12, 5, NULL, NULL)");
  }
  static void TearDownTestSuite() { delete file_; }

  TsqlTypedRules() : db_(*file_) {}

  Rows Query(const std::string& sql) {
    host::RecordsetRef rows = db_.OpenRecordSet(sql);
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

  void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name + ": " + c.sql);
      try {
        EXPECT_EQ(Query(c.sql), c.rows);
      } catch (const host::DatabaseError& e) {
        ADD_FAILURE() << "-->|" << e.Description() << "|<--";
      }
    }
  }

  static std::filesystem::path* file_;
  Database db_;
};

std::filesystem::path* TsqlTypedRules::file_ = nullptr;

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
  const auto file = orla::testing::ScratchFile("variants.db");
  Connection(file, Connection::Mode::Create);
  Database db(file);
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
TEST_F(TsqlTypedRules, GetDateIsTheHostsNow) {
  const std::string sql = "SELECT CONVERT(VARCHAR(10), GETDATE(), 103)";
  {
    orla::testing::ScopedFakePlatform platform(*host::DateTime::FromParts(2031, 7, 9));
    EXPECT_EQ(Query(sql), Rows{"\"09/07/2031\""});
  }
  // Without a platform, the system's clock; the day read on either side of the query.
  auto today = [] {
    return "\"" +
           host::RegionalSettings::Brazilian().FormatDate(host::SystemClock().Now(), "dd/mm/yyyy") +
           "\"";
  };
  const std::string before = today();
  const Rows rows = Query(sql);
  EXPECT_TRUE(rows == Rows{before} || rows == Rows{today()}) << rows.at(0);
}

TEST_F(TsqlTypedRules, WorkingTablesOfAnotherConnectionAreTyped) {
  Database other(*file_);
  other.SQL_Execute(
      "IF OBJECT_ID('TempDB.dbo.##DeOutra') IS NOT NULL DROP TABLE ##DeOutra\n"
      "SELECT Código, Nome, Data, Caixa INTO ##DeOutra FROM Vendas");
  // Its date column reads a literal as a date, its text compares under the collation, and
  // its text code added to a number is a number.
  Check({{"a date literal",
          "SELECT Código FROM ##DeOutra WHERE Data > '2024/03/31 11:00' ORDER BY Código",
          {"4"}},
         {"text", "SELECT COUNT(*) FROM ##DeOutra WHERE Nome = 'gasolina'", {"3"}},
         {"a code plus a number", "SELECT Caixa + 1 FROM ##DeOutra WHERE Código = 3", {"4"}}});
}

}  // namespace
}  // namespace orla::sqlite
