#include <string_view>

#include "sqlite/tsql_parser.h"

namespace orla::sqlite::tsql::detail {

namespace {

// SQLite takes at most 127 arguments to a function; a longer chain starts a new call.
constexpr std::size_t kMaxChain = 125;

// SQL Server's name of an arithmetic operator in its messages.
std::string OperatorName(const std::string& op) {
  return op == "+"   ? "add"
         : op == "-" ? "subtract"
         : op == "*" ? "multiply"
         : op == "/" ? "divide"
                     : "modulo";
}

}  // namespace

Expr Translator::Compare(Expr left, std::string op, Expr right, const Node& at) {
  if (op == "!=") {
    op = "<>";
  }
  const SqlType common = Dominant({left.type, right.type});
  if (common.family == Family::Condition) {
    Fail(at, "a condition compared with " + op);
  }
  left = ConvertTo(left, common, Conversion::Implicit, at);
  right = ConvertTo(right, common, Conversion::Implicit, at);
  const int level = op == "=" || op == "<>" ? kEquality : kRelational;
  return Typed(Collated(left, level) + " " + op + " " + Operand(right, level + 1),
               {Family::Condition}, level);
}

Expr Translator::Arithmetic(Expr left, const std::string& op, Expr right, const Node& at) {
  const Family l = left.type.family, r = right.type.family;
  if (l == Family::Condition || r == Family::Condition) {
    Fail(at, "a condition used with the operator " + op);
  }
  const bool textual = (l == Family::Text || l == Family::Null) &&
                       (r == Family::Text || r == Family::Null) &&
                       !(l == Family::Null && r == Family::Null);
  if (op == "+" && textual) {
    const int length =
        left.type.length > 0 && right.type.length > 0 ? left.type.length + right.type.length : 0;
    return Typed(Operand(left, kConcat) + " || " + Operand(right, kConcat + 1),
                 {Family::Text, length}, kConcat);
  }
  if (l == Family::DateTime || r == Family::DateTime) {
    Fail(at, "date arithmetic with the operator " + op + " is not supported; use DATEADD");
  }
  if (textual) {
    Fail(at, "8117: Operand data type varchar is invalid for " + OperatorName(op) + " operator.");
  }
  SqlType common = Dominant({left.type, right.type});
  if (common.family == Family::Bit || (common.family == Family::Integer && common.bits < 32)) {
    common = {Family::Integer};  // SQL Server computes smaller whole numbers as int
  }
  if (op == "%" && common.family == Family::Real) {
    Fail(at, "402: The data types " + TypeName(left.type) + " and " + TypeName(right.type) +
                 " are incompatible in the modulo operator.");
  }
  if (common.family == Family::Null) {
    return Typed("NULL", {Family::Integer});
  }
  left = ConvertTo(left, common, Conversion::Implicit, at);
  right = ConvertTo(right, common, Conversion::Implicit, at);
  // Each step is checked as SQL Server checks it (overflow, division by zero) by tsql_arith,
  // which folds a left-deep run of operations from the left in one call: (a + b) * c - d is
  // one call, and a - b * c one call whose last operand is the call for b * c.
  const std::string kind = "'" + ArithmeticKind(common) + "'";
  std::vector<std::string> chain = left.chain;
  if (chain.empty() || chain[0] != kind || chain.size() + 2 > kMaxChain) {
    chain = {kind, left.sql};
  }
  chain.push_back("'" + op + "'");
  chain.push_back(right.sql);
  std::string sql = "tsql_arith(";
  for (std::size_t i = 0; i < chain.size(); ++i) {
    sql += (i ? ", " : "") + chain[i];
  }
  Expr e = Typed(sql + ")", common);
  e.chain = std::move(chain);
  return e;
}

Expr Translator::CastTo(Expr value, const NamedType& to, const Node& at) {
  const Family from = value.type.family;
  if (from == Family::Condition) {
    Fail(at, "a condition cannot be converted");
  }
  Expr result;
  result.type = to.type;
  if (from == Family::Null) {
    result.sql = "NULL";
    return result;
  }
  switch (to.type.family) {
    case Family::Text:
      if (from == Family::DateTime) {
        Fail(at, "CAST of a date to text is not supported; use CONVERT with a style");
      }
      result.sql = from == Family::Text ? value.sql : "CAST(" + value.sql + " AS TEXT)";
      if (to.type.length > 0) {
        result.sql = "SUBSTR(" + result.sql + ", 1, " + std::to_string(to.type.length) + ")";
      }
      return result;
    case Family::DateTime:
      if (value.form == Expr::Form::TextLiteral) {
        result.sql = DateLiteral(value.value, at);
        return result;
      }
      result.sql = from == Family::DateTime ? value.sql : "tsql_datetime(" + value.sql + ")";
      return result;
    case Family::Bit:
      result.sql = "tsql_bit(" + value.sql + ")";
      return result;
    case Family::Integer:
      // Cut toward zero and checked against the type's range.
      result.sql = "tsql_arith('" + ArithmeticKind(to.type) + "', " +
                   (from == Family::Text ? "tsql_int(" + value.sql + ")" : value.sql) + ")";
      return result;
    case Family::Real:
      result.sql = from == Family::Text ? "tsql_float(" + value.sql + ")"
                                        : "CAST(" + value.sql + " AS REAL)";
      return result;
    case Family::Money:
      result.sql = "tsql_arith('" + ArithmeticKind(to.type) + "', ROUND(" +
                   (from == Family::Text ? "tsql_float(" + value.sql + ")"
                                         : "CAST(" + value.sql + " AS REAL)") +
                   ", " + std::to_string(to.type.scale) + "))";
      return result;
    case Family::Null:
    case Family::Condition:
      break;
  }
  Fail(at, "a conversion that is not supported");
}

// --- expression parsing -------------------------------------------------------------------

Expr Translator::Whole(const std::vector<Node>& nodes, const Scope& scope,
                       std::string_view context) {
  if (nodes.empty()) {
    throw TranslationError("an empty " + std::string(context));
  }
  Cursor in(nodes);
  Expr e = Parse(in, scope);
  in.ExpectEnd(context);
  return e;
}

Expr Translator::Condition(Cursor& in, const Scope& scope, std::string_view context) {
  const Node& at = in.Here();
  Expr e = Parse(in, scope);
  if (e.type.family != Family::Condition) {
    Fail(at, std::string(context) + " needs a condition");
  }
  return e;
}

Expr Translator::Value(Cursor& in, const Scope& scope) {
  const Node& at = in.Here();
  Expr e = Parse(in, scope);
  if (e.type.family == Family::Condition) {
    Fail(at, "a condition cannot stand as a value");
  }
  return e;
}

namespace {

// Counts one level of nesting for as long as it lives.
class Nested {
 public:
  Nested(int& depth, const Node* at) : depth_(depth) {
    if (++depth_ > kMaxNesting) {
      --depth_;
      throw TranslationError(
          "the statement is nested too deeply (more than " + std::to_string(kMaxNesting) +
          " levels of parentheses, CASE, NOT or signs" +
          (at ? ", at offset " + std::to_string(at->token.offset) : std::string()) + ")");
    }
  }
  ~Nested() { --depth_; }
  Nested(const Nested&) = delete;
  Nested& operator=(const Nested&) = delete;

