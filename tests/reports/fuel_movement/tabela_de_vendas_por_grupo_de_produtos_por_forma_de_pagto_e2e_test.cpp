// The payment-form tables on a month of demo data, against amounts worked out here from the
// raw sale and payment rows.
#include <cmath>
#include <map>
#include <set>

#include <gmock/gmock.h>

#include "tests/cli/cli_fixture.h"
#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;

struct Options {
  int type = 0;
  bool ignoreComplementary = false, ignoreOthers = false;
  bool fuels = true, others = true;
  std::set<int64_t> products;  // empty: all
};

struct Cell {
  double quantity = 0, value = 0;
};

// Keyed by (group or day, payment form). The fiscal view counts the lines on a fiscal sale
// document by their fiscal day; the financial view (type 2) the lines of the tills opened in
// the period, by the opening day. Each line is split over its sale's payment forms by their
// shares; its value is the sale value less discount plus surcharge, leaving out the
// adjustments of the kind of sale the switches name. Sums are exact, never of rounded parts.
std::map<std::pair<std::string, std::string>, Cell> Expected(const orla::testing::RawSales& raw,
                                                             const std::string& from,
                                                             const std::string& to,
                                                             const Options& o) {
  const bool financial = o.type == 2;
  const bool byGroup = o.type == 0 || o.type == 3;
  std::map<std::pair<std::string, std::string>, Cell> cells;
  for (const auto& line : raw.lines) {
    if (line.reversed || line.transfer) {
      continue;
    }
    std::string day;
    if (financial) {
      if (!line.till) {
        continue;
      }
      day = raw.tills.at(*line.till).openingDay;
    } else {
      if (!raw.OnFiscalDocument(line, from, to)) {
        continue;
      }
      day = line.fiscalDay;
    }
    if (day < from || day > to) {
      continue;
    }
    if (!(o.fuels && o.others) && line.kind != (o.fuels ? "C" : "P")) {
      continue;
    }
    if (!o.products.empty() && o.products.count(line.product) == 0) {
      continue;
    }
    const bool ignored = line.complementary ? o.ignoreComplementary : o.ignoreOthers;
    const double value =
        line.value - (ignored ? 0 : line.discount) + (ignored ? 0 : line.surcharge);
    const std::string row = byGroup ? raw.productGroups.at(line.product) : day;
    for (const orla::testing::Payment& payment : raw.payments.at(line.sale)) {
      Cell& cell = cells[{row, payment.form}];
      cell.quantity += line.quantity * payment.percent / 100.0;
      cell.value += value * payment.percent / 100.0;
    }
  }
  return cells;
}

class PaymentFormTablesEndToEnd : public CliTest {
 protected:
  static const orla::testing::RawSales& Raw() {
    static const orla::testing::RawSales raw = orla::testing::RawSales::Read(DemoMarch());
    return raw;
  }

  void ExpectTable(const std::vector<std::string>& filters, const Options& o,
                   double tolerance = 0.005) {
    std::vector<std::string> arguments = {
        "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto", "Filtro_DataInicial=01/03/2024",
        "Filtro_DataFinal=31/03/2024", "Filtro_TipoRelatorio=" + std::to_string(o.type)};
    arguments.insert(arguments.end(), filters.begin(), filters.end());
    const json report = RunJson(arguments)["report"];
    const auto expected = Expected(Raw(), "2024-03-01", "2024-03-31", o);
    ASSERT_FALSE(expected.empty());
    const json columns = o.type == 0   ? json({"Produto", "Forma_PG", "Valor"})
                         : o.type == 3 ? json({"Grupo", "FP", "Qtde", "Valor"})
                                       : json({"DtMov", "Forma_PG", "Valor"});
    ASSERT_EQ(report["columns"], columns);
    ASSERT_EQ(report["rows"].size(), expected.size());
    for (const json& row : report["rows"]) {
      SCOPED_TRACE(row.dump());
      const std::string key = row[0].get<std::string>().substr(0, o.type % 3 == 0 ? 100 : 10);
      const auto cell = expected.find({key, row[1].get<std::string>()});
      ASSERT_NE(cell, expected.end());
      EXPECT_NEAR(row.back().get<double>(), cell->second.value, tolerance);
      if (o.type == 3) {
        EXPECT_NEAR(row[2].get<double>(), cell->second.quantity, 0.0005);
      }
    }
  }
};

