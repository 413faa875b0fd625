// The sales table by fuel on a month of demo data, in both views, against figures computed
// here from the raw sale lines and readings; the legend names every fuel once.
#include <map>

#include <gmock/gmock.h>

#include "sqlite/sql_functions.h"
#include "tests/cli/cli_fixture.h"
#include "tests/reports/fuel_movement/raw_fuel_data.h"

namespace orla::cli {
namespace {

using nlohmann::json;
using Figures = std::map<std::pair<std::string, std::string>, std::pair<double, double>>;

// label -> fuel, from the formula's text: quoted, its quotes doubled, entries apart by the
// separator, each "label - description".
std::map<std::string, std::string> ReadLegend(const std::string& formula,
                                              std::vector<std::string>& fuels) {
  EXPECT_TRUE(formula.size() > 2 && formula.front() == '\'' && formula.back() == '\'');
  std::string text;
  for (size_t i = 1; i + 1 < formula.size(); ++i) {
    text += formula[i];
    if (formula[i] == '\'') {
      EXPECT_EQ(formula[i + 1], '\'') << "a lone quote would end the formula's text";
      ++i;
    }
  }
  std::map<std::string, std::string> labels;
  const std::string separator = "    /    ";
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find(separator, at);
    end = end == std::string::npos ? text.size() : end;
    const std::string entry = text.substr(at, end - at);
    const size_t dash = entry.find(" - ");
    EXPECT_NE(dash, std::string::npos) << entry;
    labels[entry.substr(0, dash)] = entry.substr(dash + 3);
    fuels.push_back(entry.substr(dash + 3));
    at = end + separator.size();
  }
  return labels;
}

void ExpectTable(const json& report, const Figures& expected) {
  ASSERT_EQ(report["columns"], json({"Data_Movimento", "Qtde", "VLTotal", "Descrição"}));
  std::vector<std::string> fuels;
  const auto labels = ReadLegend(report["formulas"]["Legenda"].get<std::string>(), fuels);
  std::set<std::string> expectedFuels;
  for (const auto& [key, figures] : expected) {
    expectedFuels.insert(key.second);
  }
  EXPECT_EQ(std::set<std::string>(fuels.begin(), fuels.end()), expectedFuels);
  EXPECT_EQ(fuels.size(), expectedFuels.size());
  for (size_t i = 1; i < fuels.size(); ++i) {
    EXPECT_LT(sqlite::CompareTsqlText(fuels[i - 1], fuels[i]), 0) << "in the database's order";
  }
  ASSERT_EQ(report["rows"].size(), expected.size());
  for (const json& row : report["rows"]) {
    SCOPED_TRACE(row.dump());
    const auto fuel = labels.find(row[3].get<std::string>());
    ASSERT_NE(fuel, labels.end()) << "every label is in the legend";
    const auto want = expected.find({row[0].get<std::string>().substr(0, 10), fuel->second});
    ASSERT_NE(want, expected.end());
    EXPECT_NEAR(row[1].get<double>(), want->second.first, 1e-6);
    EXPECT_NEAR(row[2].get<double>(), want->second.second, 1e-6);
  }
}

class FuelTableEndToEnd : public CliTest {};

TEST_F(FuelTableEndToEnd, FiscalViewPerDayAndFuel) {
  const testing::RawSales raw = testing::RawSales::Read(DemoMarch());
  const testing::Switches switches{false, true};
  Figures expected;
  for (const testing::SaleLine& line : raw.lines) {
    if (line.kind != "C" || line.reversed || line.transfer || line.fiscalDay < "2024-03-01" ||
        line.fiscalDay > "2024-03-31" || !raw.OnFiscalDocument(line, "2024-03-01", "2024-03-31")) {
      continue;
    }
    ASSERT_TRUE(line.till && raw.tills.contains(*line.till)) << "every fuel line has its till";
    auto& [volume, value] = expected[{raw.tills.at(*line.till).openingDay, line.description}];
    volume += line.quantity;
    value += line.value - testing::LineAdjustment(line, true, switches, true) +
             testing::LineAdjustment(line, false, switches, true);
  }
  const json outcome = RunJson({"TabelaDeVendasPorCombustiveis", "Filtro_DataInicial=01/03/2024",
                                "Filtro_DataFinal=31/03/2024", "Filtro_TipoVisao=1",
                                "Filtro_IsIgnorarADOutrosTipos=true"});
  EXPECT_EQ(outcome["report"]["headerLines"][1],
            "Visão fiscal / De 01/03/24 até 31/03/24 / Ignorar A/D em vendas");
  ExpectTable(outcome["report"], expected);
}

TEST_F(FuelTableEndToEnd, FinancialViewFromTheReadings) {
  const testing::RawSales raw = testing::RawSales::Read(DemoMarch());
  for (const std::string till : {"", "1"}) {
    SCOPED_TRACE("till " + till);
    Figures expected;
    for (const auto& [key, row] :
         testing::ExpectedNozzleTable(raw, "2024-03-01", "2024-03-31", till, {false, false})) {
      auto& [volume, value] = expected[{std::get<0>(key), row.fuel}];
      volume += row.volume;
      value += row.volume * row.price + row.surcharge - row.discount;
    }
    const json outcome = RunJson({"TabelaDeVendasPorCombustiveis", "Filtro_DataInicial=01/03/2024",
                                  "Filtro_DataFinal=31/03/2024", "Filtro_IDTurno=" + till,
                                  "Filtro_TipoVisao=" + std::string(till.empty() ? "0" : "1")});
    ExpectTable(outcome["report"], expected);
  }
}

}  // namespace
}  // namespace orla::cli
