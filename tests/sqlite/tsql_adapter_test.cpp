// The T-SQL adapter construct by construct: each statement runs on SQLite and the test
// looks at the rows it gives, since a translation can read well and still mean something
// else. The typed rules (+, date literals, collation) are records in
// records/typed_rules.test.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demo/schema.h"
#include "host/errors.h"
#include "sqlite/database.h"
#include "sqlite/tsql_tokenizer.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

using host::Value;

class TsqlAdapter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    file_ = new std::filesystem::path(orla::testing::ScratchFile("adapter.db"));
    Connection(*file_, Connection::Mode::Create);
    Database db(*file_);
    db.SQL_Execute(
        "CREATE TABLE [Itens de Venda] (Código INT NOT NULL PRIMARY KEY, Caixa VARCHAR(3), "
        "Descrição VARCHAR(40), Data DATETIME, Hora DATETIME, Valor MONEY, Qtde FLOAT, Ativo BIT)"
        "\r\n"
        "INSERT INTO [Itens de Venda] VALUES "
        "(1, '001', 'Gasolina', '2024/03/01', '1900-01-01 08:30:00', 10.00, 2.5, 1),"
        "(2, '002', 'ÓLEO', '20240301 23:59:59', '1900-01-01 23:59:59', 7.5, 1, 0),"
        "(3, '001', 'Pão', '2024-03-02 00:00:00', '1900-01-01 00:00:00', 3, 4, 1),"
        "(4, NULL, 'Nafta', '2024/03/31 12:00:00', '1900-01-01 12:00:00', NULL, 0.5, NULL)");
  }
  static void TearDownTestSuite() { delete file_; }

  TsqlAdapter() : db_(*file_) {}

  // The rows as text: one string per row, fields joined with "|".
  std::vector<std::string> Query(const std::string& sql) {
    host::RecordsetRef rows = db_.OpenRecordSet(sql);
    std::vector<std::string> result;
    for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
      std::string row;
      for (std::size_t i = 0; i < rows->Columns().size(); ++i) {
        row += (i ? "|" : "") + rows->FieldAt(i).Describe();
      }
      result.push_back(row);
    }
    return result;
  }
  Value One(const std::string& sql) { return db_.OpenRecordSet(sql)->FieldAt(0); }

  // The message of the error the statement raises, or "" when it runs.
  std::string ErrorOf(const std::string& sql) {
    try {
      db_.SQL_Execute(sql);
    } catch (const host::DatabaseError& e) {
      EXPECT_EQ(e.Statement(), sql);
      return e.Description();
    }
    return "";
  }

  static std::filesystem::path* file_;
  Database db_;
};

std::filesystem::path* TsqlAdapter::file_ = nullptr;

using Rows = std::vector<std::string>;

TEST(TsqlTokenizer, CutsStringsNamesAndAccentedWords) {
  const auto tokens = tsql::Tokenize(
      "SELECT [Movimentações em Vendas].Código_Venda, 'it''s -- no comment', N'ç' "
      "-- a comment\r\n/* another */ FROM x WHERE a<>1.5e2");
  std::vector<std::string> texts;
  for (const tsql::Token& token : tokens) {
    texts.push_back(token.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"SELECT", "Movimentações em Vendas", ".",
                                             "Código_Venda", ",", "it's -- no comment", ",", "ç",
                                             "FROM", "x", "WHERE", "a", "<>", "1.5e2"}));
  EXPECT_EQ(tokens[1].kind, tsql::TokenKind::QuotedName);
  EXPECT_EQ(tokens[5].kind, tsql::TokenKind::String);
  EXPECT_THROW(tsql::Tokenize("SELECT 'open"), host::DatabaseError);
  EXPECT_THROW(tsql::Tokenize("SELECT [open"), host::DatabaseError);
  EXPECT_THROW(tsql::Tokenize("SELECT a ? b"), host::DatabaseError);
}

TEST_F(TsqlAdapter, NamesHintsAndTop) {
  EXPECT_EQ(Query("SELECT TOP 2 a.Descrição FROM dbo.[Itens de Venda] a WITH (NOLOCK) ORDER BY "
                  "a.Código DESC"),
            (Rows{"\"Nafta\"", "\"Pão\""}));
  // TOP inside a subquery limits the subquery only.
  EXPECT_EQ(One("SELECT COUNT(*) FROM (SELECT TOP 3 Código FROM [Itens de Venda] WITH "
                "(NOLOCK, READUNCOMMITTED)) x"),
            Value(int64_t{3}));
  EXPECT_NE(ErrorOf("SELECT TOP 2.5 Código FROM [Itens de Venda]"), "");
  EXPECT_NE(ErrorOf("SELECT TOP 99999999999 Código FROM [Itens de Venda]"), "");
}

