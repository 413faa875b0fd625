#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

TEST_F(FrameTest, ComplementarySalesCalls) {
  ExpectCalls(
      "reports/fuel_movement/expected/movimentacao_de_combustiveis_por_venda_complementar"
      ".txt",
      "MovimentacaoDeCombustiveisPorVendaComplementar",
      {
          {"no shift: the fiscal date", {}},
          {"a shift: the till's opening date, and the till's shift", {{"Filtro_IDTurno", "2"}}},
      });
}

}  // namespace
}  // namespace orla::service
