// The payment-form tables on a month of demo data, against amounts worked out here from the
// raw sale and payment rows.
#include <cmath>
#include <map>
#include <set>
#include <tuple>

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

// Half away from zero, in integers.
int64_t RoundedDivision(int64_t numerator, int64_t denominator) {
  return numerator >= 0 ? (numerator * 2 + denominator) / (2 * denominator)
                        : -((-numerator * 2 + denominator) / (2 * denominator));
}

// Keyed by (group or day, payment form). The fiscal view counts the lines on a fiscal sale
// document by their fiscal day; the financial view (type 2) the lines of the tills opened in
// the period, by the opening day. Each line is split over its sale's payment forms by their
// shares; its value is the sale value less discount plus surcharge, leaving out the
// adjustments of the kind of sale the switches name. The database keeps a part per group,
// form and day, summed exactly (each line's share in ten-thousandths of a real, millionths
// of a unit) and rounded once, half away from zero, to cents and thousandths; the report
// adds those parts.
std::map<std::pair<std::string, std::string>, Cell> Expected(const orla::testing::RawSales& raw,
                                                             const std::string& from,
                                                             const std::string& to,
                                                             const Options& o) {
  const bool financial = o.type == 2;
  const bool byGroup = o.type == 0 || o.type == 3;
  struct Part {
    int64_t quantity = 0, value = 0;
  };
  std::map<std::tuple<std::string, std::string, std::string>, Part> parts;  // group, form, day
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
    auto units = [](double amount) { return std::llround(amount * 10000); };
    const bool ignored = line.complementary ? o.ignoreComplementary : o.ignoreOthers;
    const int64_t value = units(line.value) - (ignored ? 0 : units(line.discount)) +
                          (ignored ? 0 : units(line.surcharge));
    for (const orla::testing::Payment& payment : raw.payments.at(line.sale)) {
      Part& part = parts[{raw.productGroups.at(line.product), payment.form, day}];
      part.quantity += std::llround(line.quantity * payment.percent * 10000);
      part.value += std::llround(static_cast<double>(value) * payment.percent / 100.0);
    }
  }
  std::map<std::pair<std::string, std::string>, Cell> cells;
  for (const auto& [key, part] : parts) {
    const auto& [group, form, day] = key;
    Cell& cell = cells[{byGroup ? group : day, form}];
    cell.quantity += static_cast<double>(RoundedDivision(part.quantity, 1000)) / 1000.0;
    cell.value += static_cast<double>(RoundedDivision(part.value, 100)) / 100.0;
  }
  return cells;
}

class PaymentFormTablesEndToEnd : public CliTest {
 protected:
  static const orla::testing::RawSales& Raw() {
    static const orla::testing::RawSales raw = orla::testing::RawSales::Read(DemoMarch());
    return raw;
  }

  void ExpectTable(const std::vector<std::string>& filters, const Options& o) {
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
      // To the cent: the parts are whole cents.
      EXPECT_NEAR(row.back().get<double>(), cell->second.value, 0.0005);
      if (o.type == 3) {
        EXPECT_NEAR(row[2].get<double>(), cell->second.quantity, 0.00005);
      }
    }
  }
};

TEST_F(PaymentFormTablesEndToEnd, TheFinancialViewByDay) {
  Options o;
  o.type = 2;
  ExpectTable({}, o);
  o.ignoreComplementary = true;
  o.others = false;
  ExpectTable({"Filtro_IsIgnorarADVendaComplementar=true", "Filtro_IsExibirOutrosProdutos=false"},
              o);
}

TEST_F(PaymentFormTablesEndToEnd, TheFiscalViewByGroupByDayAndFormsByGroup) {
  for (int type : {0, 1, 3}) {
    SCOPED_TRACE(type);
    Options o;
    o.type = type;
    ExpectTable({}, o);
  }
}

TEST_F(PaymentFormTablesEndToEnd, TheFiscalViewWithItsFilters) {
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
