// The three sales summaries on a generated month, in both views, checked row by row against
// figures computed here from the raw tables read with plain SQLite: the sale lines, their
// products and groups, the till periods and the nozzle readings.
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include <gmock/gmock.h>

#include "sqlite/sql_functions.h"
#include "tests/cli/cli_fixture.h"
#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;

double Round2(double value) {
  return std::round(value * 100.0) / 100.0;
}

using Line = testing::SaleLine;
using Raw = testing::RawSales;
using testing::Reading;
using testing::Till;

// What a request asks for, with the defaults of `orla-vendas run`.
struct Options {
  bool financial = false;
  std::string from = "2024-03-01", to = "2024-03-31";  // ISO days
  std::string product, shift;
  bool ignoreComplementary = false, ignoreOthers = false;
  bool showFuels = true, showOthers = true;
  bool ii = true, nn = true, ff = true, tt = true;
  double rate = 0;
};

std::vector<std::string> Arguments(const std::string& operation, const Options& o) {
  auto day = [](const std::string& iso) {
    return iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4);
  };
  auto flag = [](bool b) { return b ? std::string("true") : std::string("false"); };
  std::vector<std::string> arguments{
      operation,
      "Filtro_DataInicial=" + day(o.from),
      "Filtro_DataFinal=" + day(o.to),
      "Filtro_IDProduto=" + o.product,
      "Filtro_IDTurno=" + o.shift,
      "Filtro_IsIgnorarADVendaComplementar=" + flag(o.ignoreComplementary),
      "Filtro_IsIgnorarADOutrosTipos=" + flag(o.ignoreOthers),
      "Filtro_IsExibirCombustiveis=" + flag(o.showFuels),
      "Filtro_IsExibirOutrosProdutos=" + flag(o.showOthers),
      std::string("Filtro_TipoVisao=") + (o.financial ? "0" : "1")};
  if (operation == "ResumoPorClassificacaoFiscal") {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.2f", o.rate);
    arguments.insert(arguments.end(),
                     {"Filtro_ST_IsII=" + flag(o.ii), "Filtro_ST_IsNN=" + flag(o.nn),
                      "Filtro_ST_IsFF=" + flag(o.ff), "Filtro_ST_IsTT=" + flag(o.tt),
                      std::string("Filtro_ST_AL_ICMS=") + rate});
  }
  return arguments;
}

struct Figures {
  double qty = 0, cost = 0, net = 0, surcharge = 0, discount = 0, sale = 0;
  int lines = 0;
};

// The surcharge or discount a sale line counts under the two A/D switches. A line at a
// special-client unit price counts the gap to the special value on its side plus its recorded
// amount (nothing at all when the difference is left out, as in the fiscal view); a line at
// the list price counts its recorded amount, or nothing for the difference alone.
double Adjustment(const Line& l, bool discount, bool withDifference, bool differenceOnly,
                  bool ignoreComplementary, bool ignoreOthers) {
  const double recorded = discount ? l.discount : l.surcharge;
  const double specialValue = l.Special() * l.quantity;
  const bool onItsSide = discount ? specialValue > l.value : specialValue < l.value;
  const double difference =
      withDifference && onItsSide ? std::fabs(specialValue - l.value) + recorded : 0;
  const double full = Round2(l.Special() != 0 ? difference : (differenceOnly ? 0 : recorded));
  if (ignoreComplementary && ignoreOthers) {
    return 0;
  }
  if (ignoreComplementary) {
    return l.complementary ? 0 : full;
  }
  if (ignoreOthers) {
    return l.complementary && !differenceOnly ? recorded : 0;
  }
  return full;
}

void AddLine(Figures& f, const Line& l, const Options& o) {
  const bool withDifference = o.financial;
  const double surcharge =
      Adjustment(l, false, withDifference, false, o.ignoreComplementary, o.ignoreOthers);
  const double discount =
      Adjustment(l, true, withDifference, false, o.ignoreComplementary, o.ignoreOthers);
  const double complement =
      o.financial ? Adjustment(l, true, true, true, o.ignoreComplementary, o.ignoreOthers) : 0;
  f.qty += l.quantity;
  f.cost += l.cost * l.quantity;
  f.net += l.value - discount + surcharge + complement;
  f.surcharge += surcharge;
  f.discount += discount;
  f.sale += l.value + complement;
  ++f.lines;
}

class Expectation {
 public:
  Expectation(const Raw& raw, const Options& o) : raw_(raw), o_(o) {}

