// The sales tables and the ranking on a month of demo data, against figures worked out with
// plain SQLite over the raw tables.
#include <gmock/gmock.h>

#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;
using testing::Adjustment;
using testing::ExpectRows;
using testing::kOnFiscalDocument;

TEST(SalesTablesEndToEnd, ReceiptTypesPerPaymentFormOfTheFiscalSales) {
  // A form with several flags takes the type of the first that holds, in this order.
  const std::string sql =
      "WITH sales AS (SELECT DISTINCT m.\"Código_Venda\" AS id FROM \"Movimentações em Vendas\" m "
      "WHERE substr(m.Data_ECF, 1, 10) BETWEEN :from AND :to AND m.IsEstornado = 0 AND "
      "m.\"Transferência\" = 0 AND " +
      kOnFiscalDocument +
      "), paid AS (SELECT t.T010_ID AS form, COUNT(DISTINCT t.IDVenda) AS sales, "
      "SUM(t.T011_Valor) AS total, SUM(t.T011_Troco) AS change FROM "
      "T011_ImagemDosMeiosDePagtoUtilizados t JOIN sales s ON s.id = t.IDVenda GROUP BY 1) "
      "SELECT CASE WHEN f.IsCartaoCredito = 1 THEN 'Cartão de Crédito' WHEN f.IsCartaoDebito = 1 "
      "THEN 'Cartão de Débito' WHEN f.IsCarteiraDigital = 1 THEN 'Carteira Digital' WHEN "
      "f.IsFrota = 1 THEN 'Cartão Frota' WHEN f.IsPix = 1 THEN 'PIX' ELSE 'Outras Formas' END, "
      "f.T010_Descricao, p.sales, p.total, p.change, p.total - p.change, (p.total - p.change) / "
      "p.sales, 100 * (p.total - p.change) / (SELECT SUM(total - change) FROM paid) FROM paid p "
      "JOIN T010_FormasDePagto f ON f.T010_ID = p.form";
  for (const auto& [from, to] :
       {std::pair{"01/03/2024", "31/03/2024"}, {"15/03/2024", "15/03/2024"}}) {
    SCOPED_TRACE(from);
    const json report = testing::RunReport({"VendasPorTiposDeRecebimento",
                                            std::string("Filtro_DataInicial=") + from,
                                            std::string("Filtro_DataFinal=") + to});
    const auto iso = [](const std::string& day) {
      return day.substr(6, 4) + "-" + day.substr(3, 2) + "-" + day.substr(0, 2);
    };
    // Rounded once, to the cent.
    ExpectRows(report, testing::RawRows(sql, iso(from), iso(to)), 0.005);
    testing::ExpectOrdered(report["rows"], 0);
  }
}

TEST(SalesTablesEndToEnd, NozzleTableFromTheFiscalLinesOrTheReadings) {
  const testing::Switches complementaryLeftOut{true, false};
  // The till is joined on the left: a line without one has no day and no till.
  const std::string fiscal =
      "SELECT substr(c.Data_Abertura, 1, 10), 'T' || c.Caixa, 'B' || m.\"Código_Produto\", "
      "SUM(m.Qtde), SUM(m.Valor_Venda - " +
      Adjustment(true, false, complementaryLeftOut) + " + " +
      Adjustment(false, false, complementaryLeftOut) +
      ") FROM \"Movimentações em Vendas\" m LEFT JOIN \"Movimentações\" c ON c.\"Código\" = "
      "m.IDCaixa WHERE m.Tipo = 'C' AND m.IsEstornado = 0 AND m.\"Transferência\" = 0 AND "
      "substr(m.Data_ECF, 1, 10) BETWEEN :from AND :to AND " +
      kOnFiscalDocument + " GROUP BY 1, 2, 3";
  ExpectRows(testing::RunReport({"TabelaDeVendasPorBico", "Filtro_DataInicial=08/03/2024",
                                 "Filtro_DataFinal=21/03/2024", "Filtro_TipoVisao=1",
                                 "Filtro_IsIgnorarADVendaComplementar=true"}),
             testing::RawRows(fiscal, "2024-03-08", "2024-03-21"), 1e-6);

  const std::string financial = "WITH " + testing::NozzleRows({false, true}) +
                                " SELECT day, 'T' || Caixa, 'B' || nozzle, SUM(volume), "
                                "SUM(volume * price + surcharge - discount) FROM nozzles GROUP "
                                "BY 1, 2, 3";
  // A shift forces the financial view.
  const json report = testing::RunReport(
      {"TabelaDeVendasPorBico", "Filtro_DataInicial=01/03/2024", "Filtro_DataFinal=31/03/2024",
       "Filtro_IDTurno=3", "Filtro_TipoVisao=1", "Filtro_IsIgnorarADOutrosTipos=true"});
  ExpectRows(report, testing::RawRows(financial, "2024-03-01", "2024-03-31", "3"), 1e-6);
}

