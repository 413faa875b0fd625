// The movement details and the special-client sales on a month of demo data, checked against
// figures computed here from the raw tables read with plain SQLite: the fiscal-document rule,
// the payment-form split, the invoice joins and the special-price measures are worked out
// again in C++, not by the library's statements.
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include <gmock/gmock.h>
#include <sqlite3.h>

#include "tests/cli/cli_fixture.h"

namespace orla::cli {
namespace {

using nlohmann::json;

struct Line {
  int64_t code = 0, sale = 0, ecf = 0, coupon = 0;
  std::optional<int64_t> till, specialClient, client, invoiceNumber;
  std::string day, time, kind, description, taxSituation;
  std::optional<std::string> plate, employee, consumerModel;
  double quantity = 0, unitPrice = 0, unitCost = 0, value = 0, discount = 0, surcharge = 0,
         rate = 0;
  std::optional<double> specialPrice;
  bool isSpecial = false, automation = false, complementary = false, reversed = false,
       transfer = false, printer = false, note = false, standalone = false, thirdPartyNote = false,
       physical = false, saleCfop = false;

  bool HasSpecialPrice() const { return specialPrice && *specialPrice != 0; }
};

struct Invoice {
  std::string model;
  int64_t number = 0;
};

struct Form {
  std::string name;
  double share = 0;
};

// The raw tables of the demo month.
struct Raw {
  std::vector<Line> lines;
  std::map<int64_t, std::vector<Invoice>> invoicesOfSale;  // one entry per invoice item
  std::map<std::pair<int64_t, int64_t>, std::vector<Form>> formsOfSale;  // by sale and ECF
  std::map<int64_t, std::pair<std::string, int64_t>> nominal;            // sale: driver, km
  std::set<int64_t> coveredSales;  // by a type-0 electronic-note request in March
  std::map<int64_t, std::pair<std::string, std::string>> tills;  // code: shift, opening day
  std::map<int64_t, std::string> clients;
  std::map<std::string, std::string> employees;

