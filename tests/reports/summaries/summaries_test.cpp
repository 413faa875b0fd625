// The three sales summaries against the recording fakes: every call of a request, per view
// and per filter that changes the text. The fake ReportHelper writes the period as
// "({c} BETWEEN 'd1' AND 'd2')" and an identifier as "({c} = 'id')".
#include "tests/service/frame_fixture.h"

namespace orla::service {
namespace {

using Values = std::vector<NamedValue>;

Values Fiscal(Values more = {}) {
  more.push_back({"Filtro_TipoVisao", int32_t{1}});
  return more;
}
Values Financial(Values more = {}) {
  more.push_back({"Filtro_TipoVisao", int32_t{0}});
  return more;
}
const Values kNoAdjustments{kIgnoreComplementary, kIgnoreOthers};
Values With(Values a, const Values& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(FrameTest, SummaryByProductCalls) {
  ExpectCalls(
      "reports/summaries/expected/resumo_por_produto.txt", "ResumoPorProduto",
      {
          {"fiscal, every product: no kind condition", Fiscal()},
          {"fiscal, one product, fuels only",
           Fiscal({{"Filtro_IDProduto", "9"}, kNoOtherProducts})},
          {"fiscal, both A/D switches: the amounts are not adjusted", Fiscal(kNoAdjustments)},
          // One switch alone tells the two apart.
          {"fiscal, complementary adjustments left out", Fiscal({kIgnoreComplementary})},
          {"financial, every product: no outer WHERE", Financial()},
          {"financial, the other sales' adjustments left out", Financial({kIgnoreOthers})},
          // A shift forces the financial view; hiding both kinds keeps the other products.
          {"a shift with view 1, both kinds hidden, no A/D",
           Fiscal(With(
               kNoAdjustments,
               {{"Filtro_IDTurno", "2"}, {"Filtro_IDProduto", "9"}, kNoFuels, kNoOtherProducts}))},
      });
}

TEST_F(FrameTest, SummaryByProductGroupCalls) {
  ExpectCalls(
      "reports/summaries/expected/resumo_por_grupo_de_produto.txt", "ResumoPorGrupoDeProduto",
      {
          {"fiscal", Fiscal()},
          {"fiscal, one product, other products only",
           Fiscal({{"Filtro_IDProduto", "9"}, kNoFuels})},
          {"financial", Financial()},
          {"financial, a shift, fuels only, no A/D",
           Financial(With(kNoAdjustments, {{"Filtro_IDTurno", "2"}, kNoOtherProducts}))},
          // The days are counted inclusively, in either order; the projection runs from
          // today for thirty days whatever the period.
          {"one day", {{"Filtro_DataInicial", "15/03/2024"}, {"Filtro_DataFinal", "15/03/2024"}}},
          {"across the leap day",
           {{"Filtro_DataInicial", "28/02/2024"}, {"Filtro_DataFinal", "01/03/2024"}}},
          {"the month backwards",
           {{"Filtro_DataInicial", "31/03/2024"}, {"Filtro_DataFinal", "01/03/2024"}}},
      });
}

TEST_F(FrameTest, SummaryByTaxClassificationCalls) {
  // Every tax switch is named: left out, a switch defaults to including its code.
  auto tax = [](bool ii, bool nn, bool ff, bool tt, double rate) {
    return Values{{"Filtro_ST_IsII", ii},
                  {"Filtro_ST_IsNN", nn},
                  {"Filtro_ST_IsFF", ff},
                  {"Filtro_ST_IsTT", tt},
                  {"Filtro_ST_AL_ICMS", rate}};
  };
  const Values none = tax(false, false, false, false, 0);
  const Values ffAndNn = tax(false, true, true, false, 0);
  const Values iiAtARate = tax(true, false, false, false, 17.5);
  ExpectCalls(
      "reports/summaries/expected/resumo_por_classificacao_fiscal.txt",
      "ResumoPorClassificacaoFiscal",
      {
          {"fiscal, no tax filter", Fiscal(none)},
          {"fiscal, FF and NN", Fiscal(ffAndNn)},
          {"fiscal, every code in its fixed order, fuels only",
           Fiscal(With(tax(true, true, true, true, 0), {kNoOtherProducts}))},
          // The rate clause is OR-ed in without parentheses around the whole, so it stands
          // beside the period: kept as the queries have always been written.
          {"fiscal, II and a rate", Fiscal(iiAtARate)},
          {"fiscal, TT with a rate: the rate clause alone",
           Fiscal(tax(false, false, false, true, 7))},
          {"fiscal, only TT at rate 0", Fiscal(tax(false, false, false, true, 0))},
          {"financial, no filter: no outer WHERE", Financial(none)},
          {"financial, only the kind filter", Financial(With(none, {kNoFuels}))},
          {"financial, FF and NN", Financial(ffAndNn)},
          {"a shift forces the financial view; II at a rate, fuels only",
           Fiscal(With(iiAtARate,
                       {{"Filtro_IDTurno", "2"}, {"Filtro_IDProduto", "9"}, kNoOtherProducts}))},
      });
}

}  // namespace
}  // namespace orla::service
