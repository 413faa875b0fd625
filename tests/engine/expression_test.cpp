#include "engine/expression.h"

#include <gtest/gtest.h>

#include "host/errors.h"
#include "tests/engine/test_support.h"

namespace orla::engine {
namespace {

class Scope final : public ExpressionScope {
 public:
  std::vector<ExprValue> fields;
  std::vector<ExprValue> formulas;
  std::vector<ExprValue> totals;
  int64_t row = 0;
  ExprValue Field(size_t i) const override { return fields[i]; }
  ExprValue ReportTotal(size_t i) const override {
    return totals.empty() ? ExprValue() : totals[i];
  }
  ExprValue Formula(size_t i) const override { return formulas[i]; }
  int64_t RowNumber() const override { return row; }
};

std::optional<size_t> FieldIndex(std::string_view name) {
  if (name == "Qtde") {
    return 0;
  }
  if (name == "Valor") {
    return 1;
  }
  return std::nullopt;
}

std::optional<size_t> FormulaIndex(std::string_view name) {
  if (name == "Dias") {
    return 0;
  }
  if (name == "Inicio") {
    return 1;
  }
  if (name == "Fim") {
    return 2;
  }
  return std::nullopt;
}

ExprValue Eval(const std::string& text, const Scope& scope) {
  return Expression::Parse(text, FieldIndex, FormulaIndex)->Evaluate(scope);
}

TEST(ExpressionTest, EvaluatesArithmeticOverFieldsAndFormulas) {
  Scope scope;
  scope.fields = {10.0, 52.5};
  scope.formulas = {4.0, testing::Date(2024, 3, 1), testing::Date(2024, 3, 31)};
  scope.row = 7;
  scope.totals = {40.0, 210.0};
  const std::pair<const char*, double> cases[] = {
      {"Valor / total(Valor) * 100", 25},
      {"total( Qtde) - Qtde", 30},
      {"2 + 3 * 4", 14},
      {"(2 + 3) * 4", 20},
      {"Valor / Qtde", 5.25},
      {"-Qtde + 1", -9},
      {"Qtde / @Dias", 2.5},
      {"days(@Inicio, @Fim)", 31},
      {"days(@Fim, @Inicio)", 31},
      {"Qtde / @Dias * days(@Inicio, @Fim)", 77.5},
      {"rownumber() * 2", 14},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    const ExprValue result = Eval(text, scope);
    ASSERT_TRUE(std::holds_alternative<double>(result));
    EXPECT_DOUBLE_EQ(std::get<double>(result), expected);
  }
}

TEST(ExpressionTest, GivesNothingForNullsAndDivisionByZero) {
  Scope scope;
  scope.fields = {0.0, ExprValue()};
  scope.formulas = {ExprValue(), 1.0, 2.0};
  for (const char* text :
       {"10 / Qtde", "Valor + 1", "Qtde / @Dias", "days(@Inicio, @Fim)", "Qtde / total(Qtde)"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(Eval(text, scope)));
  }
}

TEST(ExpressionTest, RejectsWhatItCannotReadNamingIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"Qtde / Preco", "unknown field Preco"},
      {"@Legenda", "no formula Legenda"},
      {"sqrt(Qtde)", "unknown function sqrt"},
      {"(Qtde", "')' is missing"},
      {"Qtde +", "ends too early"},
      {"Qtde Valor", "unexpected 'V'"},
      {"total(Preco)", "unknown field Preco"},
      {"total(Qtde, Valor)", "total takes one field"},
      {"total(Qtde * 2)", "total takes one field"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      Expression::Parse(text, FieldIndex, FormulaIndex);
      ADD_FAILURE() << "no error";
    } catch (const host::LayoutError& e) {
      EXPECT_NE(e.Description().find(message), std::string::npos) << e.Description();
    }
  }
}

}  // namespace
}  // namespace orla::engine
