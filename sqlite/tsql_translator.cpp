#include "sqlite/tsql_translator.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "sqlite/date_text.h"

namespace orla::sqlite::tsql {

namespace {

std::string Upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return result;
}

template <std::size_t N>
bool OneOf(std::string_view upperWord, const std::array<std::string_view, N>& words) {
  return std::find(words.begin(), words.end(), upperWord) != words.end();
}

// Words that can never be an alias: they go on a clause or an expression.
constexpr std::array<std::string_view, 44> kReserved = {
    "SELECT", "DISTINCT", "TOP",  "FROM",   "WHERE", "GROUP",   "ORDER",     "BY",    "HAVING",
    "AS",     "ON",       "JOIN", "INNER",  "LEFT",  "RIGHT",   "FULL",      "OUTER", "CROSS",
    "AND",    "OR",       "NOT",  "IN",     "IS",    "BETWEEN", "LIKE",      "CASE",  "WHEN",
    "THEN",   "ELSE",     "END",  "UNION",  "ALL",   "EXCEPT",  "INTERSECT", "INTO",  "VALUES",
    "SET",    "ASC",      "DESC", "EXISTS", "NULL",  "WITH",    "ESCAPE",    "SOME"};

// T-SQL that the adapter deliberately does not carry over; met anywhere, it is an error.
constexpr std::array<std::string_view, 31> kUnsupportedWords = {
    "APPLY",  "PIVOT",    "UNPIVOT",  "OVER",     "MERGE",   "EXEC",      "EXECUTE",     "DECLARE",
    "GO",     "TRUNCATE", "PERCENT",  "OUTPUT",   "NOCOUNT", "TRAN",      "TRANSACTION", "BEGIN",
    "COMMIT", "ROLLBACK", "WHILE",    "RETURN",   "PRINT",   "RAISERROR", "COLLATE",     "OFFSET",
    "FETCH",  "TIES",     "ROWCOUNT", "IDENTITY", "USE",     "LIMIT",     "FOR"};

std::string QuoteName(std::string_view name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') {
      quoted += '"';
    }
  }
  return quoted + '"';
}

std::string QuoteString(std::string_view value) {
  std::string quoted = "'";
  for (char c : value) {
    quoted += c;
    if (c == '\'') {
      quoted += '\'';
    }
  }
  return quoted + '\'';
}

[[noreturn]] void Fail(const Node& at, const std::string& what) {
  throw TranslationError(what + " (at offset " + std::to_string(at.token.offset) + ")");
}

std::string Describe(const Node& node) {
  return node.group ? std::string("(...)") : "'" + node.token.text + "'";
}

bool IsWordNode(const Node& node, std::string_view word) {
  return !node.group && IsWord(node.token, word);
}

bool IsOperatorNode(const Node& node, std::string_view op) {
  return !node.group && node.token.kind == TokenKind::Operator && node.token.text == op;
}

bool IsCommaNode(const Node& node) {
  return !node.group && node.token.kind == TokenKind::Comma;
}

// --- types --------------------------------------------------------------------------------

// In SQL Server's data type precedence, lowest first. Condition is the value of a
// comparison, which T-SQL does not let stand as a value.
enum class Family { Null, Text, Bit, Integer, Money, Real, DateTime, Condition };

struct SqlType {
  Family family = Family::Null;
  int length = 0;  // text: the declared length, 0 when none or MAX
  int scale = 4;   // money and decimal: decimals kept
};

bool IsNumeric(Family family) {
  return family == Family::Bit || family == Family::Integer || family == Family::Money ||
         family == Family::Real;
}

const char* FamilyName(Family family) {
  switch (family) {
    case Family::Null:
      return "null";
    case Family::Text:
      return "varchar";
    case Family::Bit:
      return "bit";
    case Family::Integer:
      return "int";
    case Family::Money:
      return "numeric";
    case Family::Real:
      return "float";
    case Family::DateTime:
      return "datetime";
    case Family::Condition:
      return "condition";
  }
  return "?";
}

// The SQLite declared type that makes a column of this type.
std::string DeclaredOf(const SqlType& type) {
  switch (type.family) {
    case Family::Text:
      return type.length > 0 ? "VARCHAR(" + std::to_string(type.length) + ")" : "VARCHAR";
    case Family::Bit:
      return "BIT";
    case Family::Null:  // SELECT NULL INTO makes an int column in SQL Server
    case Family::Integer:
      return "INT";
    case Family::Money:
      return "MONEY REAL";
    case Family::Real:
      return "FLOAT";
    case Family::DateTime:
      return "DATETIME TEXT";
    case Family::Condition:
      break;
  }
  return "";
}

int WholeNumber(const Node& node, std::string_view context) {
  if (node.group || node.token.kind != TokenKind::Number || node.token.text.size() > 9 ||
      node.token.text.find_first_not_of("0123456789") != std::string::npos) {
    Fail(node, std::string(context) + " needs a whole number, not " + Describe(node));
  }
  return std::stoi(node.token.text);
}

struct NamedType {
  SqlType type;
  std::string declared;  // for CREATE TABLE
};

// `args` is the group after the type name, or null.
NamedType MapType(const Node& name, const Node* args) {
  const std::string upper = Upper(name.token.text);
  std::vector<int> numbers;
  if (args != nullptr) {
    for (const Node& child : args->children) {
      if (IsCommaNode(child)) {
        continue;
      }
      numbers.push_back(IsWordNode(child, "MAX") ? 0 : WholeNumber(child, "the size of " + upper));
    }
  }
  const int first = numbers.empty() ? 0 : numbers[0];
  constexpr std::array<std::string_view, 6> kText = {"VARCHAR", "NVARCHAR", "CHAR",
                                                     "NCHAR",   "TEXT",     "NTEXT"};
  if (OneOf(upper, kText)) {
    const std::string base = upper.starts_with("N") ? upper.substr(1) : upper;
    // CHAR and VARCHAR without a length hold one character in a column, 30 in CAST.
    return {{Family::Text, first}, first > 0 ? base + "(" + std::to_string(first) + ")" : base};
  }
  constexpr std::array<std::string_view, 5> kIntegers = {"INT", "INTEGER", "SMALLINT", "TINYINT",
                                                         "BIGINT"};
  if (OneOf(upper, kIntegers)) {
    return {{Family::Integer}, "INTEGER"};
  }
  if (upper == "BIT") {
    return {{Family::Bit}, "BIT"};
  }
  if (upper == "FLOAT" || upper == "REAL") {
    return {{Family::Real}, "FLOAT"};
  }
  // NUMERIC affinity would store 10.00 as the integer 10, so that 10.00 / 4 gave 2.
  if (upper == "MONEY" || upper == "SMALLMONEY") {
    return {{Family::Money, 0, 4}, "MONEY REAL"};
  }
  if (upper == "DECIMAL" || upper == "NUMERIC") {
    return {{Family::Money, 0, numbers.size() > 1 ? numbers[1] : 0}, upper + " REAL"};
  }
  // TEXT affinity: a date must never become a number (2024-03-01 read as 2024).
  if (upper == "DATETIME" || upper == "SMALLDATETIME" || upper == "DATE" || upper == "DATETIME2") {
    return {{Family::DateTime}, "DATETIME TEXT"};
  }
  Fail(name, "the data type " + name.token.text + " is not supported");
}

std::optional<SqlType> TypeOfDeclared(std::string_view declared) {
  const std::string upper = Upper(declared);
  switch (ColumnTypeOfDeclared(declared)) {
    case host::ColumnType::Date:
      return SqlType{Family::DateTime};
    case host::ColumnType::Boolean:
      return SqlType{Family::Bit};
    case host::ColumnType::Integer:
      return SqlType{Family::Integer};
    case host::ColumnType::Text: {
      SqlType type{Family::Text};
      const std::size_t open = upper.find('(');
      if (open != std::string::npos) {
        type.length = std::atoi(upper.c_str() + open + 1);
      }
      return type;
    }
    case host::ColumnType::Double:
      return SqlType{upper.find("MONEY") != std::string::npos ||
                             upper.find("DECIMAL") != std::string::npos ||
                             upper.find("NUMERIC") != std::string::npos
                         ? Family::Money
                         : Family::Real};
    default:
      return std::nullopt;
  }
}

// --- expressions --------------------------------------------------------------------------

struct Expr {
  std::string sql;
  SqlType type;
  enum class Form { Other, TextLiteral, NumberLiteral, Null, Column } form = Form::Other;
  std::string value;     // a text literal's value
  std::string name;      // a column: its name, which a result column keeps
  std::string declared;  // a column: its declared type
};

Expr Typed(std::string sql, SqlType type) {
  Expr e;
  e.sql = std::move(sql);
  e.type = type;
  return e;
}

struct OutputColumn {
  std::string name;
  SqlType type;
  std::string declared;
};

// A table, working table or derived table that a FROM brings into scope.
struct Source {
  std::string qualifier;  // alias, or the table's own name
  std::vector<OutputColumn> columns;
};

