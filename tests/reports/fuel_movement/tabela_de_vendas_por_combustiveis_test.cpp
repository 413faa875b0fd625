// The sales table by fuel on recording fakes: ##Tabela in both views, the labels and the legend.
#include "reports/fuel_movement/tabela_de_vendas_por_combustiveis.h"

#include "tests/service/frame_fixture.h"

namespace orla::reports {
namespace {

using orla::testing::FakeRecordset;
using service::FrameTest;

// Fuels whose labels and legend entries must come out with their quotes doubled, two of them
// sharing one label.
host::RecordsetRef Fuels() {
  std::vector<std::vector<host::Value>> rows;
  for (const char* fuel : {"D'OURO S10", "ETANOL", "GASOLINA ADITIVADA D'OURO", "GASOLINA COMUM"}) {
    rows.push_back({fuel});
  }
  return std::make_shared<FakeRecordset>(
      std::vector<host::Column>{{"Combustivel", host::ColumnType::Text}}, rows);
}

bool IsFuelList(const std::string& sql) {
  return sql.starts_with("SELECT Descrição AS Combustivel");
}

TEST(FuelTableBuilder, CallsOfEachViewAndTheLegend) {
  orla::testing::ExpectedTexts expected(
      "reports/fuel_movement/expected/tabela_de_vendas_por_combustiveis_builder.txt");
  struct Case {
    const char* name;
    int32_t view;
    bool withFuels;
  };
  // The builder itself does not force the view: a shift stands in the fiscal condition. No
  // readings in the financial view: the working table stays empty and ##Tabela with it.
  for (const Case& c : {Case{"fiscal, one till, complementary adjustments only", 1, true},
                        Case{"financial, one till", 0, false}}) {
    SCOPED_TRACE(c.name);
    orla::testing::ScopedFakePlatform platform;
    orla::testing::FakeDatabase db(platform->log);
    db.onQuery = [&](const std::string& sql) {
      return IsFuelList(sql) && c.withFuels ? Fuels() : FakeRecordset::Empty();
    };
    host::Value legend{std::string()};
    const std::string sql = TabelaDeVendasPorCombustiveisSQL(
        db, {{"01/03/2024", "31/03/2024"}, "2", {false, true}, c.view, &legend});
    std::vector<std::string> texts = platform->log;
    texts.push_back("gives " + sql);
    texts.push_back("legend " + legend.Describe());
    expected.Check(c.name, texts);
  }
}

TEST_F(FrameTest, FuelTableCalls) {
  const auto fuels = [this](bool rows) {
    return [this, rows] {
      db.onQuery = [rows](const std::string& sql) {
        return IsFuelList(sql) ? Fuels() : rows ? FakeRecordset::OneRow() : FakeRecordset::Empty();
      };
    };
  };
  ExpectCalls("reports/fuel_movement/expected/tabela_de_vendas_por_combustiveis.txt",
              "TabelaDeVendasPorCombustiveis",
              {
                  {"rows: the legend as a formula", {}, fuels(true)},
                  {"nothing to print: no legend", {}, fuels(false)},
              });
}

}  // namespace
}  // namespace orla::reports
