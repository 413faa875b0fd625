// Counting the rows on the terminal must not change what the renderers read.
#include "cli/progress.h"

#include <sstream>

#include <gmock/gmock.h>

#include "engine/memory_recordset.h"
#include "engine/render.h"

namespace orla::cli {
namespace {

using ::testing::HasSubstr;

std::shared_ptr<engine::Report> ProductDetails(int rows) {
  auto report = engine::CreateReport("rptDetalhesDosMovimentosPorProdutos");
  std::vector<engine::MemoryRecordset::Row> data;
  for (int i = 0; i < rows; ++i) {
    data.push_back({host::Value(*host::DateTime::FromParts(2024, 3, 1 + i % 28)),
                    host::Value("P" + std::to_string(i)), host::Value(1.5 * i)});
  }
  report->SetDataSource(std::make_shared<engine::MemoryRecordset>(
      std::vector<host::Column>{{"Data_Movimento", host::ColumnType::Date},
                                {"Descricao", host::ColumnType::Text},
                                {"ValorDeVendaBruto", host::ColumnType::Double}},
      std::move(data)));
  return report;
}

TEST(RowProgress, CountsEveryPassAndLeavesTheRowsAsTheyWere) {
  const auto plain = ProductDetails(45000);
  const auto counted = ProductDetails(45000);
  std::ostringstream err;
  ShowRowProgress(*counted, err);
  for (engine::Format format : {engine::Format::Csv, engine::Format::Json}) {
    SCOPED_TRACE(engine::FormatName(format));
    std::ostringstream expected;
    std::ostringstream actual;
    engine::Render(*plain, format, expected);
    engine::Render(*counted, format, actual);
    EXPECT_EQ(actual.str(), expected.str());
  }
  EXPECT_THAT(err.str(),
              HasSubstr("rptDetalhesDosMovimentosPorProdutos: 40000 rows read (pass 1)"));
  // Each pass ends its line with the whole count.
  EXPECT_THAT(err.str(), HasSubstr("45000 rows read (pass 1)\n"));
  EXPECT_THAT(err.str(), HasSubstr("45000 rows read (pass 2)\n"));
}

}  // namespace
}  // namespace orla::cli
