// The movement details and the special-client sales on demo data, row by row against figures
// worked out with plain SQLite over the raw tables.
#include <set>

#include <gmock/gmock.h>

#include "tests/reports/raw_sales.h"

namespace orla::cli {
namespace {

using nlohmann::json;
using testing::ExpectRows;
using testing::kOnFiscalDocument;
using testing::RawRows;

// These reports count the recorded amounts, none at a special-client price.
const std::string kSurcharge = testing::Adjustment(false, false, {});
const std::string kDiscount = testing::Adjustment(true, false, {});

double Sum(const json& report, const std::string& column) {
  const auto& columns = report["columns"];
  const auto at = std::find(columns.begin(), columns.end(), column) - columns.begin();
  double sum = 0;
  for (const json& row : report["rows"]) {
    sum += row[at].get<double>();
  }
  return sum;
}

TEST(MovementDetailsEndToEnd, ByProductOneRowPerLine) {
  struct View {
    const char* name;
    std::vector<std::string> arguments;
    std::string lines;
  };
  const View views[] = {
      {"fiscal, every tax situation",
       {},
       "substr(m.Data_ECF, 1, 10) BETWEEN :from AND :to AND " + kOnFiscalDocument},
      // A rate takes the place of the TT switch.
      {"shift 2, other products of employee 5, FF or TT at 18%",
       {"Filtro_IDTurno=2", "Filtro_IDFuncionario=5", "Filtro_IsExibirCombustiveis=false",
        "Filtro_ST_IsII=false", "Filtro_ST_IsNN=false", "Filtro_ST_AL_ICMS=18.0"},
       "c.Caixa = '2' AND substr(c.Data_Abertura, 1, 10) BETWEEN :from AND :to AND m.Tipo = 'P' "
       "AND m.\"Funcionário\" = '5' AND (m.\"Situação_Tributária\" = 'FF' OR "
       "m.\"Situação_Tributária\" = 'TT' AND m.\"Alíquota\" = 18)"},
  };
  const std::string net = "m.Valor_Venda - " + kDiscount + " + " + kSurcharge;
  for (const View& view : views) {
    SCOPED_TRACE(view.name);
    std::vector<std::string> arguments = {"DetalhesDosMovimentosPorProdutos",
                                          "Filtro_DataInicial=04/03/2024",
                                          "Filtro_DataFinal=10/03/2024"};
    arguments.insert(arguments.end(), view.arguments.begin(), view.arguments.end());
    const json report = testing::RunReport(arguments);
    const std::string sql =
        "SELECT substr(m.Data_ECF, 1, 10), m.Hora_Movimento, c.Caixa, m.\"Código_ECF\", "
        "m.\"Número_Cupom_Fiscal\", CASE m.Tipo WHEN 'C' THEN 'B' || m.\"Código_Produto\" ELSE "
        "m.IDProduto END, m.\"Descrição\", m.Qtde, m.Valor_Unitario, m.Valor_Custo, " +
        kSurcharge + ", " + kDiscount + ", m.Qtde * m.Valor_Custo, m.Valor_Venda, " + net + ", " +
        net +
        " - m.Qtde * m.Valor_Custo, m.\"Situação_Tributária\", m.\"Alíquota\", m.\"Funcionário\" "
        "FROM \"Movimentações em Vendas\" m LEFT JOIN \"Movimentações\" c ON c.\"Código\" = "
        "m.IDCaixa WHERE m.IsEstornado = 0 AND m.\"Transferência\" = 0 AND " +
        view.lines;
    ExpectRows(report, RawRows(sql, "2024-03-04", "2024-03-10"), 1e-6);
    json moments = json::array();
    for (const json& row : report["rows"]) {
      moments.push_back({row[0].get<std::string>() + row[1].get<std::string>()});
    }
    testing::ExpectOrdered(moments, 0);
  }
}

TEST(MovementDetailsEndToEnd, ByClientOneRowPerLineInvoiceItemAndPaymentForm) {
  struct View {
    const char* name;
    std::vector<std::string> arguments;
    std::string forms;
    bool byQuantity = false;  // descending
  };
  const View views[] = {
      {"type 0", {"Filtro_TipoRelatorio=0"}, ""},
      {"type 2 by quantity, descending, cash and cheque only",
       {"Filtro_TipoRelatorio=2", "OrderListIndex=4", "ClassificationListIndex=1",
        "Filtro_FormasDePagto='Dinheiro','Cheque a Vista'"},
       " AND t.T011_FormaDePagto IN ('Dinheiro', 'Cheque a Vista')",
       true},
  };
  const std::string net = "(m.Valor_Venda - " + kDiscount + " + " + kSurcharge + ")";
  const std::string share = " * t.T011_Percentual / 100";
  // The invoice join repeats a line once per item of its sale's invoices.
  const std::string rows =
      "WITH lines AS (SELECT ifnull(m.Cliente, '') AS client, ifnull(k.Nome, '') AS name, "
      "substr(m.Data_ECF, 1, 10) AS day, m.Hora_Movimento AS time, n.Modelo AS model, "
      "m.\"Número_NF\" AS nf, m.\"Código_Venda\" AS sale, m.\"Descrição\" AS product, CASE "
      "t.T011_FormaDePagto WHEN 'Cheque a Prazo' THEN 'Ch.Prazo' WHEN 'Cheque a Vista' THEN "
      "'Ch.Vista' WHEN 'Crédito em Haver' THEN 'Créd.' WHEN 'Dinheiro' THEN 'Dinh.' WHEN "
      "'Requisição' THEN 'Req.' WHEN 'Ticket Abastecimento' THEN 'Ticked Ab.' WHEN 'Vale Frete' "
      "THEN 'Vl.Frete' ELSE t.T011_FormaDePagto END AS form, m.IsClienteEspecial AS special, "
      "m.Tipo = 'C' AND m.\"Automação\" = 0 AS keyed, m.Cupom_Complementar AS complementary, "
      "m.Placa AS plate, m.\"Funcionário\" AS employee, m.Valor_Unitario AS price, "
      "round(m.Valor_Custo, 3) AS cost, SUM(m.Qtde) AS whole, SUM(round(m.Qtde" +
      share + ", 3)) AS quantity, SUM(round(" + kSurcharge + share +
      ", 2)) AS surcharge, SUM(round(" + kDiscount + share + ", 2)) AS discount, SUM" + net +
      " AS gross, SUM(round(" + net + share +
      ", 2)) AS total, t.T011_Percentual AS percent FROM \"Movimentações em Vendas\" m JOIN "
      "T011_ImagemDosMeiosDePagtoUtilizados t ON t.IDVenda = m.\"Código_Venda\" AND t.IDECF = "
      "m.\"Código_ECF\" JOIN NotasFiscais_Itens i ON i.Codigo_Venda = m.\"Código_Venda\" JOIN "
      "NotasFiscais_Movimentos v ON v.Codigo = i.Codigo_NF JOIN \"Modelo - Notas Fiscais\" n ON "
      "n.\"Código\" = v.Codigo_Modelo LEFT JOIN Clientes k ON k.\"Código\" = m.Cliente WHERE " +
      kOnFiscalDocument +
      " AND m.IsEstornado = 0 AND m.\"Transferência\" = 0 AND substr(m.Data_ECF, 1, 10) BETWEEN "
      ":from AND :to {FORMS} GROUP BY client, name, day, time, model, nf, sale, product, form, "
      "special, keyed, complementary, plate, employee, price, m.Valor_Custo, percent) SELECT "
      "client, name, day, time, model, nf, sale, COUNT(*) OVER (PARTITION BY sale) > 1, "
      "product, form, special, keyed, complementary, plate, employee, price, cost, whole, "
      "quantity, "
      "surcharge, discount, gross, total, percent, o.T006_Motorista, nullif(o.T006_KM, 0) FROM "
      "lines LEFT JOIN "
      "T006_CupomNominalPorMovimento o ON o.IDVenda = sale";
  for (const View& view : views) {
    SCOPED_TRACE(view.name);
    std::vector<std::string> arguments = {"DetalhesDosMovimentosPorClientes",
                                          "Filtro_DataInicial=04/03/2024",
                                          "Filtro_DataFinal=10/03/2024"};
    arguments.insert(arguments.end(), view.arguments.begin(), view.arguments.end());
    json report = testing::RunReport(arguments);
    const json& summary = report["subreports"].at(0);
    EXPECT_NEAR(Sum(summary, "Qtde"), Sum(report, "Qtde"), 0.01);
    EXPECT_NEAR(Sum(summary, "ValorTotal"), Sum(report, "ValorTotal"), 0.01);
    for (json& row : report["rows"]) {
      row.erase(0);  // the table's own numbering
    }
    std::string sql = rows;
    sql.replace(sql.find("{FORMS}"), 7, view.forms);
    ExpectRows(report, RawRows(sql, "2024-03-04", "2024-03-10"), 1e-4);
    if (view.byQuantity) {
      testing::ExpectOrdered(report["rows"], 18, true);
    }
  }
}

TEST(MovementDetailsEndToEnd, SpecialClientsPerSaleAndSpecialPriceNewestFirst) {
  const json report = testing::RunReport(
      {"ClienteEspecial", "Filtro_DataInicial=01/03/2024", "Filtro_DataFinal=31/03/2024"});
  // The gap to the special price counts, summed before it is rounded. The invoice's kind and
  // number stand over the coupon's.
  const std::string gap = "ifnull(m.ValorUnitarioClienteEspecial, 0) <> 0";
  const std::string sql =
      "WITH sales AS (SELECT CAST(m.IDClienteEspecial AS TEXT) AS client, k.Nome AS name, "
      "substr(m.Data_ECF, 1, 11) || substr(m.Hora_Movimento, 12) AS moment, "
      "m.\"Número_Cupom_Fiscal\" AS coupon, COUNT(*) AS items, m.\"Código_ECF\" AS ecf, "
      "SUM(m.Valor_Venda) AS gross, round(SUM(" +
      testing::LineAdjustment(true, true) + "), 2) AS discount, round(SUM(" +
      testing::LineAdjustment(false, true) +
      "), 2) AS surcharge, SUM(m.Valor_Venda - m.Valor_Desconto + m.Valor_Acrescimo) AS net, " +
      gap +
      " AS gap, m.\"Código_Venda\" AS sale FROM \"Movimentações em Vendas\" m JOIN Clientes k "
      "ON k.\"Código\" = m.IDClienteEspecial WHERE m.IsClienteEspecial = 1 AND m.IsEstornado = "
      "0 AND substr(m.Data_ECF, 1, 10) BETWEEN :from AND :to AND " +
      kOnFiscalDocument +
      " GROUP BY sale, gap, moment, coupon, ecf, client, name), notes AS (SELECT i.Codigo_Venda "
      "AS sale, n.Modelo AS model, v.Numero_Nota_Fiscal AS number FROM NotasFiscais_Itens i "
      "JOIN NotasFiscais_Movimentos v ON v.Codigo = i.Codigo_NF JOIN \"Modelo - Notas Fiscais\" "
      "n ON n.\"Código\" = v.Codigo_Modelo GROUP BY 1) SELECT s.client, s.name, s.moment, "
      "ifnull(n.number, s.coupon), s.items, s.ecf, s.gross, s.discount, s.surcharge, s.net, "
      "s.gap, s.sale, CASE WHEN n.model IS NULL THEN CASE WHEN s.sale IN (SELECT "
      "\"Código_Venda\" FROM \"Movimentações em Vendas\" WHERE ECF = 1) THEN 'C.F.' END WHEN "
      "n.model = '55' THEN 'NF-e' WHEN n.model = '59' THEN 'SAT' WHEN n.model = '65' THEN "
      "'NFC-e' WHEN n.model = '01' THEN 'NF' ELSE 'Desconhecido' END FROM sales s LEFT JOIN "
      "notes n ON n.sale = s.sale";
  // The employee where one of the sale's employees, and only one, has a single line of it.
  std::map<int64_t, std::set<std::string>> single;
  for (const json& row : RawRows(
           "SELECT e.sale, e.employee, f.Nome FROM (SELECT m.\"Código_Venda\" AS sale, "
           "m.\"Funcionário\" AS employee FROM \"Movimentações em Vendas\" m WHERE "
           "m.IsClienteEspecial = 1 AND m.IDClienteEspecial IS NOT NULL AND m.IsEstornado = 0 "
           "AND substr(m.Data_ECF, 1, 10) BETWEEN :from AND :to GROUP BY 1, 2 HAVING COUNT(*) = "
           "1) e JOIN \"Funcionários\" f ON f.\"Código\" = e.employee",
           "2024-03-01", "2024-03-31")) {
    single[row[0].get<int64_t>()].insert(json::array({row[1], row[2]}).dump());
  }
  json rows = report;
  for (json& row : rows["rows"]) {
    const std::set<std::string>& employees = single[row[11].get<int64_t>()];
    const std::string employee = json::array({row[13], row[14]}).dump();
    EXPECT_TRUE(employees.empty() ? employee == "[null,null]" : employees.count(employee) == 1)
        << row.dump();
    row.erase(13);
    row.erase(13);
  }
  ExpectRows(rows, RawRows(sql, "2024-03-01", "2024-03-31"), 0.005);
  testing::ExpectOrdered(report["rows"], 2, true);
}

}  // namespace
}  // namespace orla::cli
