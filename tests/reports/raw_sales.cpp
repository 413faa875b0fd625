#include "tests/reports/raw_sales.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include <gtest/gtest.h>

#include "cli/commands.h"
#include "sqlite/collation.h"
#include "tests/sqlite/test_databases.h"

namespace orla::testing {

using nlohmann::json;

const std::string kOnFiscalDocument =
    "(m.ECF = 1 OR m.NFConsumidor_Modelo IS NOT NULL OR (m.NF = 1 AND m.IsNFTerceiro = 0 AND "
    "(m.IsNFAvulsa = 0 OR m.IsMovimentacaoFisicaDoEstoque = 1) AND m.S010_ID IN (SELECT S010_ID "
    "FROM S010_CFOP WHERE S010_IsVenda = 1) AND m.\"Código_Venda\" NOT IN (SELECT i.Codigo_Venda "
    "FROM T008_Nfe_Solicitacoes r JOIN NotasFiscais_Itens i ON i.Codigo_NF = r.T008_IDNF WHERE "
    "r.T008_Tipo = 0 AND substr(r.T008_DataHora, 1, 10) BETWEEN :from AND :to)))";

namespace {

std::string Run(std::vector<std::string> arguments, const char* format) {
  arguments.insert(arguments.begin(), "run");
  arguments.insert(arguments.end(), {"--db", MarchDatabase().string(), "--today", "2024-04-15",
                                     "--format", format, "--out", "-"});
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(cli::Dispatch(std::move(arguments), out, err, /*terminal=*/false), 0) << err.str();
  return out.str();
}

std::string Unrounded(bool discount, bool withGap, bool gapOnly) {
  const std::string recorded = discount ? "m.Valor_Desconto" : "m.Valor_Acrescimo";
  const std::string price = "ifnull(m.ValorUnitarioClienteEspecial, 0)";
  const std::string special = price + " * m.Qtde";
  const std::string onItsSide =
      withGap ? special + (discount ? " > " : " < ") + "m.Valor_Venda" : std::string("0");
  return "CASE WHEN " + price + " = 0 THEN " + (gapOnly ? "0" : recorded) + " WHEN " + onItsSide +
         " THEN abs(" + special + " - m.Valor_Venda) + " + recorded + " ELSE 0 END";
}

}  // namespace

std::string LineAdjustment(bool discount, bool withGap) {
  return Unrounded(discount, withGap, false);
}

std::string Adjustment(bool discount, bool withGap, Switches switches, bool gapOnly) {
  if (switches.ignoreComplementary && switches.ignoreOthers) {
    return "0";
  }
  if (switches.ignoreOthers) {
    return gapOnly ? "0"
                   : std::string("(CASE WHEN m.Cupom_Complementar = 1 THEN ") +
                         (discount ? "m.Valor_Desconto" : "m.Valor_Acrescimo") + " ELSE 0 END)";
  }
  const std::string amount = "round(" + Unrounded(discount, withGap, gapOnly) + ", 2)";
  return switches.ignoreComplementary
             ? "(CASE WHEN m.Cupom_Complementar = 1 THEN 0 ELSE " + amount + " END)"
             : amount;
}

std::string NozzleRows(Switches switches) {
  return "tills AS (SELECT \"Código\" AS id, substr(Data_Abertura, 1, 10) AS day, Caixa FROM "
         "\"Movimentações\" WHERE Data_Fechamento IS NOT NULL AND substr(Data_Abertura, 1, 10) "
         "BETWEEN :from AND :to AND :shift IN ('', Caixa)), "
         "sold AS (SELECT m.\"Código_Produto\" AS nozzle, m.\"Descrição\" AS fuel, SUM(" +
         Adjustment(true, true, switches) + ") AS discount, SUM(" +
         Adjustment(false, true, switches) +
         ") AS surcharge FROM \"Movimentações em Vendas\" m JOIN tills t ON t.id = m.IDCaixa "
         "WHERE m.Tipo = 'C' AND m.IsEstornado = 0 AND m.Terceiros = 0 GROUP BY 1, 2), "
         "nozzles AS (SELECT t.day, t.Caixa, r.L021_IDBico AS nozzle, r.L021_Combustivel AS fuel, "
         "r.L021_VolumeVendido AS volume, r.L021_VPL AS price, r.L021_CM AS cost, "
         "ifnull(s.discount, 0) / COUNT(*) OVER w AS discount, ifnull(s.surcharge, 0) / COUNT(*) "
         "OVER w AS surcharge FROM L021_MC_Leituras r JOIN tills t ON t.id = r.IDCaixa LEFT JOIN "
         "sold s ON s.nozzle = r.L021_IDBico AND s.fuel = r.L021_Combustivel WINDOW w AS "
         "(PARTITION BY r.L021_IDBico, r.L021_Combustivel))";
}

json RunReport(std::vector<std::string> arguments) {
  return json::parse(Run(std::move(arguments), "json"))["report"];
}

std::string PrintReport(std::vector<std::string> arguments) {
  return Run(std::move(arguments), "txt");
}

namespace {

bool SameCell(const json& actual, const json& expected, double tolerance) {
  if (actual.is_boolean() && expected.is_number()) {
    return actual.get<bool>() == (expected.get<double>() != 0);
  }
  if (actual.is_number() && expected.is_number()) {
    const double want = expected.get<double>();
    return std::fabs(actual.get<double>() - want) <= tolerance + 1e-9 * std::fabs(want);
  }
  return actual == expected;
}

// The cells that must be equal, to find a row's candidates at once.
std::string Key(const json& row) {
  std::string key;
  for (const json& cell : row) {
    key += cell.is_string() || cell.is_null() ? cell.dump() : "#";
  }
  return key;
}

}  // namespace

void ExpectRows(const json& report, json expected, double tolerance, bool all) {
  ASSERT_FALSE(expected.empty()) << "the raw data must have rows to compare";
  std::multimap<std::string, json> left;
  for (json& row : expected) {
    left.emplace(Key(row), std::move(row));
  }
  size_t unknown = 0;
  for (const json& row : report["rows"]) {
    const auto [first, last] = left.equal_range(Key(row));
    const auto match = std::find_if(first, last, [&](const auto& candidate) {
      return std::equal(row.begin(), row.end(), candidate.second.begin(), candidate.second.end(),
                        [&](const json& a, const json& b) { return SameCell(a, b, tolerance); });
    });
    if (match == last) {
      ADD_FAILURE() << "not in the raw data: " << row.dump();
      if (++unknown == 5) {
        return;
      }
    } else {
      left.erase(match);
    }
  }
  if (all && !left.empty()) {
    ADD_FAILURE() << left.size() << " rows missing, the first " << left.begin()->second.dump();
  }
}

void ExpectOrdered(const json& rows, size_t column, bool descending) {
  for (size_t i = 1; i < rows.size(); ++i) {
    const json& a = rows[i - 1][column];
    const json& b = rows[i][column];
    const int order = a.is_string()
                          ? sqlite::CompareTsqlText(a.get<std::string>(), b.get<std::string>())
                          : (a < b ? -1 : (b < a ? 1 : 0));
    EXPECT_LE(descending ? -order : order, 0) << a << " before " << b;
  }
}

}  // namespace orla::testing
