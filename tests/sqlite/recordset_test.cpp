// Recordsets keep their rows in a spool, not as values: what is read back, read again, and
// read after the tables and the connection behind it are gone is exactly what was read.
#include "sqlite/recordset.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/errors.h"
#include "sqlite/database.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

using host::Value;

std::vector<Value> SomeOfEveryKind(int count) {
  std::vector<Value> cells;
  for (int i = 0; i < count; ++i) {
    cells.emplace_back();
    cells.emplace_back(i % 2 == 0);
    cells.emplace_back(int64_t{-9007199254740993} + i);
    cells.emplace_back(0.1 * i);
    cells.emplace_back(std::string("Movimentações ") +
                       std::string(static_cast<size_t>(i % 300), 'x'));
    cells.emplace_back(std::string());
    cells.emplace_back(host::DateTime::FromDays(19783 + i, 86399));
  }
  return cells;
}

TEST(RowSpoolTest, CellsComeBackExactlyFromMemoryAndFromTheFile) {
  const std::vector<Value> cells = SomeOfEveryKind(2000);
  struct Case {
    const char* name;
    std::size_t memoryBytes;
    bool spills;
  };
  for (const Case& c : {Case{"in memory", std::size_t{1} << 24, false},
                        Case{"spilled at once", 0, true}, Case{"spilled midway", 4096, true}}) {
    SCOPED_TRACE(c.name);
    RowSpool spool(c.memoryBytes);
    for (const Value& cell : cells) {
      spool.Append(cell);
    }
    EXPECT_EQ(spool.Spilled(), c.spills);
    ASSERT_EQ(spool.Cells(), cells.size());
    for (int pass = 0; pass < 2; ++pass) {
      spool.Rewind();
      for (std::size_t i = 0; i < cells.size(); ++i) {
        const Value cell = spool.Read();
        ASSERT_EQ(cell.GetKind(), cells[i].GetKind()) << i;
        ASSERT_EQ(cell, cells[i]) << i;
      }
    }
  }
}

TEST(RowSpoolTest, RecordsetMovesThroughSpooledRowsAndConvertsByColumn) {
  RowSpool spool(0);
  for (int64_t i = 0; i < 3; ++i) {
    spool.Append(Value(i));
    spool.Append(Value("r" + std::to_string(i)));
  }
  TableRecordset rows({{"n", host::ColumnType::Boolean}, {"t", host::ColumnType::Text}},
                      std::move(spool), [](Value cell, std::size_t column) {
                        return column == 0 ? Value(cell.AsInteger() != 0) : cell;
                      });
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

TEST(RowSpoolTest, AQueryReadsTheSameRowsTwiceAfterItsTablesAndConnectionAreGone) {
  Database db(orla::testing::MarchDatabase());
  db.SQL_Execute(
      "SELECT Código, Descrição, Valor_Venda, Data_ECF INTO ##Detalhe FROM [Movimentações em "
      "Vendas]");
  host::RecordsetRef rows = db.OpenRecordSet(
      "SELECT Código, Descrição, Valor_Venda, Data_ECF FROM ##Detalhe ORDER BY Código");
  const int64_t expected =
      db.OpenRecordSet("SELECT COUNT(*) FROM [Movimentações em Vendas]")->FieldAt(0).AsInteger();
  // A row takes at least 58 bytes in the spool (four kinds, three 8-byte numbers or lengths,
  // a 19-character date, a description of 3 or more), so these spill to the file.
  ASSERT_GT(expected * 58, static_cast<int64_t>(RowSpool::kMemoryBytes));
  db.SQL_Execute("DROP TABLE ##Detalhe");
  db.DB_Close();

  std::string first;
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    rows->MoveFirst();
    int64_t count = 0;
    int64_t previous = -1;
    std::string text;
    for (; !rows->Eof().AsBoolean(); rows->MoveNext(), ++count) {
      const int64_t code = rows->Field("Código").AsInteger();
      ASSERT_GT(code, previous);
      previous = code;
      ASSERT_EQ(rows->Field("Data_ECF").GetKind(), Value::Kind::Date);
      text += rows->Field("Descrição").AsText();
    }
    EXPECT_EQ(count, expected);
    if (pass == 0) {
      first = text;
    } else {
      EXPECT_EQ(text, first);
    }
  }
}

}  // namespace
}  // namespace orla::sqlite
