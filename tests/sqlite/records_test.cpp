// The records of tests/sqlite/records/*.test, in the sqllogictest format, each file run on a
// fresh database through the adapter session `orla-vendas sql` uses (RunBatch on one
// connection). A query's column types are checked too: I for a whole number or bit, R for a
// decimal or float (shown with three decimals), T for text or a date; NULL fits any.
//
// One extension: "statement error TEXT" expects an error whose message holds TEXT (SQL
// Server's error number, say), where plain "statement error" takes any error. A query that
// must fail is written as such a statement.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/errors.h"
#include "sqlite/tsql_executor.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

struct Record {
  int line = 0;
  std::string first;              // "statement ok", "query IT rowsort"...
  std::vector<std::string> head;  // its words
  std::string sql;
  std::vector<std::string> expected;
};

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  while ((pos = line.find_first_not_of(' ', pos)) != std::string::npos) {
    const std::size_t end = std::min(line.find(' ', pos), line.size());
    words.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return words;
}

std::vector<Record> ReadRecords(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<Record> records;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line.starts_with("#")) {
      continue;
    }
    Record record{number, line, Words(line), "", {}};
    bool results = false;
    while (std::getline(in, line) && !line.empty()) {
      ++number;
      if (line == "----") {
        results = true;
      } else if (results) {
        record.expected.push_back(line);
      } else {
        record.sql += line + "\n";
      }
    }
    ++number;
    records.push_back(std::move(record));
  }
  return records;
}

// A cell as the record shows it, or "" with `problem` set when the type letter refuses it.
std::string Cell(const host::Value& value, char type, std::string& problem) {
  using Kind = host::Value::Kind;
  const Kind kind = value.GetKind();
  if (kind == Kind::Null) {
    return "NULL";
  }
  if (type == 'I' && (kind == Kind::Integer || kind == Kind::Boolean)) {
    return kind == Kind::Boolean ? (value.AsBoolean() ? "1" : "0")
                                 : std::to_string(value.AsInteger());
  }
  if (type == 'R' && kind == Kind::Double) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value.AsDouble());
    return text;
  }
  if (type == 'T' && kind == Kind::Text) {
    return value.AsText().empty() ? "(empty)" : value.AsText();
  }
  if (type == 'T' && kind == Kind::Date) {
    return value.AsDate().ToIso();
  }
  problem = "a value " + value.Describe() + " where the type is " + type;
  return "";
}

class RecordFile : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(RecordFile, EveryRecordRunsAsWritten) {
  const std::filesystem::path database = orla::testing::ScratchFile("records.db");
  Connection(database, Connection::Mode::Create);
  Connection connection(database, Connection::Mode::OpenExisting);
  for (const Record& record : ReadRecords(GetParam())) {
    SCOPED_TRACE(GetParam().filename().string() + ":" + std::to_string(record.line) + ": " +
                 record.sql);
    const std::vector<std::string>& head = record.head;
    const bool query = head[0] == "query" && head.size() >= 2;
    ASSERT_TRUE(query || (head[0] == "statement" && head.size() >= 2)) << "unknown record";
    std::string error;
    BatchResult result;
    try {
      result = RunBatch(connection, record.sql);
    } catch (const host::DatabaseError& e) {
      error = e.Description();
    }
    if (!query) {
      if (head[1] == "ok") {
        EXPECT_EQ(error, "");
      } else {
        const std::string wanted = record.first.substr(std::string("statement error").size());
        const std::size_t start = std::min(wanted.find_first_not_of(' '), wanted.size());
        EXPECT_TRUE(!error.empty() && error.find(wanted.substr(start)) != std::string::npos)
            << "expected an error holding '" << wanted.substr(start) << "', got -->|" << error
            << "|<--";
      }
      continue;
    }
    ASSERT_EQ(error, "");
    ASSERT_TRUE(result.rows);
    const std::string& types = head[1];
    ASSERT_EQ(result.rows->Columns().size(), types.size()) << "columns";
    std::vector<std::vector<std::string>> rows;
    std::string problem;
    for (host::Recordset& rs = *result.rows; !rs.Eof().AsBoolean(); rs.MoveNext()) {
      rows.emplace_back();
      for (std::size_t c = 0; c < types.size(); ++c) {
        rows.back().push_back(Cell(rs.FieldAt(c), types[c], problem));
      }
    }
    EXPECT_EQ(problem, "");
    const std::string sort = head.size() > 2 ? head[2] : "nosort";
    if (sort == "rowsort") {
      std::sort(rows.begin(), rows.end());
    }
    std::vector<std::string> values;
    for (const auto& row : rows) {
      values.insert(values.end(), row.begin(), row.end());
    }
    if (sort == "valuesort") {
      std::sort(values.begin(), values.end());
    }
    EXPECT_EQ(values, record.expected);
  }
}

std::vector<std::filesystem::path> RecordFiles() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(ORLA_RECORDS_DIR)) {
    if (entry.path().extension() == ".test") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

INSTANTIATE_TEST_SUITE_P(Records, RecordFile, ::testing::ValuesIn(RecordFiles()),
                         [](const auto& info) { return info.param.stem().string(); });

}  // namespace
}  // namespace orla::sqlite