  // The fiscal-document rule of the sales.
  bool OnFiscalDocument(const Line& l) const {
    const bool saleNote = l.note && !l.thirdPartyNote && l.saleCfop && !coveredSales.count(l.sale);
    return l.printer || l.consumerModel.has_value() || (saleNote && (!l.standalone || l.physical));
  }
  bool InMarch(const std::string& day) const { return day >= "2024-03-01" && day <= "2024-03-31"; }
};

Raw ReadRaw(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  auto each = [db](const char* sql, auto&& row) {
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), SQLITE_OK) << sql;
    while (sqlite3_step(s) == SQLITE_ROW) {
      row(s);
    }
    sqlite3_finalize(s);
  };
  auto text = [](sqlite3_stmt* s, int i) -> std::optional<std::string> {
    const auto* p = sqlite3_column_text(s, i);
    if (p == nullptr) {
      return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(p));
  };
  auto integer = [](sqlite3_stmt* s, int i) -> std::optional<int64_t> {
    if (sqlite3_column_type(s, i) == SQLITE_NULL) {
      return std::nullopt;
    }
    return sqlite3_column_int64(s, i);
  };
  Raw raw;
  std::set<int64_t> saleCfops;
  each("SELECT S010_ID FROM S010_CFOP WHERE S010_IsVenda = 1",
       [&](sqlite3_stmt* s) { saleCfops.insert(sqlite3_column_int64(s, 0)); });
  each(
      "SELECT \"Código\", \"Código_Venda\", IDCaixa, \"Código_ECF\", \"Número_Cupom_Fiscal\", "
      "Data_ECF, Hora_Movimento, Tipo, \"Descrição\", \"Situação_Tributária\", Placa, "
      "\"Funcionário\", NFConsumidor_Modelo, Qtde, Valor_Unitario, Valor_Custo, Valor_Venda, "
      "Valor_Desconto, Valor_Acrescimo, \"Alíquota\", ValorUnitarioClienteEspecial, "
      "IsClienteEspecial, IDClienteEspecial, Cliente, \"Automação\", Cupom_Complementar, "
      "IsEstornado, \"Transferência\", ECF, NF, IsNFAvulsa, IsNFTerceiro, "
      "IsMovimentacaoFisicaDoEstoque, S010_ID, \"Número_NF\" FROM \"Movimentações em Vendas\"",
      [&](sqlite3_stmt* s) {
        Line l;
        l.code = sqlite3_column_int64(s, 0);
        l.sale = sqlite3_column_int64(s, 1);
        l.till = integer(s, 2);
        l.ecf = sqlite3_column_int64(s, 3);
        l.coupon = sqlite3_column_int64(s, 4);
        l.day = text(s, 5)->substr(0, 10);
        l.time = text(s, 6)->substr(11);
        l.kind = *text(s, 7);
        l.description = *text(s, 8);
        l.taxSituation = *text(s, 9);
        l.plate = text(s, 10);
        l.employee = text(s, 11);
        l.consumerModel = text(s, 12);
        l.quantity = sqlite3_column_double(s, 13);
        l.unitPrice = sqlite3_column_double(s, 14);
        l.unitCost = sqlite3_column_double(s, 15);
        l.value = sqlite3_column_double(s, 16);
        l.discount = sqlite3_column_double(s, 17);
        l.surcharge = sqlite3_column_double(s, 18);
        l.rate = sqlite3_column_double(s, 19);
        if (sqlite3_column_type(s, 20) != SQLITE_NULL) {
          l.specialPrice = sqlite3_column_double(s, 20);
        }
        l.isSpecial = sqlite3_column_int(s, 21) == 1;
        l.specialClient = integer(s, 22);
        l.client = integer(s, 23);
        l.automation = sqlite3_column_int(s, 24) == 1;
        l.complementary = sqlite3_column_int(s, 25) == 1;
        l.reversed = sqlite3_column_int(s, 26) == 1;
        l.transfer = sqlite3_column_int(s, 27) == 1;
        l.printer = sqlite3_column_int(s, 28) == 1;
        l.note = sqlite3_column_int(s, 29) == 1;
        l.standalone = sqlite3_column_int(s, 30) == 1;
        l.thirdPartyNote = sqlite3_column_int(s, 31) == 1;
        l.physical = sqlite3_column_int(s, 32) == 1;
        const auto cfop = integer(s, 33);
        l.saleCfop = cfop && saleCfops.count(*cfop);
        l.invoiceNumber = integer(s, 34);
        raw.lines.push_back(std::move(l));
      });
  std::map<int64_t, Invoice> invoices;
  each(
      "SELECT m.Codigo, n.Modelo, m.Numero_Nota_Fiscal FROM NotasFiscais_Movimentos m JOIN "
      "\"Modelo - Notas Fiscais\" n ON n.\"Código\" = m.Codigo_Modelo",
      [&](sqlite3_stmt* s) {
        invoices[sqlite3_column_int64(s, 0)] = {*text(s, 1), sqlite3_column_int64(s, 2)};
      });
  std::map<int64_t, std::vector<int64_t>> salesOfInvoice;
  each("SELECT Codigo_NF, Codigo_Venda FROM NotasFiscais_Itens", [&](sqlite3_stmt* s) {
    raw.invoicesOfSale[sqlite3_column_int64(s, 1)].push_back(
        invoices.at(sqlite3_column_int64(s, 0)));
    salesOfInvoice[sqlite3_column_int64(s, 0)].push_back(sqlite3_column_int64(s, 1));
  });
  each(
      "SELECT T008_IDNF FROM T008_Nfe_Solicitacoes WHERE T008_Tipo = 0 AND T008_DataHora >= "
      "'2024-03-01 00:00:00' AND T008_DataHora <= '2024-03-31 23:59:59'",
      [&](sqlite3_stmt* s) {
        for (int64_t sale : salesOfInvoice[sqlite3_column_int64(s, 0)]) {
          raw.coveredSales.insert(sale);
        }
      });
  each(
      "SELECT IDVenda, IDECF, T011_FormaDePagto, T011_Percentual FROM "
      "T011_ImagemDosMeiosDePagtoUtilizados",
      [&](sqlite3_stmt* s) {
        raw.formsOfSale[{sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1)}].push_back(
            {*text(s, 2), sqlite3_column_double(s, 3)});
      });
  each("SELECT IDVenda, T006_Motorista, T006_KM FROM T006_CupomNominalPorMovimento",
       [&](sqlite3_stmt* s) {
         raw.nominal[sqlite3_column_int64(s, 0)] = {text(s, 1).value_or(""),
                                                    sqlite3_column_int64(s, 2)};
       });
  each("SELECT \"Código\", Caixa, Data_Abertura FROM \"Movimentações\"", [&](sqlite3_stmt* s) {
    raw.tills[sqlite3_column_int64(s, 0)] = {*text(s, 1), text(s, 2)->substr(0, 10)};
  });
  each("SELECT \"Código\", Nome FROM Clientes",
       [&](sqlite3_stmt* s) { raw.clients[sqlite3_column_int64(s, 0)] = *text(s, 1); });
  each("SELECT \"Código\", Nome FROM \"Funcionários\"",
       [&](sqlite3_stmt* s) { raw.employees[*text(s, 0)] = *text(s, 1); });
  sqlite3_close(db);
  return raw;
}

