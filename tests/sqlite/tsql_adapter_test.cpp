// The kinds of the columns the T-SQL adapter gives, which the report engine formats by: the
// records (records/adapter.test) see only the values of rows that exist.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demo/schema.h"
#include "sqlite/database.h"
#include "tests/sqlite/test_databases.h"

namespace orla::sqlite {
namespace {

using host::ColumnType;
using host::Value;

// Also without rows, for a copy made by SELECT ... INTO and for computed columns.
TEST(TsqlAdapter, ColumnsTakeTheKindsOfTheirDeclaredTypes) {
  const auto file = orla::testing::ScratchFile("schema.db");
  demo::CreateEmptyDatabase(file);
  Database db(file);
  EXPECT_EQ(db.OpenRecordSet("SELECT COUNT(*) FROM [T010_FormasDePagto] WHERE IsCartaoCredito = "
                             "1 AND IsFrota = 1")
                ->FieldAt(0),
            Value(int64_t{1}));
  const std::string columns =
      "Código, Data_ECF, Hora_Movimento, Valor_Venda, IsEstornado, Descrição, Alíquota";
  db.SQL_Execute("SELECT " + columns + " INTO ##Copia FROM [Movimentações em Vendas]");
  const std::vector<ColumnType> kinds = {
      ColumnType::Integer, ColumnType::Date,   ColumnType::Date,   ColumnType::Double,
      ColumnType::Boolean, ColumnType::Text,   ColumnType::Double, ColumnType::Double,
      ColumnType::Boolean, ColumnType::Integer};
  for (const char* from : {"[Movimentações em Vendas]", "##Copia"}) {
    SCOPED_TRACE(from);
    host::RecordsetRef rows = db.OpenRecordSet(
        "SELECT " + columns +
        ", Valor_Venda / 4, CAST(Código AS BIT), CAST(Alíquota AS INT) FROM " + from);
    EXPECT_TRUE(rows->Eof().AsBoolean());
    ASSERT_EQ(rows->Columns().size(), kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      EXPECT_EQ(rows->Columns()[i].type, kinds[i]) << rows->Columns()[i].name;
    }
  }
}

}  // namespace
}  // namespace orla::sqlite
