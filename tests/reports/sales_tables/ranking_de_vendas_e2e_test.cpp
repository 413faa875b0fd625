// The sales ranking on a month of demo data, checked against entries worked out here from
// the raw sale rows.
#include <algorithm>
#include <cmath>
#include <map>

#include <gmock/gmock.h>

#include "tests/cli/cli_fixture.h"
#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;

struct Entry {
  int64_t code = 0;
  std::string name;
  double value = 0, quantity = 0, profit = 0;
};

struct Options {
  bool byClient = false;
  int measure = 0;  // 0 quantity, 1 net value, 2 profit
  bool ignoreComplementary = false, ignoreOthers = false;
  bool fuels = true, others = true;
  std::optional<int64_t> product;
};

double Round2(double x) {
  return std::round(x * 100.0) / 100.0;
}

// The surcharge or discount a line counts. Ignoring the other sales keeps the complementary
// lines' recorded amount as it stands; otherwise a line counts its recorded amount rounded to
// cents, nothing at a special-client price, and nothing where its kind of sale is ignored.
double Adjustment(const orla::testing::SaleLine& line, double recorded, const Options& o) {
  if (o.ignoreComplementary && o.ignoreOthers) {
    return 0;
  }
  if (o.ignoreOthers) {
    return line.complementary ? recorded : 0;
  }
  if (o.ignoreComplementary && line.complementary) {
    return 0;
  }
  const bool special = line.specialUnitPrice && *line.specialUnitPrice != 0;
  return special ? 0 : Round2(recorded);
}

// Every entry of the period (one per code, name and product kind), unranked.
std::vector<Entry> Entries(const orla::testing::RawSales& raw, const std::string& from,
                           const std::string& to, const Options& o) {
  std::map<std::tuple<int64_t, std::string, std::string>, Entry> entries;
  for (const auto& line : raw.lines) {
    if (line.fiscalDay < from || line.fiscalDay > to || line.reversed || line.transfer ||
        !raw.OnFiscalDocument(line, from, to)) {
      continue;
    }
    // Unless both kinds are shown, one is: fuels when asked for, else the other products.
    if (!(o.fuels && o.others) && line.kind != (o.fuels ? "C" : "P")) {
      continue;
    }
    if (o.product && line.product != *o.product) {
      continue;
    }
    int64_t code = line.product;
    std::string name = line.description;
    if (o.byClient) {
      const std::optional<int64_t> client =
          line.client && *line.client > 0 ? line.client : line.specialClient;
      if (!client || raw.clients.count(*client) == 0) {
        continue;  // no client row: the inner join drops the sale
      }
      code = *client;
      name = raw.clients.at(*client);
    }
    Entry& entry = entries[{code, name, line.kind}];
    entry.code = code;
    entry.name = name;
    const double net =
        line.value + Adjustment(line, line.surcharge, o) - Adjustment(line, line.discount, o);
    entry.value += net;
    entry.quantity += line.quantity;
    entry.profit += net - line.cost * line.quantity;
  }
  std::vector<Entry> list;
  for (auto& [key, entry] : entries) {
    list.push_back(entry);
  }
  return list;
}

// Product codes are text in the sales lines and client codes are numbers.
std::string CodeText(const json& code) {
  return code.is_string() ? code.get<std::string>() : std::to_string(code.get<int64_t>());
}

double MeasureOf(const Entry& e, int measure) {
  return measure == 1 ? e.value : measure == 2 ? e.profit : e.quantity;
}

class RankingEndToEnd : public CliTest {
 protected:
  static const orla::testing::RawSales& Raw() {
    static const orla::testing::RawSales raw = orla::testing::RawSales::Read(DemoMarch());
    return raw;
  }