TEST_F(TsqlAdapter, CastsKeepSqlServerMeaning) {
  // With numeric affinity SQLite reads '2024/03/01 10:00:00' as the number 2024.
  EXPECT_EQ(One("SELECT CAST('2024/03/01 10:00:00' AS DATETIME)"),
            Value(*host::DateTime::FromParts(2024, 3, 1, 10, 0, 0)));
  EXPECT_EQ(
      One("SELECT CAST((CONVERT(VARCHAR(10),Data,111) + ' ' + "
          "CONVERT(VARCHAR(8),Hora,108)) AS DATETIME) FROM [Itens de Venda] WHERE Código = 2"),
      Value(*host::DateTime::FromParts(2024, 3, 1, 23, 59, 59)));
  EXPECT_EQ(One("SELECT CAST(Ativo AS BIT) FROM [Itens de Venda] WHERE Código = 1"), Value(true));
  EXPECT_EQ(One("SELECT CAST(CASE WHEN Valor > 5 THEN 7 ELSE 0 END AS BIT) FROM [Itens de Venda] "
                "WHERE Código = 3"),
            Value(false));
  EXPECT_EQ(One("SELECT CAST(SUM(Qtde) AS FLOAT) FROM [Itens de Venda] WHERE Código = 3"),
            Value(4.0));
  EXPECT_EQ(One("SELECT CAST(Qtde AS INT) FROM [Itens de Venda] WHERE Código = 1"),
            Value(int64_t{2}));
  EXPECT_EQ(One("SELECT CAST(Descrição AS VARCHAR(3)) FROM [Itens de Venda] WHERE Código = 1"),
            Value("Gas"));
  EXPECT_NE(ErrorOf("SELECT CAST('x' AS DATETIME)"), "");
}

TEST_F(TsqlAdapter, ConvertStyles) {
  EXPECT_EQ(Query("SELECT CONVERT(VARCHAR(10), Data, 111), CONVERT(VARCHAR(8), Hora, 108), "
                  "CONVERT(VARCHAR(10), Data, 103), CONVERT(VARCHAR(8), Data, 112) FROM [Itens de "
                  "Venda] WHERE Código = 2"),
            (Rows{"\"2024/03/01\"|\"23:59:59\"|\"01/03/2024\"|\"20240301\""}));
  EXPECT_NE(ErrorOf("SELECT CONVERT(VARCHAR(10), Data, 104) FROM [Itens de Venda]")
                .find("CONVERT style 104"),
            std::string::npos);
}

TEST_F(TsqlAdapter, ValueKindsOfColumns) {
  host::RecordsetRef rows = db_.OpenRecordSet(
      "SELECT Código, Caixa, Data, Hora, Valor, Qtde, Ativo, Valor / 4 AS Quarto FROM [Itens de "
      "Venda] WHERE Código = 1");
  EXPECT_EQ(rows->Field("Código"), Value(int64_t{1}));
  EXPECT_EQ(rows->Field("caixa"), Value("001"));  // a code keeps its zeros
  EXPECT_EQ(rows->Field("Data"), Value(*host::DateTime::FromParts(2024, 3, 1)));
  EXPECT_EQ(rows->Field("Hora"), Value(*host::DateTime::FromParts(1900, 1, 1, 8, 30, 0)));
  // MONEY keeps 10.00 a real number: with NUMERIC affinity 10.00 / 4 would give 2.
  EXPECT_EQ(rows->Field("Valor"), Value(10.0));
  EXPECT_EQ(rows->Field("Quarto"), Value(2.5));
  EXPECT_EQ(rows->Field("Ativo"), Value(true));
  const std::vector<host::ColumnType> kinds = {host::ColumnType::Integer, host::ColumnType::Text,
                                               host::ColumnType::Date,    host::ColumnType::Date,
                                               host::ColumnType::Double,  host::ColumnType::Double,
                                               host::ColumnType::Boolean, host::ColumnType::Double};
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    EXPECT_EQ(rows->Columns()[i].type, kinds[i]) << rows->Columns()[i].name;
  }
  EXPECT_EQ(Query("SELECT Caixa, Valor, Ativo FROM [Itens de Venda] WHERE Código = 4"),
            (Rows{"null|null|null"}));
}

