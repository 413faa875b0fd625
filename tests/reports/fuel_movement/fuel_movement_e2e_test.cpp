// The fuel movement and payment-form tables on a month of demo data, against figures worked
// out with plain SQLite over the raw tables.
#include <set>

#include <gmock/gmock.h>

#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;
using testing::Adjustment;
using testing::ExpectRows;
using testing::kOnFiscalDocument;
using testing::NozzleRows;
using testing::RawRows;

TEST(FuelMovementEndToEnd, ReadingsMovementPerNozzleInTheReportAndBothSubreports) {
  const json report = testing::RunReport(
      {"MovimentacaoDeCombustiveisPelasLeiturasDeCaixaDoPDV", "Filtro_DataInicial=01/03/2024",
       "Filtro_DataFinal=10/03/2024", "Filtro_IsIgnorarADVendaComplementar=true"});
  const json expected = RawRows(
      "WITH " + NozzleRows({true, false}) +
          " SELECT nozzle, fuel, SUM(volume), SUM(volume * price) / SUM(volume), SUM(volume * "
          "cost) / SUM(volume), SUM(discount), SUM(surcharge), SUM(volume * price) / SUM(volume) "
          "FROM nozzles GROUP BY 1, 2",
      "2024-03-01", "2024-03-10");
  ASSERT_EQ(report["subreports"].size(), 2u);
  for (const json& rows : {report, report["subreports"][0], report["subreports"][1]}) {
    SCOPED_TRACE(rows.value("name", "report"));
    ExpectRows(rows, expected, 1e-6);
    testing::ExpectOrdered(rows["rows"], 0);
  }
}

TEST(FuelMovementEndToEnd, ComplementarySalesByTheFiscalDayOrTheShiftsTills) {
  const std::string net = "m.Valor_Venda - m.Valor_Desconto + m.Valor_Acrescimo";
  const std::string sql =
      "SELECT 'C', m.\"Descrição\", SUM(m.Qtde), SUM(m.Valor_Custo * m.Qtde), SUM(" + net +
      "), SUM(" + net +
      " - m.Valor_Custo * m.Qtde), SUM(m.Valor_Acrescimo), SUM(m.Valor_Desconto), "
      "SUM(m.Valor_Venda) FROM \"Movimentações em Vendas\" m LEFT JOIN \"Movimentações\" c ON "
      "c.\"Código\" = m.IDCaixa WHERE m.Tipo = 'C' AND m.Cupom_Complementar = 1 AND "
      "m.IsEstornado = 0 AND m.\"Transferência\" = 0 AND " +
      kOnFiscalDocument +
      " AND substr(CASE :shift WHEN '' THEN m.Data_ECF ELSE c.Data_Abertura END, 1, 10) BETWEEN "
      ":from AND :to AND :shift IN ('', c.Caixa) GROUP BY 2";
  for (const std::string shift : {"", "2"}) {
    SCOPED_TRACE("shift '" + shift + "'");
    const json report = testing::RunReport(
        {"MovimentacaoDeCombustiveisPorVendaComplementar", "Filtro_DataInicial=01/03/2024",
         "Filtro_DataFinal=31/03/2024", "Filtro_IDTurno=" + shift});
    ExpectRows(report, RawRows(sql, "2024-03-01", "2024-03-31", shift), 1e-6);
    testing::ExpectOrdered(report["rows"], 1);
  }
}

// The report's rows with each label read back as its fuel through the legend, which must name
// every fuel of `expected` once, in the database's order.
json ThroughTheLegend(json report, const json& expected) {
  std::string legend = report["formulas"]["Legenda"];
  EXPECT_TRUE(legend.size() > 2 && legend.front() == '\'' && legend.back() == '\'') << legend;
  legend = legend.substr(1, legend.size() - 2);
  for (size_t quote = legend.find("''"); quote != std::string::npos;
       quote = legend.find("''", quote + 1)) {
    legend.erase(quote, 1);
  }
  std::map<std::string, std::string> fuelOf;
  json fuels = json::array();
  const std::string separator = "    /    ";
  for (size_t at = 0; at < legend.size() + separator.size();) {
    const size_t end = std::min(legend.find(separator, at), legend.size());
    const std::string entry = legend.substr(at, end - at);
    const size_t dash = entry.find(" - ");
    if (dash == std::string::npos) {
      ADD_FAILURE() << "no label in " << entry;
      break;
    }
    fuelOf[entry.substr(0, dash)] = entry.substr(dash + 3);
    fuels.push_back({entry.substr(dash + 3)});
    at = end + separator.size();
  }
  std::set<std::string> want;
  for (const json& row : expected) {
    want.insert(row[3].get<std::string>());
  }
  EXPECT_EQ(fuels.size(), want.size()) << legend;
  testing::ExpectOrdered(fuels, 0);
  for (json& row : report["rows"]) {
    row[3] = fuelOf[row[3].get<std::string>()];
  }
  return report;
}

