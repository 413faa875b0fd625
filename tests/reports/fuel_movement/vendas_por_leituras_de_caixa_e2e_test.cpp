// ##VendasNosBicos on a generated month, checked row by row against readings and sale lines
// read here from the raw tables with plain SQLite.
#include <cmath>
#include <map>
#include <tuple>

#include <gmock/gmock.h>
#include <sqlite3.h>

#include "cli/cli_host.h"
#include "hostlib/session.h"
#include "reports/fuel_movement/vendas_por_leituras_de_caixa.h"
#include "sqlite/database.h"
#include "tests/cli/cli_fixture.h"

namespace orla::cli {
namespace {

// Day (ISO), till, nozzle.
using ReadingKey = std::tuple<std::string, std::string, std::string>;

struct ReadingRow {
  std::string fuel;
  double volume = 0, price = 0, cost = 0, discount = 0, surcharge = 0;
};

struct Filter {
  std::string from, to, till;  // ISO days; till empty for all
  bool ignoreComplementary = false, ignoreOthers = false;
};

double Round2(double value) {
  return std::round(value * 100.0) / 100.0;
}

// The adjustment a sale line carries under the two switches: a line at a special-client unit
// price counts the gap to the special value on its side, plus its recorded amount.
double LineAdjustment(bool discount, double special, double qty, double value, double recorded,
                      bool complementary, const Filter& f) {
  const double specialValue = special * qty;
  const bool onItsSide = discount ? specialValue > value : specialValue < value;
  const double full = Round2(
      special != 0 ? (onItsSide ? std::fabs(specialValue - value) + recorded : 0) : recorded);
  if (f.ignoreComplementary && f.ignoreOthers) {
    return 0;
  }
  if (f.ignoreComplementary) {
    return complementary ? 0 : full;
  }
  if (f.ignoreOthers) {
    return complementary ? recorded : 0;
  }
  return full;
}

std::map<ReadingKey, ReadingRow> Expected(const std::filesystem::path& file, const Filter& f) {
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
  // Closed till periods opened in the period, of the till asked for.
  std::map<int64_t, std::pair<std::string, std::string>> tills;
  each(
      "SELECT \"Código\", \"Data_Abertura\", \"Caixa\", \"Data_Fechamento\" IS NOT NULL FROM "
      "\"Movimentações\"",
      [&](sqlite3_stmt* s) {
        const std::string day = text(s, 1).substr(0, 10);
        const std::string till = text(s, 2);
        if (sqlite3_column_int(s, 3) == 1 && day >= f.from && day <= f.to &&
            (f.till.empty() || till == f.till)) {
          tills[sqlite3_column_int64(s, 0)] = {day, till};
        }
      });
  std::map<ReadingKey, ReadingRow> rows;
  std::map<std::pair<std::string, std::string>, int> readings;  // nozzle, fuel
  each(
      "SELECT IDCaixa, L021_IDBico, L021_Combustivel, L021_VolumeVendido, L021_VPL, L021_CM "
      "FROM L021_MC_Leituras",
      [&](sqlite3_stmt* s) {
        const auto till = tills.find(sqlite3_column_int64(s, 0));
        if (till == tills.end()) {
          return;
        }
        ReadingRow row{text(s, 2), sqlite3_column_double(s, 3), sqlite3_column_double(s, 4),
                       sqlite3_column_double(s, 5)};
        ++readings[{text(s, 1), row.fuel}];
        rows[{till->second.first, till->second.second, text(s, 1)}] = row;
      });
  std::map<std::pair<std::string, std::string>, std::pair<double, double>> adjustments;
  // Text columns carry the adapter's collation, which plain SQLite does not know: the
  // filters are applied here.
  each(
      "SELECT IDCaixa, \"Código_Produto\", \"Descrição\", ValorUnitarioClienteEspecial, Qtde, "
      "Valor_Venda, Valor_Desconto, Valor_Acrescimo, Cupom_Complementar, Tipo, IsEstornado, "
      "Terceiros FROM \"Movimentações em Vendas\"",
      [&](sqlite3_stmt* s) {
        if (sqlite3_column_type(s, 0) == SQLITE_NULL ||
            !tills.contains(sqlite3_column_int64(s, 0)) || text(s, 9) != "C" ||
            sqlite3_column_int(s, 10) != 0 || sqlite3_column_int(s, 11) != 0) {
          return;
        }
        const double special = sqlite3_column_double(s, 3);
        const double qty = sqlite3_column_double(s, 4);
        const double value = sqlite3_column_double(s, 5);
        const bool complementary = sqlite3_column_int(s, 8) == 1;
        auto& [discount, surcharge] = adjustments[{text(s, 1), text(s, 2)}];
        discount += LineAdjustment(true, special, qty, value, sqlite3_column_double(s, 6),
                                   complementary, f);
        surcharge += LineAdjustment(false, special, qty, value, sqlite3_column_double(s, 7),
                                    complementary, f);
      });
  sqlite3_close(db);
  for (auto& [key, row] : rows) {
    const auto adjustment = adjustments.find({std::get<2>(key), row.fuel});
    if (adjustment != adjustments.end()) {
      const int count = readings[{std::get<2>(key), row.fuel}];
      row.discount = adjustment->second.first / count;
      row.surcharge = adjustment->second.second / count;
    }
  }
  return rows;
}

class NozzleSalesTableE2E : public CliTest {
 protected:
  NozzleSalesTableE2E()
      : platform_(std::make_shared<CliPlatform>(
            std::make_shared<host::FixedClock>(*host::DateTime::FromParts(2024, 4, 15)), session_,
            nullptr)) {
    host::InstallPlatform(platform_);
  }
  ~NozzleSalesTableE2E() override { host::InstallPlatform(nullptr); }