struct Scope {
  std::vector<Source> sources;
  const Scope* outer = nullptr;
};

// Reads the nodes of one clause from left to right.
class Cursor {
 public:
  Cursor(const std::vector<Node>& nodes, std::size_t begin, std::size_t end)
      : nodes_(nodes), pos_(begin), end_(end) {}
  explicit Cursor(const std::vector<Node>& nodes) : Cursor(nodes, 0, nodes.size()) {}

  bool AtEnd() const { return pos_ >= end_; }
  bool Has(std::size_t ahead) const { return pos_ + ahead < end_; }
  const Node& Peek(std::size_t ahead = 0) const { return nodes_[pos_ + ahead]; }
  const Node& Take() { return nodes_[pos_++]; }
  // The node to name in an error: the next one, or the last of the clause.
  const Node& Here() const { return nodes_[std::min(pos_, end_ - 1)]; }
  bool PeekWord(std::string_view word, std::size_t ahead = 0) const {
    return Has(ahead) && IsWordNode(Peek(ahead), word);
  }
  bool TakeWord(std::string_view word) {
    if (PeekWord(word)) {
      ++pos_;
      return true;
    }
    return false;
  }
  void ExpectWord(std::string_view word, std::string_view context) {
    if (!TakeWord(word)) {
      if (AtEnd()) {
        throw TranslationError(std::string(context) + " needs " + std::string(word));
      }
      Fail(Peek(),
           std::string(context) + " needs " + std::string(word) + ", not " + Describe(Peek()));
    }
  }
  bool PeekOperator(std::string_view op) const { return !AtEnd() && IsOperatorNode(Peek(), op); }
  bool PeekComma() const { return !AtEnd() && IsCommaNode(Peek()); }
  void ExpectEnd(std::string_view context) const {
    if (!AtEnd()) {
      Fail(Peek(), "unexpected " + Describe(Peek()) + " in " + std::string(context));
    }
  }
  std::size_t Position() const { return pos_; }
  std::size_t End() const { return end_; }
  void Seek(std::size_t pos) { pos_ = pos; }
  const std::vector<Node>& Nodes() const { return nodes_; }

 private:
  const std::vector<Node>& nodes_;
  std::size_t pos_;
  std::size_t end_;
};

std::vector<std::vector<Node>> SplitAtCommas(const std::vector<Node>& nodes) {
  std::vector<std::vector<Node>> parts(1);
  for (const Node& node : nodes) {
    if (IsCommaNode(node)) {
      parts.emplace_back();
    } else {
      parts.back().push_back(node);
    }
  }
  return parts;
}

// Parses a table name starting at nodes[i]: name, [name], ##name, dbo.name,
// TempDB.dbo.##name, TempDB..##name. Advances i past it.
std::optional<TableName> ReadTableName(const std::vector<Node>& nodes, std::size_t& i,
                                       std::size_t end) {
  auto isName = [&](std::size_t k) {
    return k < end && !nodes[k].group &&
           (nodes[k].token.kind == TokenKind::Word || nodes[k].token.kind == TokenKind::QuotedName);
  };
  auto isDot = [&](std::size_t k) {
    return k < end && !nodes[k].group && nodes[k].token.kind == TokenKind::Dot;
  };
  if (!isName(i)) {
    return std::nullopt;
  }
  std::vector<std::string> parts{nodes[i].token.text};
  std::size_t k = i + 1;
  while (isDot(k)) {
    if (isDot(k + 1)) {  // TempDB..##X: the schema left out
      parts.push_back("dbo");
      ++k;
      continue;
    }
    if (!isName(k + 1)) {
      break;
    }
    parts.push_back(nodes[k + 1].token.text);
    k += 2;
  }
  TableName table;
  table.name = parts.back();
  if (parts.size() > 3) {
    Fail(nodes[i], "a four-part name is not supported: " + parts.front() + "...");
  }
  if (parts.size() == 3 && !EqualsIgnoreCase(parts[0], "TempDB")) {
    Fail(nodes[i], "a table of another database is not supported: " + parts[0]);
  }
  if (parts.size() == 2 && !EqualsIgnoreCase(parts[0], "dbo")) {
    Fail(nodes[i], "the schema " + parts[0] + " is not supported");
  }
  if (table.name.starts_with("#")) {
    if (!table.name.starts_with("##")) {
      Fail(nodes[i],
           "a local temporary table (" + table.name + ") is not supported; use a ## table");
    }
    table.temp = true;
  }
  i = k;
  return table;
}

std::optional<TableName> ReadTableName(const std::vector<Node>& nodes, std::size_t& i) {
  return ReadTableName(nodes, i, nodes.size());
}

// Canonical DATEADD/DATEDIFF parts.
std::optional<std::string> DatePart(std::string_view written) {
  const std::string upper = Upper(written);
  struct Alias {
    std::string_view name, canonical;
  };
  static constexpr Alias kParts[] = {
      {"YEAR", "year"},     {"YY", "year"},       {"YYYY", "year"},   {"QUARTER", "quarter"},
      {"QQ", "quarter"},    {"Q", "quarter"},     {"MONTH", "month"}, {"MM", "month"},
      {"M", "month"},       {"DAY", "day"},       {"DD", "day"},      {"D", "day"},
      {"WEEK", "week"},     {"WK", "week"},       {"WW", "week"},     {"HOUR", "hour"},
      {"HH", "hour"},       {"MINUTE", "minute"}, {"MI", "minute"},   {"N", "minute"},
      {"SECOND", "second"}, {"SS", "second"},     {"S", "second"}};
  for (const Alias& alias : kParts) {
    if (alias.name == upper) {
      return std::string(alias.canonical);
    }
  }
  return std::nullopt;
}

// How a value meets the type it must take.
enum class Conversion {
  Implicit,    // an operator or comparison: a literal that cannot convert is an error now
  Branch,      // a CASE branch or COALESCE argument: it fails only if it is the value taken
  Assignment,  // a column receives it: numbers are cut to the column's kind
};

struct SelectResult {
  std::string sql;
  std::vector<OutputColumn> columns;
  std::optional<TableName> into;
};

struct FromItem {
  std::string join;  // how it joins the items before it: "", ", ", " INNER JOIN "...
  std::string body;  // the table or derived table with its alias
  std::string on;    // the join condition, or ""
  bool inner = true;
  std::optional<TableName> table;
};

struct From {
  std::vector<FromItem> items;
  Scope scope;

  std::string Sql(std::size_t first = 0) const {
    std::string sql;
    for (std::size_t i = first; i < items.size(); ++i) {
      sql += (i == first ? std::string() : items[i].join) + items[i].body +
             (items[i].on.empty() || i == first ? std::string() : " ON " + items[i].on);
    }
    return sql;
  }
};

struct SelectItem {
  Expr value;
  std::string name;
};

struct Core {
  bool distinct = false;
  std::string top;
  std::vector<SelectItem> items;
  std::string from, where, groupBy, having;
  Scope scope;
  std::optional<TableName> into;
};

// Where each clause of one SELECT begins, at its own level.
struct Clauses {
  std::size_t into = 0, from = 0, where = 0, group = 0, having = 0;
};

class Translator {
 public:
  explicit Translator(Catalog& catalog) : catalog_(catalog) {}

  Translation Translate(const std::vector<Node>& nodes);

 private:
  // Expressions, loosest binding first.
  Expr Parse(Cursor& in, const Scope& scope);
  Expr ParseAnd(Cursor& in, const Scope& scope);
  Expr ParseNot(Cursor& in, const Scope& scope);
  Expr ParsePredicate(Cursor& in, const Scope& scope);
  Expr ParseAdditive(Cursor& in, const Scope& scope);
  Expr ParseMultiplicative(Cursor& in, const Scope& scope);
  Expr ParseUnary(Cursor& in, const Scope& scope);
  Expr ParsePrimary(Cursor& in, const Scope& scope);
  Expr ParseCase(Cursor& in, const Scope& scope, const Node& at);
  Expr ParseFunction(const Node& name, const Node& args, const Scope& scope);
  Expr ParseColumn(Cursor& in, const Scope& scope);
  Expr Whole(const std::vector<Node>& nodes, const Scope& scope, std::string_view context);
  Expr Condition(Cursor& in, const Scope& scope, std::string_view context);
  Expr Value(Cursor& in, const Scope& scope);

  Expr Compare(Expr left, std::string op, Expr right, const Node& at);
  Expr Arithmetic(Expr left, const std::string& op, Expr right, const Node& at);
  Expr CastTo(Expr value, const NamedType& to, const Node& at);

  SelectResult Select(const std::vector<Node>& nodes, const Scope* outer,
                      const std::vector<OutputColumn>* targets = nullptr);
  Source TableSource(const TableName& table, const Node& at);
  From ParseFrom(Cursor& in, const Scope* outer);
  Core ParseCore(const std::vector<Node>& nodes, std::size_t begin, std::size_t end,
                 const Scope* outer);