  bool InPeriod(const std::string& day) const { return day >= o_.from && day <= o_.to; }
  const Till* TillOf(const Line& l) const {
    if (!l.till) {
      return nullptr;
    }
    const auto till = raw_.tills.find(*l.till);
    return till == raw_.tills.end() ? nullptr : &till->second;
  }
  bool ProductAndShift(const Line& l) const {
    const Till* till = TillOf(l);
    return (o_.product.empty() || std::to_string(l.product) == o_.product) &&
           (o_.shift.empty() || (till != nullptr && till->shift == o_.shift));
  }
  bool KindShown(const std::string& kind) const {
    if (o_.showFuels && o_.showOthers) {
      return true;
    }
    return kind == (o_.showFuels ? "C" : "P");
  }

  // The lines of the fiscal view, before any tax filter.
  bool FiscalLine(const Line& l) const {
    return raw_.OnFiscalDocument(l, o_.from, o_.to) && !l.reversed && !l.transfer &&
           InPeriod(l.fiscalDay) && ProductAndShift(l);
  }
  // The other products of the financial view, from the sale lines of a till period.
  bool TillLine(const Line& l) const {
    const Till* till = TillOf(l);
    return till != nullptr && l.kind == "P" && !l.reversed && !l.transfer &&
           InPeriod(till->openingDay) && ProductAndShift(l);
  }
  std::string GroupOf(const Line& l) const {
    return raw_.groups.at(raw_.products.at(l.product).second);
  }
  std::string ProductOf(const Line& l) const { return raw_.products.at(l.product).first; }

  // The fuels of the financial view: what the readings of the closed till periods delivered,
  // with the discounts and surcharges of each nozzle's fuel sale lines.
  std::map<std::string, Figures> Fuels() const {
    auto counts = [&](int64_t id) {
      const auto till = raw_.tills.find(id);
      return till != raw_.tills.end() && till->second.closed && InPeriod(till->second.openingDay) &&
             (o_.shift.empty() || till->second.shift == o_.shift);
    };
    std::map<std::string, Figures> fuels;
    std::set<std::pair<std::string, std::string>> read;  // nozzle, fuel
    for (const Reading& r : raw_.readings) {
      if (!counts(r.till)) {
        continue;
      }
      Figures& f = fuels[r.fuel];
      f.qty += r.volume;
      f.cost += r.volume * r.cost;
      f.sale += r.volume * r.price;
      read.insert({r.nozzle, r.fuel});
    }
    for (const Line& l : raw_.lines) {
      if (!l.till || !counts(*l.till) || l.kind != "C" || l.reversed || l.thirdParty ||
          !read.contains({l.productCode, l.description})) {
        continue;
      }
      Figures& f = fuels[l.description];
      f.surcharge += Adjustment(l, false, true, false, o_.ignoreComplementary, o_.ignoreOthers);
      f.discount += Adjustment(l, true, true, false, o_.ignoreComplementary, o_.ignoreOthers);
    }
    for (auto& [fuel, f] : fuels) {
      f.net = f.sale - f.discount + f.surcharge;
      f.lines = 1;
    }
    return fuels;
  }

  const Raw& raw_;
  const Options& o_;
};

using Rows = std::map<std::vector<std::string>, Figures>;

std::string RateText(double rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", rate);
  return text;
}

Rows ByProduct(const Raw& raw, const Options& o) {
  const Expectation e(raw, o);
  Rows rows;
  for (const Line& l : raw.lines) {
    if (!o.financial && e.FiscalLine(l) && e.KindShown(l.kind)) {
      AddLine(rows[{l.kind, l.description}], l, o);
    } else if (o.financial && e.TillLine(l) && e.KindShown("P")) {
      AddLine(rows[{"P", e.ProductOf(l)}], l, o);
    }
  }
  if (o.financial && e.KindShown("C")) {
    for (const auto& [fuel, f] : e.Fuels()) {
      rows[{"C", fuel}] = f;
    }
  }
  return rows;
}

Rows ByGroup(const Raw& raw, const Options& o) {
  const Expectation e(raw, o);
  Rows rows;
  for (const Line& l : raw.lines) {
    if (!o.financial && e.FiscalLine(l) && e.KindShown(l.kind)) {
      // A fuel line stands for its fuel, any other for its product's group.
      AddLine(rows[{l.kind, l.kind == "C" ? l.description : e.GroupOf(l)}], l, o);
    } else if (o.financial && e.TillLine(l) && e.KindShown("P")) {
      AddLine(rows[{"P", e.GroupOf(l)}], l, o);
    }
  }
  if (o.financial && e.KindShown("C")) {
    for (const auto& [fuel, f] : e.Fuels()) {
      rows[{"C", fuel}] = f;
    }
  }
  return rows;
}

