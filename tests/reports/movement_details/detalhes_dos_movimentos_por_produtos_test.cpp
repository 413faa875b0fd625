#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

// Only the tax switches given are on; the others are off.
std::vector<NamedValue> Tax(bool ff, bool ii, bool nn, bool tt, double rate,
                            std::vector<NamedValue> more = {}) {
  more.insert(more.end(), {{"Filtro_ST_IsFF", ff},
                           {"Filtro_ST_IsII", ii},
                           {"Filtro_ST_IsNN", nn},
                           {"Filtro_ST_IsTT", tt},
                           {"Filtro_ST_AL_ICMS", rate}});
  return more;
}

TEST_F(FrameTest, DetailsByProductCalls) {
  ExpectCalls(
      "reports/movement_details/expected/detalhes_dos_movimentos_por_produtos.txt",
      "DetalhesDosMovimentosPorProdutos",
      {
          {"every tax situation: the list keeps its fixed order", {}},
          {"a rate replaces the TT switch", Tax(false, true, false, true, 17)},
          {"a rate alone", Tax(false, false, false, false, 7.5)},
          // Chosen: nothing chosen means every tax situation, as an empty identifier does.
          {"no switch and no rate keeps every situation", Tax(false, false, false, false, 0)},
          {"a shift: opening date, till condition in place of the documents",
           Tax(false, false, true, false, 0,
               {{"Filtro_IDTurno", "2"},
                {"Filtro_IDProduto", "5"},
                {"Filtro_IDFuncionario", "O'Neil"}})},
          {"fuels only, both adjustments ignored",
           Tax(true, false, false, false, 0,
               {kNoOtherProducts, kIgnoreComplementary, kIgnoreOthers})},
          {"no kind shown selects the other products; complementary adjustments only",
           Tax(true, false, false, false, 0, {kNoFuels, kNoOtherProducts, kIgnoreOthers})},
          {"complementary adjustments left out",
           Tax(true, false, false, false, 0, {kIgnoreComplementary})},
      });
}

}  // namespace
}  // namespace orla::service
