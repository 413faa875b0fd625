// The typed rules of the T-SQL adapter, one table per rule, each statement checked by the
// rows it gives on SQLite. The expected rows follow SQL Server's documented behaviour: data
// type precedence for +, CASE and comparisons; the year-first date literals read the same
// under every language; the database collation (case-insensitive, accent-sensitive) in
// every clause that compares text.
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

// A statement that must fail, and a text its message must hold.
struct Refusal {
  std::string name;
  std::string sql;
  std::string named;
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

  std::string ErrorOf(const std::string& sql) {
    try {
      db_.SQL_Execute(sql);
    } catch (const host::DatabaseError& e) {
      return e.Description();
    }
    return "";
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

  void CheckRefused(const std::vector<Refusal>& refusals) {
    for (const Refusal& r : refusals) {
      SCOPED_TRACE(r.name + ": " + r.sql);
      const std::string error = ErrorOf(r.sql);
      EXPECT_NE(error.find(r.named), std::string::npos) << "-->|" << error << "|<--";
    }
  }

  static std::filesystem::path* file_;
  Database db_;
};

std::filesystem::path* TsqlTypedRules::file_ = nullptr;

TEST_F(TsqlTypedRules, PlusFollowsTheTypesOfItsOperands) {
  Check({
      {"two text columns concatenate",
       "SELECT Nome + Caixa FROM Vendas WHERE Código = 1",
       {"\"Gasolina001\""}},
      {"ISNULL keeps the text type",
       "SELECT ISNULL(Caixa, '') + ISNULL(Nome, '') FROM Vendas WHERE Código = 6",
       {"\"diesel\""}},
      {"a text CASE concatenates",
       "SELECT Caixa + CASE WHEN Qtde > 1 THEN 'x' ELSE 'y' END FROM Vendas ORDER BY Código",
       {"\"001x\"", "\"002x\"", "\"003y\"", "\"001x\"", "\"002y\"", "null"}},
      {"a group that concatenates is text",
       "SELECT ('A' + Caixa) + Caixa FROM Vendas WHERE Código = 1",
       {"\"A001001\""}},
      // int outranks varchar: '001' becomes 1.
      {"text column plus int adds", "SELECT Qtde + Caixa FROM Vendas WHERE Código = 1", {"3"}},
      // * binds before +, then '5' becomes 5: 5 + 2 * 2, not ('5' || 2) * 2.
      {"multiplication first", "SELECT '5' + Qtde * 2 FROM Vendas WHERE Código = 1", {"9"}},
      {"money wins over int", "SELECT Caixa + Qtde * Valor FROM Vendas WHERE Código = 1", {"22"}},
      {"whole numbers divide wholly", "SELECT 7 / 2, 7 / 2.0, -7 / 2", {"3|3.5|-3"}},
      // The CASE is money, so its whole branch divides as money.
      {"a whole number in a decimal CASE",
       "SELECT CASE WHEN Código = 1 THEN 5 ELSE Valor END / 2, CASE WHEN Código = 1 THEN Qtde "
       "+ 3 ELSE Valor END / 2 FROM Vendas WHERE Código = 1",
       {"2.5|2.5"}},
      {"text concatenation with null is null",
       "SELECT 'x' + Caixa FROM Vendas WHERE Código = 6",
       {"null"}},
      {"numbers compare as numbers",
       "SELECT Código FROM Vendas WHERE Caixa = 1 ORDER BY Código",
       {"1", "4"}},
  });
  CheckRefused({
      {"a literal that is no number", "SELECT 'x' + Qtde * 2 FROM Vendas", "'x'"},
      {"text cannot subtract", "SELECT Nome - Caixa FROM Vendas", "subtract operator"},
      // The CASE takes IDProduto's int type; 'B01' cannot become one.
      {"CASE branches follow precedence",
       "SELECT CASE WHEN Qtde > 0 THEN 'B' + Código_Produto ELSE IDProduto END FROM Vendas",
       "'B01' to data type int"},
      {"dividing by zero", "SELECT Valor / (Qtde - Qtde) FROM Vendas", "Divide by zero"},
      {"date arithmetic", "SELECT Data + 1 FROM Vendas", "DATEADD"},
  });
}

TEST_F(TsqlTypedRules, TextMeetingADateIsReadAsSqlServerReadsIt) {
  Check({
      {"greater than a slashed date",
       "SELECT Código FROM Vendas WHERE Data >= '2024/03/02' ORDER BY Código",
       {"3", "4", "5"}},
      {"BETWEEN the day's bounds",
       "SELECT Código FROM Vendas WHERE Data BETWEEN '20240301 00:00:00' AND '20240301 23:59:59' "
       "ORDER BY Código",
       {"1", "2"}},
      {"the literal on the left",
       "SELECT Código FROM Vendas WHERE '2024/03/02 00:00:00' = Data",
       {"3"}},
      {"IN a list of dates",
       "SELECT Código FROM Vendas WHERE Data IN ('2024-03-02', '20240331 12:00:00') ORDER BY "
       "Código",
       {"3", "4"}},
      {"inserted text was read as a date",
       "SELECT Data FROM Vendas WHERE Código = 5",
       {"2024-03-31"}},
      // A text expression is text: no date reading where SQL Server compares text.
      {"converted to text compares as text",
       "SELECT Código FROM Vendas WHERE CONVERT(VARCHAR(10), Data, 111) = '2024/03/01' ORDER BY "
       "Código",
       {"1", "2"}},
      {"CASE of dates against a literal",
       "SELECT Código FROM Vendas WHERE CASE WHEN Código > 3 THEN Data END < '20240331 12:00:01' "
       "ORDER BY Código",
       {"4", "5"}},
  });
  CheckRefused({
      {"day first is ambiguous", "SELECT Código FROM Vendas WHERE Data >= '01/03/2024'",
       "'01/03/2024'"},
      {"a placeholder left in",
       "SELECT Código FROM Vendas WHERE Data BETWEEN '@dtInicial 00:00:00' AND '20240331'",
       "'@dtInicial 00:00:00'"},
      {"a date that does not exist", "SELECT Código FROM Vendas WHERE Data IN ('2024/02/30')",
       "'2024/02/30'"},
      {"inserted into a date column", "INSERT INTO Vendas (Código, Data) VALUES (99, '31/03/2024')",
       "'31/03/2024'"},
      {"assigned to a date column", "UPDATE Vendas SET Data = 'amanhã' WHERE Código = 1",
       "'amanhã'"},
  });
}

TEST_F(TsqlTypedRules, EveryTextComparisonUsesTheCollation) {
  Check({
      {"=", "SELECT Código FROM Vendas WHERE Nome = 'GASOLINA' ORDER BY Código", {"1", "2", "3"}},
      {"<>", "SELECT Código FROM Vendas WHERE Nome <> 'gasolina' ORDER BY Código", {"4", "5", "6"}},
      // Binary order puts 'gasolina' and 'diesel' after 'H'.
      {"<", "SELECT Código FROM Vendas WHERE Nome < 'H' ORDER BY Código", {"1", "2", "3", "6"}},
      {"> on an expression",
       "SELECT Código FROM Vendas WHERE 'x' + Nome > 'XH' ORDER BY Código",
       {"4", "5"}},
      {"IN",
       "SELECT Código FROM Vendas WHERE Nome IN ('GASOLINA', 'óleo') ORDER BY Código",
       {"1", "2", "3", "4"}},
      {"BETWEEN",
       "SELECT Código FROM Vendas WHERE Nome BETWEEN 'g' AND 'gz' ORDER BY Código",
       {"1", "2", "3"}},
      {"LIKE ignores case, not accents",
       "SELECT Código FROM Vendas WHERE Nome LIKE 'ó%' OR Nome LIKE 'GAS_L[I]%' ORDER BY Código",
       {"1", "2", "3", "4"}},
      {"NOT LIKE",
       "SELECT Código FROM Vendas WHERE Nome NOT LIKE '%A' ORDER BY Código",
       {"4", "5", "6"}},
      {"GROUP BY a column",
       "SELECT COUNT(*) FROM Vendas GROUP BY Nome ORDER BY COUNT(*) DESC",
       {"3", "1", "1", "1"}},
      {"GROUP BY an expression",
       "SELECT COUNT(*) FROM Vendas GROUP BY 'T' + Nome ORDER BY COUNT(*) DESC",
       {"3", "1", "1", "1"}},
      {"GROUP BY a CASE",
       "SELECT COUNT(*) FROM Vendas GROUP BY CASE WHEN Qtde >= 0 THEN Nome ELSE Caixa END ORDER "
       "BY COUNT(*) DESC",
       {"3", "1", "1", "1"}},
      {"DISTINCT", "SELECT COUNT(*) FROM (SELECT DISTINCT Nome FROM Vendas) x", {"4"}},
      {"DISTINCT of an expression",
       "SELECT COUNT(*) FROM (SELECT DISTINCT Nome + '!' AS N FROM Vendas) x",
       {"4"}},
      {"UNION",
       "SELECT COUNT(*) FROM (SELECT Nome FROM Vendas WHERE Código = 1 UNION SELECT Nome FROM "
       "Vendas WHERE Código IN (2, 3)) x",
       {"1"}},
      {"UNION of expressions",
       "SELECT COUNT(*) FROM (SELECT 'x' + Nome AS N FROM Vendas WHERE Código = 1 UNION SELECT "
       "'X' + Nome FROM Vendas WHERE Código = 2) x",
       {"1"}},
      {"ORDER BY: letters before case, accents beside their letter",
       "SELECT Código FROM Vendas WHERE Código > 3 ORDER BY Nome",
       {"6", "5", "4"}},
      {"MIN", "SELECT MIN(Nome) FROM Vendas", {"\"diesel\""}},
      // Binary order would put 'adiesel' last.
      {"MAX of an expression",
       "SELECT MAX('a' + Nome) FROM Vendas WHERE Código IN (2, 6)",
       {"\"aGASOLINA\""}},
      {"COUNT DISTINCT", "SELECT COUNT(DISTINCT Nome) FROM Vendas", {"4"}},
      {"a join on text",
       "SELECT COUNT(*) FROM Vendas a INNER JOIN Vendas b ON a.Nome = UPPER(b.Nome) WHERE "
       "a.Código = 1",
       {"3"}},
  });
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

TEST_F(TsqlTypedRules, ConstructsHostsCommonlyWrite) {
  Check({
      {"LEFT and RIGHT",
       "SELECT LEFT(Nome, 3), RIGHT(Caixa, 2), RIGHT('abc', 0), RIGHT('abc', 5) "
       "FROM Vendas WHERE Código = 1",
       {"\"Gas\"|\"01\"|\"\"|\"abc\""}},
      {"LEN ignores trailing blanks, counts letters", "SELECT LEN('abc  '), LEN('Óleo')", {"3|4"}},
      {"LTRIM and RTRIM", "SELECT LTRIM('  a ') + '|' + RTRIM(' b  ') + '|'", {"\"a | b|\""}},
      {"UPPER and LOWER on accented letters",
       "SELECT UPPER('ação'), LOWER('ÓLEO')",
       {"\"AÇÃO\"|\"óleo\""}},
      {"DATEADD",
       "SELECT DATEADD(day, 1, Data), DATEADD(mm, 1, '20240131'), "
       "DATEADD(hour, -9, Data) FROM Vendas WHERE Código = 2",
       {"2024-03-02 23:59:59|2024-02-29|2024-03-01 14:59:59"}},
      // DATEDIFF counts boundaries: one day from 23:59:59 to midnight, a week from Saturday
      // to Sunday.
      {"DATEDIFF",
       "SELECT DATEDIFF(day, '20240301 23:59:59', '20240302'), DATEDIFF(month, '20240131', "
       "'20240201'), DATEDIFF(week, '20240302', '20240303'), DATEDIFF(yy, Data, '20250101') "
       "FROM Vendas WHERE Código = 1",
       {"1|1|1|1"}},
      {"GETDATE is a date now", "SELECT DATEDIFF(day, GETDATE(), GETDATE())", {"0"}},
      {"TOP in one branch of a UNION",
       "SELECT COUNT(*) FROM (SELECT TOP 2 Código FROM Vendas UNION ALL SELECT Código FROM Vendas "
       "WHERE Código = 5) x",
       {"3"}},
      {"TOP in the last branch",
       "SELECT Código FROM Vendas WHERE Código = 1 UNION ALL SELECT TOP 2 Código FROM Vendas "
       "WHERE Código > 4 ORDER BY Código",
       {"1", "5", "6"}},
  });
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

TEST_F(TsqlTypedRules, ValuesTakeTheTypesOfWhatReceivesThem) {
  db_.SQL_Execute(
      "IF OBJECT_ID('TempDB.dbo.##Alvo') IS NOT NULL DROP TABLE ##Alvo\n"
      "CREATE TABLE ##Alvo (Texto VARCHAR(5), Inteiro INT, Real FLOAT, Dinheiro MONEY, Bit BIT, "
      "Data DATETIME)\n"
      "INSERT INTO ##Alvo VALUES ('abc', '12', '1.5', 2, 5, '20240229 10:00')\n"
      // 3 * 1.5 is a decimal 4.5, cut to 4 on its way into an int column.
      "INSERT INTO ##Alvo (Texto, Inteiro) SELECT Qtde, Qtde * 1.5 FROM Vendas WHERE Código = 2");
  Check({
      {"converted on insert",
       "SELECT Texto, Inteiro, Real, Dinheiro, Bit, Data FROM ##Alvo",
       {"\"abc\"|12|1.5|2|true|2024-02-29 10:00:00", "\"3\"|4|null|null|null|null"}},
      // ISNULL's replacement takes the length of the value it replaces.
      {"ISNULL", "SELECT ISNULL(Caixa, 'semcaixa') FROM Vendas WHERE Código = 6", {"\"sem\""}},
      // COALESCE takes int, the highest type of its arguments.
      {"COALESCE",
       "SELECT COALESCE(Caixa, Qtde) FROM Vendas WHERE Código IN (1, 6) ORDER BY "
       "Código",
       {"1", "5"}},
      {"NULLIF compares under the collation",
       "SELECT NULLIF(Nome, 'GASOLINA') FROM Vendas WHERE Código IN (1, 4) ORDER BY Código",
       {"null", "\"Óleo\""}},
      {"a style does not shape text",
       "SELECT CONVERT(VARCHAR(10), Caixa, 111) FROM Vendas "
       "WHERE Código = 1",
       {"\"001\""}},
      {"CAST of a literal to a date", "SELECT CAST('20240301' AS DATETIME)", {"2024-03-01"}},
  });
  CheckRefused({
      {"a decimal text into an int", "INSERT INTO ##Alvo (Inteiro) VALUES ('1.5')", "'1.5'"},
      {"a date cast to text", "SELECT CAST(Data AS VARCHAR(10)) FROM Vendas", "style"},
      {"a day-first text cast to a date", "SELECT CAST('01/03/2024' AS DATETIME)", "'01/03/2024'"},
  });
  db_.SQL_Execute("DROP TABLE ##Alvo");
}

TEST_F(TsqlTypedRules, SubqueriesAndFunctionsAreTyped) {
  Check({
      {"a scalar subquery", "SELECT (SELECT MAX(Qtde) FROM Vendas) + 1", {"6"}},
      {"a correlated subquery",
       "SELECT Código FROM Vendas v WHERE Qtde = (SELECT MAX(w.Qtde) FROM Vendas w WHERE w.Caixa "
       "= v.Caixa) ORDER BY Código",
       {"2", "3", "4"}},
      {"EXISTS compares text under the collation",
       "SELECT COUNT(*) FROM Vendas v WHERE EXISTS (SELECT 1 FROM Vendas w WHERE w.Nome = v.Nome "
       "AND w.Código <> v.Código)",
       {"3"}},
      {"text IN a subquery of numbers",
       "SELECT Código FROM Vendas WHERE Caixa IN (SELECT Qtde FROM Vendas WHERE Código = 3) "
       "ORDER BY Código",
       {"1", "4"}},
      {"TOP of an expression", "SELECT TOP (1 + 1) Código FROM Vendas ORDER BY Código", {"1", "2"}},
      {"LIKE with sets",
       "SELECT Código FROM Vendas WHERE Nome LIKE '[^g]%' AND Nome LIKE "
       "'[a-f]%'",
       {"6"}},
      {"DATEADD clamps months, crosses days",
       "SELECT DATEADD(year, 1, '20240229'), DATEADD(quarter, 1, '20240115'), DATEADD(minute, "
       "90, '20240301 23:00')",
       {"2025-02-28|2024-04-15|2024-03-02 00:30:00"}},
      {"DATEDIFF counts boundaries, backwards too",
       "SELECT DATEDIFF(day, '20240302', '20240301'), DATEDIFF(minute, '20240301 10:59:59', "
       "'20240301 11:00'), DATEDIFF(quarter, '20240331', '20240401')",
       {"-1|1|1"}},
  });
  // The UNION column is money, the type of its second branch.
  host::RecordsetRef united = db_.OpenRecordSet(
      "SELECT Qtde FROM Vendas WHERE Código = 1 UNION ALL SELECT Valor FROM Vendas WHERE "
      "Código = 1");
  EXPECT_EQ(united->Columns()[0].type, host::ColumnType::Double);
  EXPECT_EQ(united->FieldAt(0), host::Value(2.0));
  CheckRefused({
      {"a number IN a subquery of text",
       "SELECT Código FROM Vendas WHERE Qtde IN (SELECT Caixa FROM Vendas)", "IN compares"},
      {"an unknown date part", "SELECT DATEADD(fortnight, 1, Data) FROM Vendas", "fortnight"},
  });
}

TEST_F(TsqlTypedRules, UpdateThroughAJoinAndDeleteWithoutFrom) {
  db_.SQL_Execute(
      "IF OBJECT_ID('TempDB.dbo.##Totais') IS NOT NULL DROP TABLE ##Totais\n"
      "CREATE TABLE ##Totais (Código INT, Nome VARCHAR(40), Total MONEY)\n"
      "INSERT INTO ##Totais SELECT Código, Nome, 0 FROM Vendas");
  int32_t affected = 0;
  db_.SQL_Execute(
      "UPDATE t SET t.Total = v.Qtde * v.Valor FROM ##Totais t INNER JOIN Vendas v ON v.Código "
      "= t.Código LEFT JOIN Vendas w ON w.Código = v.Código + 1 WHERE v.Qtde > 1 AND w.Código "
      "IS NOT NULL",
      affected);
  EXPECT_EQ(affected, 3);  // 1, 2 and 4; 6 has no row after it
  EXPECT_EQ(Query("SELECT Código, Total FROM ##Totais WHERE Total <> 0 ORDER BY Código"),
            (Rows{"1|21", "2|15.75", "4|28"}));
  db_.SQL_Execute("DELETE ##Totais WHERE Nome = 'GASOLINA'", affected);
  EXPECT_EQ(affected, 3);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM ##Totais"), (Rows{"3"}));
  // The target named by its table rather than an alias; 'ÓLEO' is not 'Oleo'.
  db_.SQL_Execute(
      "UPDATE ##Totais SET Total = 1 FROM ##Totais INNER JOIN Vendas v ON v.Código = "
      "##Totais.Código WHERE v.Nome = 'ÓLEO'",
      affected);
  EXPECT_EQ(affected, 1);
  EXPECT_NE(ErrorOf("UPDATE t SET Total = 0 FROM ##Totais t LEFT JOIN Vendas v ON v.Código = "
                    "t.Código")
                .find("outer-joined"),
            std::string::npos);
}

TEST_F(TsqlTypedRules, AFailingSelectIntoLeavesNoTable) {
  db_.SQL_Execute("IF OBJECT_ID('TempDB.dbo.##Falha') IS NOT NULL DROP TABLE ##Falha");
  // Row 1 converts; row 2's 'B02' cannot become the int of IDProduto, halfway through.
  EXPECT_NE(ErrorOf("SELECT CASE WHEN Código = 1 THEN IDProduto ELSE 'B' + Código_Produto END "
                    "AS X INTO ##Falha FROM Vendas ORDER BY Código")
                .find("'B02'"),
            std::string::npos);
  EXPECT_NE(ErrorOf("SELECT COUNT(*) FROM ##Falha").find("208: Invalid object name"), std::string::npos);
  db_.SQL_Execute("SELECT Nome, Qtde * Valor AS Total, Data INTO ##Falha FROM Vendas");
  host::RecordsetRef rows = db_.OpenRecordSet("SELECT Nome, Total, Data FROM ##Falha");
  EXPECT_EQ(rows->Columns()[0].type, host::ColumnType::Text);
  EXPECT_EQ(rows->Columns()[1].type, host::ColumnType::Double);
  EXPECT_EQ(rows->Columns()[2].type, host::ColumnType::Date);
  db_.SQL_Execute("DROP TABLE ##Falha");
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

TEST_F(TsqlTypedRules, WhatIsNotUnderstoodIsANamedError) {
  CheckRefused({
      {"an unknown function", "SELECT SOUNDEX(Nome) FROM Vendas", "SOUNDEX"},
      {"an unknown column", "SELECT Nenhuma FROM Vendas", "207: Invalid column name"},
      {"an ambiguous column",
       "SELECT Nome FROM Vendas a INNER JOIN Vendas b ON a.Código = b.Código", "209: Ambiguous"},
      {"FOR XML", "SELECT Nome FROM Vendas FOR XML AUTO", "FOR"},
      {"a variable", "SELECT @x", "@x"},
      {"a window", "SELECT ROW_NUMBER() OVER (ORDER BY Código) FROM Vendas", "ROW_NUMBER"},
      {"COLLATE", "SELECT Nome COLLATE Latin1_General_CI_AS FROM Vendas", "COLLATE"},
      {"a local temporary table", "SELECT * FROM #Local", "#Local"},
      {"DECLARE", "DECLARE @x INT", "DECLARE"},
      {"EXEC", "EXEC _RPT_VTR", "EXEC"},
      {"a table hint", "SELECT * FROM Vendas WITH (TABLOCK)", "TABLOCK"},
      {"CROSS APPLY", "SELECT * FROM Vendas a CROSS APPLY (SELECT 1 AS b) x", "APPLY"},
      {"an unknown type", "SELECT CAST(Código AS XML) FROM Vendas", "XML"},
      {"another database", "SELECT * FROM Outra.dbo.Tabela", "Outra"},
      {"IF EXISTS", "IF EXISTS (SELECT 1) DROP TABLE ##X", "IF"},
      {"a condition as a value", "SELECT Código = 1 FROM Vendas", "condition"},
      {"GROUP BY a constant", "SELECT COUNT(*) FROM Vendas GROUP BY 1", "164: "},
      {"the offset is named", "SELECT Nome FROM Vendas WHERE SOUNDEX(Nome) = 1", "offset 30"},
  });
}

}  // namespace
}  // namespace orla::sqlite