const Raw& March(const std::filesystem::path& file) {
  static const Raw raw = ReadRaw(file);
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
  return l.HasSpecialPrice() ? 0 : l.surcharge;
}
double Discount(const Line& l) {
  return l.HasSpecialPrice() ? 0 : l.discount;
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
    const auto& [caixa, opening] = raw.tills.at(*l.till);
    return caixa == shift && raw.InMarch(opening);
  };
  const View views[] = {
      {"fiscal, every tax situation",
       {},
       [&](const Line& l) { return raw.InMarch(l.day) && raw.OnFiscalDocument(l); }},
      // Chosen: no tax switch and no rate keep every situation.
      {"no tax switch at all",
       {"Filtro_ST_IsFF=false", "Filtro_ST_IsII=false", "Filtro_ST_IsNN=false",
        "Filtro_ST_IsTT=false"},
       [&](const Line& l) { return raw.InMarch(l.day) && raw.OnFiscalDocument(l); }},
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
      profit += lineNet - l.quantity * l.unitCost;
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
    if (l.reversed || l.transfer || !raw.InMarch(l.day) || !raw.OnFiscalDocument(l)) {
      continue;
    }
    const auto invoices = raw.invoicesOfSale.find(l.sale);
    const auto paid = raw.formsOfSale.find({l.sale, l.ecf});
    if (invoices == raw.invoicesOfSale.end() || paid == raw.formsOfSale.end()) {
      continue;
    }
    const double net = l.value - Discount(l) + Surcharge(l);
    for (const Invoice& invoice : invoices->second) {
      for (const Form& form : paid->second) {
        if (!forms.empty() && !forms.count(form.name)) {
          continue;
        }
        const std::string key = std::to_string(l.sale) + "|" + l.time + "|" + invoice.model + "|" +
                                l.description + "|" + form.name + "|" + std::to_string(form.share) +
                                "|" + l.employee.value_or("") + "|" + std::to_string(l.unitPrice) +
                                "|" + std::to_string(l.unitCost) + "|" +
                                std::to_string(l.complementary) + "|" + l.plate.value_or("");
        ClientRow& row = rows[key];
        row.sale = l.sale;
        row.itemQuantity += l.quantity;
        row.quantity += Round(l.quantity * form.share / 100, 3);
        row.total += Round(net * form.share / 100, 2);
        row.surcharge += Round(Surcharge(l) * form.share / 100, 2);
        row.discount += Round(Discount(l) * form.share / 100, 2);
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
    if (!l.isSpecial || !l.specialClient || l.reversed || !raw.InMarch(l.day)) {
      continue;
    }
    ++linesOfEmployee[{l.sale, l.employee.value_or("")}];
    if (!raw.OnFiscalDocument(l)) {
      continue;
    }
    Sale& sale = expected[{l.sale, l.HasSpecialPrice()}];
    sale.client = raw.clients.at(*l.specialClient);
    sale.moment = l.day + " " + l.time;
    ++sale.items;
    sale.gross += l.value;
    sale.net += l.value - l.discount + l.surcharge;
    if (l.HasSpecialPrice()) {
      const double special = *l.specialPrice * l.quantity;
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
    } else if (first.printer) {
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
