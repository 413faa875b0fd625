#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

TEST_F(FrameTest, PaymentFormTableCalls) {
  const auto rows = [this] {
    db.onQuery = [](const std::string&) { return orla::testing::FakeRecordset::OneRow(); };
  };
  ExpectCalls(
      "reports/fuel_movement/expected/tabela_de_vendas_por_grupo_de_produtos_por_forma_de_pagto"
      ".txt",
      "TabelaDeVendasPorGrupoDeProdutosPorFormaDePagto",
      {
          {"type 0: groups, nothing to print", {}},
          {"type 0: groups", {}, rows},
          {"type 1: days, fiscal; quotes and blanks leave the product list",
           {{"Filtro_TipoRelatorio", int32_t{1}}, {"Filtro_IDProduto", "'12', '15'"}},
           rows},
          {"type 2: days, the financial view",
           {{"Filtro_TipoRelatorio", int32_t{2}}, kIgnoreComplementary, kNoFuels},
           rows},
          {"type 3: forms by group, with the quantity",
           {{"Filtro_TipoRelatorio", int32_t{3}}, kIgnoreOthers, kNoOtherProducts},
           rows},
          {"an unknown type reads by day, fiscal",
           {{"Filtro_TipoRelatorio", int32_t{-4}}, {"Filtro_IDProduto", "7"}},
           rows},
      });
}

}  // namespace
}  // namespace orla::service
