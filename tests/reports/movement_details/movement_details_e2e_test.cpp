// The movement details and the special-client sales on a month of demo data, checked against
// figures computed here from the raw tables read with plain SQLite: the fiscal-document rule,
// the payment-form split, the invoice joins and the special-price measures are worked out
// again in C++, not by the library's statements.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include <gmock/gmock.h>

#include "tests/cli/cli_fixture.h"
#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;

using Line = testing::SaleLine;
using testing::Invoice;
using testing::Payment;

bool HasSpecialPrice(const Line& l) {
  return l.Special() != 0;
}

// The raw rows of the demo month, with the month as the period of the fiscal-document rule.
struct Raw : testing::RawSales {
  explicit Raw(testing::RawSales raw) : RawSales(std::move(raw)) {}

  bool OnFiscalDocument(const Line& l) const {
    return RawSales::OnFiscalDocument(l, "2024-03-01", "2024-03-31");
  }
  bool InMarch(const std::string& day) const { return day >= "2024-03-01" && day <= "2024-03-31"; }
  // The payment forms of the line's sale at its fiscal printer.
  std::vector<Payment> FormsOf(const Line& l) const {
    std::vector<Payment> forms;
    if (const auto paid = payments.find(l.sale); paid != payments.end()) {
      std::copy_if(paid->second.begin(), paid->second.end(), std::back_inserter(forms),
                   [&](const Payment& p) { return p.ecf == l.ecfNumber; });
    }
    return forms;
  }
};

const Raw& March(const std::filesystem::path& file) {
  static const Raw raw(testing::RawSales::Read(file));
  return raw;
}

// Half away from zero on the decimal the value stands for: 1.6675 is stored a hair below,
// and the database still rounds it to 1.668.
double Round(double value, int places) {
  const double scale = std::pow(10.0, places);
  return std::round(value * scale + std::copysign(1e-7, value)) / scale;
}

// A line's surcharge and discount as these reports count them: the recorded amounts, none for
// a line sold at a special price.
double Surcharge(const Line& l) {
  return HasSpecialPrice(l) ? 0 : l.surcharge;
}
double Discount(const Line& l) {
  return HasSpecialPrice(l) ? 0 : l.discount;
}

int Column(const json& report, const std::string& name) {
  const json& columns = report["columns"];
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] == name) {
      return static_cast<int>(i);
    }
  }
  ADD_FAILURE() << "no column " << name;
  return 0;
}

double Sum(const json& report, const std::string& column) {
  const int c = Column(report, column);
  double sum = 0;
  for (const json& row : report["rows"]) {
    sum += row[c].is_null() ? 0.0 : row[c].get<double>();
  }
  return sum;
}

class MovementDetailsEndToEnd : public CliTest {
 protected:
  static const Raw& Data() { return March(DemoMarch()); }
};

TEST_F(MovementDetailsEndToEnd, ByProductMatchesTheRawLines) {
  struct View {
    const char* name;
    std::vector<std::string> filters;
    std::function<bool(const Line&)> keeps;
  };
  const Raw& raw = Data();
  auto inShift = [&](const Line& l, const std::string& shift) {
    if (!l.till) {
      return false;
    }
    const testing::Till& till = raw.tills.at(*l.till);
    return till.shift == shift && raw.InMarch(till.openingDay);
  };
  const View views[] = {
      {"fiscal, every tax situation",
       {},
       [&](const Line& l) { return raw.InMarch(l.fiscalDay) && raw.OnFiscalDocument(l); }},
      // Chosen: no tax switch and no rate keep every situation.
      {"no tax switch at all",
       {"Filtro_ST_IsFF=false", "Filtro_ST_IsII=false", "Filtro_ST_IsNN=false",
        "Filtro_ST_IsTT=false"},
       [&](const Line& l) { return raw.InMarch(l.fiscalDay) && raw.OnFiscalDocument(l); }},
      {"shift 2, other products of employee 5, FF or TT at 18%",
       {"Filtro_IDTurno=2", "Filtro_IDFuncionario=5", "Filtro_IsExibirCombustiveis=false",
        "Filtro_ST_IsII=false", "Filtro_ST_IsNN=false", "Filtro_ST_AL_ICMS=18.0"},
       [&](const Line& l) {
         return inShift(l, "2") && l.kind == "P" && l.employee == "5" &&
                (l.taxSituation == "FF" || (l.taxSituation == "TT" && l.rate == 18));
       }},
  };
  for (const View& view : views) {
    SCOPED_TRACE(view.name);
    std::vector<std::string> arguments = {"DetalhesDosMovimentosPorProdutos",
                                          "Filtro_DataInicial=01/03/2024",
                                          "Filtro_DataFinal=31/03/2024"};
    arguments.insert(arguments.end(), view.filters.begin(), view.filters.end());
    const json report = RunJson(arguments)["report"];
    size_t count = 0;
    double gross = 0, net = 0, quantity = 0, profit = 0;
    for (const Line& l : raw.lines) {
      if (l.reversed || l.transfer || !view.keeps(l)) {
        continue;
      }
      ++count;
      gross += l.value;
      quantity += l.quantity;
      const double lineNet = l.value - Round(Discount(l), 2) + Round(Surcharge(l), 2);
      net += lineNet;
      profit += lineNet - l.quantity * l.cost;
    }
    ASSERT_GT(count, 0u);
    EXPECT_EQ(report["rows"].size(), count);
    EXPECT_NEAR(Sum(report, "ValorDeVendaBruto"), gross, 0.005);
    EXPECT_NEAR(Sum(report, "ValorDeVendaLiquido"), net, 0.005);
    EXPECT_NEAR(Sum(report, "Qtde"), quantity, 0.001);
    EXPECT_NEAR(Sum(report, "ValorDeLucroBruto"), profit, 0.01);
    const int day = Column(report, "Data_Movimento");
    const int time = Column(report, "Hora_Movimento");
    std::string previous;
    for (const json& row : report["rows"]) {
      const std::string moment = row[day].get<std::string>() + row[time].get<std::string>();
      EXPECT_LE(previous, moment) << "in date and time order";
      previous = moment;
    }
  }
}

