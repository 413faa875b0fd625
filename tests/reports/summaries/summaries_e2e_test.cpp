// The three sales summaries on a month of demo data, in both views, against figures worked out
// with plain SQLite over the raw tables: the sale lines, their products and groups, the till
// periods and the nozzle readings.
#include <gmock/gmock.h>

#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;
using testing::Adjustment;

// What a request asks for, with the defaults of `orla-vendas run`.
struct Options {
  bool financial = false;
  std::string from = "2024-03-01", to = "2024-03-31";  // ISO days
  std::string product{}, shift{};
  testing::Switches switches{};
  bool fuels = true, others = true;
  std::string codes = "'FF','II','NN','TT'";  // the tax situations listed; empty: none
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
      "Filtro_IsIgnorarADVendaComplementar=" + flag(o.switches.ignoreComplementary),
      "Filtro_IsIgnorarADOutrosTipos=" + flag(o.switches.ignoreOthers),
      "Filtro_IsExibirCombustiveis=" + flag(o.fuels),
      "Filtro_IsExibirOutrosProdutos=" + flag(o.others),
      std::string("Filtro_TipoVisao=") + (o.financial ? "0" : "1")};
  if (operation == "ResumoPorClassificacaoFiscal") {
    // A rate takes the place of the TT switch.
    for (const char* code : {"II", "NN", "FF", "TT"}) {
      const bool listed =
          o.codes.find(code) != std::string::npos || (code[0] == 'T' && o.rate != 0);
      arguments.push_back(std::string("Filtro_ST_Is") + code + "=" + flag(listed));
    }
    arguments.push_back("Filtro_ST_AL_ICMS=" + std::to_string(o.rate));
  }
  return arguments;
}

// Per line: the fiscal view counts the lines on a fiscal sale document by their fiscal day,
// amounts without the special-price gap; the financial view the other products' lines of the
// shift's tills opened in the period, with the gap (the discount's gap also added to the sale),
// and the fuels as the nozzle readings of those tills delivered them.
std::string Expected(const std::string& operation, const Options& o) {
  const testing::Switches& s = o.switches;
  const std::string kind =
      o.fuels && o.others ? "1" : std::string("kind = '") + (o.fuels ? "C" : "P") + "'";
  std::string lines =
      "SELECT m.Tipo AS kind, " + std::string(o.financial ? "p" : "m") +
      ".\"Descrição\" AS product, m.\"Descrição\" AS line, g.\"Descrição\" AS grp, "
      "m.\"Situação_Tributária\" AS st, m.\"Alíquota\" AS rate, m.Qtde AS qty, m.Valor_Custo * "
      "m.Qtde AS cost, m.Valor_Venda + " +
      (o.financial ? Adjustment(true, true, s, true) : "0") + " AS sale, " +
      Adjustment(false, o.financial, s) + " AS surcharge, " + Adjustment(true, o.financial, s) +
      " AS discount, m.IsEstornado = 0 AND m.\"Transferência\" = 0" +
      (o.product.empty() ? "" : " AND m.IDProduto = '" + o.product + "'") + " AND " +
      (o.financial
           ? "m.Tipo = 'P' AND substr(c.Data_Abertura, 1, 10) BETWEEN :from AND :to AND "
             ":shift IN ('', c.Caixa)"
           : "substr(m.Data_ECF, 1, 10) BETWEEN :from AND :to AND " + testing::kOnFiscalDocument) +
      " AS counted FROM \"Movimentações em Vendas\" m JOIN Produtos p ON p.\"Código\" = "
      "m.IDProduto JOIN Grupos g ON g.\"Código\" = p.Grupo LEFT JOIN \"Movimentações\" c ON "
      "c.\"Código\" = m.IDCaixa";
  std::string with = "WITH ";
  if (o.financial) {
    with += testing::NozzleRows(s) + ", ";
    lines +=
        " UNION ALL SELECT 'C', fuel, fuel, fuel, 'FF', 0, volume, volume * cost, volume * "
        "price, surcharge, discount, 1 FROM nozzles";
  }
  std::string key = "kind, product";
  std::string condition = "counted AND " + kind;
  if (operation == "ResumoPorGrupoDeProduto") {
    key = "kind, CASE kind WHEN 'C' THEN line ELSE grp END";
  } else if (operation == "ResumoPorClassificacaoFiscal") {
    key = "rate, st, grp";
    // The list and the rate clause are OR-ed without parentheses around them: in the fiscal
    // view the conditions before the list bind to it, and in both the kind to the rate clause.
    const std::string list = o.codes.empty() ? "1" : "st IN (" + o.codes + ")";
    const std::string atRate =
        "(st = 'TT' AND rate = " + std::to_string(o.rate) + " AND " + kind + ")";
    if (o.rate == 0 || o.codes.empty()) {
      condition = "counted AND " + (o.rate == 0 ? list + " AND " + kind : atRate);
    } else {
      condition = o.financial ? "counted AND (" + list + " OR " + atRate + ")"
                              : "(counted AND " + list + ") OR " + atRate;
    }
  }
  return with + "lines AS (" + lines + ") SELECT " + key +
         ", SUM(qty), SUM(cost), SUM(sale - discount + surcharge), SUM(sale - discount + "
         "surcharge - cost), SUM(surcharge), SUM(discount), SUM(sale) FROM lines WHERE " +
         condition + " GROUP BY " + key;
}

