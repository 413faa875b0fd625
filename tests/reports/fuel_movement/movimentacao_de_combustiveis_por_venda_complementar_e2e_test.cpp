// Fuel sold on complementary sale documents, on a month of demo data, against figures worked
// out here from the raw sale rows.
#include <cmath>
#include <map>

#include <gmock/gmock.h>

#include "sqlite/sql_functions.h"
#include "tests/cli/cli_fixture.h"
#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;

struct Figures {
  double quantity = 0, cost = 0, net = 0, surcharge = 0, discount = 0, gross = 0;
};

// Per fuel description: complementary fuel lines on a fiscal document, neither reversed nor
// transfers, dated by the fiscal day, or with a shift by the opening day of a till of that
// shift.
std::map<std::string, Figures> Expected(const orla::testing::RawSales& raw, const std::string& from,
                                        const std::string& to, const std::string& shift) {
  std::map<std::string, Figures> expected;
  for (const auto& line : raw.lines) {
    if (line.kind != "C" || !line.complementary || line.reversed || line.transfer ||
        !raw.OnFiscalDocument(line, from, to)) {
      continue;
    }
    if (shift.empty()) {
      if (line.fiscalDay < from || line.fiscalDay > to) {
        continue;
      }
    } else {
      if (!line.till) {
        continue;
      }
      const orla::testing::Till& till = raw.tills.at(*line.till);
      if (till.shift != shift || till.openingDay < from || till.openingDay > to) {
        continue;
      }
    }
    Figures& f = expected[line.description];
    f.quantity += line.quantity;
    f.cost += line.cost * line.quantity;
    f.net += line.value - line.discount + line.surcharge;
    f.surcharge += line.surcharge;
    f.discount += line.discount;
    f.gross += line.value;
  }
  return expected;
}

class ComplementarySalesEndToEnd : public CliTest {};

TEST_F(ComplementarySalesEndToEnd, MarchWithAndWithoutAShift) {
  const orla::testing::RawSales raw = orla::testing::RawSales::Read(DemoMarch());
  for (const std::string shift : {"", "1", "2"}) {
    SCOPED_TRACE("shift '" + shift + "'");
    const json outcome =
        RunJson({"MovimentacaoDeCombustiveisPorVendaComplementar", "Filtro_DataInicial=01/03/2024",
                 "Filtro_DataFinal=31/03/2024", "Filtro_IDTurno=" + shift});
    const json& report = outcome["report"];
    const auto expected = Expected(raw, "2024-03-01", "2024-03-31", shift);
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(report["columns"],
              json({"Tipo", "Descrição", "Qtde", "PM_Custo", "PM_Venda", "VL_Lucro",
                    "Valor_Acrescimo", "Valor_Desconto", "Valor_Venda"}));
    ASSERT_EQ(report["rows"].size(), expected.size());
    std::string previous;
    for (const json& row : report["rows"]) {
      const std::string fuel = row[1];
      SCOPED_TRACE(fuel);
      ASSERT_EQ(expected.count(fuel), 1u);
      const Figures& f = expected.at(fuel);
      EXPECT_EQ(row[0], "C");
      EXPECT_NEAR(row[2].get<double>(), f.quantity, 0.0005);
      EXPECT_NEAR(row[3].get<double>(), f.cost, 0.005);
      EXPECT_NEAR(row[4].get<double>(), f.net, 0.005);
      EXPECT_NEAR(row[5].get<double>(), f.net - f.cost, 0.005);
      EXPECT_NEAR(row[6].get<double>(), f.surcharge, 0.005);
      EXPECT_NEAR(row[7].get<double>(), f.discount, 0.005);
      EXPECT_NEAR(row[8].get<double>(), f.gross, 0.005);
      EXPECT_LE(sqlite::CompareTsqlText(previous, fuel), 0) << "ordered by description";
      previous = fuel;
    }
  }
}

}  // namespace
}  // namespace orla::cli