  hostlib::Session session_;
  std::shared_ptr<CliPlatform> platform_;
};

TEST_F(NozzleSalesTableE2E, TheTableHoldsEachClosedReadingWithItsShareOfTheAdjustments) {
  struct Case {
    const char* name;
    std::string from, to;
    Filter filter;
  };
  const Case cases[] = {
      {"the month, every adjustment",
       "01/03/2024",
       "31/03/2024",
       {"2024-03-01", "2024-03-31", "", false, false}},
      {"till 2, complementary sales left out",
       "01/03/2024",
       "31/03/2024",
       {"2024-03-01", "2024-03-31", "2", true, false}},
      {"a week, complementary sales only",
       "04/03/2024",
       "10/03/2024",
       {"2024-03-04", "2024-03-10", "", false, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sqlite::Database database(DemoMarch());
    reports::BuildNozzleSalesTable(database, c.from, c.to, c.filter.till,
                                   c.filter.ignoreComplementary, c.filter.ignoreOthers);
    const std::map<ReadingKey, ReadingRow> expected = Expected(DemoMarch(), c.filter);
    ASSERT_GT(expected.size(), 20u);

    const host::RecordsetRef table = database.OpenRecordSet(
        "SELECT Bico,QtdeVendida,ValorDeVenda,ValorDeCusto,ValorDesconto,ValorAcrescimo,"
        "Combustivel,TotalVenda,TotalCusto,Data_Abertura,Caixa FROM ##VendasNosBicos");
    size_t seen = 0;
    bool someDiscount = false;
    for (; !table->Eof().AsBoolean(); table->MoveNext(), ++seen) {
      const ReadingKey key{table->Field("Data_Abertura").AsDate().DateOnly().ToIso().substr(0, 10),
                           table->Field("Caixa").AsText(), table->Field("Bico").AsText()};
      const auto want = expected.find(key);
      ASSERT_NE(want, expected.end())
          << std::get<0>(key) << " " << std::get<1>(key) << " " << std::get<2>(key);
      const ReadingRow& w = want->second;
      EXPECT_EQ(table->Field("Combustivel").AsText(), w.fuel);
      EXPECT_DOUBLE_EQ(table->Field("QtdeVendida").AsDouble(), w.volume);
      EXPECT_DOUBLE_EQ(table->Field("ValorDeVenda").AsDouble(), w.price);
      EXPECT_DOUBLE_EQ(table->Field("ValorDeCusto").AsDouble(), w.cost);
      EXPECT_NEAR(table->Field("TotalVenda").AsDouble(), w.volume * w.price, 1e-9);
      EXPECT_NEAR(table->Field("TotalCusto").AsDouble(), w.volume * w.cost, 1e-9);
      EXPECT_NEAR(table->Field("ValorDesconto").AsDouble(), w.discount, 1e-9);
      EXPECT_NEAR(table->Field("ValorAcrescimo").AsDouble(), w.surcharge, 1e-9);
      someDiscount = someDiscount || w.discount > 0;
    }
    EXPECT_EQ(seen, expected.size());
    // The month of the station has discounts, so the spread pass was exercised.
    EXPECT_TRUE(someDiscount || c.filter.ignoreOthers);
  }
}

TEST_F(NozzleSalesTableE2E, APeriodWithoutReadingsLeavesTheTableEmpty) {
  sqlite::Database database(DemoMarch());
  reports::BuildNozzleSalesTable(database, "01/01/2023", "31/01/2023", "", false, false);
  const host::RecordsetRef count =
      database.OpenRecordSet("SELECT COUNT(*) AS Linhas FROM ##VendasNosBicos");
  EXPECT_EQ(count->Field("Linhas").AsInteger(), 0);
}

}  // namespace
}  // namespace orla::cli