TEST(SalesTablesEndToEnd, RankingKeepsTheFirstEntriesByTheMeasure) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    bool byClient;
    testing::Switches switches;
    std::string filter;
    size_t measure, count;  // measure: the column ranked on
    bool descending;
  };
  const Case cases[] = {
      {"ten products by quantity", {"Filtro_QtdeRegistros=10"}, false, {}, "", 3, 10, true},
      {"the eight clients of product 1 with the least profit, complementary adjustments only",
       {"Filtro_QtdeRegistros=8", "Filtro_TipoAgrupamento=0", "OrderListIndex=2",
        "Filtro_TipoOrdenacao=1", "Filtro_IDProduto=1", "Filtro_IsIgnorarADOutrosTipos=true",
        "Filtro_IsExibirOutrosProdutos=false"},
       true,
       {false, true},
       " AND m.IDProduto = '1' AND m.Tipo = 'C'",
       4,
       8,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments = {"RankingDeVendas", "Filtro_DataInicial=01/03/2024",
                                          "Filtro_DataFinal=31/03/2024"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const json report = testing::RunReport(arguments);
    // The special-client price gap never counts; a sale's client is its registered one, else
    // its special client.
    const std::string net = "m.Valor_Venda + " + Adjustment(false, false, c.switches) + " - " +
                            Adjustment(true, false, c.switches);
    const std::string sql =
        std::string("SELECT ") +
        (c.byClient ? "cc.\"Código\", cc.Nome" : "m.IDProduto, m.\"Descrição\"") + ", SUM(" + net +
        "), SUM(m.Qtde), SUM(" + net +
        " - m.Valor_Custo * m.Qtde) FROM \"Movimentações em Vendas\" m " +
        (c.byClient ? "JOIN Clientes cc ON cc.\"Código\" = CASE WHEN CAST(m.Cliente AS INTEGER) > "
                      "0 THEN CAST(m.Cliente AS INTEGER) ELSE m.IDClienteEspecial END "
                    : "") +
        "WHERE substr(m.Data_ECF, 1, 10) BETWEEN :from AND :to AND m.IsEstornado = 0 AND "
        "m.\"Transferência\" = 0 AND " +
        kOnFiscalDocument + c.filter + " GROUP BY 1, 2, m.Tipo ORDER BY " +
        std::to_string(c.measure + 1) + (c.descending ? " DESC" : " ASC");
    const json all = testing::RawRows(sql, "2024-03-01", "2024-03-31");
    ASSERT_EQ(report["rows"].size(), std::min(c.count, all.size()));
    for (size_t i = 0; i < report["rows"].size(); ++i) {
      EXPECT_NEAR(report["rows"][i][c.measure].get<double>(), all[i][c.measure].get<double>(),
                  1e-6);
    }
    ExpectRows(report, all, 1e-6, false);
  }
}

}  // namespace
}  // namespace orla::cli
