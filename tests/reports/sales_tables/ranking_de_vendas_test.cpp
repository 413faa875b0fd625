#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

TEST_F(FrameTest, RankingCalls) {
  const NamedValue byClient{"Filtro_TipoAgrupamento", int32_t{0}};
  const NamedValue byProduct{"Filtro_TipoAgrupamento", int32_t{1}};
  ExpectCalls(
      "reports/sales_tables/expected/ranking_de_vendas.txt", "RankingDeVendas",
      {
          {"a count that is not a number becomes 40", {{"Filtro_QtdeRegistros", "abc"}, byProduct}},
          // Numeric but not whole: passes the adjustment and is the database's to refuse.
          {"a fractional count passes unchanged", {{"Filtro_QtdeRegistros", "2,5"}, byClient}},
          {"products by net value, worst first",
           {{"Filtro_QtdeRegistros", "10"},
            {"OrderListIndex", int32_t{1}},
            {"Filtro_TipoOrdenacao", int32_t{1}},
            byProduct}},
          {"clients by profit, one product, both adjustments ignored",
           {{"Filtro_QtdeRegistros", "5"},
            {"OrderListIndex", int32_t{2}},
            {"Filtro_IDProduto", "12"},
            kIgnoreComplementary,
            kIgnoreOthers,
            byClient}},
          {"an unknown measure is the quantity; complementary adjustments only",
           {{"OrderListIndex", int32_t{7}}, kIgnoreOthers, byClient}},
          {"other sales' adjustments only; fuels only",
           {kIgnoreComplementary, kNoOtherProducts, byClient}},
          {"neither product kind selects the other products",
           {{"Filtro_IDProduto", "9"}, kNoFuels, kNoOtherProducts, byClient}},
      });
}

TEST_F(FrameTest, TheRankingTitleNamesWhatIsRankedOnlyWhenThereAreRows) {
  Run("RankingDeVendas", {{"Filtro_TipoAgrupamento", int32_t{0}}});
  EXPECT_EQ(Held().title, "Título");
  db.onQuery = [](const std::string&) { return orla::testing::FakeRecordset::OneRow(); };
  Run("RankingDeVendas", {{"Filtro_TipoAgrupamento", int32_t{0}}});
  EXPECT_EQ(Held().title, "Título por Clientes");
  Run("RankingDeVendas", {{"Filtro_TipoAgrupamento", int32_t{3}}});
  EXPECT_EQ(Held().title, "Título por Produtos");
}

}  // namespace
}  // namespace orla::service
