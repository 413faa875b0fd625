// Sales by receipt type on a month of demo data, checked to the cent against figures
// computed here from the raw sale, document and payment rows.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include <gmock/gmock.h>

#include "sqlite/sql_functions.h"
#include "tests/cli/cli_fixture.h"
#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;

struct FormFigures {
  std::string type;
  std::set<int64_t> sales;
  int64_t total = 0;  // whole ten-thousandths, as MONEY keeps them
  int64_t change = 0;
};

int64_t Units(double money) {
  return std::llround(money * 10000);
}

// a / b rounded half away from zero; b > 0.
int64_t RoundedDivision(int64_t a, int64_t b) {
  return a >= 0 ? (2 * a + b) / (2 * b) : -((-2 * a + b) / (2 * b));
}

// Per payment form, what the report must show for the sales the fiscal view counts: those
// with a line on a fiscal sale document dated in [from, to] (ISO days), neither reversed nor
// a transfer.
std::map<std::string, FormFigures> Expected(const testing::RawSales& raw, const std::string& from,
                                            const std::string& to) {
  std::set<int64_t> sales;
  for (const testing::SaleLine& l : raw.lines) {
    if (l.fiscalDay >= from && l.fiscalDay <= to && !l.reversed && !l.transfer &&
        raw.OnFiscalDocument(l, from, to)) {
      sales.insert(l.sale);
    }
  }
  std::map<std::string, FormFigures> expected;
  for (const int64_t sale : sales) {
    const auto paid = raw.payments.find(sale);
    if (paid == raw.payments.end()) {
      continue;
    }
    for (const testing::Payment& payment : paid->second) {
      const testing::PaymentForm& form = raw.forms.at(payment.formId);
      // The first flag that holds, in this order, names the type.
      const std::pair<bool, const char*> types[] = {{form.credit, "Cartão de Crédito"},
                                                    {form.debit, "Cartão de Débito"},
                                                    {form.wallet, "Carteira Digital"},
                                                    {form.fleet, "Cartão Frota"},
                                                    {form.pix, "PIX"},
                                                    {true, "Outras Formas"}};
      FormFigures& figures = expected[form.name];
      figures.type = std::find_if(std::begin(types), std::end(types), [](const auto& t) {
                       return t.first;
                     })->second;
      figures.sales.insert(sale);
      figures.total += Units(payment.value);
      figures.change += Units(payment.change);
    }
  }
  return expected;
}

// An amount of the report in cents (or a share in hundredths of a percent).
int64_t Hundredths(const json& cell) {
  return std::llround(cell.get<double>() * 100);
}

class ReceiptTypesEndToEnd : public CliTest {
 protected:
  static const testing::RawSales& Raw() {
    static const testing::RawSales raw = testing::RawSales::Read(DemoMarch());
    return raw;
  }

  // Checks every row and the totals of the report against the raw data, to the cent.
  void ExpectFigures(const json& report, const std::map<std::string, FormFigures>& expected) {
    ASSERT_EQ(report["rows"].size(), expected.size());
    int64_t net = 0;
    for (const auto& [name, figures] : expected) {
      net += figures.total - figures.change;
    }
    std::string previousType;
    for (const json& row : report["rows"]) {
      const std::string form = row[1];
      SCOPED_TRACE(form);
      ASSERT_EQ(expected.count(form), 1u);
      const FormFigures& figures = expected.at(form);
      const int64_t formNet = figures.total - figures.change;
      const auto count = static_cast<int64_t>(figures.sales.size());
      EXPECT_EQ(row[0], figures.type);
      EXPECT_EQ(row[2], count);
      EXPECT_EQ(Hundredths(row[3]), RoundedDivision(figures.total, 100));
      EXPECT_EQ(Hundredths(row[4]), RoundedDivision(figures.change, 100));
      EXPECT_EQ(Hundredths(row[5]), RoundedDivision(formNet, 100));
      EXPECT_EQ(Hundredths(row[6]), RoundedDivision(formNet, 100 * count));
      EXPECT_EQ(Hundredths(row[7]), RoundedDivision(formNet * 10000, net));
      EXPECT_LE(sqlite::CompareTsqlText(previousType, row[0].get<std::string>()), 0)
          << "ordered by receipt type as the database's collation orders text";
      previousType = row[0];
    }
  }
};

TEST_F(ReceiptTypesEndToEnd, MarchMatchesTheRawPayments) {
  const json outcome = RunJson({"VendasPorTiposDeRecebimento", "Filtro_DataInicial=01/03/2024",
                                "Filtro_DataFinal=31/03/2024"});
  const auto expected = Expected(Raw(), "2024-03-01", "2024-03-31");
  ExpectFigures(outcome["report"], expected);
  // Forms that carry several flags take the type of the first matching branch.
  ASSERT_EQ(expected.count("Cartão Frota Crédito"), 1u);
  EXPECT_EQ(expected.at("Cartão Frota Crédito").type, "Cartão de Crédito");
  ASSERT_EQ(expected.count("Carteira Mercado Pago PIX"), 1u);
  EXPECT_EQ(expected.at("Carteira Mercado Pago PIX").type, "Carteira Digital");
}

TEST_F(ReceiptTypesEndToEnd, ASingleDayIsAPeriodOfItsOwn) {
  const json outcome = RunJson({"VendasPorTiposDeRecebimento", "Filtro_DataInicial=15/03/2024",
                                "Filtro_DataFinal=15/03/2024"});
  EXPECT_EQ(outcome["report"]["headerLines"][1], "Visão fiscal / De 15/03/24 até 15/03/24");
  ExpectFigures(outcome["report"], Expected(Raw(), "2024-03-15", "2024-03-15"));
}

}  // namespace
}  // namespace orla::cli
