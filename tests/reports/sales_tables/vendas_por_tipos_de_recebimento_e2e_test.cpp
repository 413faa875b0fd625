// Sales by receipt type on a month of demo data, checked to the cent against figures
// computed here from the raw sale, document and payment rows.
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
  int64_t total = 0;  // whole ten-thousandths, as MONEY keeps them
  int64_t change = 0;
};

int64_t Units(double money) {
  return std::llround(money * 10000);
}

// a / b rounded half away from zero; b > 0.
int64_t RoundedDivision(int64_t a, int64_t b) {
  return a >= 0 ? (2 * a + b) / (2 * b) : -((-2 * a + b) / (2 * b));
}

// Reads the raw tables with plain SQLite (no adapter, no procedure) and computes, per
// payment form, what the report must show for the sales the fiscal view counts: a line
// whose fiscal date lies in [from, to] (ISO days), neither reversed nor a transfer, on a
// coupon printer, a consumer note, or a sale invoice of the station's own (a standalone one
// only when it moves stock) whose note has no type-0 electronic-note request in the period.
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

  std::set<int64_t> saleOperations;
  each("SELECT S010_ID, S010_IsVenda FROM S010_CFOP", [&](sqlite3_stmt* s) {
    if (sqlite3_column_int(s, 1) == 1) {
      saleOperations.insert(sqlite3_column_int64(s, 0));
    }
  });
  std::set<int64_t> requestedNotes;  // notes with a type-0 request in the period
  each("SELECT T008_IDNF, T008_Tipo, T008_DataHora FROM T008_Nfe_Solicitacoes",
       [&](sqlite3_stmt* s) {
         const std::string moment = text(s, 2);
         if (sqlite3_column_int(s, 1) == 0 && moment >= from + " 00:00:00" &&
             moment <= to + " 23:59:59") {
           requestedNotes.insert(sqlite3_column_int64(s, 0));
         }
       });
  std::set<int64_t> requestedSales;
  each("SELECT Codigo_NF, Codigo_Venda FROM NotasFiscais_Itens", [&](sqlite3_stmt* s) {
    if (requestedNotes.count(sqlite3_column_int64(s, 0)) != 0) {
      requestedSales.insert(sqlite3_column_int64(s, 1));
    }
  });

  std::set<int64_t> sales;
  each(
      "SELECT \"Código_Venda\", \"Data_ECF\", \"IsEstornado\", \"Transferência\", \"ECF\", "
      "\"NFConsumidor_Modelo\" IS NOT NULL, \"NF\", \"IsNFAvulsa\", \"IsNFTerceiro\", "
      "\"IsMovimentacaoFisicaDoEstoque\", \"S010_ID\" FROM \"Movimentações em Vendas\"",
      [&](sqlite3_stmt* s) {
        const int64_t sale = sqlite3_column_int64(s, 0);
        const std::string day = text(s, 1).substr(0, 10);
        auto flag = [&](int column) { return sqlite3_column_int(s, column) == 1; };
        const bool saleOperation = sqlite3_column_type(s, 10) != SQLITE_NULL &&
                                   saleOperations.count(sqlite3_column_int64(s, 10)) != 0;
        const bool ownSaleInvoice =
            !flag(4) && flag(6) && !flag(8) && saleOperation && requestedSales.count(sale) == 0;
        const bool document = flag(4) || (!flag(4) && flag(5)) || (ownSaleInvoice && !flag(7)) ||
                              (ownSaleInvoice && flag(7) && flag(9));
        if (day >= from && day <= to && !flag(2) && !flag(3) && document) {
          sales.insert(sale);
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
        figures.total += Units(sqlite3_column_double(s, 2));
        figures.change += Units(sqlite3_column_double(s, 3));
      });
  sqlite3_close(db);
  return expected;
}

// An amount of the report in cents (or a share in hundredths of a percent).
int64_t Hundredths(const json& cell) {
  return std::llround(cell.get<double>() * 100);
}

class ReceiptTypesEndToEnd : public CliTest {
 protected:
  // Checks every row and the totals of the report against the raw data, to the cent.
  void ExpectFigures(const json& report, const std::map<std::string, FormFigures>& expected) {
    ASSERT_EQ(report["rows"].size(), expected.size());
    int64_t net = 0;
    for (const auto& [name, figures] : expected) {
      net += figures.total - figures.change;
    }
    std::string previousType;
    for (const json& row : report["rows"]) {
      const std::string form = row[1];
      SCOPED_TRACE(form);
      ASSERT_EQ(expected.count(form), 1u);
      const FormFigures& figures = expected.at(form);
      const int64_t formNet = figures.total - figures.change;
      const auto count = static_cast<int64_t>(figures.sales.size());
      EXPECT_EQ(row[0], figures.type);
      EXPECT_EQ(row[2], count);
      EXPECT_EQ(Hundredths(row[3]), RoundedDivision(figures.total, 100));
      EXPECT_EQ(Hundredths(row[4]), RoundedDivision(figures.change, 100));
      EXPECT_EQ(Hundredths(row[5]), RoundedDivision(formNet, 100));
      EXPECT_EQ(Hundredths(row[6]), RoundedDivision(formNet, 100 * count));
      EXPECT_EQ(Hundredths(row[7]), RoundedDivision(formNet * 10000, net));
      EXPECT_LE(sqlite::CompareTsqlText(previousType, row[0].get<std::string>()), 0)
          << "ordered by receipt type as the database's collation orders text";
      previousType = row[0];
    }
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