  Translation Insert(const std::vector<Node>& nodes);
  Translation Update(const std::vector<Node>& nodes);
  Translation Delete(const std::vector<Node>& nodes);
  Translation Drop(const std::vector<Node>& nodes);
  Translation CreateTable(const std::vector<Node>& nodes);
  Translation CreateIndex(const std::vector<Node>& nodes);

  Catalog& catalog_;
};

// --- conversions --------------------------------------------------------------------------

bool ReadNumberLiteral(std::string_view text, Family family, std::string& number) {
  std::string_view trimmed = text;
  while (!trimmed.empty() && trimmed.front() == ' ') {
    trimmed.remove_prefix(1);
  }
  while (!trimmed.empty() && trimmed.back() == ' ') {
    trimmed.remove_suffix(1);
  }
  const std::string copy(trimmed);
  const bool whole = family == Family::Integer || family == Family::Bit;
  if (copy.empty() ||
      copy.find_first_not_of(whole ? "+-0123456789" : "+-.0123456789eE") != std::string::npos) {
    return false;
  }
  char* end = nullptr;
  if (whole) {
    const long long value = std::strtoll(copy.c_str(), &end, 10);
    number = std::to_string(family == Family::Bit ? (value != 0 ? 1 : 0) : value);
  } else {
    std::strtod(copy.c_str(), &end);
    number = copy.starts_with("+") ? copy.substr(1) : copy;
    if (number.find_first_of(".eE") == std::string::npos) {
      number += ".0";  // a real, so that SQLite divides it as one
    }
  }
  return end == copy.c_str() + copy.size();
}

std::string DateLiteral(const std::string& text, const Node& at) {
  const auto moment = ReadDateText(text);
  if (!moment) {
    Fail(at, "the text '" + text +
                 "' meets a date but is not one SQL Server reads the same under every "
                 "language ('YYYYMMDD hh:mm:ss', 'YYYY/MM/DD hh:mm:ss' or 'YYYY-MM-DD')");
  }
  return QuoteString(StoredDateText(*moment));
}

// `value` as a value of type `to`, the way SQL Server converts it implicitly.
Expr ConvertTo(Expr value, const SqlType& to, Conversion how, const Node& at) {
  const Family from = value.type.family;
  if (from == Family::Condition) {
    Fail(at, "a condition cannot stand as a value");
  }
  if (from == Family::Null || to.family == Family::Null) {
    return value;
  }
  Expr result = value;
  result.type = to;
  result.form = Expr::Form::Other;
  if (from == to.family) {
    result.form = value.form;
    result.type = value.type;
    return result;
  }
  switch (to.family) {
    case Family::Text:
      if (from == Family::DateTime) {
        Fail(at, "a date turned into text without CONVERT and a style");
      }
      result.sql = "CAST(" + value.sql + " AS TEXT)";
      return result;
    case Family::DateTime:
      if (value.form == Expr::Form::TextLiteral) {
        result.sql = DateLiteral(value.value, at);
        return result;
      }
      result.sql = "tsql_datetime(" + value.sql + ")";
      return result;
    case Family::Bit:
    case Family::Integer:
    case Family::Money:
    case Family::Real:
      if (from == Family::DateTime) {
        Fail(at, std::string("a date used as ") + FamilyName(to.family));
      }
      if (from == Family::Text) {
        std::string number;
        if (value.form == Expr::Form::TextLiteral &&
            ReadNumberLiteral(value.value, to.family, number)) {
          result.sql = number;
          result.form = Expr::Form::NumberLiteral;
          return result;
        }
        if (value.form == Expr::Form::TextLiteral && how != Conversion::Branch) {
          Fail(at, "conversion failed: the text '" + value.value + "' is not a " +
                       FamilyName(to.family) + " value");
        }
        result.sql = (to.family == Family::Bit       ? "tsql_bit("
                      : to.family == Family::Integer ? "tsql_int("
                                                     : "tsql_float(") +
                     value.sql + ")";
        return result;
      }
      if (how == Conversion::Assignment && to.family == Family::Integer &&
          (from == Family::Money || from == Family::Real)) {
        result.sql = "CAST(" + value.sql + " AS INTEGER)";
      } else if (how == Conversion::Assignment && to.family == Family::Bit &&
                 value.form != Expr::Form::NumberLiteral) {
        result.sql = "tsql_bit(" + value.sql + ")";
      } else if (value.form == Expr::Form::NumberLiteral && to.family == Family::Bit) {
        result.sql = std::strtod(value.sql.c_str(), nullptr) != 0.0 ? "1" : "0";
        result.form = Expr::Form::NumberLiteral;
      } else {
        result.form = value.form;
      }
      return result;
    case Family::Null:
    case Family::Condition:
      break;
  }
  return result;
}

// The type that wins among `types` in SQL Server's precedence.
SqlType Dominant(const std::vector<SqlType>& types) {
  SqlType best;
  for (const SqlType& type : types) {
    if (type.family > best.family) {
      best = type;
    } else if (type.family == best.family && type.family == Family::Text) {
      best.length = best.length == 0 || type.length == 0 ? 0 : std::max(best.length, type.length);
    }
  }
  return best;
}

// A value that takes part in a text comparison, grouping or sort.
std::string Collated(const Expr& e) {
  return e.type.family == Family::Text ? e.sql + " COLLATE " + kCollation : e.sql;
}

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
  return Typed("(" + Collated(left) + " " + op + " " + right.sql + ")", {Family::Condition});
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
    return Typed("(" + left.sql + " || " + right.sql + ")", {Family::Text, length});
  }
  if (l == Family::DateTime || r == Family::DateTime) {
    Fail(at, "date arithmetic with the operator " + op + " is not supported; use DATEADD");
  }
  if (textual) {
    Fail(at, "the operator " + op + " is not defined on text");
  }
  SqlType common = Dominant({left.type, right.type});
  if (common.family == Family::Bit) {
    common = {Family::Integer};
  }
  left = ConvertTo(left, common, Conversion::Implicit, at);
  right = ConvertTo(right, common, Conversion::Implicit, at);
  if (op == "/") {
    return Typed("tsql_divide(" + left.sql + ", " + right.sql + ")", common);
  }
  if (op == "%" && common.family != Family::Integer) {
    Fail(at, "the operator % on a value that is not whole is not supported");
  }
  return Typed("(" + left.sql + " " + op + " " + right.sql + ")", common);
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
      result.sql = from == Family::Text ? "tsql_int(" + value.sql + ")"
                                        : "CAST(" + value.sql + " AS INTEGER)";
      return result;
    case Family::Real:
      result.sql = from == Family::Text ? "tsql_float(" + value.sql + ")"
                                        : "CAST(" + value.sql + " AS REAL)";
      return result;
    case Family::Money:
      result.sql = "ROUND(" +
                   (from == Family::Text ? "tsql_float(" + value.sql + ")"
                                         : "CAST(" + value.sql + " AS REAL)") +
                   ", " + std::to_string(to.type.scale) + ")";
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

Expr Translator::Parse(Cursor& in, const Scope& scope) {
  Expr left = ParseAnd(in, scope);
  while (in.PeekWord("OR")) {
    const Node& at = in.Take();
    Expr right = ParseAnd(in, scope);
    if (left.type.family != Family::Condition || right.type.family != Family::Condition) {
      Fail(at, "OR needs conditions on both sides");
    }
    left = Typed("(" + left.sql + " OR " + right.sql + ")", {Family::Condition});
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
    left = Typed("(" + left.sql + " AND " + right.sql + ")", {Family::Condition});
  }
  return left;
}

Expr Translator::ParseNot(Cursor& in, const Scope& scope) {
  if (in.PeekWord("NOT")) {
    const Node& at = in.Take();
    Expr e = ParseNot(in, scope);
    if (e.type.family != Family::Condition) {
      Fail(at, "NOT needs a condition");
    }
    return Typed("(NOT " + e.sql + ")", {Family::Condition});
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
    return Typed("(EXISTS (" + sub.sql + "))", {Family::Condition});
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
    return Typed("(" + left.sql + (negated ? " IS NOT NULL)" : " IS NULL)"), {Family::Condition});
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
    return Typed(
        "(" + Collated(left) + " " + notText + "BETWEEN " + low.sql + " AND " + high.sql + ")",
        {Family::Condition});
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
      return Typed("(" + Collated(left) + " " + notText + "IN (" + sub.sql + "))",
                   {Family::Condition});
    }
    std::vector<Expr> items;
    std::vector<SqlType> types{left.type};
    for (const auto& part : SplitAtCommas(list.children)) {
      items.push_back(Whole(part, scope, "IN list"));
      types.push_back(items.back().type);
    }
    const SqlType common = Dominant(types);
    left = ConvertTo(left, common, Conversion::Implicit, at);
    std::string sql = "(" + Collated(left) + " " + notText + "IN (";
    for (std::size_t i = 0; i < items.size(); ++i) {
      sql += (i ? ", " : "") + ConvertTo(items[i], common, Conversion::Implicit, at).sql;
    }
    return Typed(sql + "))", {Family::Condition});
  }
  if (in.TakeWord("LIKE")) {
    Expr pattern = ParseAdditive(in, scope);
    if (in.PeekWord("ESCAPE")) {
      Fail(in.Peek(), "LIKE ... ESCAPE is not supported");
    }
    const SqlType text{Family::Text};
    left = ConvertTo(left, text, Conversion::Implicit, at);
    pattern = ConvertTo(pattern, text, Conversion::Implicit, at);
    return Typed("(" + notText + "tsql_like(" + left.sql + ", " + pattern.sql + "))",
                 {Family::Condition});
  }
  if (negated) {
    Fail(at, "NOT in this place is not supported");
  }
  return left;
}