// One row of the client working table, as the report must give it.
struct ClientRow {
  double quantity = 0, itemQuantity = 0, total = 0, surcharge = 0, discount = 0;
  int64_t sale = 0;
};

// The item lines of the period per sale, payment form and invoice item (the invoice join
// repeats a line once per item of its invoice), summed over the report's grouping.
std::map<std::string, ClientRow> ExpectedClientRows(const Raw& raw,
                                                    const std::set<std::string>& forms) {
  std::map<std::string, ClientRow> rows;
  for (const Line& l : raw.lines) {
    if (l.reversed || l.transfer || !raw.InMarch(l.fiscalDay) || !raw.OnFiscalDocument(l)) {
      continue;
    }
    const auto invoices = raw.invoicesOfSale.find(l.sale);
    const std::vector<Payment> paid = raw.FormsOf(l);
    if (invoices == raw.invoicesOfSale.end() || paid.empty()) {
      continue;
    }
    const double net = l.value - Discount(l) + Surcharge(l);
    for (const Invoice& invoice : invoices->second) {
      for (const Payment& form : paid) {
        if (!forms.empty() && !forms.count(form.form)) {
          continue;
        }
        const std::string key = std::to_string(l.sale) + "|" + l.time + "|" + invoice.model + "|" +
                                l.description + "|" + form.form + "|" +
                                std::to_string(form.percent) + "|" + l.employee.value_or("") + "|" +
                                std::to_string(l.unitPrice) + "|" + std::to_string(l.cost) + "|" +
                                std::to_string(l.complementary) + "|" + l.plate.value_or("");
        ClientRow& row = rows[key];
        row.sale = l.sale;
        row.itemQuantity += l.quantity;
        row.quantity += Round(l.quantity * form.percent / 100, 3);
        row.total += Round(net * form.percent / 100, 2);
        row.surcharge += Round(Surcharge(l) * form.percent / 100, 2);
        row.discount += Round(Discount(l) * form.percent / 100, 2);
      }
    }
  }
  return rows;
}

