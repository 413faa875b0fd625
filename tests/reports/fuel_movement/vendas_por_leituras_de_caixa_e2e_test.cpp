// ##VendasNosBicos on a generated month, checked row by row against readings and sale lines
// read from the raw tables with plain SQLite.
#include <cmath>
#include <map>
#include <tuple>

#include <gmock/gmock.h>

#include "cli/cli_host.h"
#include "hostlib/session.h"
#include "reports/fuel_movement/vendas_por_leituras_de_caixa.h"
#include "sqlite/database.h"
#include "tests/cli/cli_fixture.h"
#include "tests/reports/fuel_movement/raw_fuel_data.h"

namespace orla::cli {
namespace {

class NozzleSalesTableE2E : public CliTest {
 protected:
  NozzleSalesTableE2E()
      : platform_(std::make_shared<CliPlatform>(
            std::make_shared<host::FixedClock>(*host::DateTime::FromParts(2024, 4, 15)), session_,
            nullptr)) {
    host::InstallPlatform(platform_);
  }
  ~NozzleSalesTableE2E() override { host::InstallPlatform(nullptr); }

  hostlib::Session session_;
  std::shared_ptr<CliPlatform> platform_;
};

TEST_F(NozzleSalesTableE2E, TheTableHoldsEachClosedReadingWithItsShareOfTheAdjustments) {
  struct Case {
    const char* name;
    std::string from, to;  // as the caller writes them
    std::string isoFrom, isoTo, till;
    testing::Switches switches;
  };
  const Case cases[] = {
      {"the month, every adjustment",
       "01/03/2024",
       "31/03/2024",
       "2024-03-01",
       "2024-03-31",
       "",
       {false, false}},
      {"till 2, complementary sales left out",
       "01/03/2024",
       "31/03/2024",
       "2024-03-01",
       "2024-03-31",
       "2",
       {true, false}},
      {"a week, complementary sales only",
       "04/03/2024",
       "10/03/2024",
       "2024-03-04",
       "2024-03-10",
       "",
       {false, true}},
  };
  const testing::RawSales raw = testing::RawSales::Read(DemoMarch());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sqlite::Database database(DemoMarch());
    reports::BuildNozzleSalesTable(database, c.from, c.to, c.till, c.switches.ignoreComplementary,
                                   c.switches.ignoreOthers);
    const auto expected = testing::ExpectedNozzleTable(raw, c.isoFrom, c.isoTo, c.till, c.switches);
    ASSERT_GT(expected.size(), 20u);

    const host::RecordsetRef table = database.OpenRecordSet(
        "SELECT Bico,QtdeVendida,ValorDeVenda,ValorDeCusto,ValorDesconto,ValorAcrescimo,"
        "Combustivel,TotalVenda,TotalCusto,Data_Abertura,Caixa FROM ##VendasNosBicos");
    size_t seen = 0;
    bool someDiscount = false;
    for (; !table->Eof().AsBoolean(); table->MoveNext(), ++seen) {
      const testing::NozzleKey key{
          table->Field("Data_Abertura").AsDate().DateOnly().ToIso().substr(0, 10),
          table->Field("Caixa").AsText(), table->Field("Bico").AsText()};
      const auto want = expected.find(key);
      ASSERT_NE(want, expected.end())
          << std::get<0>(key) << " " << std::get<1>(key) << " " << std::get<2>(key);
      const testing::NozzleRow& w = want->second;
      EXPECT_EQ(table->Field("Combustivel").AsText(), w.fuel);
      EXPECT_DOUBLE_EQ(table->Field("QtdeVendida").AsDouble(), w.volume);
      EXPECT_DOUBLE_EQ(table->Field("ValorDeVenda").AsDouble(), w.price);
      EXPECT_DOUBLE_EQ(table->Field("ValorDeCusto").AsDouble(), w.cost);
      EXPECT_NEAR(table->Field("TotalVenda").AsDouble(), w.volume * w.price, 1e-9);
      EXPECT_NEAR(table->Field("TotalCusto").AsDouble(), w.volume * w.cost, 1e-9);
      EXPECT_NEAR(table->Field("ValorDesconto").AsDouble(), w.discount, 1e-9);
      EXPECT_NEAR(table->Field("ValorAcrescimo").AsDouble(), w.surcharge, 1e-9);
      someDiscount = someDiscount || w.discount > 0;
    }
    EXPECT_EQ(seen, expected.size());
    // The month of the station has discounts, so the spread pass was exercised.
    EXPECT_TRUE(someDiscount || c.switches.ignoreOthers);
  }
}

}  // namespace
}  // namespace orla::cli