Expr Translator::ParseAdditive(Cursor& in, const Scope& scope) {
  Expr left = ParseMultiplicative(in, scope);
  while (in.PeekOperator("+") || in.PeekOperator("-")) {
    const Node& at = in.Take();
    Expr right = ParseMultiplicative(in, scope);
    left = Arithmetic(std::move(left), at.token.text, std::move(right), at);
  }
  return left;
}

Expr Translator::ParseMultiplicative(Cursor& in, const Scope& scope) {
  Expr left = ParseUnary(in, scope);
  while (in.PeekOperator("*") || in.PeekOperator("/") || in.PeekOperator("%")) {
    const Node& at = in.Take();
    Expr right = ParseUnary(in, scope);
    left = Arithmetic(std::move(left), at.token.text, std::move(right), at);
  }
  return left;
}

Expr Translator::ParseUnary(Cursor& in, const Scope& scope) {
  if (in.PeekOperator("-") || in.PeekOperator("+")) {
    const Node& at = in.Take();
    Expr e = ParseUnary(in, scope);
    if (!IsNumeric(e.type.family) && e.type.family != Family::Null) {
      Fail(at, "the sign " + at.token.text + " before a value that is not a number");
    }
    if (at.token.text == "+") {
      return e;
    }
    if (e.form == Expr::Form::NumberLiteral) {
      e.sql = "-" + e.sql;
      return e;
    }
    return Typed("(-" + e.sql + ")", e.type);
  }
  return ParsePrimary(in, scope);
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
        Fail(node, "a subquery used as a value must give one column");
      }
      return Typed("(" + sub.sql + ")", sub.columns[0].type);
    }
    Expr inner = Whole(node.children, scope, "parentheses");
    if (inner.type.family == Family::Condition || inner.sql.starts_with("(")) {
      return inner;
    }
    inner.sql = "(" + inner.sql + ")";
    return inner;
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
      const bool decimal = token.text.find('.') != std::string::npos;
      Expr e = Typed(token.text, {real ? Family::Real : decimal ? Family::Money : Family::Integer});
      if (decimal && token.text.starts_with(".")) {
        e.sql = "0" + token.text;
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
  for (const Scope* s = &scope; s != nullptr; s = s->outer) {
    const OutputColumn* found = nullptr;
    std::string qualifier;
    for (const Source& source : s->sources) {
      if (parts.size() == 2 && !EqualsIgnoreCase(source.qualifier, parts[0])) {
        continue;
      }
      if (const OutputColumn* column = FindColumn(source, name)) {
        if (found != nullptr) {
          Fail(first, "the column name " + name + " is ambiguous");
        }
        found = column;
        qualifier = source.qualifier;
      }
    }
    if (found != nullptr) {
      Expr e = Typed((parts.size() == 2 ? QuoteName(parts[0]) + "." : "") + QuoteName(name),
                     found->type);
      e.form = Expr::Form::Column;
      e.name = found->name;
      e.declared = found->declared;
      return e;
    }
  }
  Fail(first, "no such column: " + (parts.size() == 2 ? parts[0] + "." : std::string()) + name);
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
  if (upper == "COUNT") {
    if (args.children.size() == 1 && IsOperatorNode(args.children[0], "*")) {
      return Typed("COUNT(*)", {Family::Integer});
    }
    if (!args.children.empty() && IsWordNode(args.children[0], "DISTINCT")) {
      const Expr value =
          Whole({args.children.begin() + 1, args.children.end()}, scope, "COUNT(DISTINCT");
      return Typed("COUNT(DISTINCT " + Collated(value) + ")", {Family::Integer});
    }
    return Typed("COUNT(" + arguments(1, 1)[0].sql + ")", {Family::Integer});
  }
  if (upper == "SUM" || upper == "AVG" || upper == "MIN" || upper == "MAX") {
    const bool distinct = !args.children.empty() && IsWordNode(args.children[0], "DISTINCT");
    const Expr value = distinct
                           ? Whole({args.children.begin() + 1, args.children.end()}, scope, upper)
                           : arguments(1, 1)[0];
    const std::string inner = (distinct ? "DISTINCT " : "") + Collated(value);
    if (upper == "MIN" || upper == "MAX") {
      return Typed(upper + "(" + inner + ")", value.type);
    }
    if (value.type.family == Family::Text || value.type.family == Family::Bit ||
        value.type.family == Family::DateTime) {
      Fail(name, upper + " of " + FamilyName(value.type.family) + " is not allowed");
    }
    if (upper == "AVG" && value.type.family == Family::Integer) {
      // SQL Server averages whole numbers in whole numbers.
      return Typed("CAST(AVG(" + inner + ") AS INTEGER)", value.type);
    }
    return Typed(upper + "(" + inner + ")", value.type);
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

// --- SELECT -------------------------------------------------------------------------------

Source Translator::TableSource(const TableName& table, const Node& at) {
  const auto columns = catalog_.Columns(table);
  if (!columns) {
    Fail(at, "no such table: " + table.name);
  }
  Source source;
  source.qualifier = table.name;
  for (const CatalogColumn& column : *columns) {
    auto type = TypeOfDeclared(column.declaredType);
    if (!type && column.declaredType.empty() && table.name.starts_with("sqlite_")) {
      type = SqlType{};  // SQLite's own tables, read as they are by support staff and tests
    }
    if (!type) {
      Fail(at, "the column " + column.name + " of " + table.name + " has the type '" +
                   column.declaredType + "', which the adapter does not know");
    }
    source.columns.push_back({column.name, *type, column.declaredType});
  }
  return source;
}

bool IsAliasWord(const Node& node) {
  if (node.group) {
    return false;
  }
  if (node.token.kind == TokenKind::QuotedName) {
    return true;
  }
  if (node.token.kind != TokenKind::Word) {
    return false;
  }
  const std::string upper = Upper(node.token.text);
  if (OneOf(upper, kUnsupportedWords)) {
    Fail(node, upper + " is not supported");
  }
  return !OneOf(upper, kReserved);
}

void SkipHints(Cursor& in) {
  if (!in.PeekWord("WITH")) {
    return;
  }
  const Node& with = in.Take();
  if (in.AtEnd() || !in.Peek().group) {
    Fail(with, "WITH (a common table expression) is not supported");
  }
  for (const Node& hint : in.Take().children) {
    if (IsCommaNode(hint)) {
      continue;
    }
    if (!IsWordNode(hint, "NOLOCK") && !IsWordNode(hint, "READUNCOMMITTED")) {
      Fail(hint, "the table hint WITH (" + hint.token.text + ") is not supported");
    }
  }
  // SQLite reads without locking out writers anyway; the hint has nothing to carry.
}

From Translator::ParseFrom(Cursor& in, const Scope* outer) {
  From from;
  from.scope.outer = outer;
  std::string join;
  bool inner = true;
  while (true) {
    if (in.AtEnd()) {
      throw TranslationError("FROM ends where a table is expected");
    }
    FromItem item;
    item.join = join;
    item.inner = inner;
    const Node& at = in.Peek();
    Source source;
    if (at.group) {
      in.Take();
      if (at.children.empty() || !IsWordNode(at.children[0], "SELECT")) {
        Fail(at, "a parenthesised join in FROM is not supported");
      }
      const SelectResult sub = Select(at.children, nullptr);
      for (const OutputColumn& column : sub.columns) {
        if (column.name.empty()) {
          Fail(at, "a column of a derived table needs a name");
        }
      }
      source.columns = sub.columns;
      item.body = "(" + sub.sql + ")";
    } else {
      std::size_t pos = in.Position();
      const auto name = ReadTableName(in.Nodes(), pos, in.End());
      if (!name) {
        Fail(at, "unexpected " + Describe(at) + " where a table is expected");
      }
      in.Seek(pos);
      source = TableSource(*name, at);
      item.table = name;
      item.body = name->Sql();
    }
    SkipHints(in);
    const bool as = in.TakeWord("AS");
    if (!in.AtEnd() && IsAliasWord(in.Peek())) {
      source.qualifier = in.Take().token.text;
      item.body += " AS " + QuoteName(source.qualifier);
    } else if (as) {
      Fail(in.Here(), "AS needs an alias");
    } else if (at.group) {
      Fail(at, "a derived table needs an alias");
    }
    SkipHints(in);
    from.scope.sources.push_back(std::move(source));
    if (!join.empty() && join != ", " && join != " CROSS JOIN ") {
      in.ExpectWord("ON", "JOIN");
      item.on = Condition(in, from.scope, "ON").sql;
    }
    from.items.push_back(std::move(item));
    if (in.AtEnd()) {
      return from;
    }
    if (in.PeekComma()) {
      in.Take();
      join = ", ";
      inner = true;
      continue;
    }
    const Node& word = in.Peek();
    std::string kind = Upper(word.token.text);
    if (word.group || word.token.kind != TokenKind::Word) {
      Fail(word, "unexpected " + Describe(word) + " after a table");
    }
    in.Take();
    if (kind == "JOIN") {
      kind = "INNER";
    } else {
      if (kind != "INNER" && kind != "LEFT" && kind != "RIGHT" && kind != "FULL" &&
          kind != "CROSS") {
        Fail(word, "unexpected " + Describe(word) + " after a table");
      }
      if (kind != "INNER" && kind != "CROSS") {
        in.TakeWord("OUTER");
      }
      if (in.PeekWord("APPLY")) {
        Fail(in.Peek(), "APPLY is not supported");
      }
      in.ExpectWord("JOIN", kind);
    }
    join = " " + kind + (kind == "INNER" || kind == "CROSS" ? "" : " OUTER") + " JOIN ";
    inner = kind == "INNER" || kind == "CROSS";
  }
}

Core Translator::ParseCore(const std::vector<Node>& nodes, std::size_t begin, std::size_t end,
                           const Scope* outer) {
  Core core;
  if (begin >= end || !IsWordNode(nodes[begin], "SELECT")) {
    Fail(nodes[std::min(begin, nodes.size() - 1)], "a SELECT is expected");
  }
  Clauses at;
  for (std::size_t k = begin + 1; k < end; ++k) {
    const Node& node = nodes[k];
    auto mark = [&](std::size_t& slot) {
      if (slot != 0) {
        Fail(node, "a second " + Upper(node.token.text) + " in one SELECT");
      }
      slot = k;
    };
    if (IsWordNode(node, "INTO")) {
      mark(at.into);
    } else if (IsWordNode(node, "FROM")) {
      mark(at.from);
    } else if (IsWordNode(node, "WHERE")) {
      mark(at.where);
    } else if (IsWordNode(node, "GROUP") && k + 1 < end && IsWordNode(nodes[k + 1], "BY")) {
      mark(at.group);
    } else if (IsWordNode(node, "HAVING")) {
      mark(at.having);
    }
  }
  // Each clause runs to the next one that is present.
  const std::vector<std::size_t> starts = {at.into, at.from, at.where, at.group, at.having};
  auto clauseEnd = [&](std::size_t from) {
    std::size_t stop = end;
    for (std::size_t s : starts) {
      if (s > from && s < stop) {
        stop = s;
      }
    }
    return stop;
  };
  Cursor head(nodes, begin + 1, clauseEnd(begin));
  core.distinct = head.TakeWord("DISTINCT");
  if (head.PeekWord("TOP")) {
    const Node& top = head.Take();
    if (head.AtEnd()) {
      Fail(top, "TOP needs a number");
    }
    const Node& count = head.Take();
    core.top = count.group ? Whole(count.children, {}, "TOP").sql
                           : std::to_string(WholeNumber(count, "TOP"));
  }
  if (at.into != 0) {
    std::size_t pos = at.into + 1;
    core.into = ReadTableName(nodes, pos, clauseEnd(at.into));
    if (!core.into || pos != clauseEnd(at.into)) {
      Fail(nodes[at.into], "SELECT ... INTO needs a table name");
    }
  }
  core.scope.outer = outer;
  if (at.from != 0) {
    Cursor in(nodes, at.from + 1, clauseEnd(at.from));
    From from = ParseFrom(in, outer);
    core.from = from.Sql();
    core.scope = std::move(from.scope);
  }
  // The select list.
  std::vector<Node> list(nodes.begin() + static_cast<long>(head.Position()),
                         nodes.begin() + static_cast<long>(clauseEnd(begin)));
  if (list.empty()) {
    Fail(nodes[begin], "SELECT needs a column list");
  }
  for (const auto& part : SplitAtCommas(list)) {
    if (part.empty()) {
      Fail(nodes[begin], "an empty column in the select list");
    }
    const bool star = part.size() == 1 && IsOperatorNode(part[0], "*");
    const bool qualifiedStar = part.size() == 3 && IsOperatorNode(part[2], "*") && !part[1].group &&
                               part[1].token.kind == TokenKind::Dot;
    if (star || qualifiedStar) {
      bool any = false;
      for (const Source& source : core.scope.sources) {
        if (qualifiedStar && !EqualsIgnoreCase(source.qualifier, part[0].token.text)) {
          continue;
        }
        any = true;
        for (const OutputColumn& column : source.columns) {
          Expr e = Typed(QuoteName(source.qualifier) + "." + QuoteName(column.name), column.type);
          e.form = Expr::Form::Column;
          e.name = column.name;
          e.declared = column.declared;
          core.items.push_back({e, column.name});
        }
      }
      if (!any) {
        Fail(part[0], "* names no table here");
      }
      continue;
    }
    Cursor in(part);
    SelectItem item{Value(in, core.scope), ""};
    const bool as = in.TakeWord("AS");
    if (!in.AtEnd() && (IsAliasWord(in.Peek()) ||
                        (as && in.Peek().token.kind == TokenKind::String && !in.Peek().group))) {
      item.name = in.Take().token.text;
    } else if (as) {
      Fail(in.Here(), "AS needs an alias");
    }
    in.ExpectEnd("a column of the select list");
    if (item.name.empty() && item.value.form == Expr::Form::Column) {
      item.name = item.value.name;
    }
    core.items.push_back(std::move(item));
  }
  if (at.where != 0) {
    Cursor in(nodes, at.where + 1, clauseEnd(at.where));
    core.where = Condition(in, core.scope, "WHERE").sql;
    in.ExpectEnd("WHERE");
  }
  if (at.group != 0) {
    const std::vector<Node> terms(nodes.begin() + static_cast<long>(at.group) + 2,
                                  nodes.begin() + static_cast<long>(clauseEnd(at.group)));
    for (const auto& term : SplitAtCommas(terms)) {
      const Expr e = Whole(term, core.scope, "GROUP BY");
      core.groupBy += (core.groupBy.empty() ? "" : ", ") + Collated(e);
    }
  }
  if (at.having != 0) {
    Cursor in(nodes, at.having + 1, clauseEnd(at.having));
    core.having = Condition(in, core.scope, "HAVING").sql;
    in.ExpectEnd("HAVING");
  }
  return core;
}

SelectResult Translator::Select(const std::vector<Node>& nodes, const Scope* outer,
                                const std::vector<OutputColumn>* targets) {
  // Branches of a UNION, EXCEPT or INTERSECT, and the ORDER BY of the whole.
  std::vector<std::pair<std::size_t, std::size_t>> ranges;
  std::vector<std::string> operators;
  std::size_t start = 0;
  std::size_t order = nodes.size();
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    const Node& node = nodes[k];
    if (IsWordNode(node, "UNION") || IsWordNode(node, "EXCEPT") || IsWordNode(node, "INTERSECT")) {
      if (order != nodes.size()) {
        Fail(node, "ORDER BY inside a branch of " + Upper(node.token.text));
      }
      ranges.emplace_back(start, k);
      std::string op = Upper(node.token.text);
      if (k + 1 < nodes.size() && IsWordNode(nodes[k + 1], "ALL")) {
        op += " ALL";
        ++k;
      }
      operators.push_back(op);
      start = k + 1;
    } else if (IsWordNode(node, "ORDER") && k + 1 < nodes.size() &&
               IsWordNode(nodes[k + 1], "BY")) {
      if (order != nodes.size()) {
        Fail(node, "a second ORDER BY");
      }
      order = k;
    }
  }
  ranges.emplace_back(start, order);
  std::vector<Core> cores;
  for (const auto& [begin, end] : ranges) {
    cores.push_back(ParseCore(nodes, begin, end, outer));
    if (cores.size() > 1 && cores.back().into) {
      Fail(nodes[begin], "INTO in a later branch of a UNION");
    }
  }
  const bool compound = cores.size() > 1;
  const std::size_t width = cores[0].items.size();
  for (const Core& core : cores) {
    if (core.items.size() != width) {
      Fail(nodes[0], "the branches of " + operators[0] + " give different numbers of columns");
    }
  }
  // Column types: the dominant type of the branches, or the columns they are inserted into.
  SelectResult result;
  result.into = cores[0].into;
  for (std::size_t c = 0; c < width; ++c) {
    std::vector<SqlType> types;
    for (const Core& core : cores) {
      types.push_back(core.items[c].value.type);
    }
    OutputColumn column{cores[0].items[c].name, Dominant(types), ""};
    if (!compound && cores[0].items[c].value.form == Expr::Form::Column) {
      column.declared = cores[0].items[c].value.declared;
    }
    result.columns.push_back(column);
  }
  if (targets != nullptr && targets->size() != width) {
    Fail(nodes[0], "the SELECT gives " + std::to_string(width) + " columns for " +
                       std::to_string(targets->size()));
  }
  std::string sql;
  for (std::size_t b = 0; b < cores.size(); ++b) {
    Core& core = cores[b];
    std::string text = std::string("SELECT ") + (core.distinct ? "DISTINCT " : "");
    for (std::size_t c = 0; c < width; ++c) {
      SelectItem& item = core.items[c];
      Expr value = item.value;
      if (compound) {
        value = ConvertTo(value, result.columns[c].type, Conversion::Branch, nodes[0]);
      }
      if (targets != nullptr) {
        value = ConvertTo(value, (*targets)[c].type, Conversion::Assignment, nodes[0]);
      }
      // DISTINCT and UNION compare the texts they merge under the collation.
      text += (c ? ", " : "") + ((core.distinct || compound) ? Collated(value) : value.sql);
      if (!item.name.empty()) {
        text += " AS " + QuoteName(item.name);
      }
    }
    if (!core.from.empty()) {
      text += " FROM " + core.from;
    }
    if (!core.where.empty()) {
      text += " WHERE " + core.where;
    }
    if (!core.groupBy.empty()) {
      text += " GROUP BY " + core.groupBy;
    }
    if (!core.having.empty()) {
      text += " HAVING " + core.having;
    }
    if (compound && !core.top.empty()) {
      // SQLite takes LIMIT only at the end of a compound, so the branch becomes a subquery.
      text = "SELECT * FROM (" + text + " LIMIT " + core.top + ")";
    }
    sql += (b ? " " + operators[b - 1] + " " : "") + text;
  }
  if (order != nodes.size()) {
    const std::vector<Node> terms(nodes.begin() + static_cast<long>(order) + 2, nodes.end());
    std::string orderBy;
    for (auto term : SplitAtCommas(terms)) {
      std::string direction;
      if (!term.empty() && (IsWordNode(term.back(), "ASC") || IsWordNode(term.back(), "DESC"))) {
        direction = " " + Upper(term.back().token.text);
        term.pop_back();
      }
      if (term.empty()) {
        Fail(nodes[order], "an empty ORDER BY term");
      }
      std::string text;
      if (term.size() == 1 && !term[0].group && term[0].token.kind == TokenKind::Number) {
        const int position = WholeNumber(term[0], "ORDER BY");
        if (position < 1 || static_cast<std::size_t>(position) > width) {
          Fail(term[0], "ORDER BY position " + term[0].token.text + " is out of range");
        }
        text = term[0].token.text;
      } else {
        const OutputColumn* alias = nullptr;
        if (term.size() == 1 && !term[0].group &&
            (term[0].token.kind == TokenKind::Word ||
             term[0].token.kind == TokenKind::QuotedName)) {
          for (const OutputColumn& column : result.columns) {
            if (EqualsIgnoreCase(column.name, term[0].token.text)) {
              alias = &column;
              break;
            }
          }
        }
        if (alias != nullptr) {
          text = Collated(Typed(QuoteName(alias->name), alias->type));
        } else if (compound) {
          Fail(term[0], "an ORDER BY term of " + operators[0] + " must name a result column");
        } else {
          text = Collated(Whole(term, cores[0].scope, "ORDER BY"));
        }
      }
      orderBy += (orderBy.empty() ? "" : ", ") + text + direction;
    }
    sql += " ORDER BY " + orderBy;
  }
  if (!compound && !cores[0].top.empty()) {
    sql += " LIMIT " + cores[0].top;
  }
  result.sql = sql;
  return result;
}

// --- other statements ---------------------------------------------------------------------

std::vector<OutputColumn> ColumnsOf(const Source& source, const std::vector<std::string>& names,
                                    const Node& at) {
  std::vector<OutputColumn> columns;
  for (const std::string& name : names) {
    const OutputColumn* column = FindColumn(source, name);
    if (column == nullptr) {
      Fail(at, "the table " + source.qualifier + " has no column " + name);
    }
    columns.push_back(*column);
  }
  return columns;
}

Translation Translator::Insert(const std::vector<Node>& nodes) {
  std::size_t i = 1;
  if (i < nodes.size() && IsWordNode(nodes[i], "INTO")) {
    ++i;
  }
  const auto table = ReadTableName(nodes, i);
  if (!table) {
    Fail(nodes[0], "INSERT needs a table name");
  }
  const Source target = TableSource(*table, nodes[0]);
  std::vector<std::string> names;
  if (i < nodes.size() && nodes[i].group) {
    for (const auto& part : SplitAtCommas(nodes[i].children)) {
      if (part.size() != 1 || part[0].group) {
        Fail(nodes[i], "the INSERT column list must hold names");
      }
      names.push_back(part[0].token.text);
    }
    ++i;
  } else {
    // SQL Server fills the identity column itself; a positional INSERT skips it.
    const auto catalogColumns = catalog_.Columns(*table);
    for (const CatalogColumn& column : *catalogColumns) {
      if (!column.identity) {
        names.push_back(column.name);
      }
    }
  }
  const std::vector<OutputColumn> columns = ColumnsOf(target, names, nodes[0]);
  std::string sql = "INSERT INTO " + table->Sql() + " (";
  for (std::size_t c = 0; c < names.size(); ++c) {
    sql += (c ? ", " : "") + QuoteName(columns[c].name);
  }
  sql += ")";
  Translation translation;
  if (i < nodes.size() && IsWordNode(nodes[i], "SELECT")) {
    translation.sql =
        sql + " " +
        Select({nodes.begin() + static_cast<long>(i), nodes.end()}, nullptr, &columns).sql;
    return translation;
  }
  if (i >= nodes.size() || !IsWordNode(nodes[i], "VALUES")) {
    Fail(nodes[std::min(i, nodes.size() - 1)], "INSERT needs VALUES or SELECT");
  }
  sql += " VALUES ";
  bool firstRow = true;
  for (std::size_t r = i + 1; r < nodes.size(); ++r) {
    if (IsCommaNode(nodes[r]) && !firstRow) {
      continue;
    }
    if (!nodes[r].group) {
      Fail(nodes[r], "VALUES must be followed by (row), (row)...");
    }
    const auto values = SplitAtCommas(nodes[r].children);
    if (values.size() != columns.size()) {
      Fail(nodes[r], "a VALUES row of " + std::to_string(values.size()) + " values for " +
                         std::to_string(columns.size()) + " columns");
    }
    sql += firstRow ? "(" : ", (";
    firstRow = false;
    for (std::size_t v = 0; v < values.size(); ++v) {
      const Expr value = Whole(values[v], {}, "VALUES");
      sql +=
          (v ? ", " : "") + ConvertTo(value, columns[v].type, Conversion::Assignment, nodes[r]).sql;
    }
    sql += ")";
  }
  if (firstRow) {
    Fail(nodes[i], "VALUES needs a row");
  }
  translation.sql = sql;
  return translation;
}

Translation Translator::Update(const std::vector<Node>& nodes) {
  std::size_t i = 1;
  const auto named = ReadTableName(nodes, i);
  if (!named || i >= nodes.size() || !IsWordNode(nodes[i], "SET")) {
    Fail(nodes[0], "UPDATE needs: table SET column = value, ...");
  }
  const std::size_t set = i;
  std::size_t fromAt = 0, whereAt = 0;
  for (std::size_t k = set + 1; k < nodes.size(); ++k) {
    if (IsWordNode(nodes[k], "FROM") && fromAt == 0 && whereAt == 0) {
      fromAt = k;
    } else if (IsWordNode(nodes[k], "WHERE") && whereAt == 0) {
      whereAt = k;
    }
  }
  const std::size_t setEnd = fromAt ? fromAt : whereAt ? whereAt : nodes.size();
  TableName table = *named;
  std::string alias;
  std::vector<std::string> moved;  // join conditions that become WHERE
  std::string fromSql;
  Scope scope;
  if (fromAt != 0) {
    Cursor in(nodes, fromAt + 1, whereAt ? whereAt : nodes.size());
    From from = ParseFrom(in, nullptr);
    std::size_t found = from.items.size();
    for (std::size_t k = 0; k < from.items.size(); ++k) {
      const bool byAlias = EqualsIgnoreCase(from.scope.sources[k].qualifier, named->name);
      const bool byName = from.items[k].table && named->temp == from.items[k].table->temp &&
                          EqualsIgnoreCase(from.items[k].table->name, named->name);
      if (byAlias || byName) {
        found = k;
        break;
      }
    }
    if (found == from.items.size()) {
      scope.sources.push_back(TableSource(table, nodes[1]));
      for (Source& source : from.scope.sources) {
        scope.sources.push_back(std::move(source));
      }
      fromSql = from.Sql();
    } else {
      // SQLite joins the target to FROM itself: the target leaves FROM, and the join
      // that tied the next table to it becomes a WHERE condition.
      if (found != 0 || !from.items[0].table) {
        Fail(nodes[1], "UPDATE of " + named->name +
                           ", which is not the first table of its FROM, is not supported");
      }
      for (std::size_t k = 1; k < from.items.size() && k < 2; ++k) {
        if (!from.items[k].inner) {
          Fail(nodes[fromAt], "UPDATE whose target is outer-joined is not supported");
        }
        if (!from.items[k].on.empty()) {
          moved.push_back(from.items[k].on);
        }
      }
      table = *from.items[0].table;
      alias = from.scope.sources[0].qualifier;
      scope = std::move(from.scope);
      if (from.items.size() > 1) {
        fromSql = from.Sql(1);
      }
    }
  } else {
    scope.sources.push_back(TableSource(table, nodes[1]));
  }
  const Source& target = scope.sources[0];
  std::string sql = "UPDATE " + table.Sql() +
                    (alias.empty() || alias == table.name ? "" : " AS " + QuoteName(alias)) +
                    " SET ";
  const std::vector<Node> assignments(nodes.begin() + static_cast<long>(set) + 1,
                                      nodes.begin() + static_cast<long>(setEnd));
  bool first = true;
  for (const auto& assignment : SplitAtCommas(assignments)) {
    std::size_t k = 0;
    if (assignment.size() > 2 && !assignment[1].group &&
        assignment[1].token.kind == TokenKind::Dot) {
      if (!EqualsIgnoreCase(assignment[0].token.text, target.qualifier)) {
        Fail(assignment[0], "SET names a column of " + assignment[0].token.text +
                                ", which is not the table updated");
      }
      k = 2;
    }
    if (k + 2 > assignment.size() || !IsOperatorNode(assignment[k + 1], "=")) {
      Fail(assignment.empty() ? nodes[set] : assignment[0], "SET needs column = value");
    }
    const OutputColumn column = ColumnsOf(target, {assignment[k].token.text}, assignment[k])[0];
    const Expr value =
        Whole({assignment.begin() + static_cast<long>(k) + 2, assignment.end()}, scope, "SET");
    sql += (first ? "" : ", ") + QuoteName(column.name) + " = " +
           ConvertTo(value, column.type, Conversion::Assignment, assignment[k]).sql;
    first = false;
  }
  if (!fromSql.empty()) {
    sql += " FROM " + fromSql;
  }
  if (whereAt != 0) {
    Cursor in(nodes, whereAt + 1, nodes.size());
    moved.push_back(Condition(in, scope, "WHERE").sql);
    in.ExpectEnd("WHERE");
  }
  for (std::size_t k = 0; k < moved.size(); ++k) {
    sql += (k ? " AND " : " WHERE ") + moved[k];
  }
  Translation translation;
  translation.sql = sql;
  return translation;
}

Translation Translator::Delete(const std::vector<Node>& nodes) {
  std::size_t i = 1;
  if (i < nodes.size() && IsWordNode(nodes[i], "FROM")) {
    ++i;
  }
  const auto table = ReadTableName(nodes, i);
  if (!table) {
    Fail(nodes[0], "DELETE needs a table name");
  }
  Scope scope;
  scope.sources.push_back(TableSource(*table, nodes[0]));
  std::string sql = "DELETE FROM " + table->Sql();
  if (i < nodes.size()) {
    if (!IsWordNode(nodes[i], "WHERE")) {
      Fail(nodes[i], "DELETE with " + Describe(nodes[i]) + " is not supported");
    }
    Cursor in(nodes, i + 1, nodes.size());
    sql += " WHERE " + Condition(in, scope, "WHERE").sql;
    in.ExpectEnd("WHERE");
  }
  Translation translation;
  translation.sql = sql;
  return translation;
}

Translation Translator::Drop(const std::vector<Node>& nodes) {
  std::size_t i = 2;
  const auto table =
      nodes.size() > 2 && IsWordNode(nodes[1], "TABLE") ? ReadTableName(nodes, i) : std::nullopt;
  if (!table) {
    Fail(nodes[0], "only DROP TABLE name is supported");
  }
  if (i != nodes.size()) {
    Fail(nodes[i], "DROP TABLE takes one table here");
  }
  Translation translation;
  translation.sql = "DROP TABLE " + table->Sql();
  return translation;
}

std::string NameList(const Node& group) {
  std::string sql;
  for (const auto& part : SplitAtCommas(group.children)) {
    if (part.empty() || part.size() > 2 || part[0].group ||
        (part.size() == 2 && !IsWordNode(part[1], "ASC") && !IsWordNode(part[1], "DESC"))) {
      Fail(group, "a list of column names is expected");
    }
    sql += (sql.empty() ? "" : ", ") + QuoteName(part[0].token.text) +
           (part.size() == 2 ? " " + Upper(part[1].token.text) : "");
  }
  return "(" + sql + ")";
}

Translation Translator::CreateTable(const std::vector<Node>& nodes) {
  std::size_t i = 2;
  const auto table = ReadTableName(nodes, i);
  if (!table || i + 1 != nodes.size() || !nodes[i].group) {
    Fail(nodes[0], "CREATE TABLE needs a name and a column list");
  }
  std::string sql = "CREATE TABLE " + table->Sql() + " (";
  bool firstColumn = true;
  for (const auto& definition : SplitAtCommas(nodes[i].children)) {
    if (definition.empty()) {
      Fail(nodes[i], "an empty column definition");
    }
    sql += firstColumn ? "" : ", ";
    firstColumn = false;
    if (IsWordNode(definition[0], "PRIMARY") || IsWordNode(definition[0], "CONSTRAINT")) {
      const std::size_t k = IsWordNode(definition[0], "CONSTRAINT") ? 2 : 0;
      if (k >= definition.size() || !IsWordNode(definition[k], "PRIMARY") ||
          !definition.back().group) {
        Fail(definition[0], "only PRIMARY KEY (columns) table constraints are supported");
      }
      sql += "PRIMARY KEY " + NameList(definition.back());
      continue;
    }
    if (definition.size() < 2 || definition[1].group) {
      Fail(definition[0], "the column " + definition[0].token.text + " needs a type");
    }
    std::size_t k = 2;
    const Node* typeArgs = nullptr;
    if (k < definition.size() && definition[k].group) {
      typeArgs = &definition[k++];
    }
    const NamedType type = MapType(definition[1], typeArgs);
    bool identity = false;
    bool primaryKey = false;
    std::string constraints;
    for (; k < definition.size(); ++k) {
      const Node& word = definition[k];
      if (IsWordNode(word, "IDENTITY")) {
        if (k + 1 < definition.size() && definition[k + 1].group) {
          const auto seed = SplitAtCommas(definition[k + 1].children);
          if (seed.size() != 2 || seed[0].size() != 1 || seed[1].size() != 1 ||
              WholeNumber(seed[0][0], "IDENTITY") != 1 ||
              WholeNumber(seed[1][0], "IDENTITY") != 1) {
            Fail(word, "only IDENTITY(1, 1) is supported");
          }
          ++k;
        }
        identity = true;
      } else if (IsWordNode(word, "PRIMARY") && k + 1 < definition.size() &&
                 IsWordNode(definition[k + 1], "KEY")) {
        primaryKey = true;
        ++k;
      } else if (IsWordNode(word, "CLUSTERED") || IsWordNode(word, "NONCLUSTERED") ||
                 IsWordNode(word, "NULL")) {
      } else if (IsWordNode(word, "NOT") && k + 1 < definition.size() &&
                 IsWordNode(definition[k + 1], "NULL")) {
        constraints += " NOT NULL";
        ++k;
      } else if (IsWordNode(word, "UNIQUE")) {
        constraints += " UNIQUE";
      } else if (IsWordNode(word, "DEFAULT") && k + 1 < definition.size()) {
        const Expr value = Whole({definition[k + 1]}, {}, "DEFAULT");
        constraints += " DEFAULT " +
                       ConvertTo(value, type.type, Conversion::Assignment, definition[k + 1]).sql;
        ++k;
      } else {
        Fail(word, "the column option " + word.token.text + " is not supported");
      }
    }
    if (identity && !primaryKey) {
      Fail(definition[0], "IDENTITY is supported only on the PRIMARY KEY column");
    }
    sql += QuoteName(definition[0].token.text) + " ";
    if (identity) {
      sql += "INTEGER PRIMARY KEY AUTOINCREMENT";
    } else {
      sql += type.declared;
      if (type.type.family == Family::Text) {
        sql += std::string(" COLLATE ") + kCollation;
      }
      if (primaryKey) {
        sql += " PRIMARY KEY";
      }
    }
    sql += constraints;
  }
  Translation translation;
  translation.sql = sql + ")";
  return translation;
}

Translation Translator::CreateIndex(const std::vector<Node>& nodes) {
  std::size_t i = 1;
  bool unique = false;
  for (; i < nodes.size() && !IsWordNode(nodes[i], "INDEX"); ++i) {
    if (IsWordNode(nodes[i], "UNIQUE")) {
      unique = true;
    } else if (!IsWordNode(nodes[i], "CLUSTERED") && !IsWordNode(nodes[i], "NONCLUSTERED")) {
      Fail(nodes[i], "CREATE " + nodes[i].token.text + " is not supported");
    }
  }
  if (i + 2 >= nodes.size() || !IsWordNode(nodes[i + 2], "ON")) {
    Fail(nodes[0], "CREATE INDEX needs: name ON table (columns)");
  }
  const std::string indexName = nodes[i + 1].token.text;
  std::size_t k = i + 3;
  const auto table = ReadTableName(nodes, k);
  if (!table || k + 1 != nodes.size() || !nodes[k].group) {
    Fail(nodes[0], "CREATE INDEX needs: name ON table (columns)");
  }
  // SQLite puts the schema on the index and names the table bare.
  Translation translation;
  translation.sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
                    (table->temp ? "tempdb." : "main.") + QuoteName(indexName) + " ON " +
                    QuoteName(table->name) + " " + NameList(nodes[k]);
  return translation;
}

Translation Translator::Translate(const std::vector<Node>& nodes) {
  if (nodes.empty() || nodes[0].group || nodes[0].token.kind != TokenKind::Word) {
    throw TranslationError("a statement must begin with a keyword");
  }
  const std::string first = Upper(nodes[0].token.text);
  if (first == "IF") {
    // IF OBJECT_ID('name') IS [NOT] NULL <statement>
    const bool shape = nodes.size() > 5 && IsWordNode(nodes[1], "OBJECT_ID") && nodes[2].group &&
                       nodes[2].children.size() == 1 &&
                       nodes[2].children[0].token.kind == TokenKind::String &&
                       IsWordNode(nodes[3], "IS");
    if (!shape) {
      Fail(nodes[0], "IF is supported only as IF OBJECT_ID('table') IS [NOT] NULL");
    }
    const bool negated = IsWordNode(nodes[4], "NOT");
    const std::size_t nullAt = negated ? 5 : 4;
    if (nullAt >= nodes.size() || !IsWordNode(nodes[nullAt], "NULL") ||
        nullAt + 1 >= nodes.size()) {
      Fail(nodes[0], "IF OBJECT_ID(...) IS [NOT] NULL needs a statement to guard");
    }
    const std::vector<Token> nameTokens = Tokenize(nodes[2].children[0].token.text);
    std::vector<Node> nameNodes;
    for (const Token& token : nameTokens) {
      nameNodes.push_back({token, false, {}});
    }
    std::size_t k = 0;
    auto table = ReadTableName(nameNodes, k);
    if (!table || k != nameNodes.size()) {
      Fail(nodes[2], "OBJECT_ID needs a table name, not '" + nodes[2].children[0].token.text + "'");
    }
    Translation translation =
        Translate({nodes.begin() + static_cast<std::ptrdiff_t>(nullAt) + 1, nodes.end()});
    translation.guardTable = *table;
    translation.guardWantsTable = negated;
    return translation;
  }
  if (first == "SELECT") {
    SelectResult select = Select(nodes, nullptr);
    Translation translation;
    translation.sql = select.sql;
    for (const OutputColumn& column : select.columns) {
      translation.typeHints.push_back(column.declared.empty() ? DeclaredOf(column.type)
                                                              : column.declared);
    }
    if (select.into) {
      translation.kind = Translation::Kind::CreateTableFromSelect;
      translation.target = *select.into;
      std::string create = "CREATE TABLE " + select.into->Sql() + " (";
      for (std::size_t c = 0; c < select.columns.size(); ++c) {
        if (select.columns[c].name.empty()) {
          Fail(nodes[0], "column " + std::to_string(c + 1) + " of SELECT ... INTO needs a name");
        }
        create +=
            (c ? ", " : "") + QuoteName(select.columns[c].name) + " " + translation.typeHints[c];
        if (select.columns[c].type.family == Family::Text) {
          create += std::string(" COLLATE ") + kCollation;
        }
      }
      translation.createSql = create + ")";
    }
    return translation;
  }
  if (first == "INSERT") {
    return Insert(nodes);
  }
  if (first == "UPDATE") {
    return Update(nodes);
  }
  if (first == "DELETE") {
    return Delete(nodes);
  }
  if (first == "DROP") {
    return Drop(nodes);
  }
  if (first == "CREATE") {
    if (nodes.size() > 1 && IsWordNode(nodes[1], "TABLE")) {
      return CreateTable(nodes);
    }
    return CreateIndex(nodes);
  }
  Fail(nodes[0], "the statement " + nodes[0].token.text + " is not supported");
}

// Builds the group tree of tokens[pos...].
std::vector<Node> Tree(const std::vector<Token>& tokens, std::size_t& pos, bool inGroup) {
  std::vector<Node> nodes;
  while (pos < tokens.size()) {
    const Token& token = tokens[pos++];
    if (token.kind == TokenKind::RightParen) {
      if (!inGroup) {
        throw TranslationError("unbalanced ')' (at offset " + std::to_string(token.offset) + ")");
      }
      return nodes;
    }
    Node node{token, false, {}};
    if (token.kind == TokenKind::LeftParen) {
      node.group = true;
      node.children = Tree(tokens, pos, true);
    }
    nodes.push_back(std::move(node));
  }
  if (inGroup) {
    throw TranslationError("unbalanced '('");
  }
  return nodes;
}

}  // namespace