TEST_F(MovementDetailsEndToEnd, ByClientMatchesTheRawLinesInEachLayout) {
  const Raw& raw = Data();
  struct View {
    const char* name;
    std::vector<std::string> filters;
    std::set<std::string> forms;
    size_t summaryColumns;
  };
  const View views[] = {
      {"type 0", {"Filtro_TipoRelatorio=0"}, {}, 9},
      {"type 1", {"Filtro_TipoRelatorio=1"}, {}, 9},
      {"type 2 by quantity, descending",
       {"Filtro_TipoRelatorio=2", "OrderListIndex=4", "ClassificationListIndex=1"},
       {},
       8},
      {"type 3, cash and cheque only",
       {"Filtro_TipoRelatorio=3", "Filtro_FormasDePagto='Dinheiro','Cheque a Vista'"},
       {"Dinheiro", "Cheque a Vista"},
       8},
  };
  for (const View& view : views) {
    SCOPED_TRACE(view.name);
    std::vector<std::string> arguments = {"DetalhesDosMovimentosPorClientes",
                                          "Filtro_DataInicial=01/03/2024",
                                          "Filtro_DataFinal=31/03/2024"};
    arguments.insert(arguments.end(), view.filters.begin(), view.filters.end());
    const json outcome = RunJson(arguments);
    const json& report = outcome["report"];
    const auto expected = ExpectedClientRows(raw, view.forms);
    ASSERT_GT(expected.size(), 0u);
    EXPECT_EQ(report["rows"].size(), expected.size());
    double quantity = 0, itemQuantity = 0, total = 0, surcharge = 0, discount = 0;
    std::map<int64_t, int> rowsOfSale;
    for (const auto& [key, row] : expected) {
      quantity += row.quantity;
      itemQuantity += row.itemQuantity;
      total += row.total;
      surcharge += row.surcharge;
      discount += row.discount;
      ++rowsOfSale[row.sale];
    }
    EXPECT_NEAR(Sum(report, "Qtde"), quantity, 0.01);
    EXPECT_NEAR(Sum(report, "QtdeOrig"), itemQuantity, 0.01);
    EXPECT_NEAR(Sum(report, "ValorTotal"), total, 0.05);
    EXPECT_NEAR(Sum(report, "ValorAcrescimo"), surcharge, 0.05);
    EXPECT_NEAR(Sum(report, "ValorDesconto"), discount, 0.05);

    const int sale = Column(report, "Código_Venda");
    const int repeated = Column(report, "IsCVRepeat");
    const int form = Column(report, "T011_FormaDePagto");
    const int driver = Column(report, "Motorista");
    const int km = Column(report, "KM");
    for (const json& row : report["rows"]) {
      const int64_t code = row[sale].get<int64_t>();
      EXPECT_EQ(row[repeated].get<bool>(), rowsOfSale[code] > 1) << code;
      const std::string name = row[form];
      EXPECT_TRUE(name != "Dinheiro" && name != "Cheque a Vista") << "abbreviated";
      if (!view.forms.empty()) {
        EXPECT_TRUE(name == "Dinh." || name == "Ch.Vista") << name;
      }
      const auto nominal = raw.nominal.find(code);
      if (nominal == raw.nominal.end()) {
        EXPECT_TRUE(row[driver].is_null());
        EXPECT_TRUE(row[km].is_null());
      } else {
        EXPECT_EQ(row[driver], nominal->second.first);
        if (nominal->second.second == 0) {
          EXPECT_TRUE(row[km].is_null());
        } else {
          EXPECT_EQ(row[km], nominal->second.second);
        }
      }
    }

    // The product summary adds up to the same totals, one line per product (and price).
    ASSERT_EQ(report["subreports"].size(), 1u);
    const json& summary = report["subreports"][0];
    EXPECT_EQ(summary["columns"].size(), view.summaryColumns);
    EXPECT_NEAR(Sum(summary, "ValorTotal"), total, 0.05);
    EXPECT_NEAR(Sum(summary, "Qtde"), quantity, 0.01);
    std::set<std::string> products;
    const int description = Column(report, "Descrição");
    for (const json& row : report["rows"]) {
      products.insert(row[description].get<std::string>());
    }
    if (view.summaryColumns == 9 && view.filters[0] == "Filtro_TipoRelatorio=0") {
      EXPECT_EQ(summary["rows"].size(), products.size());
    } else {
      EXPECT_GE(summary["rows"].size(), products.size());
    }
  }
}

TEST_F(MovementDetailsEndToEnd, ByClientOfTypeTwoFollowsTheChosenOrder) {
  const json report = RunJson({"DetalhesDosMovimentosPorClientes", "Filtro_DataInicial=01/03/2024",
                               "Filtro_DataFinal=31/03/2024", "Filtro_TipoRelatorio=2",
                               "OrderListIndex=4", "ClassificationListIndex=1"})["report"];
  const int quantity = Column(report, "Qtde");
  double previous = 1e300;
  for (const json& row : report["rows"]) {
    EXPECT_LE(row[quantity].get<double>(), previous);
    previous = row[quantity].get<double>();
  }
}

