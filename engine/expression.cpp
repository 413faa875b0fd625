#include "engine/expression.h"

#include <charconv>
#include <cmath>

#include "host/errors.h"

namespace orla::engine {

struct Expression::Node {
  enum class Op {
    Number,
    Field,
    Formula,
    RowNumber,
    Add,
    Subtract,
    Multiply,
    Divide,
    Negate,
    Days,
    Total
  };
  Op op = Op::Number;
  double number = 0;
  size_t index = 0;
  std::unique_ptr<Node> left;
  std::unique_ptr<Node> right;
};

namespace {

using Node = Expression::Node;
using Op = Node::Op;

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;  // accented letters of UTF-8 names
}

class Parser {
 public:
  Parser(std::string_view text, const Expression::Resolver& field,
         const Expression::Resolver& formula, std::vector<size_t>& fields,
         std::vector<size_t>& totals)
      : text_(text), field_(field), formula_(formula), fields_(fields), totals_(totals) {}

  std::unique_ptr<Node> ParseAll() {
    auto node = ParseSum();
    SkipBlanks();
    if (pos_ != text_.size()) {
      Fail("unexpected '" + std::string(1, text_[pos_]) + "'");
    }
    return node;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw host::LayoutError("Expression \"" + std::string(text_) + "\": " + what);
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') {
      ++pos_;
    }
  }

  bool Accept(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  static std::unique_ptr<Node> Binary(Op op, std::unique_ptr<Node> a, std::unique_ptr<Node> b) {
    auto node = std::make_unique<Node>();
    node->op = op;
    node->left = std::move(a);
    node->right = std::move(b);
    return node;
  }

  std::unique_ptr<Node> ParseSum() {
    auto node = ParseProduct();
    for (;;) {
      if (Accept('+')) {
        node = Binary(Op::Add, std::move(node), ParseProduct());
      } else if (Accept('-')) {
        node = Binary(Op::Subtract, std::move(node), ParseProduct());
      } else {
        return node;
      }
    }
  }

  std::unique_ptr<Node> ParseProduct() {
    auto node = ParseFactor();
    for (;;) {
      if (Accept('*')) {
        node = Binary(Op::Multiply, std::move(node), ParseFactor());
      } else if (Accept('/')) {
        node = Binary(Op::Divide, std::move(node), ParseFactor());
      } else {
        return node;
      }
    }
  }

  std::string ReadName() {
    const size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) {
      ++pos_;
    }
    if (start == pos_) {
      Fail("a name is missing");
    }
    return std::string(text_.substr(start, pos_ - start));
  }

  std::unique_ptr<Node> ParseFactor() {
    SkipBlanks();
    if (pos_ >= text_.size()) {
      Fail("the expression ends too early");
    }
    auto node = std::make_unique<Node>();
    const char c = text_[pos_];
    if (Accept('-')) {
      node->op = Op::Negate;
      node->left = ParseFactor();
      return node;
    }
    if (Accept('(')) {
      node = ParseSum();
      if (!Accept(')')) {
        Fail("')' is missing");
      }
      return node;
    }
    if ((c >= '0' && c <= '9') || c == '.') {
      const char* end = text_.data() + text_.size();
      const auto [p, ec] = std::from_chars(text_.data() + pos_, end, node->number);
      if (ec != std::errc{}) {
        Fail("bad number");
      }
      pos_ = p - text_.data();
      return node;
    }
    if (Accept('@')) {
      const std::string name = ReadName();
      const auto index = formula_(name);
      if (!index) {
        Fail("the layout has no formula " + name);
      }
      node->op = Op::Formula;
      node->index = *index;
      return node;
    }
    const std::string name = ReadName();
    if (Accept('(')) {
      if (name == "rownumber") {
        if (!Accept(')')) {
          Fail("rownumber takes no arguments");
        }
        node->op = Op::RowNumber;
        return node;
      }
      if (name == "days") {
        node->op = Op::Days;
        node->left = ParseSum();
        if (!Accept(',')) {
          Fail("days takes two arguments");
        }
        node->right = ParseSum();
        if (!Accept(')')) {
          Fail("')' is missing");
        }
        return node;
      }
      if (name == "total") {
        SkipBlanks();
        const std::string of = ReadName();
        const auto index = field_(of);
        if (!index) {
          Fail("unknown field " + of);
        }
        if (!Accept(')')) {
          Fail("total takes one field");
        }
        node->op = Op::Total;
        node->index = *index;
        totals_.push_back(*index);
        return node;
      }
      Fail("unknown function " + name);
    }
    const auto index = field_(name);
    if (!index) {
      Fail("unknown field " + name);
    }
    node->op = Op::Field;
    node->index = *index;
    fields_.push_back(*index);
    return node;
  }

  std::string_view text_;
  const Expression::Resolver& field_;
  const Expression::Resolver& formula_;
  std::vector<size_t>& fields_;
  std::vector<size_t>& totals_;
  size_t pos_ = 0;
};

const double* AsNumber(const ExprValue& v) {
  return std::get_if<double>(&v);
}

ExprValue Evaluate(const Node& node, const ExpressionScope& scope) {
  switch (node.op) {
    case Op::Number:
      return node.number;
    case Op::Field:
      return scope.Field(node.index);
    case Op::Formula:
      return scope.Formula(node.index);
    case Op::RowNumber:
      return static_cast<double>(scope.RowNumber());
    case Op::Total:
      return scope.ReportTotal(node.index);
    case Op::Negate: {
      const ExprValue v = Evaluate(*node.left, scope);
      if (const double* n = AsNumber(v)) {
        return -*n;
      }
      return {};
    }
    case Op::Days: {
      const ExprValue a = Evaluate(*node.left, scope);
      const ExprValue b = Evaluate(*node.right, scope);
      const auto* from = std::get_if<host::DateTime>(&a);
      const auto* to = std::get_if<host::DateTime>(&b);
      if (from == nullptr || to == nullptr) {
        return {};
      }
      return static_cast<double>(std::llabs(host::DaysBetween(*from, *to)) + 1);
    }
    default:
      break;
  }
  const ExprValue a = Evaluate(*node.left, scope);
  const ExprValue b = Evaluate(*node.right, scope);
  const double* x = AsNumber(a);
  const double* y = AsNumber(b);
  if (x == nullptr || y == nullptr) {
    return {};
  }
  switch (node.op) {
    case Op::Add:
      return *x + *y;
    case Op::Subtract:
      return *x - *y;
    case Op::Multiply:
      return *x * *y;
    case Op::Divide:
      if (*y == 0) {
        return {};
      }
      return *x / *y;
    default:
      return {};
  }
}

}  // namespace

Expression::~Expression() = default;

std::shared_ptr<const Expression> Expression::Parse(std::string_view text, const Resolver& field,
                                                    const Resolver& formula) {
  std::shared_ptr<Expression> expression(new Expression());
  expression->text_ = std::string(text);
  expression->root_ =
      Parser(text, field, formula, expression->fields_, expression->totals_).ParseAll();
  return expression;
}

ExprValue Expression::Evaluate(const ExpressionScope& scope) const {
  return engine::Evaluate(*root_, scope);
}

}  // namespace orla::engine