// The procedure of the embedded database rounds each group's part of a day's cell to cents;
// until it sums exactly, a cell of the financial view may be half a cent off per group.
TEST_F(PaymentFormTablesEndToEnd, TheFinancialViewByDayWithinTheProcedureRounding) {
  std::set<std::string> groups;
  for (const auto& [product, group] : Raw().productGroups) {
    groups.insert(group);
  }
  const double perGroup = 0.005 * static_cast<double>(groups.size());
  Options o;
  o.type = 2;
  ExpectTable({}, o, perGroup);
  o.ignoreComplementary = true;
  o.others = false;
  ExpectTable({"Filtro_IsIgnorarADVendaComplementar=true", "Filtro_IsExibirOutrosProdutos=false"},
              o, perGroup);
}

// Types 0 and 3 read the same cells by group; type 1 spreads the same amounts over the days.
TEST_F(PaymentFormTablesEndToEnd, TheFiscalTypesAgreeWithEachOther) {
  auto rows = [&](int type) {
    return RunJson({"TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
                    "Filtro_DataInicial=01/03/2024", "Filtro_DataFinal=31/03/2024",
                    "Filtro_TipoRelatorio=" + std::to_string(type)})["report"]["rows"];
  };
  const json byGroup = rows(0);
  const json formsByGroup = rows(3);
  const json byDay = rows(1);
  ASSERT_GT(byGroup.size(), 20u);
  std::map<std::pair<std::string, std::string>, double> cells;
  double total = 0;
  for (const json& row : byGroup) {
    cells[{row[0], row[1]}] = row[2].get<double>();
    total += row[2].get<double>();
  }
  ASSERT_EQ(formsByGroup.size(), cells.size());
  for (const json& row : formsByGroup) {
    SCOPED_TRACE(row.dump());
    ASSERT_EQ(cells.count({row[0], row[1]}), 1u);
    EXPECT_DOUBLE_EQ(row[3].get<double>(), (cells[{row[0], row[1]}]));
    EXPECT_GT(row[2].get<double>(), 0);
  }
  double dayTotal = 0;
  std::set<std::string> days;
  for (const json& row : byDay) {
    dayTotal += row[2].get<double>();
    days.insert(row[0].get<std::string>().substr(0, 10));
  }
  EXPECT_EQ(days.size(), 31u);
  EXPECT_NEAR(dayTotal, total, 0.01);
}

// The procedure counts its own simpler idea of a fiscal sale and rounds its parts; these
// hold it to the library's fiscal-document rule with exact sums, and run once branch
// i8-tools, which brings the procedure to that rule, is merged.
TEST_F(PaymentFormTablesEndToEnd, DISABLED_TheFinancialViewByDayExactly) {
  Options o;
  o.type = 2;
  ExpectTable({}, o);
}

TEST_F(PaymentFormTablesEndToEnd, DISABLED_TheFiscalViewByGroupByDayAndFormsByGroup) {
  for (int type : {0, 1, 3}) {
    SCOPED_TRACE(type);
    Options o;
    o.type = type;
    ExpectTable({}, o);
  }
}

TEST_F(PaymentFormTablesEndToEnd, DISABLED_TheFiscalViewWithItsFilters) {
  Options o;
  o.type = 3;
  o.ignoreOthers = true;
  o.products = {1, 3, 301};
  // Quotes and blanks between the codes are the caller's; the procedure gets 1,3,301.
  ExpectTable({"Filtro_IDProduto='1', '3', '301'", "Filtro_IsIgnorarADOutrosTipos=true"}, o);
  Options shop;
  shop.type = 0;
  shop.fuels = false;
  shop.ignoreComplementary = shop.ignoreOthers = true;
  ExpectTable({"Filtro_IsExibirCombustiveis=false", "Filtro_IsIgnorarADVendaComplementar=true",
               "Filtro_IsIgnorarADOutrosTipos=true"},
              shop);
}

}  // namespace
}  // namespace orla::cli