Rows ByTaxClassification(const Raw& raw, const Options& o) {
  const Expectation e(raw, o);
  std::set<std::string> codes;
  for (const auto& [on, code] : {std::pair{o.ff, "FF"}, {o.ii, "II"}, {o.nn, "NN"}}) {
    if (on) {
      codes.insert(code);
    }
  }
  if (o.tt && o.rate == 0) {
    codes.insert("TT");
  }
  const bool anyTaxFilter = !codes.empty() || o.rate != 0;
  auto inList = [&](const std::string& st) { return codes.contains(st); };
  auto atRate = [&](const std::string& st, double rate) {
    return o.rate != 0 && st == "TT" && rate == o.rate;
  };
  // The tax filter is "(list) OR (rate clause)" without outer parentheses, so next to the
  // conditions joined by AND it reads "(all before AND list) OR (rate clause AND what
  // follows)".
  auto passes = [&](bool before, const std::string& st, double rate, bool after) {
    if (!anyTaxFilter) {
      return before && after;
    }
    if (o.rate == 0) {
      return before && inList(st) && after;
    }
    if (codes.empty()) {
      return before && atRate(st, rate) && after;
    }
    return (before && inList(st)) || (atRate(st, rate) && after);
  };
  Rows rows;
  for (const Line& l : raw.lines) {
    if (!o.financial) {
      if (passes(e.FiscalLine(l), l.taxSituation, l.rate, e.KindShown(l.kind))) {
        AddLine(rows[{RateText(l.rate), l.taxSituation, e.GroupOf(l)}], l, o);
      }
    } else if (e.TillLine(l) && passes(true, l.taxSituation, l.rate, e.KindShown("P"))) {
      AddLine(rows[{RateText(l.rate), l.taxSituation, e.GroupOf(l)}], l, o);
    }
  }
  if (o.financial && passes(true, "FF", 0, e.KindShown("C"))) {
    for (const auto& [fuel, f] : e.Fuels()) {
      rows[{RateText(0), "FF", fuel}] = f;
    }
  }
  return rows;
}

class SummariesEndToEnd : public CliTest {
 protected:
  static const Raw& March() {
    static const Raw raw = Raw::Read(DemoMarch());
    return raw;
  }

  // Checks every row of the report against `expected`, the order by description and the
  // report's totals against the sums over the raw lines. `keyColumns` lead each row.
  void ExpectRows(const json& report, const Rows& expected, size_t keyColumns,
                  size_t descriptionColumn) {
    ASSERT_EQ(report["rows"].size(), expected.size());
    ASSERT_GT(expected.size(), 0u);
    Figures total, reported;
    std::string previous;
    for (const json& row : report["rows"]) {
      std::vector<std::string> key;
      for (size_t i = 0; i < keyColumns; ++i) {
        key.push_back(row[i].is_number() ? RateText(row[i].get<double>())
                                         : row[i].get<std::string>());
      }
      SCOPED_TRACE(::testing::PrintToString(key));
      const auto want = expected.find(key);
      ASSERT_NE(want, expected.end());
      const Figures& f = want->second;
      // Each line's amounts are rounded to cents before they are summed, on both sides.
      const double tolerance = 1e-6 * std::max(1, f.lines) + 1e-6 * std::fabs(f.sale);
      const size_t a = keyColumns;
      EXPECT_NEAR(row[a].get<double>(), f.qty, 1e-6 * std::max(1.0, std::fabs(f.qty)));
      EXPECT_NEAR(row[a + 1].get<double>(), f.cost, tolerance + 1e-6 * std::fabs(f.cost));
      EXPECT_NEAR(row[a + 2].get<double>(), f.net, tolerance);
      EXPECT_NEAR(row[a + 3].get<double>(), f.net - f.cost, tolerance + 1e-6 * std::fabs(f.cost));
      EXPECT_NEAR(row[a + 4].get<double>(), f.surcharge, tolerance);
      EXPECT_NEAR(row[a + 5].get<double>(), f.discount, tolerance);
      EXPECT_NEAR(row[a + 6].get<double>(), f.sale, tolerance);
      const std::string description = row[descriptionColumn];
      EXPECT_LE(sqlite::CompareTsqlText(previous, description), 0)
          << "ordered by description as the database's collation orders text";
      previous = description;
      reported.sale += row[a + 6].get<double>();
      reported.net += row[a + 2].get<double>();
    }
    for (const auto& [key, f] : expected) {
      total.sale += f.sale;
      total.net += f.net;
    }
    EXPECT_NEAR(reported.sale, total.sale, 0.01);
    EXPECT_NEAR(reported.net, total.net, 0.01);
  }

