// The demo-db subcommand: its arguments and what it writes.
#include "cli/demo_db_command.h"

#include <sstream>

#include <gtest/gtest.h>

#include "host/platform.h"
#include "sqlite/database.h"
#include "tests/sqlite/test_databases.h"

namespace orla::cli {
namespace {

int RunCommand(const std::vector<std::string>& args, std::string* out = nullptr,
               std::string* err = nullptr) {
  std::ostringstream output, errors;
  const int status = DemoDbCommand(args, output, errors, true);
  if (out != nullptr) {
    *out = output.str();
  }
  if (err != nullptr) {
    *err = errors.str();
  }
  return status;
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
    std::string err;
    EXPECT_EQ(RunCommand(args, nullptr, &err), 2) << ::testing::PrintToString(args);
    EXPECT_NE(err.find("usage: orla-vendas demo-db"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(file));
  std::string out;
  EXPECT_EQ(RunCommand({"--help"}, &out), 0);
  EXPECT_NE(out.find("--start YYYY-MM-DD"), std::string::npos);
}

TEST(DemoDbCommand, WritesTheDaysAskedFor) {
  const auto file = orla::testing::ScratchFile("two days.db");
  std::string out, err;
  ASSERT_EQ(
      RunCommand({"--out", file.string(), "--days", "2", "--seed", "7", "--start", "2024-02-28"},
                 &out, &err),
      0)
      << err;
  EXPECT_NE(err.find("Generating day 2 of 2"), std::string::npos);
  EXPECT_NE(out.find("2 days from 2024-02-28"), std::string::npos);
  sqlite::Database db(file);
  host::RecordsetRef days =
      db.OpenRecordSet("SELECT MIN(Data_Abertura), MAX(Data_Abertura) FROM [Movimentações]");
  EXPECT_EQ(days->FieldAt(0), host::Value(*host::DateTime::FromParts(2024, 2, 28)));
  EXPECT_EQ(days->FieldAt(1), host::Value(*host::DateTime::FromParts(2024, 2, 29)));
}

TEST(DemoDbCommand, WithoutAStartTheDaysEndToday) {
  const auto file = orla::testing::ScratchFile("up to today.db");
  std::string err;
  ASSERT_EQ(RunCommand({"--out", file.string(), "--days", "3"}, nullptr, &err), 0) << err;
  const host::DateTime today = host::SystemClock().Now().DateOnly();
  sqlite::Database db(file);
  host::RecordsetRef days =
      db.OpenRecordSet("SELECT MIN(Data_Abertura), MAX(Data_Abertura) FROM [Movimentações]");
  EXPECT_EQ(days->FieldAt(0), host::Value(today.AddDays(-2)));
  EXPECT_EQ(days->FieldAt(1), host::Value(today));
}

}  // namespace
}  // namespace orla::cli
