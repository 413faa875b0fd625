// `orla-vendas sql` on a month of demo data: rows as the reports see them, checked against
// plain SQLite over the raw tables.
#include "cli/sql_command.h"

#include <sstream>

#include <gmock/gmock.h>

#include "reports/report_list.h"
#include "tests/cli/cli_fixture.h"
#include "tests/sqlite/test_databases.h"

namespace orla::cli {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

class SqlCommandTest : public CliTest {
 protected:
  static CommandResult Sql(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"sql", "--db", DemoMarch().string()});
    return Main(std::move(arguments));
  }
};

TEST_F(SqlCommandTest, WorkingTablesLiveAcrossStatementsAndGoLines) {
  const CommandResult result = Sql(
      {"--format", "json",
       "SELECT Caixa, COUNT(*) AS Periodos INTO ##PorCaixa FROM [Movimentações] GROUP BY Caixa;\n"
       "INSERT INTO ##PorCaixa (Caixa, Periodos) VALUES ('9', 0)\n"
       "  go  \n"
       "SELECT Caixa, Periodos FROM ##PorCaixa WHERE Periodos > 0 ORDER BY Caixa\n"
       "GO\n"
       "DROP TABLE ##PorCaixa\n"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const json output = json::parse(result.out);
  EXPECT_EQ(output["columns"], json({"Caixa", "Periodos"}));
  EXPECT_EQ(output["rows"], testing::RawRows("SELECT Caixa COLLATE BINARY AS c, COUNT(*) FROM "
                                             "\"Movimentações\" GROUP BY c ORDER BY c"));
  EXPECT_EQ(output["rowsAffected"].get<size_t>(), output["rows"].size() + 1)
      << "the rows copied, the one inserted, and DROP changes none";
}

TEST_F(SqlCommandTest, TextComparesAsTheDatabaseCollationDoes) {
  const CommandResult result = Sql(
      {"--format", "csv",
       "SELECT COUNT(*) AS n FROM [Movimentações em Vendas] WHERE Situação_Tributária = 'tt  '"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const json expected = testing::RawRows(
      "SELECT COUNT(*) FROM \"Movimentações em Vendas\" WHERE UPPER(\"Situação_Tributária\") = "
      "'TT'")[0][0];
  EXPECT_NE(expected, 0);
  EXPECT_EQ(result.out, "n\n" + expected.dump() + "\n");
}

TEST_F(SqlCommandTest, TheThreeFormatsShowTheSameRows) {
  const std::string batch =
      "SELECT TOP 3 T010_ID AS ID, T010_Descricao AS Forma, 'a,\"b\"' AS Texto, NULL AS Nada, "
      "IsPix FROM T010_FormasDePagto ORDER BY T010_ID";
  const CommandResult csv = Sql({"--format", "csv", batch});
  const CommandResult table = Sql({batch});
  const CommandResult jsonResult = Sql({"--format", "json", batch});
  for (const CommandResult* result : {&csv, &table, &jsonResult}) {
    ASSERT_EQ(result->exitCode, 0) << result->err;
  }
  const json forms = testing::RawRows(
      "SELECT T010_Descricao, IsPix FROM T010_FormasDePagto ORDER BY T010_ID LIMIT 3");
  ASSERT_EQ(forms.size(), 3u);
  std::string expectedCsv = "ID,Forma,Texto,Nada,IsPix\n";
  for (int row = 0; row < 3; ++row) {
    expectedCsv += std::to_string(row + 1) + "," + forms[row][0].get<std::string>() +
                   ",\"a,\"\"b\"\"\",," + forms[row][1].dump() + "\n";
  }
  EXPECT_EQ(csv.out, expectedCsv);

  const json output = json::parse(jsonResult.out);
  ASSERT_EQ(output["rows"].size(), 3u);
  EXPECT_EQ(output["rows"][0][1], forms[0][0]);
  EXPECT_EQ(output["rows"][0][2], "a,\"b\"");
  EXPECT_TRUE(output["rows"][0][3].is_null());

  std::istringstream lines(table.out);
  std::vector<std::string> tableLines;
  for (std::string line; std::getline(lines, line);) {
    tableLines.push_back(line);
  }
  ASSERT_EQ(tableLines.size(), 6u) << table.out;
  EXPECT_TRUE(tableLines[0].starts_with("ID  Forma")) << tableLines[0];
  EXPECT_EQ(tableLines[1].substr(0, 4), "--  ");
  // Every column starts where its header starts.
  const std::size_t forma = tableLines[0].find("Forma");
  const std::size_t nada = tableLines[0].find("Nada");
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(tableLines[2 + row]);
    EXPECT_EQ(tableLines[2 + row].find(forms[row][0].get<std::string>()), forma);
    EXPECT_EQ(tableLines[2 + row].find("NULL"), nada);
  }
  EXPECT_EQ(tableLines[5], "(3 rows)");
}

TEST_F(SqlCommandTest, ExplainShowsWhatEachStatementBecame) {
  const CommandResult result =
      Sql({"--explain",
           "SELECT TOP 2 Caixa + '-' + Caixa AS c INTO ##Explicado FROM [Movimentações];"
           "SELECT c FROM ##Explicado"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_THAT(result.out, HasSubstr("-- SELECT TOP 2 Caixa + '-' + Caixa AS c INTO ##Explicado"));
  EXPECT_THAT(result.out, HasSubstr("CREATE TABLE tempdb.\"##Explicado\""));
  EXPECT_THAT(result.out,
              HasSubstr("\"Movimentações\".\"Caixa\" || '-' || \"Movimentações\".\"Caixa\""));
  EXPECT_THAT(result.out, HasSubstr("LIMIT 2;"));
  EXPECT_THAT(
      result.out,
      HasSubstr("-- SELECT c FROM ##Explicado\nSELECT \"##Explicado\".\"c\" AS \"c\" FROM tempdb"));
  EXPECT_THAT(result.out, ::testing::Not(HasSubstr("pragma_table_info")));

  const CommandResult quiet =
      Sql({"--explain", "--format", "csv", "SELECT COUNT(*) AS n FROM [Movimentações]"});
  ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
  EXPECT_EQ(quiet.out,
            "n\n" + testing::RawRows("SELECT COUNT(*) FROM \"Movimentações\"")[0][0].dump() + "\n");
  EXPECT_THAT(quiet.err, HasSubstr("COUNT(*) AS \"n\" FROM main.\"Movimentações\";"));
}

TEST_F(SqlCommandTest, AStatementThatCannotRunStopsTheBatchWithItsError) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"untranslatable", {"SELECT 1 AS a; SELECT a FROM x PIVOT (y)"}, 1, "PIVOT"},
      {"missing table", {"SELECT * FROM NaoExiste"}, 1, "NaoExiste"},
      {"unterminated string", {"SELECT 'aberto"}, 1, "'aberto"},
      {"bad format", {"--format", "xml", "SELECT 1"}, 2, "--format"},
      {"two batches", {"SELECT 1", "SELECT 2"}, 2, "one batch"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CommandResult result = Sql(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_THAT(result.err, HasSubstr(c.error));
    EXPECT_EQ(result.out, "");
  }
}

TEST_F(SqlCommandTest, OnlyWriteLetsAStatementChangeTheDatabase) {
  const std::filesystem::path copy = Folder() / "writable.db";
  std::filesystem::copy_file(DemoMarch(), copy, std::filesystem::copy_options::overwrite_existing);
  const std::string before = ReadFile(copy);
  const std::string drop = "DROP TABLE T010_FormasDePagto";
  const std::vector<std::string> statements = {
      drop, "SELECT * INTO Copia FROM T010_FormasDePagto",
      "CREATE VIEW Formas AS SELECT T010_ID FROM T010_FormasDePagto",
      "DELETE FROM T010_FormasDePagto", "UPDATE T010_FormasDePagto SET T010_ID = 0"};
  for (const std::string& statement : statements) {
    SCOPED_TRACE(statement);
    const CommandResult refused = Main({"sql", "--db", copy.string(), statement});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("3906: Failed to update database \"writable\" because the "
                                       "database is read-only."));
    EXPECT_THAT(refused.err, HasSubstr("--write"));
  }
  EXPECT_EQ(ReadFile(copy), before);

  ASSERT_EQ(Main({"sql", "--db", copy.string(), "--write", drop}).exitCode, 0);
  EXPECT_THAT(Main({"sql", "--db", copy.string(), "SELECT * FROM T010_FormasDePagto"}).err,
              HasSubstr("208: Invalid object name 'T010_FormasDePagto'."));
}

// The reports fill ## working tables only: every operation (on the 1st of March, the month
// up to "today") leaves the file as it was.
TEST_F(SqlCommandTest, TheReportsNeverChangeTheDatabase) {
  const std::string before = ReadFile(DemoMarch());
  for (const reports::ReportDescriptor& operation : reports::ReportList()) {
    SCOPED_TRACE(std::string(operation.name));
    const CommandResult result = Run({std::string(operation.name), "--today", "2024-03-01",
                                      "--format", "json", "--viewer-hidden"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
  }
  EXPECT_TRUE(ReadFile(DemoMarch()) == before);
}

TEST_F(SqlCommandTest, ReadsTheBatchFromStandardInputAndHasHelp) {
  std::istringstream in("SELECT COUNT(*) AS n FROM T010_FormasDePagto\nGO\n");
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(SqlCommand({"--db", DemoMarch().string(), "--format", "csv", "-"}, in, out, err, false),
            0)
      << err.str();
  EXPECT_EQ(
      out.str(),
      "n\n" + testing::RawRows("SELECT COUNT(*) FROM T010_FormasDePagto")[0][0].dump() + "\n");

  const CommandResult help = Main({"sql", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_THAT(help.out, HasSubstr("examples:"));
  EXPECT_THAT(Main({"--help"}).out, HasSubstr("sql "));
}

}  // namespace
}  // namespace orla::cli