TEST_F(TsqlAdapter, TextComparesAsSqlServerDoes) {
  // Letter case and trailing blanks do not count; accents do.
  EXPECT_EQ(Query("SELECT Código FROM [Itens de Venda] WHERE Descrição = 'GASOLINA  '"),
            (Rows{"1"}));
  EXPECT_EQ(Query("SELECT Código FROM [Itens de Venda] WHERE Descrição = 'óleo'"), (Rows{"2"}));
  EXPECT_EQ(Query("SELECT Código FROM [Itens de Venda] WHERE Descrição = 'OLEO'"), Rows{});
  EXPECT_EQ(Query("SELECT Código FROM [Itens de Venda] WHERE Descrição IN ('PÃO', 'nafta') ORDER "
                  "BY Código"),
            (Rows{"3", "4"}));
  // Accented letters sort beside their base letter: Nafta, ÓLEO, Pão.
  EXPECT_EQ(Query("SELECT Descrição FROM [Itens de Venda] ORDER BY Descrição"),
            (Rows{"\"Gasolina\"", "\"Nafta\"", "\"ÓLEO\"", "\"Pão\""}));
  EXPECT_EQ(One("SELECT ISNULL(Caixa, 'sem') FROM [Itens de Venda] WHERE Código = 4"),
            Value("sem"));
  // Also when the sort key is an expression, as a receipt type computed by CASE is; a column
  // position still sorts by position.
  EXPECT_EQ(Query("SELECT CASE WHEN Código = 1 THEN 'Cartão Frota' WHEN Código = 2 THEN "
                  "'Carteira Digital' WHEN Código = 3 THEN 'Cartão de Débito' ELSE 'cartão de "
                  "Crédito' END AS Tipo FROM [Itens de Venda] ORDER BY Tipo ASC, Código DESC"),
            (Rows{"\"cartão de Crédito\"", "\"Cartão de Débito\"", "\"Cartão Frota\"",
                  "\"Carteira Digital\""}));
  EXPECT_EQ(Query("SELECT Descrição, Código FROM [Itens de Venda] ORDER BY 2 DESC"),
            (Rows{"\"Nafta\"|4", "\"Pão\"|3", "\"ÓLEO\"|2", "\"Gasolina\"|1"}));
}

TEST_F(TsqlAdapter, SelectIntoKeepsTheColumnTypes) {
  db_.SQL_Execute(
      "IF OBJECT_ID('TempDB.dbo.##Tipos') IS NOT NULL \r\nDROP TABLE ##Tipos\r\n"
      "SELECT Data Dia,CAST(SUM(Valor) AS FLOAT) Total,Descrição,CAST(MAX(CAST(Ativo AS INT)) AS "
      "BIT) AS Ativo INTO "
      "##Tipos FROM [Itens de Venda] WITH (NOLOCK) GROUP BY Data,Descrição");
  host::RecordsetRef rows = db_.OpenRecordSet("SELECT * FROM ##Tipos WHERE Descrição = 'GASOLINA'");
  ASSERT_FALSE(rows->Eof().AsBoolean());  // the copy compares text as its source did
  EXPECT_EQ(rows->Field("Dia"), Value(*host::DateTime::FromParts(2024, 3, 1)));
  EXPECT_EQ(rows->Field("Total"), Value(10.0));
  EXPECT_EQ(rows->Field("Ativo"), Value(true));
  // CREATE TABLE AS SELECT would have dropped these.
  EXPECT_EQ(rows->Columns()[0].type, host::ColumnType::Date);
  EXPECT_EQ(rows->Columns()[1].type, host::ColumnType::Double);
}

TEST_F(TsqlAdapter, IdentityColumnIsSkippedByPositionalInsert) {
  int32_t affected = 0;
  db_.SQL_Execute(
      "IF OBJECT_ID('TempDB.dbo.##Numerada') IS NOT NULL \r\nDROP TABLE ##Numerada\r\n"
      "CREATE TABLE ##Numerada (ID INTEGER IDENTITY(1, 1) NOT NULL PRIMARY KEY,Nome "
      "VARCHAR(40),Valor MONEY)\r\n"
      "INSERT INTO ##Numerada SELECT Descrição, ISNULL(Valor, 0) FROM [Itens de Venda] ORDER BY "
      "Descrição DESC",
      affected);
  EXPECT_EQ(affected, 4);
  EXPECT_EQ(Query("SELECT ID, Nome FROM ##Numerada ORDER BY ID"),
            (Rows{"1|\"Pão\"", "2|\"ÓLEO\"", "3|\"Nafta\"", "4|\"Gasolina\""}));
  EXPECT_NE(ErrorOf("CREATE TABLE ##Semente (ID INT IDENTITY(10, 1) PRIMARY KEY)"), "");
}