  void Check(const std::string& operation, const Options& o) {
    const json outcome = RunJson(Arguments(operation, o));
    ASSERT_EQ(outcome["result"], true);
    if (operation == "ResumoPorProduto") {
      ExpectRows(outcome["report"], ByProduct(March(), o), 2, 1);
    } else if (operation == "ResumoPorGrupoDeProduto") {
      ExpectRows(outcome["report"], ByGroup(March(), o), 2, 1);
    } else {
      ExpectRows(outcome["report"], ByTaxClassification(March(), o), 3, 2);
    }
  }
};

struct Case {
  std::string name;
  Options options;
};

std::vector<Case> ViewCases() {
  Options fiscal;
  Options financial;
  financial.financial = true;
  Options tillAndComplementary = financial;
  tillAndComplementary.shift = "2";
  tillAndComplementary.ignoreComplementary = true;
  Options week = fiscal;
  week.from = "2024-03-04";
  week.to = "2024-03-10";
  week.ignoreOthers = true;
  week.showFuels = false;
  Options financialFuels = financial;
  financialFuels.showOthers = false;
  financialFuels.ignoreOthers = true;
  return {{"fiscal, the month", fiscal},
          {"financial, the month", financial},
          {"a shift, A/D of complementary sales ignored", tillAndComplementary},
          {"fiscal, a week of other products, A/D of other sales ignored", week},
          {"financial, fuels only, A/D of other sales ignored", financialFuels}};
}

TEST_F(SummariesEndToEnd, ByProductMatchesTheRawSales) {
  for (const Case& c : ViewCases()) {
    SCOPED_TRACE(c.name);
    Check("ResumoPorProduto", c.options);
  }
}

TEST_F(SummariesEndToEnd, ByProductGroupMatchesTheRawSales) {
  for (const Case& c : ViewCases()) {
    SCOPED_TRACE(c.name);
    Check("ResumoPorGrupoDeProduto", c.options);
  }
}

TEST_F(SummariesEndToEnd, ByTaxClassificationMatchesTheRawSales) {
  std::vector<Case> cases = ViewCases();
  Options ffAndNn;
  ffAndNn.ii = ffAndNn.tt = false;
  Options financialWithoutFF = ffAndNn;
  financialWithoutFF.financial = true;
  financialWithoutFF.ff = false;
  Options iiAtARate;
  iiAtARate.nn = iiAtARate.ff = false;
  iiAtARate.rate = 17;
  Options financialIIAtARate = iiAtARate;
  financialIIAtARate.financial = true;
  Options onlyTTAtARate;
  onlyTTAtARate.ii = onlyTTAtARate.nn = onlyTTAtARate.ff = false;
  onlyTTAtARate.rate = 12;
  cases.insert(cases.end(), {{"fiscal, FF and NN", ffAndNn},
                             {"financial, NN alone: fuels drop out", financialWithoutFF},
                             {"fiscal, II and TT at 17%", iiAtARate},
                             {"financial, II and TT at 17%", financialIIAtARate},
                             {"fiscal, TT at 12% alone", onlyTTAtARate}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Check("ResumoPorClassificacaoFiscal", c.options);
  }
}

TEST_F(SummariesEndToEnd, ThePrintedPagesSetFuelsApartAndTheTaxSummaryByRateAndSituation) {
  struct Row {
    std::string operation;
    std::vector<std::string> texts;
  };
  const Row rows[] = {
      {"ResumoPorProduto",
       {"Combustíveis", "Total Combustíveis", "Outros produtos", "Total geral"}},
      {"ResumoPorGrupoDeProduto",
       {"Período de 31 dia(s); projeção de 15/04/2024 a 15/05/2024", "Total Outros produtos",
        "Total geral"}},
      {"ResumoPorClassificacaoFiscal",
       {"Alíquota de ICMS 0,00%", "Situação tributária FF - Substituição tributária",
        "Total da alíquota 17,00%", "Total geral"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.operation);
    const std::filesystem::path pdf = Folder() / (row.operation + ".pdf");
    Options financial;
    financial.financial = true;
    std::vector<std::string> arguments = Arguments(row.operation, financial);
    arguments.insert(arguments.end(),
                     {"--format", "pdf", "--out", pdf.string(), "--today", "2024-04-15"});
    ASSERT_EQ(Run(arguments).exitCode, 0);
    // Each text is found after the one before it.
    const std::string text = PdfText(pdf);
    size_t at = 0;
    for (const std::string& expected : row.texts) {
      at = text.find(expected, at);
      ASSERT_NE(at, std::string::npos) << expected;
    }
  }
}

}  // namespace
}  // namespace orla::cli