TEST(SummariesEndToEnd, EachSummaryMatchesTheRawSalesInBothViews) {
  struct Case {
    const char* name;
    const char* operation;
    Options options;
  };
  const Case cases[] = {
      {"fiscal, the month", "ResumoPorProduto", {}},
      {"a shift, complementary adjustments left out",
       "ResumoPorProduto",
       {.financial = true, .shift = "2", .switches = {.ignoreComplementary = true}}},
      {"fiscal, a week of other products, complementary adjustments only",
       "ResumoPorGrupoDeProduto",
       {.from = "2024-03-04",
        .to = "2024-03-10",
        .switches = {.ignoreOthers = true},
        .fuels = false}},
      {"financial, fuels, complementary adjustments only",
       "ResumoPorGrupoDeProduto",
       {.financial = true, .switches = {.ignoreOthers = true}, .others = false}},
      {"fiscal, FF and NN", "ResumoPorClassificacaoFiscal", {.codes = "'FF','NN'"}},
      {"fiscal, II and TT at 17%, other products",
       "ResumoPorClassificacaoFiscal",
       {.fuels = false, .codes = "'II'", .rate = 17}},
      {"financial, II and TT at 17%, fuels",
       "ResumoPorClassificacaoFiscal",
       {.financial = true, .others = false, .codes = "'II'", .rate = 17}},
      {"fiscal, TT at 12% alone", "ResumoPorClassificacaoFiscal", {.codes = "", .rate = 12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const json report = testing::RunReport(Arguments(c.operation, c.options));
    testing::ExpectRows(report,
                        testing::RawRows(Expected(c.operation, c.options), c.options.from,
                                         c.options.to, c.options.shift),
                        1e-6);
    testing::ExpectOrdered(report["rows"],
                           std::string(c.operation) == "ResumoPorClassificacaoFiscal" ? 2 : 1);
  }
}

TEST(SummariesEndToEnd, ThePrintedPagesSetFuelsApartAndTheTaxSummaryByRateAndSituation) {
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
    // Each text is found after the one before it.
    const std::string text = testing::PrintReport(Arguments(row.operation, {.financial = true}));
    size_t at = 0;
    for (const std::string& expected : row.texts) {
      at = text.find(expected, at);
      ASSERT_NE(at, std::string::npos) << expected;
    }
  }
}

}  // namespace
}  // namespace orla::cli