  // The report keeps the first `count` entries by the measure, each with its own figures.
  void ExpectRanking(const json& report, std::vector<Entry> all, const Options& o, size_t count,
                     bool descending) {
    ASSERT_EQ(report["columns"],
              json({"Codigo", "Nome", "SomaDeValor_Venda", "SomaDeQtde", "Lucro"}));
    const json& rows = report["rows"];
    ASSERT_EQ(rows.size(), std::min(count, all.size()));
    double previous = descending ? INFINITY : -INFINITY;
    double last = 0;
    for (const json& row : rows) {
      SCOPED_TRACE(row.dump());
      const double measure = row[o.measure == 1 ? 2 : o.measure == 2 ? 4 : 3].get<double>();
      EXPECT_TRUE(descending ? measure <= previous + 1e-6 : measure >= previous - 1e-6);
      previous = last = measure;
      // A client with fuel and shop sales has two entries: match by code and figures.
      auto match = std::find_if(all.begin(), all.end(), [&](const Entry& e) {
        return std::to_string(e.code) == CodeText(row[0]) && e.name == row[1].get<std::string>() &&
               std::abs(e.quantity - row[3].get<double>()) < 0.0005 &&
               std::abs(e.value - row[2].get<double>()) < 0.005 &&
               std::abs(e.profit - row[4].get<double>()) < 0.005;
      });
      ASSERT_NE(match, all.end()) << "no such entry in the raw data";
      all.erase(match);
    }
    // What was left out ranks no better than the last entry kept.
    for (const Entry& e : all) {
      const double measure = MeasureOf(e, o.measure);
      EXPECT_TRUE(descending ? measure <= last + 1e-6 : measure >= last - 1e-6) << e.name;
    }
  }
};

TEST_F(RankingEndToEnd, TheBestAndWorstSellersOfMarch) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    Options options;
    size_t count;
    bool descending;
  };
  Options clientsByProfit;
  clientsByProfit.byClient = true;
  clientsByProfit.measure = 2;
  Options shopByValueNoAdjustments;
  shopByValueNoAdjustments.measure = 1;
  shopByValueNoAdjustments.ignoreComplementary = shopByValueNoAdjustments.ignoreOthers = true;
  shopByValueNoAdjustments.fuels = false;
  Options clientsFuelComplementaryOnly;
  clientsFuelComplementaryOnly.byClient = true;
  clientsFuelComplementaryOnly.measure = 1;
  clientsFuelComplementaryOnly.ignoreOthers = true;
  clientsFuelComplementaryOnly.others = false;
  Options oneProductByClient;
  oneProductByClient.byClient = true;
  oneProductByClient.product = 1;
  const Case cases[] = {
      {"ten products by quantity", {"Filtro_QtdeRegistros=10"}, Options{}, 10, true},
      {"every client by profit",
       {"Filtro_QtdeRegistros=abc", "Filtro_TipoAgrupamento=0", "OrderListIndex=2"},
       clientsByProfit,
       40,
       true},
      {"the five weakest shop products by value, no surcharges or discounts",
       {"Filtro_QtdeRegistros=5", "OrderListIndex=1", "Filtro_TipoOrdenacao=1",
        "Filtro_IsIgnorarADVendaComplementar=true", "Filtro_IsIgnorarADOutrosTipos=true",
        "Filtro_IsExibirCombustiveis=false"},
       shopByValueNoAdjustments,
       5,
       false},
      {"clients' fuel by value, complementary adjustments only",
       {"Filtro_QtdeRegistros=8", "Filtro_TipoAgrupamento=0", "OrderListIndex=1",
        "Filtro_IsIgnorarADOutrosTipos=true", "Filtro_IsExibirOutrosProdutos=false"},
       clientsFuelComplementaryOnly,
       8,
       true},
      {"one product's clients",
       {"Filtro_QtdeRegistros=12", "Filtro_TipoAgrupamento=0", "Filtro_IDProduto=1"},
       oneProductByClient,
       12,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments = {"RankingDeVendas", "Filtro_DataInicial=01/03/2024",
                                          "Filtro_DataFinal=31/03/2024"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const json outcome = RunJson(arguments);
    ExpectRanking(outcome["report"], Entries(Raw(), "2024-03-01", "2024-03-31", c.options),
                  c.options, c.count, c.descending);
  }
}

}  // namespace
}  // namespace orla::cli
