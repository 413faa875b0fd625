// The fragments' texts are in every report's statements (tests/reports/*/expected); here what
// the statements cannot show: the adjustment captions and the replacement's edge cases.
#include "query/fragments.h"

#include <gtest/gtest.h>

namespace orla::query {
namespace {

TEST(AdjustmentExpressions, CaptionsJoinTheCaptionSoFar) {
  struct Row {
    bool ignoreComplementary, ignoreOthers;
    std::string initial, surcharge, discount;
  };
  const Row rows[] = {
      {false, false, "Cap", "Cap", "Cap"},
      {true, true, "", "Sem acres. compl. + em vendas", "Sem desc. compl. + em vendas"},
      {true, true, "Visão", "Visão / Sem acres. compl. + em vendas",
       "Visão / Sem desc. compl. + em vendas"},
      {false, true, "", "Sem acres. em vendas", "Sem desc. em vendas"},
      {false, true, "Cap", "Cap / Sem acres. em vendas", "Cap / Sem desc. em vendas"},
      {true, false, "", "Sem acres. compl.", "Sem desc. compl."},
      {true, false, "Cap", "Cap / Sem acres. compl.", "Cap / Sem desc. compl."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.ignoreComplementary) + std::to_string(row.ignoreOthers) +
                 row.initial);
    std::string surcharge = row.initial;
    std::string discount = row.initial;
    std::string differenceOnly;
    SurchargeExpression(row.ignoreComplementary, row.ignoreOthers, surcharge, false);
    DiscountExpression(row.ignoreComplementary, row.ignoreOthers, discount, true, differenceOnly);
    EXPECT_EQ(surcharge, row.surcharge);
    EXPECT_EQ(discount, row.discount);
  }
  std::string caption = "Cap";
  ProductKindFilter(false, false, "", caption);
  EXPECT_EQ(caption, "Cap / Somente produtos");
}

TEST(Replace, ExactOrIgnoringCaseOverEveryOccurrence) {
  EXPECT_EQ(Replace("{c}x {C}y {c}", "{c}", "b."), "b.x {C}y b.");
  EXPECT_EQ(ReplaceIgnoringCase("{c}x {C}y", "{c}", "Data_ECF"), "Data_ECFx Data_ECFy");
  // The replacement holds the pattern: scanning goes on after it, never into it.
  EXPECT_EQ(ReplaceIgnoringCase("(a.Situação_Tributária) OR (A.Alíquota)", "a.", "lista."),
            "(lista.Situação_Tributária) OR (lista.Alíquota)");
  EXPECT_EQ(ReplaceIgnoringCase("Situação_Tributária", "SITUAÇÃO_TRIBUTÁRIA", "TipoST"),
            "Situação_Tributária")
      << "only ASCII letters fold";
  EXPECT_EQ(Replace("abc", "", "x"), "abc");
}

}  // namespace
}  // namespace orla::query
