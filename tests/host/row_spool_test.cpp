// The spool behind recordsets and sorts: every cell back exactly as it went in, from memory
// and from the file, to each reader from its own place.
#include "host/row_spool.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orla::host {
namespace {

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
  std::vector<Value> cells = SomeOfEveryKind(2000);
  cells.insert(cells.begin() + 5000, Value(std::string(150000, 'y')));  // wider than a chunk
  struct Case {
    const char* name;
    std::size_t memoryBytes;
    bool spills;
  };
  for (const Case& c : {Case{"in memory", std::size_t{1} << 24, false},
                        Case{"spilled at once", 0, true}, Case{"spilled midway", 4096, true}}) {
    SCOPED_TRACE(c.name);
    RowSpool spool(c.memoryBytes);
    // Read as it is written, a chunk at a time, as a recordset reads rows while they come.
    RowSpool::Reader early(spool);
    std::size_t read = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      spool.Append(cells[i]);
      if (i % 97 == 0 || i + 1 == cells.size()) {
        for (; read <= i; ++read) {
          ASSERT_EQ(early.Read(), cells[read]) << read;
        }
      }
    }
    EXPECT_EQ(spool.Spilled(), c.spills);
    ASSERT_EQ(spool.Cells(), cells.size());
    // Again from the start, and a second reader from the start while the first is midway.
    const auto same = [&](RowSpool::Reader& reader, std::size_t at) {
      const Value cell = reader.Read();
      return cell.GetKind() == cells[at].GetKind() && cell == cells[at];
    };
    early.Rewind();
    const std::size_t half = cells.size() / 2;
    for (std::size_t i = 0; i < half; ++i) {
      ASSERT_TRUE(same(early, i)) << i;
    }
    RowSpool::Reader late(spool);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      ASSERT_TRUE(same(late, i)) << i;
      if (half + i < cells.size()) {
        ASSERT_TRUE(same(early, half + i)) << half + i;
      }
    }
    EXPECT_TRUE(early.AtEnd());
    std::vector<Value> row;
    EXPECT_FALSE(late.ReadRow(row, 1));
  }
}

}  // namespace
}  // namespace orla::host