TEST(FuelMovementEndToEnd, FuelTablePerDayAndFuelInBothViews) {
  const testing::Switches otherSalesIgnored{false, true};
  const std::string fiscal =
      "SELECT substr(c.Data_Abertura, 1, 10), SUM(m.Qtde), SUM(m.Valor_Venda - " +
      Adjustment(true, false, otherSalesIgnored) + " + " +
      Adjustment(false, false, otherSalesIgnored) +
      "), m.\"Descrição\" FROM \"Movimentações em Vendas\" m LEFT JOIN \"Movimentações\" c ON "
      "c.\"Código\" = m.IDCaixa WHERE m.Tipo = 'C' AND m.IsEstornado = 0 AND m.\"Transferência\" "
      "= 0 AND substr(m.Data_ECF, 1, 10) BETWEEN :from AND :to AND " +
      kOnFiscalDocument + " GROUP BY 1, 4";
  const json expected = RawRows(fiscal, "2024-03-01", "2024-03-31");
  ExpectRows(ThroughTheLegend(
                 testing::RunReport({"TabelaDeVendasPorCombustiveis",
                                     "Filtro_DataInicial=01/03/2024", "Filtro_DataFinal=31/03/2024",
                                     "Filtro_TipoVisao=1", "Filtro_IsIgnorarADOutrosTipos=true"}),
                 expected),
             expected, 1e-6);

  // A shift forces the financial view.
  const json readings = RawRows("WITH " + NozzleRows({}) +
                                    " SELECT day, SUM(volume), SUM(volume * price + surcharge - "
                                    "discount), fuel FROM nozzles GROUP BY 1, 4",
                                "2024-03-01", "2024-03-31", "1");
  ExpectRows(ThroughTheLegend(
                 testing::RunReport({"TabelaDeVendasPorCombustiveis",
                                     "Filtro_DataInicial=01/03/2024", "Filtro_DataFinal=31/03/2024",
                                     "Filtro_IDTurno=1", "Filtro_TipoVisao=1"}),
                 readings),
             readings, 1e-6);
}

TEST(FuelMovementEndToEnd, PaymentFormTablesSplitEachLineOverItsSalesForms) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    int type;
    testing::Switches switches;
    std::string filter;
  };
  const Case cases[] = {
      {"by day, financial, fuels, complementary adjustments left out",
       {"Filtro_TipoRelatorio=2", "Filtro_IsIgnorarADVendaComplementar=true",
        "Filtro_IsExibirOutrosProdutos=false"},
       2,
       {true, false},
       " AND m.Tipo = 'C'"},
      {"by group, fiscal, other products, no adjustment",
       {"Filtro_TipoRelatorio=0", "Filtro_IsExibirCombustiveis=false",
        "Filtro_IsIgnorarADVendaComplementar=true", "Filtro_IsIgnorarADOutrosTipos=true"},
       0,
       {true, true},
       " AND m.Tipo = 'P'"},
      // Quotes and blanks between the codes are the caller's.
      {"forms by group, three products, complementary adjustments only",
       {"Filtro_TipoRelatorio=3", "Filtro_IDProduto='1', '3', '301'",
        "Filtro_IsIgnorarADOutrosTipos=true"},
       3,
       {false, true},
       " AND m.IDProduto IN ('1', '3', '301')"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments = {"TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
                                          "Filtro_DataInicial=01/03/2024",
                                          "Filtro_DataFinal=31/03/2024"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    // The database keeps a part per group, form and day: each line's share summed exactly (in
    // ten-thousandths of a real, millionths of a unit) and rounded once, half away from zero,
    // to cents and thousandths. The financial view takes the lines of the tills opened in the
    // period, by their opening day.
    const bool financial = c.type == 2;
    const std::string day =
        financial ? "substr(c.Data_Abertura, 1, 10)" : "substr(m.Data_ECF, 1, 10)";
    auto adjustments = [](bool ignored) {
      return ignored ? std::string("0")
                     : std::string(
                           "round(m.Valor_Acrescimo * 10000) - round(m.Valor_Desconto * 10000)");
    };
    const std::string sql =
        "WITH parts AS (SELECT g.\"Descrição\" AS grp, t.T011_FormaDePagto AS form, " + day +
        " AS day, round(SUM(round(m.Qtde * t.T011_Percentual * 10000)) / 1000.0) / 1000.0 AS "
        "qty, round(SUM(round((round(m.Valor_Venda * 10000) + CASE m.Cupom_Complementar WHEN 1 "
        "THEN " +
        adjustments(c.switches.ignoreComplementary) + " ELSE " +
        adjustments(c.switches.ignoreOthers) +
        " END) * t.T011_Percentual / 100.0)) / 100.0) / 100.0 AS value FROM \"Movimentações em "
        "Vendas\" m JOIN Produtos p ON p.\"Código\" = m.IDProduto JOIN Grupos g ON g.\"Código\" = "
        "p.Grupo JOIN T011_ImagemDosMeiosDePagtoUtilizados t ON t.IDVenda = m.\"Código_Venda\" "
        "LEFT JOIN \"Movimentações\" c ON c.\"Código\" = m.IDCaixa WHERE m.IsEstornado = 0 AND "
        "m.\"Transferência\" = 0 AND " +
        (financial ? "c.\"Código\" IS NOT NULL" : kOnFiscalDocument) + " AND " + day +
        " BETWEEN :from AND :to" + c.filter + " GROUP BY 1, 2, 3) SELECT " +
        (c.type == 0 || c.type == 3 ? "grp" : "day") + ", form, " +
        (c.type == 3 ? "SUM(qty), " : "") + "SUM(value) FROM parts GROUP BY 1, 2";
    ExpectRows(testing::RunReport(arguments), RawRows(sql, "2024-03-01", "2024-03-31"), 1e-6);
  }
}

}  // namespace
}  // namespace orla::cli