 private:
  int& depth_;
};

}  // namespace

Expr Translator::Parse(Cursor& in, const Scope& scope) {
  const Nested nested(depth_, in.AtEnd() ? nullptr : &in.Peek());
  Expr left = ParseAnd(in, scope);
  while (in.PeekWord("OR")) {
    const Node& at = in.Take();
    Expr right = ParseAnd(in, scope);
    if (left.type.family != Family::Condition || right.type.family != Family::Condition) {
      Fail(at, "OR needs conditions on both sides");
    }
    left = Typed(Operand(left, kOr) + " OR " + Operand(right, kOr + 1), {Family::Condition}, kOr);
  }
  return left;
}

Expr Translator::ParseAnd(Cursor& in, const Scope& scope) {
  Expr left = ParseNot(in, scope);
  while (in.PeekWord("AND")) {
    const Node& at = in.Take();
    Expr right = ParseNot(in, scope);
    if (left.type.family != Family::Condition || right.type.family != Family::Condition) {
      Fail(at, "AND needs conditions on both sides");
    }
    left =
        Typed(Operand(left, kAnd) + " AND " + Operand(right, kAnd + 1), {Family::Condition}, kAnd);
  }
  return left;
}

Expr Translator::ParseNot(Cursor& in, const Scope& scope) {
  if (in.PeekWord("NOT")) {
    const Node& at = in.Take();
    const Nested nested(depth_, &at);
    Expr e = ParseNot(in, scope);
    if (e.type.family != Family::Condition) {
      Fail(at, "NOT needs a condition");
    }
    return Typed("NOT " + Operand(e, kNot), {Family::Condition}, kNot);
  }
  return ParsePredicate(in, scope);
}

Expr Translator::ParsePredicate(Cursor& in, const Scope& scope) {
  if (in.PeekWord("EXISTS")) {
    const Node& at = in.Take();
    if (in.AtEnd() || !in.Peek().group) {
      Fail(at, "EXISTS needs (SELECT ...)");
    }
    const SelectResult sub = Select(in.Take().children, &scope);
    return Typed("EXISTS (" + sub.sql + ")", {Family::Condition});
  }
  Expr left = ParseAdditive(in, scope);
  if (in.AtEnd()) {
    return left;
  }
  const Node& at = in.Peek();
  if (!at.group && at.token.kind == TokenKind::Operator && at.token.text != "+" &&
      at.token.text != "-" && at.token.text != "*" && at.token.text != "/" &&
      at.token.text != "%") {
    const std::string op = in.Take().token.text;
    Expr right = ParseAdditive(in, scope);
    return Compare(std::move(left), op, std::move(right), at);
  }
  if (in.PeekWord("IS")) {
    in.Take();
    const bool negated = in.TakeWord("NOT");
    in.ExpectWord("NULL", "IS [NOT]");
    return Typed(Operand(left, kEquality + 1) + (negated ? " IS NOT NULL" : " IS NULL"),
                 {Family::Condition}, kEquality);
  }
  const bool negated = in.PeekWord("NOT") && (in.PeekWord("BETWEEN", 1) || in.PeekWord("IN", 1) ||
                                              in.PeekWord("LIKE", 1));
  if (negated) {
    in.Take();
  }
  const std::string notText = negated ? "NOT " : "";
  if (in.TakeWord("BETWEEN")) {
    Expr low = ParseAdditive(in, scope);
    in.ExpectWord("AND", "BETWEEN");
    Expr high = ParseAdditive(in, scope);
    const SqlType common = Dominant({left.type, low.type, high.type});
    left = ConvertTo(left, common, Conversion::Implicit, at);
    low = ConvertTo(low, common, Conversion::Implicit, at);
    high = ConvertTo(high, common, Conversion::Implicit, at);
    return Typed(Collated(left, kEquality + 1) + " " + notText + "BETWEEN " +
                     Operand(low, kEquality + 1) + " AND " + Operand(high, kEquality + 1),
                 {Family::Condition}, kEquality);
  }
  if (in.TakeWord("IN")) {
    if (in.AtEnd() || !in.Peek().group) {
      Fail(at, "IN needs a parenthesised list");
    }
    const Node& list = in.Take();
    if (!list.children.empty() && IsWordNode(list.children[0], "SELECT")) {
      const SelectResult sub = Select(list.children, &scope);
      if (sub.columns.size() != 1) {
        Fail(list, "the subquery of IN must give one column");
      }
      const SqlType& inner = sub.columns[0].type;
      if (left.type.family == Family::Text && IsNumeric(inner.family)) {
        left = ConvertTo(left, inner, Conversion::Implicit, at);
      } else if (left.type.family != inner.family && left.type.family != Family::Null &&
                 inner.family != Family::Null &&
                 !(IsNumeric(left.type.family) && IsNumeric(inner.family))) {
        Fail(at, std::string("IN compares ") + FamilyName(left.type.family) +
                     " with a subquery of " + FamilyName(inner.family));
      }
      return Typed(Collated(left, kEquality + 1) + " " + notText + "IN (" + sub.sql + ")",
                   {Family::Condition}, kEquality);
    }
    std::vector<Expr> items;
    std::vector<SqlType> types{left.type};
    for (const auto& part : SplitAtCommas(list.children)) {
      items.push_back(Whole(part, scope, "IN list"));
      types.push_back(items.back().type);
    }
    const SqlType common = Dominant(types);
    left = ConvertTo(left, common, Conversion::Implicit, at);
    std::string sql = Collated(left, kEquality + 1) + " " + notText + "IN (";
    for (std::size_t i = 0; i < items.size(); ++i) {
      sql += (i ? ", " : "") + ConvertTo(items[i], common, Conversion::Implicit, at).sql;
    }
    return Typed(sql + ")", {Family::Condition}, kEquality);
  }
  if (in.TakeWord("LIKE")) {
    Expr pattern = ParseAdditive(in, scope);
    if (in.PeekWord("ESCAPE")) {
      Fail(in.Peek(), "LIKE ... ESCAPE is not supported");
    }
    const SqlType text{Family::Text};
    left = ConvertTo(left, text, Conversion::Implicit, at);
    pattern = ConvertTo(pattern, text, Conversion::Implicit, at);
    return Typed(notText + "tsql_like(" + left.sql + ", " + pattern.sql + ")", {Family::Condition},
                 negated ? kNot : kPrimary);
  }
  if (negated) {
    Fail(at, "NOT in this place is not supported");
  }
  return left;
}

Expr Translator::ParseAdditive(Cursor& in, const Scope& scope) {
  const std::size_t mark = refs_.size();
  Expr left = ParseMultiplicative(in, scope);
  while (in.PeekOperator("+") || in.PeekOperator("-")) {
    const Node& at = in.Take();
    Expr right = ParseMultiplicative(in, scope);
    left = Arithmetic(std::move(left), at.token.text, std::move(right), at);
    Grouped(left, mark);
  }
  return left;
}

Expr Translator::ParseMultiplicative(Cursor& in, const Scope& scope) {
  const std::size_t mark = refs_.size();
  Expr left = ParseUnary(in, scope);
  while (in.PeekOperator("*") || in.PeekOperator("/") || in.PeekOperator("%")) {
    const Node& at = in.Take();
    Expr right = ParseUnary(in, scope);
    left = Arithmetic(std::move(left), at.token.text, std::move(right), at);
    Grouped(left, mark);
  }
  return left;
}

Expr Translator::ParseUnary(Cursor& in, const Scope& scope) {
  const std::size_t mark = refs_.size();
  if (!in.PeekOperator("-") && !in.PeekOperator("+")) {
    Expr e = ParsePrimary(in, scope);
    Grouped(e, mark);
    return e;
  }
  const Node& at = in.Take();
  const Nested nested(depth_, &at);
  Expr e = ParseUnary(in, scope);
  if (e.type.family == Family::Condition) {
    Fail(at, "a condition cannot stand as a value");
  }
  if (at.token.text == "+") {
    // SQL Server's unary plus leaves any value as it is, text included.
    if (e.type.family == Family::DateTime) {
      Fail(at, "the sign + before a date is not supported");
    }
    return e;
  }
  if (!IsNumeric(e.type.family) && e.type.family != Family::Null) {
    Fail(at, "8117: Operand data type " + TypeName(e.type) + " is invalid for minus operator.");
  }
  if (e.form == Expr::Form::NumberLiteral) {
    // Never "--7", which SQLite would read as a comment.
    e.sql = e.sql.starts_with("-") ? e.sql.substr(1) : "-" + e.sql;
    e.precedence = e.sql.starts_with("-") ? kUnary : kPrimary;
    return e;
  }
  if (e.type.family == Family::Null) {
    return e;
  }
  // -x as x * -1, which overflows where -x does and goes on x's own chain rather than
  // nesting a call in a call for each sign.
  Expr minusOne = Typed("-1", {Family::Integer}, kUnary);
  minusOne.form = Expr::Form::NumberLiteral;
  Expr negated = Arithmetic(e, "*", minusOne, at);
  Grouped(negated, mark);
  return negated;
}

Expr Translator::ParsePrimary(Cursor& in, const Scope& scope) {
  if (in.AtEnd()) {
    throw TranslationError("an expression ends where a value is expected");
  }
  const Node& node = in.Peek();
  if (node.group) {
    in.Take();
    if (!node.children.empty() && IsWordNode(node.children[0], "SELECT")) {
      const SelectResult sub = Select(node.children, &scope);
      if (sub.columns.size() != 1) {
        Fail(node,
             "116: Only one expression can be specified in the select list when the "
             "subquery is not introduced with EXISTS.");
      }
      if (sub.singleRow) {
        return Typed("(" + sub.sql + ")", sub.columns[0].type);
      }
      // SQLite would take the first row.
      return Typed("CASE WHEN (SELECT COUNT(*) FROM (SELECT 1 FROM (" + sub.sql +
                       ") LIMIT 2)) > 1 THEN tsql_error('512: Subquery returned more than 1 "
                       "value. This is not permitted when the subquery follows =, !=, <, <= , "
                       ">, >= or when the subquery is used as an expression.') ELSE (" +
                       sub.sql + ") END",
                   sub.columns[0].type);
    }
    // A chain goes on after the group as it would inside it: tsql_arith folds from the left.
    return Whole(node.children, scope, "parentheses");
  }
  const Token& token = node.token;
  switch (token.kind) {
    case TokenKind::String: {
      in.Take();
      Expr e = Typed(QuoteString(token.text), {Family::Text, static_cast<int>(token.text.size())});
      e.form = Expr::Form::TextLiteral;
      e.value = token.text;
      return e;
    }
    case TokenKind::Number: {
      in.Take();
      const bool real = token.text.find_first_of("eE") != std::string::npos;
      // A whole number beyond int's range is a decimal constant in SQL Server.
      const bool decimal =
          token.text.find('.') != std::string::npos ||
          (!real && token.text.find_first_not_of('0') != std::string::npos &&
           (token.text.size() - std::min(token.text.size(), token.text.find_first_not_of('0')) >
                10 ||
            std::stoll(token.text) > 2147483647LL));
      Expr e = Typed(token.text, {real ? Family::Real : decimal ? Family::Money : Family::Integer});
      // A whole decimal constant stays whole for SQLite, exact up to bigint's end.
      if (decimal && token.text.starts_with(".")) {
        e.sql = "0" + token.text;
      }
      if (decimal) {
        const std::size_t point = token.text.find('.');
        e.type.scale =
            point == std::string::npos ? 0 : static_cast<int>(token.text.size() - point - 1);
      }
      e.form = Expr::Form::NumberLiteral;
      return e;
    }
    case TokenKind::Variable:
      Fail(node, "variables (" + token.text + ") are not supported");
    case TokenKind::Word:
    case TokenKind::QuotedName:
      break;
    default:
      Fail(node, "unexpected " + Describe(node) + " where a value is expected");
  }
  const std::string upper = Upper(token.text);
  if (token.kind == TokenKind::Word) {
    if (OneOf(upper, kUnsupportedWords)) {
      Fail(node, upper + " is not supported");
    }
    if (upper == "NULL") {
      in.Take();
      Expr e = Typed("NULL", {Family::Null});
      e.form = Expr::Form::Null;
      return e;
    }
    if (upper == "CASE") {
      in.Take();
      return ParseCase(in, scope, node);
    }
    if (in.Has(1) && in.Peek(1).group) {
      in.Take();
      return ParseFunction(node, in.Take(), scope);
    }
    if (OneOf(upper, kReserved)) {
      Fail(node, "unexpected " + upper + " where a value is expected");
    }
  }
  return ParseColumn(in, scope);
}

Expr Translator::ParseCase(Cursor& in, const Scope& scope, const Node& at) {
  if (++cases_ > 10) {
    Fail(at, "125: Case expressions may only be nested to level 10.");
  }
  std::optional<Expr> operand;
  if (!in.PeekWord("WHEN")) {
    operand = Value(in, scope);
  }
  std::vector<std::string> conditions;
  std::vector<Expr> results;
  while (in.TakeWord("WHEN")) {
    const Node& whenAt = in.Here();
    if (operand) {
      conditions.push_back(Compare(*operand, "=", ParseAdditive(in, scope), whenAt).sql);
    } else {
      conditions.push_back(Condition(in, scope, "CASE WHEN").sql);
    }
    in.ExpectWord("THEN", "CASE WHEN");
    results.push_back(Value(in, scope));
  }
  if (conditions.empty()) {
    Fail(at, "CASE needs WHEN");
  }
  std::optional<Expr> otherwise;
  if (in.TakeWord("ELSE")) {
    otherwise = Value(in, scope);
  }
  in.ExpectWord("END", "CASE");
  std::vector<SqlType> types;
  for (const Expr& result : results) {
    types.push_back(result.type);
  }
  if (otherwise) {
    types.push_back(otherwise->type);
  }
  const SqlType type = Dominant(types);
  std::string sql = "CASE";
  for (std::size_t i = 0; i < conditions.size(); ++i) {
    sql += " WHEN " + conditions[i] + " THEN " +
           ConvertTo(results[i], type, Conversion::Branch, at).sql;
  }
  if (otherwise) {
    sql += " ELSE " + ConvertTo(*otherwise, type, Conversion::Branch, at).sql;
  }
  --cases_;
  return Typed(sql + " END", type);
}

const OutputColumn* FindColumn(const Source& source, std::string_view name) {
  for (const OutputColumn& column : source.columns) {
    if (EqualsIgnoreCase(column.name, name)) {
      return &column;
    }
  }
  return nullptr;
}

Expr Translator::ParseColumn(Cursor& in, const Scope& scope) {
  const Node& first = in.Take();
  std::vector<std::string> parts{first.token.text};
  while (in.Has(1) && !in.Peek().group && in.Peek().token.kind == TokenKind::Dot) {
    const Node& next = in.Peek(1);
    if (next.group ||
        (next.token.kind != TokenKind::Word && next.token.kind != TokenKind::QuotedName)) {
      break;
    }
    in.Take();
    parts.push_back(in.Take().token.text);
  }
  if (parts.size() > 2) {
    Fail(first, "the column name " + parts[0] + "." + parts[1] + "... has too many parts");
  }
  const std::string name = parts.back();
  bool qualifierKnown = false;
  for (const Scope* s = &scope; s != nullptr; s = s->outer) {
    const OutputColumn* found = nullptr;
    std::string qualifier;
    for (const Source& source : s->sources) {
      if (parts.size() == 2 && !EqualsIgnoreCase(source.qualifier, parts[0])) {
        continue;
      }
      qualifierKnown = true;
      if (const OutputColumn* column = FindColumn(source, name)) {
        if (found != nullptr) {
          Fail(first, "209: Ambiguous column name '" + name + "'.");
        }
        found = column;
        qualifier = source.qualifier;
      }
    }
    if (found == nullptr) {
      continue;
    }
    // Always qualified, so that a column reads the same wherever it is written (a term of
    // GROUP BY is known again in the select list by its text).
    Expr e = Typed(QuoteName(qualifier) + "." + QuoteName(found->name), found->type);
    e.form = Expr::Form::Column;
    e.name = found->name;
    e.declared = found->declared;
    for (std::size_t level = levels_.size(); level-- > 0;) {
      if (levels_[level].scope != s) {
        continue;
      }
      const auto& keys = levels_[level].groupKeys;
      if (levels_[level].aggregates == 0 &&
          std::find(keys.begin(), keys.end(), e.sql) == keys.end()) {
        refs_.push_back({level, qualifier + "." + found->name, first.token.offset});
      }
      break;
    }
    return e;
  }
  if (parts.size() == 2 && !qualifierKnown) {
    Fail(first,
         "4104: The multi-part identifier \"" + parts[0] + "." + name + "\" could not be bound.");
  }
  Fail(first, "207: Invalid column name '" + name + "'.");
}

void Translator::Grouped(const Expr& e, std::size_t mark) {
  if (levels_.empty()) {
    return;
  }
  const auto& keys = levels_.back().groupKeys;
  if (std::find(keys.begin(), keys.end(), e.sql) != keys.end()) {
    TakeLocal(mark);
  }
}

std::vector<Ref> Translator::TakeLocal(std::size_t mark) {
  std::vector<Ref> local;
  if (levels_.empty() || mark >= refs_.size()) {
    return local;
  }
  const std::size_t level = levels_.size() - 1;
  std::vector<Ref> kept(refs_.begin(), refs_.begin() + static_cast<std::ptrdiff_t>(mark));
  for (std::size_t i = mark; i < refs_.size(); ++i) {
    (refs_[i].level == level ? local : kept).push_back(std::move(refs_[i]));
  }
  refs_ = std::move(kept);
  return local;
}

Expr Translator::ParseAggregate(const Node& name, const Node& args, const Scope& scope) {
  const std::string upper = Upper(name.token.text);
  if (levels_.empty()) {
    Fail(name, "an aggregate (" + upper + ") is not allowed here");
  }
  const std::size_t level = levels_.size() - 1;
  switch (levels_[level].clause) {
    case Level::Clause::Where:
      Fail(name,
           "147: An aggregate may not appear in the WHERE clause unless it is in a subquery "
           "contained in a HAVING clause or a select list, and the column being aggregated is "
           "an outer reference.");
    case Level::Clause::GroupBy:
      Fail(name,
           "144: Cannot use an aggregate or a subquery in an expression used for the group by "
           "list of a GROUP BY clause.");
    case Level::Clause::From:
      Fail(name, "an aggregate (" + upper + ") in a join condition is not allowed");
    default:
      break;
  }
  if (levels_[level].aggregates > 0) {
    Fail(name,
         "130: Cannot perform an aggregate function on an expression containing an aggregate "
         "or a subquery.");
  }
  levels_[level].aggregated = true;
  std::vector<Node> children = args.children;
  bool distinct = false;
  if (!children.empty() &&
      (IsWordNode(children[0], "DISTINCT") || IsWordNode(children[0], "ALL"))) {
    distinct = IsWordNode(children[0], "DISTINCT");
    children.erase(children.begin());
  }
  if (upper == "COUNT" && !distinct && children.size() == 1 && IsOperatorNode(children[0], "*")) {
    return Typed("COUNT(*)", {Family::Integer});
  }
  if (children.empty() || SplitAtCommas(children).size() != 1) {
    Fail(name, upper + " takes 1 argument");
  }
  ++levels_[level].aggregates;
  const Expr value = Whole(children, scope, upper);
  --levels_[level].aggregates;
  if (value.type.family == Family::Condition) {
    Fail(name, "a condition given to " + upper);
  }
  const std::string inner = (distinct ? "DISTINCT " : "") + Collated(value);
  if (upper == "COUNT") {
    return Typed("COUNT(" + inner + ")", {Family::Integer});
  }
  if (upper == "MIN" || upper == "MAX") {
    return Typed(upper + "(" + inner + ")", value.type);
  }
  if (value.type.family == Family::Text || value.type.family == Family::Bit ||
      value.type.family == Family::DateTime) {
    Fail(name, "8117: Operand data type " + TypeName(value.type) + " is invalid for " +
                   (upper == "SUM" ? "sum" : "avg") + " operator.");
  }
  // SQL Server sums and averages int and smaller in int, bigint in bigint: either may
  // overflow; an average of whole numbers is whole.
  SqlType type = value.type;
  if (type.family == Family::Integer && type.bits < 32) {
    type.bits = 32;
  }
  const std::string kind = "'" + ArithmeticKind(type) + "'";
  if (upper == "AVG" && type.family == Family::Integer) {
    return Typed("tsql_arith(" + kind + ", SUM(" + inner + "), '/', COUNT(" + inner + "))", type);
  }
  if (type.family == Family::Null) {
    return Typed(upper + "(" + inner + ")", {Family::Integer});
  }
  return Typed("tsql_arith(" + kind + ", " + upper + "(" + inner + "))", type);
}

// --- functions ----------------------------------------------------------------------------

Expr Translator::ParseFunction(const Node& name, const Node& args, const Scope& scope) {
  const std::string upper = Upper(name.token.text);
  const auto parts =
      args.children.empty() ? std::vector<std::vector<Node>>{} : SplitAtCommas(args.children);
  auto arguments = [&](std::size_t low, std::size_t high) {
    if (parts.size() < low || parts.size() > high) {
      Fail(name, upper + " takes " + std::to_string(low) +
                     (high != low ? " to " + std::to_string(high) : std::string()) + " arguments");
    }
    std::vector<Expr> values;
    for (const auto& part : parts) {
      values.push_back(Whole(part, scope, upper));
      if (values.back().type.family == Family::Condition) {
        Fail(name, "a condition given to " + upper);
      }
    }
    return values;
  };
  const SqlType text{Family::Text};
  auto asText = [&](const Expr& e) { return ConvertTo(e, text, Conversion::Implicit, name); };

  if (upper == "CAST") {
    const std::vector<Node>& children = args.children;
    std::size_t as = children.size();
    for (std::size_t i = 0; i < children.size(); ++i) {
      if (IsWordNode(children[i], "AS")) {
        as = i;
      }
    }
    if (as == children.size() || as + 1 >= children.size() || children[as + 1].group) {
      Fail(name, "CAST needs AS and a type");
    }
    const Node* typeArgs =
        as + 2 < children.size() && children[as + 2].group ? &children[as + 2] : nullptr;
    const NamedType type = MapType(children[as + 1], typeArgs);
    const Expr value =
        Whole({children.begin(), children.begin() + static_cast<long>(as)}, scope, "CAST");
    return CastTo(value, type, name);
  }
  if (upper == "CONVERT") {
    if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || parts[0][0].group) {
      Fail(name, "CONVERT needs (type, value[, style])");
    }
    const Node* typeArgs = parts[0].size() > 1 && parts[0][1].group ? &parts[0][1] : nullptr;
    const NamedType type = MapType(parts[0][0], typeArgs);
    const Expr value = Whole(parts[1], scope, "CONVERT");
    if (parts.size() == 2) {
      return CastTo(value, type, name);
    }
    if (parts[2].size() != 1) {
      Fail(name, "the CONVERT style must be a number");
    }
    const int style = WholeNumber(parts[2][0], "the CONVERT style");
    if (type.type.family != Family::Text) {
      Fail(name, "CONVERT to " + parts[0][0].token.text + " with a style (" +
                     std::to_string(style) + ") is not supported");
    }
    if (value.type.family != Family::DateTime) {
      if (value.type.family == Family::Text || value.type.family == Family::Null) {
        return CastTo(value, type, name);  // a style does not shape text
      }
      Fail(name, "CONVERT with a style from " + std::string(FamilyName(value.type.family)) +
                     " is not supported");
    }
    constexpr std::array<int, 5> kStyles = {103, 108, 111, 112, 120};
    if (std::find(kStyles.begin(), kStyles.end(), style) == kStyles.end()) {
      Fail(name, "CONVERT style " + std::to_string(style) + " is not supported");
    }
    std::string sql = "tsql_convert(" + value.sql + ", " + std::to_string(style) + ")";
    if (type.type.length > 0) {
      sql = "SUBSTR(" + sql + ", 1, " + std::to_string(type.type.length) + ")";
    }
    return Typed(sql, type.type);
  }
  if (upper == "COUNT" || upper == "SUM" || upper == "AVG" || upper == "MIN" || upper == "MAX") {
    return ParseAggregate(name, args, scope);
  }
  if (upper == "ISNULL") {
    auto values = arguments(2, 2);
    const SqlType type = values[0].type.family == Family::Null ? values[1].type : values[0].type;
    Expr fallback = ConvertTo(values[1], type, Conversion::Branch, name);
    // The replacement takes the checked value's type, text length included.
    if (type.family == Family::Text && type.length > 0 &&
        (fallback.type.length == 0 || fallback.type.length > type.length)) {
      fallback.sql = values[1].form == Expr::Form::TextLiteral
                         ? QuoteString(values[1].value.substr(0, type.length))
                         : "SUBSTR(" + fallback.sql + ", 1, " + std::to_string(type.length) + ")";
    }
    return Typed("IFNULL(" + values[0].sql + ", " + fallback.sql + ")", type);
  }
  if (upper == "COALESCE") {
    const auto values = arguments(2, 64);
    std::vector<SqlType> types;
    for (const Expr& value : values) {
      types.push_back(value.type);
    }
    const SqlType type = Dominant(types);
    std::string sql = "COALESCE(";
    for (std::size_t i = 0; i < values.size(); ++i) {
      sql += (i ? ", " : "") + ConvertTo(values[i], type, Conversion::Branch, name).sql;
    }
    return Typed(sql + ")", type);
  }
  if (upper == "NULLIF") {
    const auto values = arguments(2, 2);
    const Expr same = Compare(values[0], "=", values[1], name);
    return Typed("CASE WHEN " + same.sql + " THEN NULL ELSE " + values[0].sql + " END",
                 values[0].type);
  }
  if (upper == "ROUND") {
    const auto values = arguments(2, 3);
    if (values.size() == 3 && values[2].sql != "0") {
      Fail(name, "ROUND with truncation is not supported");
    }
    if (values[1].form != Expr::Form::NumberLiteral || values[1].type.family != Family::Integer ||
        values[1].sql.starts_with("-")) {
      Fail(name, "ROUND needs a whole, non-negative number of decimals");
    }
    Expr value = values[0];
    if (value.type.family == Family::Text) {
      value = ConvertTo(value, {Family::Real}, Conversion::Implicit, name);
    }
    if (!IsNumeric(value.type.family) && value.type.family != Family::Null) {
      Fail(name, std::string("ROUND of ") + FamilyName(value.type.family));
    }
    return Typed("ROUND(" + value.sql + ", " + values[1].sql + ")", value.type);
  }
  if (upper == "ABS") {
    Expr value = arguments(1, 1)[0];
    if (value.type.family == Family::Text) {
      value = ConvertTo(value, {Family::Real}, Conversion::Implicit, name);
    }
    if (!IsNumeric(value.type.family) && value.type.family != Family::Null) {
      Fail(name, std::string("ABS of ") + FamilyName(value.type.family));
    }
    if (value.type.family == Family::Integer) {  // ABS of the least int overflows
      return Typed("tsql_arith('" + ArithmeticKind(value.type) + "', ABS(" + value.sql + "))",
                   value.type);
    }
    return Typed("ABS(" + value.sql + ")", value.type);
  }
  if (upper == "SUBSTRING") {
    const auto values = arguments(3, 3);
    const Expr value = asText(values[0]);
    return Typed("SUBSTR(" + value.sql + ", " + values[1].sql + ", " + values[2].sql + ")",
                 {Family::Text, value.type.length});
  }
  if (upper == "LEFT" || upper == "RIGHT") {
    const auto values = arguments(2, 2);
    const Expr value = asText(values[0]);
    const Expr count = ConvertTo(values[1], {Family::Integer}, Conversion::Implicit, name);
    if (upper == "LEFT") {
      return Typed("SUBSTR(" + value.sql + ", 1, " + count.sql + ")", value.type);
    }
    return Typed(
        "SUBSTR(" + value.sql + ", MAX(LENGTH(" + value.sql + ") - (" + count.sql + ") + 1, 1))",
        value.type);
  }
  if (upper == "LEN") {  // LEN ignores trailing blanks
    return Typed("LENGTH(RTRIM(" + asText(arguments(1, 1)[0]).sql + "))", {Family::Integer});
  }
  if (upper == "LTRIM" || upper == "RTRIM") {
    const Expr value = asText(arguments(1, 1)[0]);
    return Typed(upper + "(" + value.sql + ")", value.type);
  }
  if (upper == "UPPER" || upper == "LOWER") {
    // SQLite's own change only ASCII letters.
    const Expr value = asText(arguments(1, 1)[0]);
    return Typed((upper == "UPPER" ? "tsql_upper(" : "tsql_lower(") + value.sql + ")", value.type);
  }
  if (upper == "DATEADD" || upper == "DATEDIFF") {
    if (parts.size() != 3 || parts[0].size() != 1 || parts[0][0].group) {
      Fail(name, upper + " needs (part, value, date)");
    }
    const auto part = DatePart(parts[0][0].token.text);
    if (!part) {
      Fail(parts[0][0], "the date part " + parts[0][0].token.text + " is not supported");
    }
    const SqlType date{Family::DateTime};
    const Expr second = Whole(parts[1], scope, upper);
    const Expr third = ConvertTo(Whole(parts[2], scope, upper), date, Conversion::Implicit, name);
    if (upper == "DATEADD") {
      const Expr count = ConvertTo(second, {Family::Integer}, Conversion::Implicit, name);
      return Typed("tsql_dateadd('" + *part + "', " + count.sql + ", " + third.sql + ")", date);
    }
    const Expr first = ConvertTo(second, date, Conversion::Implicit, name);
    return Typed("tsql_datediff('" + *part + "', " + first.sql + ", " + third.sql + ")",
                 {Family::Integer});
  }
  if (upper == "GETDATE") {
    arguments(0, 0);
    return Typed("tsql_getdate()", {Family::DateTime});
  }
  if (upper == "OBJECT_ID") {
    Fail(name, "OBJECT_ID is supported only in IF OBJECT_ID(...) IS [NOT] NULL");
  }
  Fail(name, "the function " + name.token.text + " is not supported");
}

}  // namespace orla::sqlite::tsql::detail
