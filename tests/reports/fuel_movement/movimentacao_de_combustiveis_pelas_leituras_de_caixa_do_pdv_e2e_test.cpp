// The fuel movement by readings on a month of demo data: the report and both subreports hold
// the movement per nozzle computed here from the raw readings, with the forecast window.
#include <map>

#include <gmock/gmock.h>

#include "tests/cli/cli_fixture.h"
#include "tests/reports/fuel_movement/raw_fuel_data.h"

namespace orla::cli {
namespace {

using nlohmann::json;

struct Movement {
  std::string fuel;
  double volume = 0, sale = 0, cost = 0, discount = 0, surcharge = 0;
};

class ReadingsMovementEndToEnd : public CliTest {};

TEST_F(ReadingsMovementEndToEnd, ReportAndSubreportsHoldTheMovementPerNozzle) {
  const testing::RawSales raw = testing::RawSales::Read(DemoMarch());
  std::map<std::string, Movement> expected;  // by nozzle
  for (const auto& [key, row] :
       testing::ExpectedNozzleTable(raw, "2024-03-01", "2024-03-10", "", {true, false})) {
    Movement& m = expected[std::get<2>(key)];
    m.fuel = row.fuel;
    m.volume += row.volume;
    m.sale += row.volume * row.price;
    m.cost += row.volume * row.cost;
    m.discount += row.discount;
    m.surcharge += row.surcharge;
  }
  const json outcome = RunJson(
      {"MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", "Filtro_DataInicial=01/03/2024",
       "Filtro_DataFinal=10/03/2024", "Filtro_TipoConfigPreVenda=0",
       "Filtro_IsIgnorarADVendaComplementar=true", "--today", "2024-04-15"});
  const json& report = outcome["report"];
  EXPECT_EQ(report["formulas"]["QtdeDiasDeMovimento"], "10");
  ASSERT_EQ(report["subreports"].size(), 2u);
  const json& forecast = report["subreports"][1];
  EXPECT_EQ(forecast["formulas"]["DataInicial"], "'15/04/2024'");
  EXPECT_EQ(forecast["formulas"]["DataFinal"], "'15/05/2024'");
  for (const json* rows : {&report, &report["subreports"][0], &forecast}) {
    SCOPED_TRACE((*rows).value("name", "report"));
    EXPECT_EQ((*rows)["formulas"]["QtdeDiasDeMovimento"], "10");
    ASSERT_EQ((*rows)["rows"].size(), expected.size());
    std::string previous;
    for (const json& row : (*rows)["rows"]) {
      const std::string bico = row[0];
      SCOPED_TRACE(bico);
      EXPECT_LT(previous, bico) << "ordered by nozzle";
      previous = bico;
      const Movement& m = expected.at(bico);
      EXPECT_EQ(row[1], m.fuel);
      EXPECT_NEAR(row[2].get<double>(), m.volume, 1e-6);
      EXPECT_NEAR(row[3].get<double>(), m.sale / m.volume, 1e-9);
      EXPECT_NEAR(row[4].get<double>(), m.cost / m.volume, 1e-9);
      EXPECT_NEAR(row[5].get<double>(), m.discount, 1e-6);
      EXPECT_NEAR(row[6].get<double>(), m.surcharge, 1e-6);
      EXPECT_EQ(row[7], row[3]);
    }
  }
}

}  // namespace
}  // namespace orla::cli
