// Recordsets keep their rows in a spool, not as values: what is read back, read again, and
// read after the tables and the connection behind it have changed or gone is exactly what
// the query gave when it opened.
#include "sqlite/recordset.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demo/generator.h"
#include "host/errors.h"
#include "sqlite/database.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

using host::RowSpool;
using host::Value;

TEST(RowSpoolTest, RecordsetMovesThroughSpooledRowsAndConvertsByColumn) {
  RowSpool spool(0);
  for (int64_t i = 0; i < 3; ++i) {
    spool.Append(Value(i));
    spool.Append(Value("r" + std::to_string(i)));
  }
  TableRecordset rows({{"n", host::ColumnType::Boolean}, {"t", host::ColumnType::Text}},
                      std::move(spool),
                      [](std::vector<Value>& row) { row[0] = Value(row[0].AsInteger() != 0); });
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    std::vector<std::string> seen;
    for (; !rows.Eof().AsBoolean(); rows.MoveNext()) {
      seen.push_back(rows.Field("T").AsText() + (rows.FieldAt(0).AsBoolean() ? "+" : "-"));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"r0-", "r1+", "r2+"}));
    EXPECT_THROW(rows.FieldAt(0), host::HostError);
    EXPECT_THROW(rows.MoveNext(), host::HostError);
    rows.MoveFirst();
  }
}

// Rows 0, 1, 2... as (number, text), counted as they are pulled; fails at `failAt`.
class CountingSource final : public RowSource {
 public:
  CountingSource(int64_t rows, int64_t failAt, int64_t& pulled)
      : rows_(rows), failAt_(failAt), pulled_(pulled) {}
  bool Next(std::vector<Value>& cells) override {
    if (pulled_ == failAt_) {
      throw host::DatabaseError("SQLite: disk I/O error", "SELECT");
    }
    if (pulled_ >= rows_) {
      return false;
    }
    cells.emplace_back(pulled_);
    cells.emplace_back("r" + std::to_string(pulled_));
    ++pulled_;
    return true;
  }

 private:
  int64_t rows_, failAt_;
  int64_t& pulled_;
};

TEST(RowSpoolTest, ARecordsetPullsRowsAsItMovesAndReadsThemAgainFromTheSpool) {
  for (const std::size_t memoryBytes : {std::size_t{0}, RowSpool::kMemoryBytes}) {
    SCOPED_TRACE(memoryBytes);
    int64_t pulled = 0;
    TableRecordset rows({{"n", host::ColumnType::Integer}, {"t", host::ColumnType::Text}},
                        RowSpool(memoryBytes), nullptr,
                        std::make_unique<CountingSource>(3000, -1, pulled));
    EXPECT_EQ(pulled, 1) << "the first row alone at open";
    int64_t next = 0;
    auto readTo = [&](int64_t end) {
      for (; next < end && !rows.Eof().AsBoolean(); rows.MoveNext(), ++next) {
        ASSERT_EQ(rows.FieldAt(0), Value(next));
        ASSERT_EQ(rows.Field("t"), Value("r" + std::to_string(next)));
      }
    };
    readTo(1000);
    EXPECT_EQ(pulled, 1001);
    rows.Drain();  // as a write on the thread would, halfway through
    EXPECT_EQ(pulled, 3000);
    readTo(5000);
    EXPECT_EQ(next, 3000);
    rows.MoveFirst();
    next = 0;
    readTo(5000);
    EXPECT_EQ(next, 3000);
  }
}

TEST(RowSpoolTest, AFailingSourceFailsEveryReadPastItsLastGoodRow) {
  int64_t pulled = 0;
  TableRecordset rows({{"n", host::ColumnType::Integer}, {"t", host::ColumnType::Text}},
                      RowSpool(0), nullptr, std::make_unique<CountingSource>(3000, 500, pulled));
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    for (int64_t i = 0; i < 499; ++i) {
      ASSERT_EQ(rows.FieldAt(0), Value(i));
      rows.MoveNext();
    }
    EXPECT_THROW(rows.MoveNext(), host::DatabaseError);
    EXPECT_THROW(rows.Eof(), host::DatabaseError) << "never an early end";
    rows.Drain();
    EXPECT_THROW(rows.Eof(), host::DatabaseError);
    rows.MoveFirst();
  }
}

// A query's rows are read as they are used. Whatever happens while it is half read, the
// recordset gives the rows as they were when it opened, twice alike, and nothing waits on it.
TEST(RowSpoolTest, AHalfReadQueryKeepsItsRowsWhateverHappensMeanwhile) {
  const std::string query =
      "SELECT Código, Descrição, Valor_Venda, Data_ECF FROM [Movimentações em Vendas] WHERE "
      "Código % 4 = 0 ORDER BY Código";
  const std::string removal = "DELETE FROM [Movimentações em Vendas] WHERE Código % 2 = 0";
  struct Case {
    const char* name;
    std::function<void(Database& db, const std::filesystem::path& file)> meanwhile;
  };
  const std::vector<Case> cases = {
      {"its connection closes", [](Database& db, auto&) { db.DB_Close(); }},
      {"its connection deletes rows it has still to give",
       [&](Database& db, auto&) { db.SQL_Execute(removal); }},
      {"another connection of its thread deletes them",
       [&](Database&, const std::filesystem::path& file) { Database(file).SQL_Execute(removal); }},
      {"a working table is filled and dropped, then the connection closes",
       [](Database& db, auto&) {
         db.SQL_Execute("SELECT Código INTO ##Detalhe FROM [Movimentações em Vendas]");
         db.SQL_Execute("DROP TABLE ##Detalhe");
         db.DB_Close();
       }},
  };
  const std::filesystem::path week = orla::testing::ScratchFile("week.db");
  demo::GeneratorOptions options;
  options.start = *host::DateTime::FromParts(2024, 3, 1);
  options.days = 7;
  demo::Generate(week, options);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path file = orla::testing::ScratchFile("half-read.db");
    std::filesystem::copy_file(week, file);
    Database db(file);
    host::RecordsetRef totals = db.OpenRecordSet(
        "SELECT COUNT(*), SUM(Código) FROM [Movimentações em Vendas] WHERE Código % 4 = 0");
    const int64_t count = totals->FieldAt(0).AsInteger();
    const int64_t sum = totals->FieldAt(1).AsInteger();
    ASSERT_GT(count, 1000);

    host::RecordsetRef rows = db.OpenRecordSet(query);
    int64_t seen = 0;
    int64_t seenSum = 0;
    std::string first;
    auto readTo = [&](int64_t end) {
      for (; seen < end && !rows->Eof().AsBoolean(); rows->MoveNext(), ++seen) {
        seenSum += rows->Field("Código").AsInteger();
        ASSERT_EQ(rows->Field("Data_ECF").GetKind(), Value::Kind::Date);
        first += rows->Field("Descrição").AsText();
      }
    };
    readTo(count / 3);
    c.meanwhile(db, file);
    readTo(count + 1);
    EXPECT_EQ(seen, count);
    EXPECT_EQ(seenSum, sum);

    rows->MoveFirst();
    std::string again;
    for (; !rows->Eof().AsBoolean(); rows->MoveNext()) {
      again += rows->Field("Descrição").AsText();
    }
    EXPECT_EQ(again, first);
  }
}

}  // namespace
}  // namespace orla::sqlite
