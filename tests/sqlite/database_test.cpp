// The database and command objects as the library uses them: connections, TempDB shared
// between them, rows-affected counts, recordsets and errors.
#include "sqlite/database.h"

#include <gtest/gtest.h>

#include "demo/schema.h"
#include "host/command.h"
#include "host/errors.h"
#include "sqlite/command.h"
#include "tests/fakes/host_fakes.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

using host::Value;

std::filesystem::path EmptyDatabase(const std::string& name) {
  const auto file = orla::testing::ScratchFile(name);
  demo::CreateEmptyDatabase(file);
  return file;
}

using orla::testing::ErrorNumber;

TEST(SqliteDatabase, OpensOnDemandAndClosesWithoutLosingRecordsets) {
  Database db(EmptyDatabase("open.db"));
  EXPECT_FALSE(db.IsOpened());
  host::RecordsetRef forms = db.OpenRecordSet(
      "SELECT T010_Descricao FROM [T010_FormasDePagto] "
      "WITH (NOLOCK) ORDER BY T010_ID");
  EXPECT_TRUE(db.IsOpened());
  db.DB_Close();
  EXPECT_FALSE(db.IsOpened());
  EXPECT_EQ(forms->Field("T010_Descricao"), Value("Dinheiro"));
  db.DB_Open();
  db.DB_Open();  // opening an open connection changes nothing
  EXPECT_TRUE(db.IsOpened());
  host::RecordsetRef kept;
  {
    Database other(db.Open().File());
    kept = other.OpenRecordSet("SELECT COUNT(*) AS Formas FROM [T010_FormasDePagto]");
  }
  EXPECT_EQ(kept->Field("formas"), Value(int64_t{16}));
  EXPECT_THROW(Database(orla::testing::ScratchFile("missing.db")).DB_Open(), host::DatabaseError);
}

TEST(SqliteDatabase, RowsAffectedAndWhatSqlExecuteGives) {
  Database db(EmptyDatabase("affected.db"));
  int32_t affected = -1;
  EXPECT_EQ(db.SQL_Execute("CREATE TABLE [Teste] (A INT, B VARCHAR(5))", affected), nullptr);
  EXPECT_EQ(affected, 0);
  db.SQL_Execute("INSERT INTO [Teste] VALUES (1, 'a'), (2, 'b'), (3, 'c')", affected);
  EXPECT_EQ(affected, 3);
  db.SQL_Execute("UPDATE [Teste] SET B = 'x' WHERE A >= 2", affected);
  EXPECT_EQ(affected, 2);
  // A batch counts every statement; the DROP of a missing table is skipped.
  db.SQL_Execute(
      "IF OBJECT_ID('TempDB.dbo.##Nada') IS NOT NULL \r\nDROP TABLE ##Nada\r\n"
      "DELETE FROM [Teste] WHERE A = 1\r\nINSERT INTO [Teste] VALUES (9, 'z')",
      affected);
  EXPECT_EQ(affected, 2);
  host::RecordsetRef empty = db.SQL_Execute("SELECT A, B FROM [Teste] WHERE A > 100");
  ASSERT_NE(empty, nullptr);  // a query gives a recordset, also without rows
  EXPECT_EQ(empty->Eof(), Value(true));
  EXPECT_EQ(empty->Columns().size(), 2u);
  EXPECT_EQ(db.OpenRecordSet("DELETE FROM [Teste] WHERE A = 100")->Eof(), Value(true));
}

TEST(SqliteDatabase, RecordsetCursorAndFieldNames) {
  Database db(EmptyDatabase("cursor.db"));
  host::RecordsetRef rows = db.OpenRecordSet(
      "SELECT T010_ID, T010_Descricao AS Descrição FROM [T010_FormasDePagto] WHERE T010_ID <= 2 "
      "ORDER BY T010_ID");
  EXPECT_EQ(rows->Field("t010_id"), Value(int64_t{1}));             // letter case ignored
  EXPECT_EQ(ErrorNumber([&] { rows->Field("Descricao"); }), 3265);  // accents are not
  try {
    rows->Field("Nenhuma");
    FAIL();
  } catch (const host::HostError& e) {
    EXPECT_NE(e.Description().find("Nenhuma"), std::string::npos);
  }
  rows->MoveNext();
  EXPECT_EQ(rows->Field("Descrição"), Value("Cheque a Vista"));
  rows->MoveNext();
  EXPECT_EQ(rows->Eof(), Value(true));
  EXPECT_EQ(ErrorNumber([&] { rows->Field("T010_ID"); }), 3021);
  EXPECT_EQ(ErrorNumber([&] { rows->MoveNext(); }), 3021);
  rows->MoveFirst();  // one recordset feeds a report and its subreports
  EXPECT_EQ(rows->FieldAt(1), Value("Dinheiro"));
}

