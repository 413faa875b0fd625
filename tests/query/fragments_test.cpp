#include "query/fragments.h"

#include <gtest/gtest.h>

namespace orla::query {
namespace {

// The special-price difference terms, as the surcharge and discount write them.
constexpr const char* kSurchargeDifference =
    "CASE WHEN (({a}ValorUnitarioClienteEspecial * {a}Qtde) < {a}Valor_Venda) THEN "
    "ABS((({a}ValorUnitarioClienteEspecial * {a}Qtde) - {a}Valor_Venda)) + {a}Valor_Acrescimo "
    "ELSE 0 END";
constexpr const char* kDiscountDifference =
    "CASE WHEN (({a}ValorUnitarioClienteEspecial * {a}Qtde) > {a}Valor_Venda) THEN "
    "ABS((({a}ValorUnitarioClienteEspecial * {a}Qtde) - {a}Valor_Venda)) + {a}Valor_Desconto "
    "ELSE 0 END";
constexpr const char* kSpecial =
    "ROUND(CASE WHEN ISNULL({a}ValorUnitarioClienteEspecial, 0) <> 0 THEN ";

std::string Shown(const std::string& text) {
  return "-->|" + text + "|<--";
}

struct AdjustmentRow {
  const char* name;
  bool ignoreComplementary;
  bool ignoreOthers;
  bool withoutDifference;
  std::string initialCaption;
  std::string expression;
  std::string caption;
  std::string differenceOnly;  // discount rows only
};

TEST(SurchargeExpression, EveryCase) {
  const std::string x = kSurchargeDifference;
  const AdjustmentRow rows[] = {
      {"both switches", true, true, false, "", "0", "Sem acres. compl. + em vendas", ""},
      {"neither switch", false, false, false, "",
       std::string(kSpecial) + x + " ELSE {a}Valor_Acrescimo END, 2) ", "", ""},
      {"neither, without difference", false, false, true, "",
       std::string(kSpecial) + "0 ELSE {a}Valor_Acrescimo END, 2) ", "", ""},
      {"only others ignored", false, true, false, "",
       "CASE WHEN {a}Cupom_Complementar = 1 THEN {a}Valor_Acrescimo ELSE 0 END ",
       "Sem acres. em vendas", ""},
      {"only complementary ignored", true, false, false, "",
       "CASE WHEN {a}Cupom_Complementar = 0 THEN " + std::string(kSpecial) + x +
           " ELSE {a}Valor_Acrescimo END, 2) ELSE 0 END ",
       "Sem acres. compl.", ""},
      {"only complementary ignored, without difference", true, false, true, "Visão",
       "CASE WHEN {a}Cupom_Complementar = 0 THEN " + std::string(kSpecial) +
           "0 ELSE {a}Valor_Acrescimo END, 2) ELSE 0 END ",
       "Visão / Sem acres. compl.", ""},
      {"both, caption not empty", true, true, true, "Visão", "0",
       "Visão / Sem acres. compl. + em vendas", ""},
      {"only others, caption not empty", false, true, true, "Visão",
       "CASE WHEN {a}Cupom_Complementar = 1 THEN {a}Valor_Acrescimo ELSE 0 END ",
       "Visão / Sem acres. em vendas", ""},
  };
  for (const AdjustmentRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::string caption = row.initialCaption;
    const std::string expression = SurchargeExpression(row.ignoreComplementary, row.ignoreOthers,
                                                       caption, row.withoutDifference);
    EXPECT_EQ(Shown(expression), Shown(row.expression));
    EXPECT_EQ(Shown(caption), Shown(row.caption));
  }
}

TEST(DiscountExpression, EveryCaseWithItsDifferenceOnlyOutput) {
  const std::string x = kDiscountDifference;
  const std::string special = kSpecial;
  const AdjustmentRow rows[] = {
      {"both switches", true, true, false, "", "0", "Sem desc. compl. + em vendas", "0"},
      {"neither switch", false, false, false, "", special + x + " ELSE {a}Valor_Desconto END, 2) ",
       "", special + x + " ELSE 0 END, 2) "},
      // Without the difference X is "0".
      {"neither, without difference", false, false, true, "",
       "ROUND(CASE WHEN ISNULL({a}ValorUnitarioClienteEspecial, 0) <> 0 THEN 0 ELSE "
       "{a}Valor_Desconto END, 2) ",
       "",
       "ROUND(CASE WHEN ISNULL({a}ValorUnitarioClienteEspecial, 0) <> 0 THEN 0 ELSE 0 END, 2) "},
      {"only others ignored", false, true, false, "",
       "CASE WHEN {a}Cupom_Complementar = 1 THEN {a}Valor_Desconto ELSE 0 END ",
       "Sem desc. em vendas", "0"},
      {"only complementary ignored", true, false, false, "",
       "CASE WHEN {a}Cupom_Complementar = 0 THEN " + special + x +
           " ELSE {a}Valor_Desconto END, 2) ELSE 0 END ",
       "Sem desc. compl.",
       "CASE WHEN {a}Cupom_Complementar = 0 THEN " + special + x + " ELSE 0 END, 2) ELSE 0 END "},
      {"only complementary ignored, caption not empty", true, false, true, "Cap",
       "CASE WHEN {a}Cupom_Complementar = 0 THEN " + special +
           "0 ELSE {a}Valor_Desconto END, 2) ELSE 0 END ",
       "Cap / Sem desc. compl.",
       "CASE WHEN {a}Cupom_Complementar = 0 THEN " + special + "0 ELSE 0 END, 2) ELSE 0 END "},
      {"only others, caption not empty", false, true, false, "Cap",
       "CASE WHEN {a}Cupom_Complementar = 1 THEN {a}Valor_Desconto ELSE 0 END ",
       "Cap / Sem desc. em vendas", "0"},
  };
  for (const AdjustmentRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::string caption = row.initialCaption;
    std::string differenceOnly = "stale";
    const std::string expression = DiscountExpression(
        row.ignoreComplementary, row.ignoreOthers, caption, row.withoutDifference, differenceOnly);
    EXPECT_EQ(Shown(expression), Shown(row.expression));
    EXPECT_EQ(Shown(caption), Shown(row.caption));
    EXPECT_EQ(Shown(differenceOnly), Shown(row.differenceOnly));
  }
}

TEST(ProductKindFilter, EveryCase) {
  struct Row {
    const char* name;
    bool showFuels;
    bool showOthers;
    std::string filter;
    std::string initialCaption;
    std::string result;
    std::string caption;
  };
  const Row rows[] = {
      {"both shown leave everything alone", true, true, "(x = 1)", "Cap", "(x = 1)", "Cap"},
      {"only fuels", true, false, "", "", "({c} = 'C')", "Somente combustíveis"},
      {"only other products", false, true, "", "", "({c} = 'P')", "Somente produtos"},
      {"neither selects the other products", false, false, "", "", "({c} = 'P')",
       "Somente produtos"},
      {"joined to a filter and a caption", true, false, "(x = 1)", "Cap", "(x = 1) AND ({c} = 'C')",
       "Cap / Somente combustíveis"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string caption = row.initialCaption;
    EXPECT_EQ(Shown(ProductKindFilter(row.showFuels, row.showOthers, row.filter, caption)),
              Shown(row.result));
    EXPECT_EQ(Shown(caption), Shown(row.caption));
  }
}

TEST(DateColumnName, OpeningOrFiscalDate) {
  EXPECT_EQ(DateColumnName(true), "Data_Abertura");
  EXPECT_EQ(DateColumnName(false), "Data_ECF");
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

TEST(SaleDocumentCondition, FillsPrefixAndPeriodEverywhere) {
  const std::string condition =
      SaleDocumentCondition("b.", "01/03/2024", "31/03/2024", host::RegionalSettings::Brazilian());
  EXPECT_EQ(condition.find("{c}"), std::string::npos);
  EXPECT_EQ(condition.find("@dt"), std::string::npos);
  EXPECT_EQ(
      condition.rfind("((b.ECF = 1) OR ((b.ECF = 0) AND (b.NFConsumidor_Modelo IS NOT NULL))", 0),
      0u);
  const std::string period = "BETWEEN '2024/03/01 00:00:00' AND '2024/03/31 23:59:59'";
  const size_t first = condition.find(period);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(condition.find(period, first + 1), std::string::npos) << "both branches";
  EXPECT_NE(condition.find("(b.Código_Venda NOT IN (SELECT b.Codigo_Venda FROM"),
            std::string::npos);
}

}  // namespace
}  // namespace orla::query