TEST_F(MovementDetailsEndToEnd, SpecialClientsMatchTheRawSales) {
  const Raw& raw = Data();
  struct Sale {
    std::string client, moment;
    int64_t items = 0;
    double gross = 0, discount = 0, surcharge = 0, net = 0;
  };
  // By sale and special-price state.
  std::map<std::pair<int64_t, bool>, Sale> expected;
  std::map<std::pair<int64_t, std::string>, int> linesOfEmployee;
  for (const Line& l : raw.lines) {
    if (!l.isSpecial || !l.specialClient || l.reversed || !raw.InMarch(l.fiscalDay)) {
      continue;
    }
    ++linesOfEmployee[{l.sale, l.employee.value_or("")}];
    if (!raw.OnFiscalDocument(l)) {
      continue;
    }
    Sale& sale = expected[{l.sale, HasSpecialPrice(l)}];
    sale.client = raw.clients.at(*l.specialClient);
    sale.moment = l.fiscalDay + " " + l.time;
    ++sale.items;
    sale.gross += l.value;
    sale.net += l.value - l.discount + l.surcharge;
    if (HasSpecialPrice(l)) {
      const double special = l.Special() * l.quantity;
      sale.discount += special > l.value ? std::abs(special - l.value) + l.discount : 0;
      sale.surcharge += special < l.value ? std::abs(special - l.value) + l.surcharge : 0;
    } else {
      sale.discount += l.discount;
      sale.surcharge += l.surcharge;
    }
  }
  const json report = RunJson({"ClienteEspecial", "Filtro_DataInicial=01/03/2024",
                               "Filtro_DataFinal=31/03/2024"})["report"];
  ASSERT_GT(expected.size(), 0u);
  ASSERT_EQ(report["rows"].size(), expected.size());
  const int sale = Column(report, "IDVenda");
  const int special = Column(report, "IsSemUsoAD");
  const int moment = Column(report, "DataHoraMovimento");
  const int coo = Column(report, "COO");
  const int kind = Column(report, "TipoDoc");
  const int employee = Column(report, "IDFuncionario");
  const int employeeName = Column(report, "NomeFuncionario");
  std::string previous = "9999";
  std::set<std::string> kinds;
  for (const json& row : report["rows"]) {
    const int64_t code = row[sale].get<int64_t>();
    SCOPED_TRACE(code);
    const auto found = expected.find({code, row[special].get<bool>()});
    ASSERT_NE(found, expected.end());
    const Sale& want = found->second;
    EXPECT_EQ(row[Column(report, "Nome")], want.client);
    EXPECT_EQ(row[moment], want.moment);
    EXPECT_EQ(row[Column(report, "QtdeItens")], want.items);
    EXPECT_NEAR(row[Column(report, "Valor_VendaBruta")].get<double>(), want.gross, 0.005);
    EXPECT_NEAR(row[Column(report, "Valor_Desconto")].get<double>(), Round(want.discount, 2),
                0.005);
    EXPECT_NEAR(row[Column(report, "Valor_Acrescimo")].get<double>(), Round(want.surcharge, 2),
                0.005);
    EXPECT_NEAR(row[Column(report, "Valor_VendaLiquida")].get<double>(), want.net, 0.005);
    EXPECT_GE(previous, row[moment].get<std::string>()) << "newest first";
    previous = row[moment].get<std::string>();

    // The invoice's kind and number over the coupon's.
    const Line& first = *std::find_if(raw.lines.begin(), raw.lines.end(),
                                      [&](const Line& l) { return l.sale == code; });
    const auto invoices = raw.invoicesOfSale.find(code);
    if (invoices != raw.invoicesOfSale.end()) {
      const std::map<std::string, std::string> names = {
          {"55", "NF-e"}, {"59", "SAT"}, {"65", "NFC-e"}, {"01", "NF"}};
      const auto name = names.find(invoices->second.front().model);
      EXPECT_EQ(row[kind], name == names.end() ? "Desconhecido" : name->second);
      EXPECT_EQ(row[coo], invoices->second.front().number);
    } else if (first.ecf) {
      EXPECT_EQ(row[kind], "C.F.");
      EXPECT_EQ(row[coo], first.coupon);
    } else {
      EXPECT_TRUE(row[kind].is_null());
    }
    kinds.insert(row[kind].is_null() ? "null" : row[kind].get<std::string>());

    // The employee only where the sale has one line of its employees and one employee.
    int single = 0;
    std::string only;
    for (const auto& [pair, lines] : linesOfEmployee) {
      if (pair.first == code && lines == 1) {
        ++single;
        only = pair.second;
      }
    }
    if (single == 0) {
      EXPECT_TRUE(row[employee].is_null());
      EXPECT_TRUE(row[employeeName].is_null());
    } else if (single == 1) {
      EXPECT_EQ(row[employee], only);
      EXPECT_EQ(row[employeeName], raw.employees.at(only));
    }
  }
  EXPECT_TRUE(kinds.count("C.F.") && kinds.count("NFC-e") && kinds.count("NF-e"));
}

}  // namespace
}  // namespace orla::cli
