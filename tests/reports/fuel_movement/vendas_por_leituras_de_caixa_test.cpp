// The statements that build ##VendasNosBicos, on recording fakes.
#include "reports/fuel_movement/vendas_por_leituras_de_caixa.h"

#include <gmock/gmock.h>

#include "tests/fakes/host_fakes.h"
#include "tests/reports/expected_text.h"
#include "tests/reports/marking_platform.h"

namespace orla::reports {
namespace {

using orla::testing::CallLog;
using orla::testing::CountingDatabase;
using orla::testing::FakeRecordset;
using orla::testing::MarkingPlatform;
using ::testing::ElementsAre;

class NozzleSalesTableTest : public ::testing::Test {
 protected:
  NozzleSalesTableTest() : platform_(std::make_shared<MarkingPlatform>()), db(platform_->log) {
    host::InstallPlatform(platform_);
  }
  ~NozzleSalesTableTest() override { host::InstallPlatform(nullptr); }

  std::shared_ptr<MarkingPlatform> platform_;

 public:
  CountingDatabase db;
  CallLog& log() { return platform_->log; }
};

// Both switches off: the special-price difference or the recorded amount, rounded.
const orla::testing::Amounts kAll = orla::testing::AmountsOf("", true);
const orla::testing::Amounts kComplementaryOnly = orla::testing::AmountsOf("", true, false, true);

std::string SalesQuery(const std::string& discount, const std::string& surcharge,
                       const std::string& condition) {
  return "SELECT a.Código_Produto AS Bico,a.Descrição AS Descricao,SUM(" + discount +
         ") AS ValorDesconto,SUM(" + surcharge +
         ") AS ValorAcrescimo FROM [Movimentações em Vendas] a WITH (NOLOCK) LEFT JOIN "
         "[Movimentações] b WITH (NOLOCK) ON a.IDCaixa = b.Código WHERE (a.IsEstornado = 0) AND "
         "(b.Data_Fechamento IS NOT NULL) AND (a.Terceiros = 0) AND (a.Tipo = 'C') AND " +
         condition + " GROUP BY a.Código_Produto,a.Descrição ORDER BY a.Código_Produto";
}

const std::string kMarch = "(Data_Abertura BETWEEN '01/03/2024' AND '31/03/2024')";
const std::string kMarchTill2 = kMarch + " AND (Caixa = '2')";

TEST_F(NozzleSalesTableTest, StatementsThatDoNotDependOnTheData) {
  struct Case {
    const char* name;
    std::string shift;
    bool ignoreComplementary, ignoreOthers;
    std::string condition, discount, surcharge;
  };
  const Case cases[] = {
      {"all tills, every adjustment", "", false, false, kMarch, kAll.discount, kAll.surcharge},
      // Both switches leave nothing to spread.
      {"one till, no adjustment", "2", true, true, kMarchTill2, "0", "0"},
      {"complementary sales only", "", false, true, kMarch, kComplementaryOnly.discount,
       kComplementaryOnly.surcharge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string surcharge;
    std::string discount;
    EXPECT_EQ(ReadingsFilter("01/03/2024", "31/03/2024", c.shift, c.ignoreComplementary,
                             c.ignoreOthers, surcharge, discount),
              c.condition);
    EXPECT_EQ("-->|" + discount + "|<--", "-->|" + c.discount + "|<--");
    EXPECT_EQ("-->|" + surcharge + "|<--", "-->|" + c.surcharge + "|<--");
    EXPECT_EQ("-->|" +
                  SalesAdjustmentsQuery("01/03/2024", "31/03/2024", c.shift, c.ignoreComplementary,
                                        c.ignoreOthers) +
                  "|<--",
              "-->|" + SalesQuery(c.discount, c.surcharge, c.condition) + "|<--");
  }
}

TEST_F(NozzleSalesTableTest, AdjustmentsAreSpreadEvenlyOverEachNozzlesReadings) {
  using host::Value;
  const std::vector<host::Column> salesColumns{{"Bico", host::ColumnType::Text},
                                               {"Descricao", host::ColumnType::Text},
                                               {"ValorDesconto", host::ColumnType::Double},
                                               {"ValorAcrescimo", host::ColumnType::Double}};
  const std::vector<host::Column> countColumns{{"Bico", host::ColumnType::Text},
                                               {"Qtde", host::ColumnType::Integer}};
  const std::string sales = SalesQuery(kAll.discount, kAll.surcharge, kMarch);
  const std::map<std::string, std::vector<std::vector<Value>>> counts{
      {ReadingCountQuery("01", "GASOLINA COMUM"), {{"01", int64_t{4}}}},
      {ReadingCountQuery("02", "GASOLINA ADITIVADA D'OURO"), {{"02", int64_t{3}}}},
      {ReadingCountQuery("04", "DIESEL S10"), {{Value(), int64_t{2}}}},
  };
  db.inserted = 9;
  db.onQuery = [&](const std::string& sql) -> host::RecordsetRef {
    if (sql == sales) {
      return std::make_shared<FakeRecordset>(salesColumns,
                                             std::vector<std::vector<Value>>{
                                                 {"01", "GASOLINA COMUM", 10.0, Value()},
                                                 {"02", "GASOLINA ADITIVADA D'OURO", Value(), 1.0},
                                                 // Sold on a nozzle that was never read: skipped.
                                                 {"03", "ETANOL", 7.0, 7.0},
                                                 {"04", "DIESEL S10", 7.0, 7.0},
                                             });
    }
    const auto count = counts.find(sql);
    return std::make_shared<FakeRecordset>(
        countColumns, count == counts.end() ? std::vector<std::vector<Value>>{} : count->second);
  };
  db.opened = true;
  BuildNozzleSalesTable(db, "01/03/2024", "31/03/2024", "", false, false);
  const std::vector<std::string> table = orla::testing::NozzleTableStatements(kMarch);
  const std::string countHead =
      "OpenRecordSet(SELECT Bico,COUNT(Bico) AS Qtde FROM ##VendasNosBicos WITH (NOLOCK) WHERE ";
  EXPECT_THAT(
      log(),
      ElementsAre(
          "IsOpened", table[0], table[1], table[2], "OpenRecordSet(" + sales + ")",
          countHead + "(Bico = '01') AND (Combustivel = 'GASOLINA COMUM') GROUP BY Bico)",
          // 10 over four readings; a null surcharge counts as 0.
          "SQL_Execute(UPDATE ##VendasNosBicos SET ValorDesconto = 'n2.5',ValorAcrescimo = 'n0' "
          "WHERE (Bico = '01') AND (Combustivel = 'GASOLINA COMUM'))",
          countHead + "(Bico = '02') AND (Combustivel = 'GASOLINA ADITIVADA D''OURO') GROUP BY "
                      "Bico)",
          // A third, cut at the fifteenth decimal place.
          "SQL_Execute(UPDATE ##VendasNosBicos SET ValorDesconto = 'n0',ValorAcrescimo = "
          "'n0.333333333333333' WHERE (Bico = '02') AND (Combustivel = 'GASOLINA ADITIVADA "
          "D''OURO'))",
          countHead + "(Bico = '03') AND (Combustivel = 'ETANOL') GROUP BY Bico)",
          countHead + "(Bico = '04') AND (Combustivel = 'DIESEL S10') GROUP BY Bico)"));
}

TEST_F(NozzleSalesTableTest, SharesAreRoundedHalfToEvenAtTheFifteenthPlace) {
  struct Case {
    const char* name;
    double amount;
    int64_t readings;
    std::string share;
  };
  const Case cases[] = {
      {"two thirds", 2.0, 3, "n0.666666666666667"},
      // Too large for fifteen places: kept as it is.
      {"large", 12345678.0, 7, "n1763668.2857142857"},
      {"negative", -1.0, 3, "n-0.333333333333333"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log().clear();
    FakeRecordset sales({{"Descricao", host::ColumnType::Text},
                         {"ValorDesconto", host::ColumnType::Double},
                         {"ValorAcrescimo", host::ColumnType::Double}},
                        {{"ETANOL", c.amount, c.amount}});
    FakeRecordset count({{"Bico", host::ColumnType::Text}, {"Qtde", host::ColumnType::Integer}},
                        {{"05", c.readings}});
    SpreadAdjustments(db, sales, count);
    EXPECT_THAT(log(), ElementsAre("SQL_Execute(UPDATE ##VendasNosBicos SET ValorDesconto = '" +
                                   c.share + "',ValorAcrescimo = '" + c.share +
                                   "' WHERE (Bico = '05') AND (Combustivel = 'ETANOL'))"));
  }
}

TEST_F(NozzleSalesTableTest, ASalesRecordsetThatCannotTellItsEndStopsTheBuild) {
  db.inserted = 1;
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
