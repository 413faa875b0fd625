// The statements that build ##VendasNosBicos, on recording fakes whose readings went in, so
// that the adjustments are read and spread.
#include "reports/fuel_movement/vendas_por_leituras_de_caixa.h"

#include <gtest/gtest.h>

#include "tests/fakes/expected_texts.h"
#include "tests/fakes/host_fakes.h"

namespace orla::reports {
namespace {

using host::Value;
using orla::testing::FakeRecordset;

class NozzleSalesTableTest : public ::testing::Test {
 protected:
  orla::testing::ScopedFakePlatform platform;
  orla::testing::CallLog& log = platform->log;
  orla::testing::FakeDatabase db{log};
};

TEST_F(NozzleSalesTableTest, BuildAndSpreadCalls) {
  orla::testing::ExpectedTexts expected(
      "reports/fuel_movement/expected/vendas_por_leituras_de_caixa.txt");
  const std::vector<host::Column> salesColumns{{"Bico", host::ColumnType::Text},
                                               {"Descricao", host::ColumnType::Text},
                                               {"ValorDesconto", host::ColumnType::Double},
                                               {"ValorAcrescimo", host::ColumnType::Double}};
  const std::vector<host::Column> countColumns{{"Bico", host::ColumnType::Text},
                                               {"Qtde", host::ColumnType::Integer}};
  // Readings per nozzle: 10 over four readings, a null surcharge counting as 0; a third cut
  // at the fifteenth decimal place; a nozzle sold on but never read, skipped.
  const std::vector<std::vector<Value>> sales{{"01", "GASOLINA COMUM", 10.0, Value()},
                                              {"02", "GASOLINA ADITIVADA D'OURO", Value(), 1.0},
                                              {"03", "ETANOL", 7.0, 7.0},
                                              {"04", "DIESEL S10", 7.0, 7.0}};
  const std::map<std::string, std::vector<Value>> counts{{"(Bico = '01')", {"01", int64_t{4}}},
                                                         {"(Bico = '02')", {"02", int64_t{3}}},
                                                         {"(Bico = '04')", {Value(), int64_t{2}}}};
  struct Case {
    const char* name;
    std::string shift;
    bool ignoreComplementary, ignoreOthers, withSales;
  };
  for (const Case& c : {Case{"all tills, every adjustment, spread", "", false, false, true},
                        // Both switches leave nothing to spread.
                        Case{"one till, no adjustment", "2", true, true, false},
                        Case{"complementary sales only", "", false, true, false}}) {
    SCOPED_TRACE(c.name);
    log.clear();
    db.rowsAffected = 9;
    db.opened = true;
    db.onQuery = [&](const std::string& sql) -> host::RecordsetRef {
      if (sql.starts_with("SELECT a.Código_Produto")) {
        return std::make_shared<FakeRecordset>(
            salesColumns, c.withSales ? sales : std::vector<std::vector<Value>>{});
      }
      std::vector<std::vector<Value>> rows;
      for (const auto& [nozzle, count] : counts) {
        if (sql.find(nozzle) != std::string::npos) {
          rows.push_back(count);
        }
      }
      return std::make_shared<FakeRecordset>(countColumns, rows);
    };
    BuildNozzleSalesTable(db, "01/03/2024", "31/03/2024", c.shift, c.ignoreComplementary,
                          c.ignoreOthers);
    expected.Check(c.name, log);
  }
  // Shares are rounded half to even at the fifteenth place.
  struct Share {
    const char* name;
    double amount;
    int64_t readings;
  };
  for (const Share& c : {Share{"two thirds", 2.0, 3},
                         // Too large for fifteen places: kept as it is.
                         Share{"large", 12345678.0, 7}, Share{"negative", -1.0, 3}}) {
    SCOPED_TRACE(c.name);
    log.clear();
    FakeRecordset sales({{"Descricao", host::ColumnType::Text},
                         {"ValorDesconto", host::ColumnType::Double},
                         {"ValorAcrescimo", host::ColumnType::Double}},
                        {{"ETANOL", c.amount, c.amount}});
    FakeRecordset count({{"Bico", host::ColumnType::Text}, {"Qtde", host::ColumnType::Integer}},
                        {{"05", c.readings}});
    SpreadAdjustments(db, sales, count);
    expected.Check(std::string("share, ") + c.name, log);
  }
}

TEST_F(NozzleSalesTableTest, ASalesRecordsetThatCannotTellItsEndStopsTheBuild) {
  db.rowsAffected = 1;
  db.onQuery = [](const std::string& sql) -> host::RecordsetRef {
    auto rows = FakeRecordset::OneRow();
    if (sql.starts_with("SELECT a.Código_Produto")) {
      rows->SetNullEof();
    }
    return rows;
  };
  EXPECT_THROW(BuildNozzleSalesTable(db, "01/03/2024", "31/03/2024", "", false, false),
               host::HostError);
}

}  // namespace
}  // namespace orla::reports
