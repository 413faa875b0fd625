// The demo-db subcommand: its arguments and what it writes.
#include "cli/demo_db_command.h"

#include <sstream>

#include <gtest/gtest.h>

#include "host/platform.h"
#include "sqlite/database.h"
#include "tests/sqlite/test_databases.h"

namespace orla::cli {
namespace {

struct Result {
  int status;
  std::string out, err;
};

Result RunCommand(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = DemoDbCommand(args, out, err, true);
  return {status, out.str(), err.str()};
}

TEST(DemoDbCommand, RefusesBadArgumentsWithStatus2) {
  const auto file = orla::testing::ScratchFile("refused.db");
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--days", "3"},
      {"--out", file.string(), "--days", "0"},
      {"--out", file.string(), "--days", "abc"},
      {"--out", file.string(), "--seed", "-1"},
      {"--out", file.string(), "--start", "2024-02-30"},
      {"--out", file.string(), "--start", "01/03/2024"},
      {"--out", file.string(), "--colour", "blue"},
      {"--out"},
  };
  for (const auto& args : bad) {
    const Result result = RunCommand(args);
    EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
    EXPECT_NE(result.err.find("usage: orla-vendas demo-db"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(file));
  const Result help = RunCommand({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--start YYYY-MM-DD"), std::string::npos);
}

TEST(DemoDbCommand, WritesTheDaysAskedFor) {
  const auto file = orla::testing::ScratchFile("two days.db");
  const Result result =
      RunCommand({"--out", file.string(), "--days", "2", "--seed", "7", "--start", "2024-02-28"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("Generating day 2 of 2"), std::string::npos);
  EXPECT_NE(result.out.find("2 days from 2024-02-28"), std::string::npos);
  sqlite::Database db(file);
  host::RecordsetRef days =
      db.OpenRecordSet("SELECT MIN(Data_Abertura), MAX(Data_Abertura) FROM [Movimentações]");
  EXPECT_EQ(days->FieldAt(0), host::Value(*host::DateTime::FromParts(2024, 2, 28)));
  EXPECT_EQ(days->FieldAt(1), host::Value(*host::DateTime::FromParts(2024, 2, 29)));
}

TEST(DemoDbCommand, WithoutAStartTheDaysEndToday) {
  const auto file = orla::testing::ScratchFile("up to today.db");
  const Result result = RunCommand({"--out", file.string(), "--days", "3"});
  ASSERT_EQ(result.status, 0) << result.err;
  const host::DateTime today = host::SystemClock().Now().DateOnly();
  sqlite::Database db(file);
  host::RecordsetRef days =
      db.OpenRecordSet("SELECT MIN(Data_Abertura), MAX(Data_Abertura) FROM [Movimentações]");
  EXPECT_EQ(days->FieldAt(0), host::Value(today.AddDays(-2)));
  EXPECT_EQ(days->FieldAt(1), host::Value(today));
}

}  // namespace
}  // namespace orla::cli
