// The small arithmetic of computed fields and of totals that are not plain sums:
// numbers, field names, @formulas, + - * /, parentheses, days(a, b) (the days from a to b,
// both ends counted), rownumber() and total(Field) (the report's total of a query column).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/date_time.h"

namespace orla::engine {

// Nothing (a null or a division by zero), a number or a date.
using ExprValue = std::variant<std::monostate, double, host::DateTime>;

class ExpressionScope {
 public:
  virtual ~ExpressionScope() = default;
  virtual ExprValue Field(size_t index) const = 0;
  virtual ExprValue Formula(size_t index) const = 0;
  virtual int64_t RowNumber() const = 0;
  // The report's total of a field, summed as printed; nothing where no total is known.
  virtual ExprValue ReportTotal(size_t) const { return {}; }
};

class Expression {
 public:
  using Resolver = std::function<std::optional<size_t>(std::string_view name)>;

  // Raises host::LayoutError for a syntax error or a name neither resolver knows.
  static std::shared_ptr<const Expression> Parse(std::string_view text, const Resolver& field,
                                                 const Resolver& formula);
  ~Expression();

  ExprValue Evaluate(const ExpressionScope& scope) const;
  const std::string& Text() const { return text_; }
  // The fields the expression reads, in the order they appear.
  const std::vector<size_t>& Fields() const { return fields_; }
  // The fields whose report totals it reads, through total().
  const std::vector<size_t>& TotalsRead() const { return totals_; }

  struct Node;

 private:
  Expression() = default;

  std::string text_;
  std::unique_ptr<Node> root_;
  std::vector<size_t> fields_;
  std::vector<size_t> totals_;
};

}  // namespace orla::engine