TEST(SqliteDatabase, ErrorsSayWhatFailedInOneLineAndKeepTheStatement) {
  Database db(EmptyDatabase("errors.db"));
  const std::string sql = "SELECT Nenhuma FROM [T010_FormasDePagto]";
  try {
    db.OpenRecordSet(sql);
    FAIL();
  } catch (const host::DatabaseError& e) {
    EXPECT_EQ(e.Number(), host::error_number::kDatabase);
    EXPECT_EQ(e.Statement(), sql);
    EXPECT_NE(e.Description().find("207: Invalid column name 'Nenhuma'"), std::string::npos);
    EXPECT_EQ(e.Description().find('\n'), std::string::npos) << e.Description();
  }
  // A query that was never built is refused, not taken for an empty result.
  for (const char* blank : {"", " \r\n"}) {
    EXPECT_THROW(db.OpenRecordSet(blank), host::DatabaseError);
    EXPECT_THROW(db.SQL_Execute(blank), host::DatabaseError);
  }
}

TEST(SqliteDatabase, TempDbIsSharedByEveryConnection) {
  const auto file = EmptyDatabase("tempdb.db");
  Database first(file);
  Database second(file);
  first.SQL_Execute(
      "IF OBJECT_ID('TempDB.dbo.##Partilhada') IS NOT NULL \r\nDROP TABLE "
      "##Partilhada\r\nCREATE TABLE ##Partilhada (Nome VARCHAR(10))\r\n"
      "INSERT INTO ##Partilhada VALUES ('um')");
  EXPECT_EQ(second.OpenRecordSet("SELECT Nome FROM ##Partilhada")->FieldAt(0), Value("um"));
  // A command on its own connection fills a table the first connection then reads.
  auto command = CreateCommand("ADODB.Command");
  command->SetActiveConnection(first.GetConnectionString());
  command->SetCommandType(1);
  command->SetCommandText("INSERT INTO ##Partilhada VALUES ('dois')");
  command->Execute();
  command.reset();
  EXPECT_EQ(first.OpenRecordSet("SELECT COUNT(*) FROM ##Partilhada")->FieldAt(0),
            Value(int64_t{2}));
  // The table outlives the connection that made it.
  first.DB_Close();
  EXPECT_EQ(second.OpenRecordSet("SELECT COUNT(*) FROM TempDB..##Partilhada")->FieldAt(0),
            Value(int64_t{2}));
}

TEST(SqliteConnectionString, RoundTripsAwkwardPaths) {
  const auto folder = orla::testing::ScratchFile("a folder; with \"quotes\" and 'more'");
  std::filesystem::create_directories(folder);
  const auto file = folder / "vendas; demo.db";
  demo::CreateEmptyDatabase(file);
  Database db(file);
  const std::string text = db.GetConnectionString();
  EXPECT_TRUE(text.starts_with("Provider=SQLite;Data Source=\""));
  EXPECT_EQ(DataSourceOf(text), std::filesystem::absolute(file));
  EXPECT_EQ(Database::FromConnectionString(text)->OpenRecordSet("SELECT 1")->FieldAt(0),
            Value(int64_t{1}));
}

TEST(SqliteConnectionString, ReadsTheUsualForms) {
  EXPECT_EQ(DataSourceOf("Data Source=/tmp/x.db"), "/tmp/x.db");
  EXPECT_EQ(DataSourceOf(" provider = sqlite ; data source = '/tmp/it''s.db' ;"), "/tmp/it's.db");
  EXPECT_THROW(DataSourceOf("Provider=SQLOLEDB;Data Source=server"), host::DatabaseError);
  EXPECT_THROW(DataSourceOf("Provider=SQLite"), host::DatabaseError);
  EXPECT_THROW(DataSourceOf("Data Source=\"/tmp/open"), host::DatabaseError);
}

TEST(SqliteCommand, CreatedByProgrammaticName) {
  EXPECT_NE(CreateCommand("adodb.command"), nullptr);
  EXPECT_EQ(ErrorNumber([] { CreateCommand("ADODB.Recordset"); }),
            host::error_number::kCannotCreateObject);
}

TEST(SqliteCommand, RunsProceduresAndGivesOutputParameters) {
  const auto file = EmptyDatabase("command.db");
  auto command = CreateCommand("ADODB.Command");
  EXPECT_EQ(ErrorNumber([&] { command->Execute(); }), 3709);  // no connection yet
  command->SetActiveConnection(ConnectionStringFor(file));
  command->SetCommandTimeout(0);
  command->SetCommandType(host::ado::kCmdStoredProc);
  command->SetCommandText("_RPT_VTR");
  const Value day(*host::DateTime::FromParts(2024, 3, 1));
  command->Parameters().Append(
      command->CreateParameter("dtInicial", host::ado::kDate, host::ado::kParamInput, 0, day));
  EXPECT_THROW(command->Execute(), host::DatabaseError);  // dtFinal missing
  command->Parameters().Append(
      command->CreateParameter("dtFinal", host::ado::kDate, host::ado::kParamInput, 0, day));
  command->Parameters().Append(
      command->CreateParameter("IDRetorno", host::ado::kVarChar, host::ado::kParamOutput, 200));
  EXPECT_EQ(command->Item("IDRetorno"), Value());
  command->Execute();
  const Value key = command->Item("idretorno");
  ASSERT_EQ(key.GetKind(), Value::Kind::Text);
  EXPECT_FALSE(key.AsText().empty());
  EXPECT_LE(key.AsText().size(), 200u);
  EXPECT_EQ(ErrorNumber([&] { command->Item("Outro"); }), 3265);
  command->SetCommandText("_NaoExiste");
  EXPECT_THROW(command->Execute(), host::DatabaseError);
}

}  // namespace
}  // namespace orla::sqlite
