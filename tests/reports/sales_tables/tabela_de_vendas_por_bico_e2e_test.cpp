// The sales table by nozzle on a month of demo data, in both views, against figures computed
// here from the raw sale lines and readings.
#include <map>
#include <tuple>

#include <gmock/gmock.h>

#include "tests/cli/cli_fixture.h"
#include "tests/reports/fuel_movement/raw_fuel_data.h"

namespace orla::cli {
namespace {

using nlohmann::json;
using Key = std::tuple<std::string, std::string, std::string>;  // day, "T" till, "B" nozzle
using Figures = std::map<Key, std::pair<double, double>>;       // volume, value

void ExpectRows(const json& report, const Figures& expected) {
  ASSERT_EQ(report["columns"],
            json({"Data_Abertura", "Caixa", "Código_Produto", "QtdeVendida", "ValorVenda"}));
  ASSERT_EQ(report["rows"].size(), expected.size());
  for (const json& row : report["rows"]) {
    const Key key{row[0].is_null() ? "" : row[0].get<std::string>().substr(0, 10),
                  row[1].is_null() ? "" : row[1].get<std::string>(), row[2].get<std::string>()};
    SCOPED_TRACE(row.dump());
    const auto want = expected.find(key);
    ASSERT_NE(want, expected.end());
    EXPECT_NEAR(row[3].get<double>(), want->second.first, 1e-6);
    EXPECT_NEAR(row[4].get<double>(), want->second.second, 1e-6);
  }
}

class NozzleTableEndToEnd : public CliTest {
 protected:
  static void SetUpTestSuite() {
    CliTest::SetUpTestSuite();
    raw_ = new testing::RawSales(testing::RawSales::Read(DemoMarch()));
  }
  static void TearDownTestSuite() {
    delete raw_;
    CliTest::TearDownTestSuite();
  }
  static const testing::RawSales& Raw() { return *raw_; }

 private:
  static inline testing::RawSales* raw_ = nullptr;
};

TEST_F(NozzleTableEndToEnd, FiscalViewCountsTheFiscalFuelLinesWithoutTheSpecialPriceGap) {
  for (const testing::Switches switches : {testing::Switches{false, false}, {true, false}}) {
    SCOPED_TRACE(switches.ignoreComplementary ? "complementary left out" : "every adjustment");
    Figures expected;
    for (const testing::SaleLine& line : Raw().lines) {
      if (line.kind != "C" || line.reversed || line.transfer || line.fiscalDay < "2024-03-08" ||
          line.fiscalDay > "2024-03-21" ||
          !Raw().OnFiscalDocument(line, "2024-03-08", "2024-03-21")) {
        continue;
      }
      // The till is joined on the left: a line without one has no day and no till.
      const auto till = line.till ? Raw().tills.find(*line.till) : Raw().tills.end();
      const bool hasTill = till != Raw().tills.end();
      auto& [volume, value] =
          expected[{hasTill ? till->second.openingDay : "", hasTill ? "T" + till->second.shift : "",
                    "B" + line.productCode}];
      volume += line.quantity;
      value += line.value - testing::LineAdjustment(line, true, switches, true) +
               testing::LineAdjustment(line, false, switches, true);
    }
    ASSERT_GT(expected.size(), 14u * 3 * 8 - 8);
    const json outcome = RunJson({"TabelaDeVendasPorBico", "Filtro_DataInicial=08/03/2024",
                                  "Filtro_DataFinal=21/03/2024", "Filtro_TipoVisao=1",
                                  std::string("Filtro_IsIgnorarADVendaComplementar=") +
                                      (switches.ignoreComplementary ? "true" : "false")});
    ExpectRows(outcome["report"], expected);
  }
}

TEST_F(NozzleTableEndToEnd, FinancialViewAndShiftReadTheClosedTillsReadings) {
  for (const std::string till : {"", "3"}) {
    SCOPED_TRACE("till " + till);
    Figures expected;
    for (const auto& [key, row] :
         testing::ExpectedNozzleTable(Raw(), "2024-03-01", "2024-03-31", till, {false, true})) {
      auto& [volume, value] =
          expected[{std::get<0>(key), "T" + std::get<1>(key), "B" + std::get<2>(key)}];
      volume += row.volume;
      value += row.volume * row.price + row.surcharge - row.discount;
    }
    // A shift with the fiscal view asked for still reads the readings.
    const json outcome = RunJson({"TabelaDeVendasPorBico", "Filtro_DataInicial=01/03/2024",
                                  "Filtro_DataFinal=31/03/2024", "Filtro_IDTurno=" + till,
                                  "Filtro_TipoVisao=" + std::string(till.empty() ? "0" : "1"),
                                  "Filtro_IsIgnorarADOutrosTipos=true"});
    EXPECT_THAT(outcome["report"]["headerLines"][1].get<std::string>(),
                ::testing::StartsWith("Visão financeira / De 01/03/24 até 31/03/24"));
    ExpectRows(outcome["report"], expected);
  }
}

}  // namespace
}  // namespace orla::cli