std::string TableName::Sql() const {
  return (temp ? "tempdb." : "main.") + QuoteName(name);
}

std::vector<Statement> SplitBatch(const std::vector<Token>& tokens) {
  std::size_t pos = 0;
  const std::vector<Node> nodes = Tree(tokens, pos, false);
  constexpr std::array<std::string_view, 9> kStarters = {
      "CREATE", "DROP", "INSERT", "UPDATE", "DELETE", "IF", "DECLARE", "EXEC", "TRUNCATE"};
  std::vector<Statement> statements;
  Statement current;
  bool insertWaitsForSelect = false;
  auto flush = [&] {
    if (!current.empty()) {
      statements.push_back(std::move(current));
      current.clear();
    }
    insertWaitsForSelect = false;
  };
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const Node& node = nodes[i];
    if (!node.group && node.token.kind == TokenKind::Semicolon) {
      flush();
      continue;
    }
    const std::string upper = node.group ? "" : Upper(node.token.text);
    const bool isWord = !node.group && node.token.kind == TokenKind::Word;
    if (isWord && !current.empty()) {
      bool starts = OneOf(upper, kStarters);
      if (upper == "SELECT") {
        const Node& previous = current.back();
        const bool continues =
            insertWaitsForSelect ||
            (!previous.group &&
             (IsWord(previous.token, "UNION") || IsWord(previous.token, "ALL") ||
              IsWord(previous.token, "EXCEPT") || IsWord(previous.token, "INTERSECT")));
        starts = !continues;
        insertWaitsForSelect = false;
      }
      if (starts) {
        flush();
      }
    }
    if (isWord && upper == "VALUES") {
      insertWaitsForSelect = false;
    }
    if (isWord && current.empty() && upper == "INSERT") {
      insertWaitsForSelect = true;
    }
    current.push_back(node);
    if (isWord && current.size() == 1 && upper == "IF") {
      // Take the guard whole, so that the statement it guards stays with it.
      std::size_t k = i + 1;
      for (std::size_t taken = 0; k < nodes.size() && taken < 5; ++k, ++taken) {
        current.push_back(nodes[k]);
        if (!nodes[k].group && IsWord(nodes[k].token, "NULL")) {
          ++k;
          break;
        }
      }
      if (k < nodes.size()) {
        current.push_back(nodes[k]);
        if (!nodes[k].group && IsWord(nodes[k].token, "INSERT")) {
          insertWaitsForSelect = true;
        }
      }
      i = k;
    }
  }
  flush();
  return statements;
}

Translation TranslateStatement(const Statement& statement, Catalog& catalog) {
  Translator translator(catalog);
  return translator.Translate(statement);
}

host::ColumnType ColumnTypeOfDeclared(std::string_view declaredType) {
  const std::string upper = Upper(declaredType);
  if (upper.find("DATE") != std::string::npos) {
    return host::ColumnType::Date;
  }
  if (upper == "BIT" || upper == "BOOLEAN") {
    return host::ColumnType::Boolean;
  }
  if (upper.find("INT") != std::string::npos) {
    return host::ColumnType::Integer;
  }
  if (upper.find("CHAR") != std::string::npos || upper.find("TEXT") != std::string::npos ||
      upper.find("CLOB") != std::string::npos) {
    return host::ColumnType::Text;
  }
  for (std::string_view real : {"REAL", "FLOA", "DOUB", "MONEY", "DECIMAL", "NUMERIC"}) {
    if (upper.find(real) != std::string::npos) {
      return host::ColumnType::Double;
    }
  }
  return host::ColumnType::Unknown;
}

bool IsTextDeclared(std::string_view declaredType) {
  return ColumnTypeOfDeclared(declaredType) == host::ColumnType::Text;
}

}  // namespace orla::sqlite::tsql
