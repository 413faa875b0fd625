#include "sqlite/tsql_types.h"

#include <cstdlib>

#include "sqlite/date_text.h"

namespace orla::sqlite::tsql::detail {

std::string Upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return result;
}

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

std::string TypeName(const SqlType& type) {
  switch (type.family) {
    case Family::Integer:
      return type.bits == 64   ? "bigint"
             : type.bits == 16 ? "smallint"
             : type.bits == 8  ? "tinyint"
                               : "int";
    case Family::Money:
      return type.money ? "money" : "numeric";
    default:
      return FamilyName(type.family);
  }
}

std::string DeclaredOf(const SqlType& type) {
  switch (type.family) {
    case Family::Text:
      return type.length > 0 ? "VARCHAR(" + std::to_string(type.length) + ")" : "VARCHAR";
    case Family::Bit:
      return "BIT";
    case Family::Null:  // SELECT NULL INTO makes an int column in SQL Server
      return "INT";
    case Family::Integer:
      return Upper(TypeName(type));
    case Family::Money:
      // SQLite takes a type's (size) only at its end.
      return type.money ? "MONEY REAL" : "DECIMAL REAL(38," + std::to_string(type.scale) + ")";
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
  if (upper == "INT" || upper == "INTEGER") {
    return {{Family::Integer}, "INTEGER"};
  }
  if (upper == "BIGINT" || upper == "SMALLINT" || upper == "TINYINT") {
    SqlType type{Family::Integer};
    type.bits = upper == "BIGINT" ? 64 : upper == "SMALLINT" ? 16 : 8;
    return {type, upper};
  }
  if (upper == "BIT") {
    return {{Family::Bit}, "BIT"};
  }
  if (upper == "FLOAT" || upper == "REAL") {
    return {{Family::Real}, "FLOAT"};
  }
  // NUMERIC affinity would store 10.00 as the integer 10, so that 10.00 / 4 gave 2.
  if (upper == "MONEY" || upper == "SMALLMONEY") {
    SqlType type{Family::Money, 0, 4};
    type.money = true;
    return {type, "MONEY REAL"};
  }
  if (upper == "DECIMAL" || upper == "NUMERIC") {
    const int scale = numbers.size() > 1 ? numbers[1] : 0;
    return {{Family::Money, 0, scale},
            upper + " REAL(" + std::to_string(numbers.empty() ? 18 : numbers[0]) + "," +
                std::to_string(scale) + ")"};
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
    case host::ColumnType::Integer: {
      SqlType type{Family::Integer};
      type.bits = upper.starts_with("BIGINT")     ? 64
                  : upper.starts_with("SMALLINT") ? 16
                  : upper.starts_with("TINYINT")  ? 8
                                                  : 32;
      return type;
    }
    case host::ColumnType::Text: {
      SqlType type{Family::Text};
      const std::size_t open = upper.find('(');
      if (open != std::string::npos) {
        type.length = std::atoi(upper.c_str() + open + 1);
      }
      return type;
    }
    case host::ColumnType::Double: {
      SqlType type{upper.find("MONEY") != std::string::npos ||
                           upper.find("DECIMAL") != std::string::npos ||
                           upper.find("NUMERIC") != std::string::npos
                       ? Family::Money
                       : Family::Real};
      type.money = upper.find("MONEY") != std::string::npos;
      const std::size_t comma = upper.find(',');
      if (!type.money && comma != std::string::npos) {
        type.scale = std::atoi(upper.c_str() + comma + 1);
      }
      return type;
    }
    default:
      return std::nullopt;
  }
}

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

std::string Operand(const Expr& e, int needed) {
  return e.precedence >= needed ? e.sql : "(" + e.sql + ")";
}

std::string ArithmeticKind(const SqlType& type) {
  switch (type.family) {
    case Family::Bit:
      return "int";
    case Family::Integer:
      return TypeName(type);
    case Family::Money:
      return type.money ? "money" : "decimal";
    case Family::Real:
      return "float";
    default:
      return "";
  }
}

namespace {

// A whole number or decimal brought into the range of its type (tsql_arith, one operand).
Expr Ranged(const Expr& value, const SqlType& to) {
  return Typed("tsql_arith('" + ArithmeticKind(to) + "', " + value.sql + ")", to);
}

}  // namespace

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
  result.chain.clear();
  if (from == to.family) {
    const bool narrower = (from == Family::Integer && to.bits < value.type.bits) ||
                          (from == Family::Money && to.money && !value.type.money);
    return how == Conversion::Assignment && narrower ? Ranged(value, to) : value;
  }
  switch (to.family) {
    case Family::Text:
      if (from == Family::DateTime) {
        Fail(at, "a date turned into text without CONVERT and a style");
      }
      result.sql = "CAST(" + value.sql + " AS TEXT)";
      result.precedence = kPrimary;
      return result;
    case Family::DateTime:
      if (value.form == Expr::Form::TextLiteral) {
        result.sql = DateLiteral(value.value, at);
        return result;
      }
      result.sql = "tsql_datetime(" + value.sql + ")";
      result.precedence = kPrimary;
      return result;
    case Family::Bit:
    case Family::Integer:
    case Family::Money:
    case Family::Real:
      if (from == Family::DateTime) {
        Fail(at, std::string("a date used as ") + FamilyName(to.family));
      }
      result.precedence = kPrimary;
      if (from == Family::Text) {
        std::string number;
        if (value.form == Expr::Form::TextLiteral &&
            ReadNumberLiteral(value.value, to.family, number)) {
          result.sql = number;
          result.form = Expr::Form::NumberLiteral;
          result.precedence = number.starts_with("-") ? kUnary : kPrimary;
          return result;
        }
        if (value.form == Expr::Form::TextLiteral && how != Conversion::Branch) {
          Fail(at, "245: Conversion failed when converting the varchar value '" + value.value +
                       "' to data type " + TypeName(to) + ".");
        }
        result.sql = (to.family == Family::Bit       ? "tsql_bit("
                      : to.family == Family::Integer ? "tsql_int("
                                                     : "tsql_float(") +
                     value.sql + ")";
        if (to.family == Family::Integer && to.bits != 64) {
          result = Ranged(result, to);
        }
        return result;
      }
      if (how == Conversion::Assignment && to.family == Family::Integer &&
          (from == Family::Money || from == Family::Real)) {
        return Ranged(value, to);
      } else if (how == Conversion::Assignment && to.family == Family::Bit &&
                 value.form != Expr::Form::NumberLiteral) {
        result.sql = std::string("tsql_bit(").append(value.sql).append(")");
      } else if (value.form == Expr::Form::NumberLiteral && to.family == Family::Bit) {
        result.sql = std::string(1, std::strtod(value.sql.c_str(), nullptr) != 0.0 ? '1' : '0');
        result.form = Expr::Form::NumberLiteral;
      } else if ((from == Family::Integer || from == Family::Bit) &&
                 (to.family == Family::Money || to.family == Family::Real)) {
        // A whole number that takes a decimal type divides as one: 5 / 2 is 2.5 there.
        if (value.form == Expr::Form::NumberLiteral) {
          result.sql = value.sql + ".0";
          result.form = Expr::Form::NumberLiteral;
          result.precedence = value.precedence;
        } else {
          result.sql = "CAST(" + value.sql + " AS REAL)";
        }
      } else if (how == Conversion::Assignment && to.family == Family::Money && to.money) {
        return Ranged(value, to);
      } else {
        result.form = value.form;
        result.precedence = value.precedence;
        result.chain = value.chain;
      }
      return result;
    case Family::Null:
    case Family::Condition:
      break;
  }
  return result;
}

SqlType Dominant(const std::vector<SqlType>& types) {
  SqlType best;
  for (const SqlType& type : types) {
    if (type.family > best.family) {
      best = type;
    } else if (type.family == best.family && type.family == Family::Text) {
      best.length = best.length == 0 || type.length == 0 ? 0 : std::max(best.length, type.length);
    } else if (type.family == best.family && type.family == Family::Integer) {
      best.bits = std::max(best.bits, type.bits);
    } else if (type.family == best.family && type.family == Family::Money) {
      // decimal outranks money
      best.scale = std::max(best.scale, type.scale);
      best.money = best.money && type.money;
    }
  }
  return best;
}

std::string Collated(const Expr& e, int needed) {
  return e.type.family == Family::Text ? Operand(e, kCollate) + " COLLATE " + kCollation
                                       : Operand(e, needed);
}

}  // namespace orla::sqlite::tsql::detail
