#include "engine/rows.h"

#include <random>

#include <gtest/gtest.h>

#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

TEST(RowsTest, ComparesTextAsAReaderExpects) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  };
  const Case cases[] = {
      {"B2", "B10", -1},       // digit runs compare as numbers
      {"B02", "B2", -1},       // equal numbers: the bytes decide, so the order is total
      {"Ébano", "Zebra", -1},  // accents fold to their letter
      {"ação", "acucar", -1},
      {"ÁLCOOL", "alcool", 1},  // same letters: byte order breaks the tie
      {"Gasolina", "gasolina aditivada", -1},
      {"", "a", -1},
      {"Diesel S10", "Diesel S10", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(CompareText(c.a, c.b), c.expected);
    EXPECT_EQ(CompareText(c.b, c.a), -c.expected);
  }
}

TEST(RowsTest, OrdersValuesOfEveryKind) {
  EXPECT_LT(CompareValues(host::Value(), int64_t{-5}), 0);  // nulls first
  EXPECT_LT(CompareValues(int64_t{2}, 2.5), 0);
  EXPECT_EQ(CompareValues(int64_t{2}, 2.0), 0);
  EXPECT_LT(CompareValues(testing::Date(2024, 3, 1), testing::Date(2024, 3, 1, 0, 0, 1)), 0);
  EXPECT_LT(CompareValues(9.0, "1"), 0);  // numbers before text
}

constexpr std::string_view kSortedLayout = R"({
  "name": "rptTeste", "title": "Teste",
  "fields": [{"column": "Chave"}, {"column": "Ordem", "format": "integer"},
             {"column": "Data", "format": "date"}],
  "sort": ["Chave", {"field": "Data", "descending": true}],
  "sections": [{"name": "Section3", "kind": "details"}]
})";

std::vector<std::vector<std::string>> ReadAll(RowSource& rows) {
  std::vector<std::vector<std::string>> result;
  rows.Rewind();
  Row row;
  while (rows.Next(row)) {
    std::vector<std::string> texts;
    for (const host::Value& v : row) {
      texts.push_back(v.Describe());
    }
    result.push_back(texts);
  }
  return result;
}

TEST(RowsTest, SortsThroughTemporaryFilesLikeInMemoryAndStably) {
  const Layout layout = ParseLayout(kSortedLayout);
  std::mt19937 random(7);
  std::vector<MemoryRecordset::Row> input;
  const char* keys[] = {"Álcool", "alcool", "Diesel", "B10", "B2", "Etanol"};
  for (int64_t i = 0; i < 500; ++i) {
    host::Value key = random() % 9 == 0 ? host::Value() : host::Value(keys[random() % 6]);
    input.push_back({key, i, testing::Date(2024, 3, 1 + static_cast<int>(random() % 3))});
  }
  const auto recordset = testing::Recordset({"Chave", "Ordem", "Data"}, input);
  const FieldBinding binding(layout, recordset.get());

  KeptRows kept;
  const auto inMemory = OpenRows(layout, binding, recordset, nullptr, 100000);
  const auto spilled = OpenRows(layout, binding, recordset, &kept, 7);
  const auto expected = ReadAll(*inMemory);
  ASSERT_EQ(expected.size(), input.size());
  EXPECT_EQ(ReadAll(*spilled), expected);
  EXPECT_EQ(ReadAll(*spilled), expected);  // read again from the start

  // The walks of a rendering read the kept sort each from its own place; the rows of
  // another recordset are sorted anew.
  spilled->Rewind();
  Row row;
  ASSERT_TRUE(spilled->Next(row));
  EXPECT_EQ(ReadAll(*OpenRows(layout, binding, recordset, &kept, 7)), expected);
  ASSERT_TRUE(spilled->Next(row));
  EXPECT_EQ(row[1].Describe(), expected[1][1]);
  const auto fewer =
      testing::Recordset({"Chave", "Ordem", "Data"}, {input.begin(), input.begin() + 9});
  EXPECT_EQ(ReadAll(*OpenRows(layout, binding, fewer, &kept, 7)).size(), 9u);

  for (size_t i = 1; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& a = expected[i - 1];
    const auto& b = expected[i];
    if (a[0] == b[0] && a[2] == b[2]) {
      // Equal keys keep the order they came in.
      EXPECT_LT(std::stoll(a[1]), std::stoll(b[1]));
    }
  }
  EXPECT_EQ(expected.front()[0], "null");
  EXPECT_EQ(expected.back()[0], "\"Etanol\"");
}

TEST(RowsTest, BindsFieldsToTheColumnsTheRecordsetHas) {
  const Layout layout = ParseLayout(R"({
    "name": "rptTeste", "title": "Teste",
    "fields": [{"column": "Valor", "format": "money"}, {"column": "Custo", "format": "money"},
               {"name": "Dobro", "compute": "Valor * 2", "format": "money"},
               {"name": "Lucro", "compute": "Valor - Custo", "format": "money"}],
    "sections": [{"name": "Section3", "kind": "details"}]
  })");
  const auto recordset = testing::Recordset({"Outra", "VALOR"}, {{1.0, 2.0}});
  const FieldBinding binding(layout, recordset.get());
  EXPECT_EQ(binding.Column(0), 1u);
  EXPECT_FALSE(binding.Present(1));
  EXPECT_TRUE(binding.Present(2));
  EXPECT_FALSE(binding.Present(3));  // it reads a column the data lacks

  const FieldBinding unbound(layout, nullptr);
  EXPECT_TRUE(unbound.Present(1));
  EXPECT_FALSE(unbound.Column(0).has_value());
}

}  // namespace
}  // namespace orla::engine
