// The types the T-SQL translator reasons with (tsql_translator.h): SQL Server's data types
// in their order of precedence, typed SQLite expressions and the implicit conversions
// between them, and the small helpers every part of the translator shares.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite/tsql_translator.h"

namespace orla::sqlite::tsql::detail {

std::string Upper(std::string_view text);

template <std::size_t N>
bool OneOf(std::string_view upperWord, const std::array<std::string_view, N>& words) {
  return std::find(words.begin(), words.end(), upperWord) != words.end();
}

// Words that can never be an alias: they go on a clause or an expression.
inline constexpr std::array<std::string_view, 44> kReserved = {
    "SELECT", "DISTINCT", "TOP",  "FROM",   "WHERE", "GROUP",   "ORDER",     "BY",    "HAVING",
    "AS",     "ON",       "JOIN", "INNER",  "LEFT",  "RIGHT",   "FULL",      "OUTER", "CROSS",
    "AND",    "OR",       "NOT",  "IN",     "IS",    "BETWEEN", "LIKE",      "CASE",  "WHEN",
    "THEN",   "ELSE",     "END",  "UNION",  "ALL",   "EXCEPT",  "INTERSECT", "INTO",  "VALUES",
    "SET",    "ASC",      "DESC", "EXISTS", "NULL",  "WITH",    "ESCAPE",    "SOME"};

// T-SQL that the adapter deliberately does not carry over; met anywhere, it is an error.
inline constexpr std::array<std::string_view, 31> kUnsupportedWords = {
    "APPLY",  "PIVOT",    "UNPIVOT",  "OVER",     "MERGE",   "EXEC",      "EXECUTE",     "DECLARE",
    "GO",     "TRUNCATE", "PERCENT",  "OUTPUT",   "NOCOUNT", "TRAN",      "TRANSACTION", "BEGIN",
    "COMMIT", "ROLLBACK", "WHILE",    "RETURN",   "PRINT",   "RAISERROR", "COLLATE",     "OFFSET",
    "FETCH",  "TIES",     "ROWCOUNT", "IDENTITY", "USE",     "LIMIT",     "FOR"};

std::string QuoteName(std::string_view name);
std::string QuoteString(std::string_view value);
// Raises TranslationError naming the offset of `at` in the batch.
[[noreturn]] void Fail(const Node& at, const std::string& what);
std::string Describe(const Node& node);
bool IsWordNode(const Node& node, std::string_view word);
bool IsOperatorNode(const Node& node, std::string_view op);
bool IsCommaNode(const Node& node);
std::vector<std::vector<Node>> SplitAtCommas(const std::vector<Node>& nodes);
int WholeNumber(const Node& node, std::string_view context);
// Parses a table name starting at nodes[i] (before `end`): name, [name], ##name, dbo.name,
// TempDB.dbo.##name, TempDB..##name. Advances i past it.
std::optional<TableName> ReadTableName(const std::vector<Node>& nodes, std::size_t& i,
                                       std::size_t end);
std::optional<TableName> ReadTableName(const std::vector<Node>& nodes, std::size_t& i);
// The canonical DATEADD/DATEDIFF part a written one stands for ("dd" is "day").
std::optional<std::string> DatePart(std::string_view written);

// --- types --------------------------------------------------------------------------------

// In SQL Server's data type precedence, lowest first. Money stands for the exact decimal
// types (decimal, numeric, money). Condition is the value of a comparison, which T-SQL does
// not let stand as a value.
enum class Family { Null, Text, Bit, Integer, Money, Real, DateTime, Condition };

struct SqlType {
  Family family = Family::Null;
  int length = 0;      // text: the declared length, 0 when none or MAX
  int scale = 4;       // money and decimal: decimals kept
  int bits = 32;       // whole numbers: 8 (tinyint), 16 (smallint), 32 (int) or 64 (bigint)
  bool money = false;  // Family::Money: money rather than decimal
};

bool IsNumeric(Family family);
const char* FamilyName(Family family);
// SQL Server's name of the type, as its messages give it: int, bigint, money, numeric...
std::string TypeName(const SqlType& type);
// The SQLite declared type that makes a column of this type.
std::string DeclaredOf(const SqlType& type);

struct NamedType {
  SqlType type;
  std::string declared;  // for CREATE TABLE
};

// A T-SQL type name with its (size) group, or null: the type and its SQLite declared type.
NamedType MapType(const Node& name, const Node* args);
// The type of a column of this SQLite declared type; nothing when it names none.
std::optional<SqlType> TypeOfDeclared(std::string_view declared);

// --- typed expressions --------------------------------------------------------------------

// How tightly the SQLite text of an expression binds, loosest first, in SQLite's own order
// (where || binds tighter than *, and < tighter than =). Parentheses are written only where
// SQLite would otherwise read another tree, so that nesting stays within its parser's depth.
enum Precedence : int {
  kOr = 1,
  kAnd,
  kNot,
  kEquality,  // = <> IS IN BETWEEN
  kRelational,
  kAdditive,
  kMultiplicative,
  kConcat,
  kCollate,
  kUnary,
  kPrimary,
};

struct Expr {
  std::string sql;
  SqlType type;
  enum class Form { Other, TextLiteral, NumberLiteral, Null, Column } form = Form::Other;
  std::string value;     // a text literal's value
  std::string name;      // a column: its name, which a result column keeps
  std::string declared;  // a column: its declared type
  int precedence = kPrimary;
  // A chain of whole-number or decimal operations (tsql_arith) that a further operation on
  // the same kind extends, rather than nesting one call within another.
  std::vector<std::string> chain;
};

inline Expr Typed(std::string sql, SqlType type, int precedence = kPrimary) {
  Expr e;
  e.sql = std::move(sql);
  e.type = type;
  e.precedence = precedence;
  return e;
}

// The expression's SQLite text where an operand binding at least `needed` is expected.
std::string Operand(const Expr& e, int needed);

// How a value meets the type it must take.
enum class Conversion {
  Implicit,    // an operator or comparison: a literal that cannot convert is an error now
  Branch,      // a CASE branch or COALESCE argument: it fails only if it is the value taken
  Assignment,  // a column receives it: numbers are cut to the column's kind
};

// A number literal for a text literal, when the text reads as one of `family`.
bool ReadNumberLiteral(std::string_view text, Family family, std::string& number);
// The stored form of a date literal; a text SQL Server would not read the same is an error.
std::string DateLiteral(const std::string& text, const Node& at);
// `value` as a value of type `to`, the way SQL Server converts it implicitly.
Expr ConvertTo(Expr value, const SqlType& to, Conversion how, const Node& at);
// The type that wins among `types` in SQL Server's precedence.
SqlType Dominant(const std::vector<SqlType>& types);
// The kind tsql_arith computes a number of this type in ('int', 'bigint', 'money',
// 'decimal', 'float'), or "" for none.
std::string ArithmeticKind(const SqlType& type);
// A value that takes part in a text comparison, grouping or sort, as an operand binding at
// least `needed`.
std::string Collated(const Expr& e, int needed = 0);

}  // namespace orla::sqlite::tsql::detail
