// Sales by receipt type on a month of demo data, checked against figures computed here from
// the raw sale and payment rows.
#include <cmath>
#include <map>
#include <set>

#include <gmock/gmock.h>
#include <sqlite3.h>

#include "sqlite/sql_functions.h"
#include "tests/cli/cli_fixture.h"

namespace orla::cli {
namespace {

using nlohmann::json;

struct FormFigures {
  std::string type;
  std::set<int64_t> sales;
  double total = 0;
  double change = 0;
};

// Reads the raw tables with plain SQLite (no adapter, no procedure) and computes, per
// payment form, what the report must show for sales on a fiscal document whose fiscal date
// lies in [from, to] (ISO days) and that keep a line neither reversed nor a transfer.
std::map<std::string, FormFigures> Expected(const std::filesystem::path& file,
                                            const std::string& from, const std::string& to) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  auto each = [db](const char* sql, auto&& row) {
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK) << sql;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      row(statement);
    }
    sqlite3_finalize(statement);
  };
  auto text = [](sqlite3_stmt* s, int i) {
    const auto* p = sqlite3_column_text(s, i);
    return p == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(p));
  };

  std::set<int64_t> sales;
  each(
      "SELECT \"Código_Venda\", \"Data_ECF\", \"IsEstornado\", \"Transferência\", \"ECF\", "
      "\"NFConsumidor_Modelo\" IS NOT NULL, \"NF\" FROM \"Movimentações em Vendas\"",
      [&](sqlite3_stmt* s) {
        const std::string day = text(s, 1).substr(0, 10);
        const bool counts = day >= from && day <= to && sqlite3_column_int(s, 2) == 0 &&
                            sqlite3_column_int(s, 3) == 0 &&
                            (sqlite3_column_int(s, 4) == 1 || sqlite3_column_int(s, 5) == 1 ||
                             sqlite3_column_int(s, 6) == 1);
        if (counts) {
          sales.insert(sqlite3_column_int64(s, 0));
        }
      });

  std::map<int, std::pair<std::string, std::string>> forms;  // id -> name, receipt type
  each(
      "SELECT T010_ID, T010_Descricao, IsCartaoCredito, IsCartaoDebito, IsCarteiraDigital, "
      "IsFrota, IsPix FROM T010_FormasDePagto",
      [&](sqlite3_stmt* s) {
        // The first flag that holds, in this order, names the type.
        const char* types[] = {"Cartão de Crédito", "Cartão de Débito", "Carteira Digital",
                               "Cartão Frota", "PIX"};
        std::string type = "Outras Formas";
        for (int flag = 0; flag < 5; ++flag) {
          if (sqlite3_column_int(s, 2 + flag) == 1) {
            type = types[flag];
            break;
          }
        }
        forms[sqlite3_column_int(s, 0)] = {text(s, 1), type};
      });

  std::map<std::string, FormFigures> expected;
  each(
      "SELECT IDVenda, T010_ID, T011_Valor, T011_Troco FROM "
      "T011_ImagemDosMeiosDePagtoUtilizados",
      [&](sqlite3_stmt* s) {
        const int64_t sale = sqlite3_column_int64(s, 0);
        if (sales.count(sale) == 0) {
          return;
        }
        const auto& [name, type] = forms.at(sqlite3_column_int(s, 1));
        FormFigures& figures = expected[name];
        figures.type = type;
        figures.sales.insert(sale);
        figures.total += sqlite3_column_double(s, 2);
        figures.change += sqlite3_column_double(s, 3);
      });
  sqlite3_close(db);
  return expected;
}

class ReceiptTypesEndToEnd : public CliTest {
 protected:
  // Checks every row and the totals of the report against the raw data.
  void ExpectFigures(const json& report, const std::map<std::string, FormFigures>& expected) {
    ASSERT_EQ(report["rows"].size(), expected.size());
    double net = 0;
    for (const auto& [name, figures] : expected) {
      net += figures.total - figures.change;
    }
    double shares = 0;
    std::string previousType;
    for (const json& row : report["rows"]) {
      const std::string form = row[1];
      SCOPED_TRACE(form);
      ASSERT_EQ(expected.count(form), 1u);
      const FormFigures& figures = expected.at(form);
      const double formNet = figures.total - figures.change;
      EXPECT_EQ(row[0], figures.type);
      EXPECT_EQ(row[2], static_cast<int64_t>(figures.sales.size()));
      EXPECT_NEAR(row[3].get<double>(), figures.total, 0.005);
      EXPECT_NEAR(row[4].get<double>(), figures.change, 0.005);
      EXPECT_NEAR(row[5].get<double>(), formNet, 0.005);
      EXPECT_NEAR(row[6].get<double>(), formNet / static_cast<double>(figures.sales.size()), 0.005);
      EXPECT_NEAR(row[7].get<double>(), 100.0 * formNet / net, 0.005);
      shares += row[7].get<double>();
      EXPECT_LE(sqlite::CompareTsqlText(previousType, row[0].get<std::string>()), 0)
          << "ordered by receipt type as the database's collation orders text";
      previousType = row[0];
    }
    EXPECT_NEAR(shares, 100.0, 0.01 * static_cast<double>(expected.size()));
  }
};

TEST_F(ReceiptTypesEndToEnd, MarchMatchesTheRawPayments) {
  const json outcome = RunJson({"VendasPorTiposDeRecebimento", "Filtro_DataInicial=01/03/2024",
                                "Filtro_DataFinal=31/03/2024"});
  const auto expected = Expected(DemoMarch(), "2024-03-01", "2024-03-31");
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
  ExpectFigures(outcome["report"], Expected(DemoMarch(), "2024-03-15", "2024-03-15"));
}

}  // namespace
}  // namespace orla::cli