TEST_F(TsqlAdapter, UpdateFromDerivedTable) {
  db_.SQL_Execute(
      "IF OBJECT_ID('TempDB.dbo.##Contagem') IS NOT NULL \r\nDROP TABLE ##Contagem\r\n"
      "CREATE TABLE ##Contagem (Caixa VARCHAR(3),Vezes INT,Repetido BIT)\r\n"
      "INSERT INTO ##Contagem (Caixa,Vezes,Repetido) VALUES ('001', 0, 0), ('002', 0, 0), "
      "('999', 0, 0)");
  int32_t affected = 0;
  db_.SQL_Execute(
      "UPDATE ##Contagem SET Vezes = lst.Total,Repetido = CASE WHEN (lst.Total > 1) THEN 1 ELSE 0 "
      "END FROM (SELECT COUNT (a.Código) AS Total,a.Caixa AS IDCaixa FROM [Itens de Venda] a WITH "
      "(NOLOCK) GROUP BY a.Caixa) AS lst WHERE (Caixa = lst.IDCaixa)",
      affected);
  EXPECT_EQ(affected, 2);
  EXPECT_EQ(Query("SELECT Caixa, Vezes, Repetido FROM ##Contagem ORDER BY Caixa"),
            (Rows{"\"001\"|2|true", "\"002\"|1|false", "\"999\"|0|false"}));
}

TEST_F(TsqlAdapter, ObjectIdGuards) {
  db_.SQL_Execute("IF OBJECT_ID('TempDB.dbo.##Guarda') IS NOT NULL \r\nDROP TABLE ##Guarda");
  db_.SQL_Execute("IF OBJECT_ID('TempDB.dbo.##Guarda') IS NULL CREATE TABLE ##Guarda (A INT)");
  db_.SQL_Execute("IF OBJECT_ID('TempDB.dbo.##Guarda') IS NULL CREATE TABLE ##Guarda (A INT)");
  EXPECT_EQ(One("SELECT COUNT(*) FROM ##Guarda"), Value(int64_t{0}));
  db_.SQL_Execute("IF OBJECT_ID('TempDB.dbo.##Guarda') IS NOT NULL \r\nDROP TABLE ##Guarda");
  EXPECT_NE(ErrorOf("SELECT COUNT(*) FROM ##Guarda").find("208: Invalid object name"),
            std::string::npos);
}

TEST_F(TsqlAdapter, BatchesSplitWhereStatementsBegin) {
  const Rows rows = Query(
      "SELECT Código FROM [Itens de Venda] WHERE Código = 1 UNION ALL SELECT Código FROM "
      "[Itens de Venda] WHERE Código = 2; SELECT Código FROM [Itens de Venda] WHERE Código IN "
      "(SELECT Código FROM [Itens de Venda] WHERE Código > 2) ORDER BY Código");
  EXPECT_EQ(rows, (Rows{"3", "4"}));  // the last statement gives the rows
}

TEST_F(TsqlAdapter, DemoSchemaAppliesThroughTheAdapter) {
  const auto file = orla::testing::ScratchFile("schema.db");
  demo::CreateEmptyDatabase(file);
  Database db(file);
  EXPECT_EQ(db.OpenRecordSet("SELECT COUNT(*) FROM [T010_FormasDePagto] WHERE IsCartaoCredito = "
                             "1 AND IsFrota = 1")
                ->FieldAt(0),
            Value(int64_t{1}));
  host::RecordsetRef columns = db.OpenRecordSet(
      "SELECT Data_ECF, Valor_Venda, IsEstornado, Descrição, Alíquota FROM [Movimentações em "
      "Vendas]");
  EXPECT_TRUE(columns->Eof().AsBoolean());
  const std::vector<host::ColumnType> kinds = {host::ColumnType::Date, host::ColumnType::Double,
                                               host::ColumnType::Boolean, host::ColumnType::Text,
                                               host::ColumnType::Double};
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    EXPECT_EQ(columns->Columns()[i].type, kinds[i]) << columns->Columns()[i].name;
  }
}

}  // namespace
}  // namespace orla::sqlite
