#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

TEST_F(FrameTest, NozzleTableCalls) {
  const auto rows = [this] {
    db.onQuery = [](const std::string&) { return orla::testing::FakeRecordset::OneRow(); };
  };
  ExpectCalls("reports/sales_tables/expected/tabela_de_vendas_por_bico.txt",
              "TabelaDeVendasPorBico",
              {
                  {"fiscal, nothing to print", {}},
                  {"fiscal", {}, rows},
                  {"fiscal, complementary adjustments left out", {kIgnoreComplementary}, rows},
                  // A shift forces the financial view; the period and the till stay in the
                  // working table.
                  {"a shift with view 5",
                   {{"Filtro_IDTurno", "2"}, {"Filtro_TipoVisao", int32_t{5}}},
                   rows},
              });
}

}  // namespace
}  // namespace orla::service
