#include "sqlite/tsql_translator.h"

#include <algorithm>
#include <array>
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

// Words that structure a statement. They are written out unquoted, and they separate the
// operands of an expression (see Concatenate).
constexpr std::array<std::string_view, 52> kKeywords = {
    "SELECT",  "DISTINCT",  "FROM",    "WHERE",  "GROUP", "ORDER",  "BY",      "HAVING",
    "AS",      "ON",        "JOIN",    "INNER",  "LEFT",  "RIGHT",  "FULL",    "OUTER",
    "CROSS",   "AND",       "OR",      "NOT",    "IN",    "IS",     "BETWEEN", "LIKE",
    "ESCAPE",  "CASE",      "WHEN",    "THEN",   "ELSE",  "END",    "UNION",   "ALL",
    "EXCEPT",  "INTERSECT", "INTO",    "VALUES", "SET",   "ASC",    "DESC",    "EXISTS",
    "INSERT",  "UPDATE",    "DELETE",  "DROP",   "TABLE", "CREATE", "INDEX",   "UNIQUE",
    "PRIMARY", "KEY",       "DEFAULT", "IF"};

// Operand keywords: written unquoted, but they are values.
constexpr std::array<std::string_view, 1> kValueKeywords = {"NULL"};

// T-SQL that the adapter deliberately does not carry over; met anywhere, it is an error.
constexpr std::array<std::string_view, 30> kUnsupportedWords = {
    "APPLY",  "PIVOT",    "UNPIVOT",  "OVER",     "MERGE",   "EXEC",      "EXECUTE",     "DECLARE",
    "GO",     "TRUNCATE", "PERCENT",  "OUTPUT",   "NOCOUNT", "TRAN",      "TRANSACTION", "BEGIN",
    "COMMIT", "ROLLBACK", "WHILE",    "RETURN",   "PRINT",   "RAISERROR", "COLLATE",     "OFFSET",
    "FETCH",  "TIES",     "ROWCOUNT", "IDENTITY", "USE",     "LIMIT"};

// Functions that mean the same in both dialects, and those renamed on the way.
constexpr std::array<std::string_view, 13> kSameFunctions = {
    "SUM",      "COUNT",  "MIN",   "MAX",   "AVG",   "ROUND", "ABS",
    "COALESCE", "NULLIF", "UPPER", "LOWER", "LTRIM", "RTRIM"};

constexpr std::array<std::string_view, 6> kComparisons = {"=", "<>", "!=", "<", ">", "<="};

bool IsComparison(std::string_view op) {
  return OneOf(op, kComparisons) || op == ">=";
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

// --- column types ------------------------------------------------------------------------

enum class Family { Text, Integer, Bit, Real, Money, DateTime };

struct SqlType {
  Family family;
  std::string declared;  // the SQLite declared type
  int length = 0;        // text: the declared length, 0 when none or MAX
  int scale = 4;         // money and numeric: decimals kept
};

int WholeNumber(const Node& node, std::string_view context) {
  if (node.group || node.token.kind != TokenKind::Number || node.token.text.size() > 9 ||
      node.token.text.find_first_not_of("0123456789") != std::string::npos) {
    throw TranslationError(std::string(context) + " needs a whole number, not '" + node.token.text +
                           "'");
  }
  return std::stoi(node.token.text);
}

// `args` is the group after the type name, or null.
SqlType MapType(const std::string& typeName, const Node* args) {
  const std::string upper = Upper(typeName);
  std::vector<int> numbers;
  if (args != nullptr) {
    for (const Node& child : args->children) {
      if (child.token.kind == TokenKind::Comma) {
        continue;
      }
      if (IsWord(child.token, "MAX")) {
        numbers.push_back(0);
        continue;
      }
      numbers.push_back(WholeNumber(child, "the size of " + typeName));
    }
  }
  const int first = numbers.empty() ? 0 : numbers[0];
  constexpr std::array<std::string_view, 6> kText = {"VARCHAR", "NVARCHAR", "CHAR",
                                                     "NCHAR",   "TEXT",     "NTEXT"};
  if (OneOf(upper, kText)) {
    const std::string base = upper.starts_with("N") ? upper.substr(1) : upper;
    return {Family::Text, first > 0 ? base + "(" + std::to_string(first) + ")" : base, first};
  }
  constexpr std::array<std::string_view, 5> kIntegers = {"INT", "INTEGER", "SMALLINT", "TINYINT",
                                                         "BIGINT"};
  if (OneOf(upper, kIntegers)) {
    return {Family::Integer, "INTEGER"};
  }
  if (upper == "BIT") {
    return {Family::Bit, "BIT"};
  }
  if (upper == "FLOAT" || upper == "REAL") {
    return {Family::Real, "FLOAT"};
  }
  // NUMERIC affinity would store 10.00 as the integer 10, so that 10.00 / 4 gave 2.
  if (upper == "MONEY" || upper == "SMALLMONEY") {
    return {Family::Money, "MONEY REAL"};
  }
  if (upper == "DECIMAL" || upper == "NUMERIC") {
    SqlType type{Family::Money, upper + " REAL"};
    type.scale = numbers.size() > 1 ? numbers[1] : 0;
    return type;
  }
  // TEXT affinity: a date must never become a number (2024-03-01 read as 2024).
  if (upper == "DATETIME" || upper == "SMALLDATETIME" || upper == "DATE" || upper == "DATETIME2") {
    return {Family::DateTime, "DATETIME TEXT"};
  }
  throw TranslationError("data type " + typeName + " is not supported");
}

// --- pieces: one level of an expression, translated -----------------------------------

enum class PieceKind { Operand, Operator, Comparison, Keyword, Comma, Dot };

struct Piece {
  Piece() = default;
  explicit Piece(std::string t, PieceKind k = PieceKind::Operand) : text(std::move(t)), kind(k) {}

  std::string text;
  PieceKind kind = PieceKind::Operand;
  bool text_value = false;      // an operand known to be text
  bool string_literal = false;  // a '...' literal, whose value is `value`
  std::string value;
  std::string typeHint;  // a CAST or CONVERT: the SQLite type it gives
  std::string word;      // keywords: the word in capitals
};

bool IsKeywordPiece(const Piece& piece, std::string_view word) {
  return piece.kind == PieceKind::Keyword && piece.word == word;
}

// ORDER BY terms sort text as SQL Server's collation does (letter case ignored, an accented
// letter beside its plain one), also when the term is an expression rather than a column.
std::string Render(const std::vector<Piece>& pieces) {
  std::string text;
  bool sorting = false;
  size_t termPieces = 0;
  bool termIsNumber = false;
  auto closeTerm = [&] {
    // A lone number is a column position, which a collation would turn into a constant.
    if (termPieces > 0 && !(termPieces == 1 && termIsNumber)) {
      text += std::string(" COLLATE ") + kCollation;
    }
    termPieces = 0;
  };
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    if (sorting) {
      if (piece.kind == PieceKind::Comma || IsKeywordPiece(piece, "ASC") ||
          IsKeywordPiece(piece, "DESC")) {
        closeTerm();
      } else if (IsKeywordPiece(piece, "UNION") || IsKeywordPiece(piece, "EXCEPT") ||
                 IsKeywordPiece(piece, "INTERSECT")) {
        closeTerm();
        sorting = false;
      }
    }
    if (i > 0 && piece.kind != PieceKind::Dot && pieces[i - 1].kind != PieceKind::Dot &&
        piece.kind != PieceKind::Comma) {
      text += ' ';
    }
    text += piece.text;
    if (IsKeywordPiece(piece, "BY") && i > 0 && IsKeywordPiece(pieces[i - 1], "ORDER")) {
      sorting = true;
    } else if (sorting && piece.kind != PieceKind::Comma && !IsKeywordPiece(piece, "ASC") &&
               !IsKeywordPiece(piece, "DESC")) {
      termIsNumber = termPieces == 0 && !piece.text.empty() &&
                     std::all_of(piece.text.begin(), piece.text.end(),
                                 [](char c) { return c >= '0' && c <= '9'; });
      ++termPieces;
    }
  }
  if (sorting) {
    closeTerm();
  }
  return text;
}

std::vector<std::vector<Node>> SplitAtCommas(const std::vector<Node>& nodes) {
  std::vector<std::vector<Node>> parts(1);
  for (const Node& node : nodes) {
    if (!node.group && node.token.kind == TokenKind::Comma) {
      parts.emplace_back();
    } else {
      parts.back().push_back(node);
    }
  }
  return parts;
}

// Parses a table name starting at nodes[i]: name, [name], ##name, dbo.name,
// TempDB.dbo.##name, TempDB..##name. Advances i past it.
std::optional<TableName> ReadTableName(const std::vector<Node>& nodes, std::size_t& i) {
  auto isName = [&](std::size_t k) {
    return k < nodes.size() && !nodes[k].group &&
           (nodes[k].token.kind == TokenKind::Word || nodes[k].token.kind == TokenKind::QuotedName);
  };
  auto isDot = [&](std::size_t k) {
    return k < nodes.size() && !nodes[k].group && nodes[k].token.kind == TokenKind::Dot;
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
    throw TranslationError("a four-part name is not supported: " + parts.front() + "...");
  }
  if (parts.size() == 3 && !EqualsIgnoreCase(parts[0], "TempDB")) {
    throw TranslationError("a table of another database is not supported: " + parts[0]);
  }
  if (parts.size() >= 2 && !EqualsIgnoreCase(parts[parts.size() - 2], "dbo")) {
    // alias.column, not a table
    return std::nullopt;
  }
  if (table.name.starts_with("#")) {
    if (!table.name.starts_with("##")) {
      throw TranslationError("a local temporary table (" + table.name +
                             ") is not supported; use a ## table");
    }
    table.temp = true;
  }
  i = k;
  return table;
}

class Translator {
 public:
  explicit Translator(Catalog& catalog) : catalog_(catalog) {}

  // One level of an expression or clause list. A TOP met here becomes `limit`.
  std::vector<Piece> Level(const std::vector<Node>& nodes, std::string* limit = nullptr);

  std::string Expression(const std::vector<Node>& nodes) {
    std::string limit;
    std::string text = Render(Level(nodes, &limit));
    if (!limit.empty()) {
      text += " LIMIT " + limit;
    }
    return text;
  }

  Translation Translate(const std::vector<Node>& nodes);

 private:
  Piece Group(const Node& group);
  Piece Function(const std::string& name, const Node& args);
  Piece Cast(const Node& args);
  Piece Convert(const Node& args);
  Piece Converted(const std::string& expression, const SqlType& type);
  // Handles the word at nodes[i]; returns the index of the last node it used.
  std::size_t Word(const std::vector<Node>& nodes, std::size_t i, std::vector<Piece>& out,
                   std::string* limit);

  Translation Select(const std::vector<Node>& nodes);
  Translation Insert(const std::vector<Node>& nodes);
  Translation CreateTable(const std::vector<Node>& nodes);
  Translation CreateIndex(const std::vector<Node>& nodes);

  Catalog& catalog_;
};

// A + chain with a text operand concatenates, as in SQL Server, where 'T' + '001' is
// 'T001'; SQLite would add the two as numbers and give 1.
void Concatenate(std::vector<Piece>& pieces) {
  std::size_t begin = 0;
  while (begin < pieces.size()) {
    std::size_t end = begin;
    while (end < pieces.size() &&
           (pieces[end].kind == PieceKind::Operand || pieces[end].kind == PieceKind::Operator ||
            pieces[end].kind == PieceKind::Dot)) {
      ++end;
    }
    bool plus = false;
    bool text = false;
    for (std::size_t i = begin; i < end; ++i) {
      plus = plus || (pieces[i].kind == PieceKind::Operator && pieces[i].text == "+");
      text = text || pieces[i].text_value;
    }
    if (plus && text) {
      for (std::size_t i = begin; i < end; ++i) {
        if (pieces[i].kind == PieceKind::Operator && pieces[i].text == "+") {
          pieces[i].text = "||";
        }
      }
    }
    begin = end + 1;
  }
}

// Stored dates are 'YYYY-MM-DD HH:MM:SS' text; a '2024/03/01 00:00:00' literal compared
// with them as written would misorder ('-' sorts before '/').
void CanonicalizeDates(std::vector<Piece>& pieces) {
  bool betweenOpen = false;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    Piece& piece = pieces[i];
    if (IsKeywordPiece(piece, "BETWEEN")) {
      betweenOpen = true;
      continue;
    }
    if (!piece.string_literal || !LooksLikeDateLiteral(piece.value)) {
      continue;
    }
    bool compared = (i > 0 && pieces[i - 1].kind == PieceKind::Comparison) ||
                    (i + 1 < pieces.size() && pieces[i + 1].kind == PieceKind::Comparison) ||
                    (i > 0 && IsKeywordPiece(pieces[i - 1], "BETWEEN"));
    if (i > 0 && IsKeywordPiece(pieces[i - 1], "AND") && betweenOpen) {
      compared = true;
      betweenOpen = false;
    }
    if (!compared) {
      continue;
    }
    const auto moment = ReadDateText(piece.value);
    if (!moment) {
      throw TranslationError("the date literal '" + piece.value + "' names no real date");
    }
    piece.text = QuoteString(StoredDateText(*moment));
  }
}

// A level that is one text expression, such as ('T' + b.Caixa), is itself a text operand.
bool IsTextExpression(const std::vector<Piece>& pieces) {
  bool text = false;
  for (const Piece& piece : pieces) {
    if (piece.kind == PieceKind::Operator && piece.text != "||") {
      return false;
    }
    if (piece.kind != PieceKind::Operand && piece.kind != PieceKind::Operator &&
        piece.kind != PieceKind::Dot) {
      return false;
    }
    text = text || piece.text_value;
  }
  return text;
}

std::vector<Piece> Translator::Level(const std::vector<Node>& nodes, std::string* limit) {
  std::vector<Piece> out;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const Node& node = nodes[i];
    if (node.group) {
      out.push_back(Group(node));
      continue;
    }
    const Token& token = node.token;
    switch (token.kind) {
      case TokenKind::String: {
        Piece piece(QuoteString(token.text));
        piece.text_value = true;
        piece.string_literal = true;
        piece.value = token.text;
        out.push_back(std::move(piece));
        break;
      }
      case TokenKind::Number:
        out.push_back(Piece(token.text));
        break;
      case TokenKind::Variable:
        throw TranslationError("variables (" + token.text + ") are not supported");
      case TokenKind::Operator:
        out.push_back(Piece(
            token.text, IsComparison(token.text) ? PieceKind::Comparison : PieceKind::Operator));
        break;
      case TokenKind::Comma:
        out.push_back(Piece(",", PieceKind::Comma));
        break;
      case TokenKind::Dot:
        out.push_back(Piece(".", PieceKind::Dot));
        break;
      case TokenKind::QuotedName:
      case TokenKind::Word:
        i = Word(nodes, i, out, limit);
        break;
      case TokenKind::Semicolon:
      case TokenKind::LeftParen:
      case TokenKind::RightParen:
        throw TranslationError("misplaced '" + token.text + "'");
    }
  }
  Concatenate(out);
  CanonicalizeDates(out);
  return out;
}

std::size_t Translator::Word(const std::vector<Node>& nodes, std::size_t i, std::vector<Piece>& out,
                             std::string* limit) {
  const Token& token = nodes[i].token;
  const bool quoted = token.kind == TokenKind::QuotedName;
  const std::string upper = Upper(token.text);
  const bool afterDot = !out.empty() && out.back().kind == PieceKind::Dot;
  const bool groupFollows = i + 1 < nodes.size() && nodes[i + 1].group;

  // Table names: ##X, [##X], dbo.X, TempDB.dbo.##X.
  if (!afterDot && (token.text.starts_with("#") || upper == "DBO" || upper == "TEMPDB")) {
    std::size_t k = i;
    if (auto table = ReadTableName(nodes, k); table && (table->temp || k > i + 1)) {
      out.push_back(Piece(table->temp ? table->Sql() : QuoteName(table->name)));
      return k - 1;
    }
  }
  if (quoted || afterDot) {
    out.push_back(Piece(QuoteName(token.text)));
    return i;
  }
  if (OneOf(upper, kUnsupportedWords)) {
    throw TranslationError(upper + " is not supported");
  }
  if (upper == "TOP") {
    const bool afterSelect = !out.empty() && (IsKeywordPiece(out.back(), "SELECT") ||
                                              IsKeywordPiece(out.back(), "DISTINCT"));
    if (!afterSelect || limit == nullptr || i + 1 >= nodes.size()) {
      throw TranslationError("TOP outside SELECT TOP n is not supported");
    }
    const Node& count = nodes[i + 1];
    *limit =
        count.group ? Expression(count.children) : std::to_string(WholeNumber(count, "SELECT TOP"));
    return i + 1;
  }
  if (upper == "WITH") {
    if (!groupFollows) {
      throw TranslationError("WITH (a common table expression) is not supported");
    }
    for (const Node& hint : nodes[i + 1].children) {
      if (hint.token.kind == TokenKind::Comma) {
        continue;
      }
      if (!IsWord(hint.token, "NOLOCK") && !IsWord(hint.token, "READUNCOMMITTED")) {
        throw TranslationError("the table hint WITH (" + hint.token.text + ") is not supported");
      }
    }
    // SQLite reads without locking out writers anyway; the hint has nothing to carry.
    return i + 1;
  }
  if (OneOf(upper, kKeywords)) {
    out.push_back(Piece(upper, PieceKind::Keyword));
    out.back().word = upper;
    return i;
  }
  if (OneOf(upper, kValueKeywords)) {
    out.push_back(Piece(upper));
    return i;
  }
  if (groupFollows && !afterDot) {
    out.push_back(Function(token.text, nodes[i + 1]));
    return i + 1;
  }
  out.push_back(Piece(QuoteName(token.text)));
  return i;
}

Piece Translator::Group(const Node& group) {
  std::string limit;
  const std::vector<Piece> inner = Level(group.children, &limit);
  Piece piece("(" + Render(inner) + (limit.empty() ? "" : " LIMIT " + limit) + ")");
  piece.text_value = IsTextExpression(inner);
  return piece;
}

Piece Translator::Function(const std::string& name, const Node& args) {
  const std::string upper = Upper(name);
  if (upper == "CAST") {
    return Cast(args);
  }
  if (upper == "CONVERT") {
    return Convert(args);
  }
  if (upper == "OBJECT_ID") {
    throw TranslationError("OBJECT_ID is supported only in IF OBJECT_ID(...) IS [NOT] NULL");
  }
  const std::string inner = Render(Level(args.children));
  if (upper == "ISNULL") {
    return Piece("IFNULL(" + inner + ")");
  }
  if (upper == "SUBSTRING") {
    Piece piece("SUBSTR(" + inner + ")");
    piece.text_value = true;
    return piece;
  }
  if (upper == "LEN") {  // LEN ignores trailing blanks
    return Piece("LENGTH(RTRIM(" + inner + "))");
  }
  if (upper == "REPLACE" || upper == "UPPER" || upper == "LOWER" || upper == "LTRIM" ||
      upper == "RTRIM") {
    Piece piece(upper + "(" + inner + ")");
    piece.text_value = true;
    return piece;
  }
  if (OneOf(upper, kSameFunctions)) {
    return Piece(upper + "(" + inner + ")");
  }
  throw TranslationError("the function " + name + " is not supported");
}

Piece Translator::Converted(const std::string& expression, const SqlType& type) {
  Piece piece;
  piece.typeHint = type.declared;
  switch (type.family) {
    case Family::DateTime:
      piece.text = "tsql_datetime(" + expression + ")";
      break;
    case Family::Real:
      piece.text = "CAST(" + expression + " AS REAL)";
      break;
    case Family::Bit:
      piece.text = "tsql_bit(" + expression + ")";
      break;
    case Family::Integer:
      piece.text = "CAST(" + expression + " AS INTEGER)";
      break;
    case Family::Money:
      piece.text = "ROUND(CAST(" + expression + " AS REAL), " + std::to_string(type.scale) + ")";
      break;
    case Family::Text:
      piece.text = "CAST(" + expression + " AS TEXT)";
      if (type.length > 0) {
        piece.text = "SUBSTR(" + piece.text + ", 1, " + std::to_string(type.length) + ")";
      }
      piece.text_value = true;
      break;
  }
  return piece;
}

Piece Translator::Cast(const Node& args) {
  const std::vector<Node>& children = args.children;
  std::size_t as = children.size();
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (!children[i].group && IsWord(children[i].token, "AS")) {
      as = i;
    }
  }
  if (as == children.size() || as + 1 >= children.size() || children[as + 1].group) {
    throw TranslationError("CAST without AS type");
  }
  const Node* typeArgs =
      as + 2 < children.size() && children[as + 2].group ? &children[as + 2] : nullptr;
  const SqlType type = MapType(children[as + 1].token.text, typeArgs);
  const std::vector<Node> expression(children.begin(), children.begin() + as);
  return Converted(Render(Level(expression)), type);
}

Piece Translator::Convert(const Node& args) {
  const auto parts = SplitAtCommas(args.children);
  if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || parts[0][0].group) {
    throw TranslationError("CONVERT needs (type, value[, style])");
  }
  const Node* typeArgs = parts[0].size() > 1 && parts[0][1].group ? &parts[0][1] : nullptr;
  const SqlType type = MapType(parts[0][0].token.text, typeArgs);
  const std::string expression = Render(Level(parts[1]));
  if (parts.size() == 2) {
    return Converted(expression, type);
  }
  if (parts[2].size() != 1) {
    throw TranslationError("CONVERT style must be a number");
  }
  const int style = WholeNumber(parts[2][0], "CONVERT style");
  if (type.family != Family::Text) {
    throw TranslationError("CONVERT to " + parts[0][0].token.text + " with a style (" +
                           std::to_string(style) + ") is not supported");
  }
  constexpr std::array<int, 5> kStyles = {103, 108, 111, 112, 120};
  if (std::find(kStyles.begin(), kStyles.end(), style) == kStyles.end()) {
    throw TranslationError("CONVERT style " + std::to_string(style) + " is not supported");
  }
  Piece piece;
  piece.text = "tsql_convert(" + expression + ", " + std::to_string(style) + ")";
  if (type.length > 0) {
    piece.text = "SUBSTR(" + piece.text + ", 1, " + std::to_string(type.length) + ")";
  }
  piece.text_value = true;
  piece.typeHint = type.declared;
  return piece;
}

Translation Translator::Select(const std::vector<Node>& nodes) {
  // SELECT ... INTO X FROM ...: the INTO sits at this level, before FROM.
  std::vector<Node> rest;
  std::optional<TableName> target;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (!target && !nodes[i].group && IsWord(nodes[i].token, "INTO")) {
      std::size_t k = i + 1;
      target = ReadTableName(nodes, k);
      if (!target) {
        throw TranslationError("SELECT ... INTO needs a table name");
      }
      i = k - 1;
      continue;
    }
    rest.push_back(nodes[i]);
  }
  Translation translation;
  std::string limit;
  const std::vector<Piece> pieces = Level(rest, &limit);
  translation.sql = Render(pieces) + (limit.empty() ? "" : " LIMIT " + limit);
  if (target) {
    translation.kind = Translation::Kind::CreateTableFromSelect;
    translation.target = *target;
  }
  // A column that is one CAST or CONVERT (with or without its alias) takes that type.
  std::vector<Piece> item;
  auto flush = [&] {
    const bool alone = item.size() == 1 ||
                       (item.size() == 2 && item[1].kind == PieceKind::Operand) ||
                       (item.size() == 3 && IsKeywordPiece(item[1], "AS"));
    translation.typeHints.push_back(alone && !item.empty() ? item[0].typeHint : "");
    item.clear();
  };
  std::size_t i = 1;
  if (i < pieces.size() && IsKeywordPiece(pieces[i], "DISTINCT")) {
    ++i;
  }
  for (; i < pieces.size() && !IsKeywordPiece(pieces[i], "FROM"); ++i) {
    if (pieces[i].kind == PieceKind::Comma) {
      flush();
    } else {
      item.push_back(pieces[i]);
    }
  }
  flush();
  return translation;
}

Translation Translator::Insert(const std::vector<Node>& nodes) {
  std::size_t i = 1;
  if (i < nodes.size() && !nodes[i].group && IsWord(nodes[i].token, "INTO")) {
    ++i;
  }
  const auto table = ReadTableName(nodes, i);
  if (!table) {
    throw TranslationError("INSERT needs a table name");
  }
  std::vector<std::string> columns;
  if (i < nodes.size() && nodes[i].group) {
    for (const auto& part : SplitAtCommas(nodes[i].children)) {
      if (part.size() != 1 || part[0].group) {
        throw TranslationError("INSERT column list must hold names");
      }
      columns.push_back(part[0].token.text);
    }
    ++i;
  }
  const auto known = catalog_.Columns(*table);
  if (columns.empty() && known) {
    // SQL Server fills the identity column itself; a positional INSERT skips it.
    for (const CatalogColumn& column : *known) {
      if (!column.identity) {
        columns.push_back(column.name);
      }
    }
  }
  std::string sql = "INSERT INTO " + table->Sql();
  if (!columns.empty()) {
    sql += " (";
    for (std::size_t c = 0; c < columns.size(); ++c) {
      sql += (c ? ", " : "") + QuoteName(columns[c]);
    }
    sql += ")";
  }
  const std::vector<Node> rest(nodes.begin() + static_cast<std::ptrdiff_t>(i), nodes.end());
  if (rest.empty() || rest[0].group || !IsWord(rest[0].token, "VALUES")) {
    Translation translation;
    translation.sql = sql + " " + Expression(rest);
    return translation;
  }
  // VALUES: a text value for a DATETIME column is read as a date, as SQL Server does.
  auto columnIsDate = [&](std::size_t index) {
    if (!known || index >= columns.size()) {
      return false;
    }
    for (const CatalogColumn& column : *known) {
      if (EqualsIgnoreCase(column.name, columns[index])) {
        return ColumnTypeOfDeclared(column.declaredType) == host::ColumnType::Date;
      }
    }
    return false;
  };
  sql += " VALUES ";
  bool firstRow = true;
  for (std::size_t r = 1; r < rest.size(); ++r) {
    if (!rest[r].group) {
      if (rest[r].token.kind == TokenKind::Comma) {
        continue;
      }
      throw TranslationError("VALUES must be followed by (row), (row)...");
    }
    const auto values = SplitAtCommas(rest[r].children);
    sql += firstRow ? "(" : ", (";
    firstRow = false;
    for (std::size_t v = 0; v < values.size(); ++v) {
      const auto& value = values[v];
      std::string text;
      if (columnIsDate(v) && value.size() == 1 && !value[0].group &&
          value[0].token.kind == TokenKind::String) {
        const auto moment = ReadDateText(value[0].token.text);
        if (!moment) {
          throw TranslationError("'" + value[0].token.text + "' is not a date for column " +
                                 columns[v]);
        }
        text = QuoteString(StoredDateText(*moment));
      } else {
        text = Expression(value);
      }
      sql += (v ? ", " : "") + text;
    }
    sql += ")";
  }
  Translation translation;
  translation.sql = sql;
  return translation;
}

Translation Translator::CreateTable(const std::vector<Node>& nodes) {
  std::size_t i = 2;
  const auto table = ReadTableName(nodes, i);
  if (!table || i + 1 != nodes.size() || !nodes[i].group) {
    throw TranslationError("CREATE TABLE needs a name and a column list");
  }
  std::string sql = "CREATE TABLE " + table->Sql() + " (";
  bool firstColumn = true;
  for (const auto& definition : SplitAtCommas(nodes[i].children)) {
    if (definition.empty()) {
      throw TranslationError("empty column definition");
    }
    sql += firstColumn ? "" : ", ";
    firstColumn = false;
    if (!definition[0].group &&
        (IsWord(definition[0].token, "PRIMARY") || IsWord(definition[0].token, "CONSTRAINT"))) {
      const std::size_t k = IsWord(definition[0].token, "CONSTRAINT") ? 2 : 0;
      if (k >= definition.size() || !IsWord(definition[k].token, "PRIMARY")) {
        throw TranslationError("only PRIMARY KEY table constraints are supported");
      }
      sql += "PRIMARY KEY ";
      const Node& keyColumns = definition.back();
      if (!keyColumns.group) {
        throw TranslationError("PRIMARY KEY needs (columns)");
      }
      sql += Expression(keyColumns.children).insert(0, "(") + ")";
      continue;
    }
    if (definition.size() < 2 || definition[1].group) {
      throw TranslationError("column " + definition[0].token.text + " needs a type");
    }
    std::size_t k = 2;
    const Node* typeArgs = nullptr;
    if (k < definition.size() && definition[k].group) {
      typeArgs = &definition[k++];
    }
    const SqlType type = MapType(definition[1].token.text, typeArgs);
    bool identity = false;
    bool primaryKey = false;
    std::string constraints;
    for (; k < definition.size(); ++k) {
      const Token& word = definition[k].token;
      if (IsWord(word, "IDENTITY")) {
        if (k + 1 < definition.size() && definition[k + 1].group) {
          const auto seed = SplitAtCommas(definition[k + 1].children);
          if (seed.size() != 2 || seed[0].size() != 1 || seed[1].size() != 1 ||
              WholeNumber(seed[0][0], "IDENTITY") != 1 ||
              WholeNumber(seed[1][0], "IDENTITY") != 1) {
            throw TranslationError("only IDENTITY(1, 1) is supported");
          }
          ++k;
        }
        identity = true;
      } else if (IsWord(word, "PRIMARY") && k + 1 < definition.size() &&
                 IsWord(definition[k + 1].token, "KEY")) {
        primaryKey = true;
        ++k;
      } else if (IsWord(word, "CLUSTERED") || IsWord(word, "NONCLUSTERED")) {
      } else if (IsWord(word, "NOT") && k + 1 < definition.size() &&
                 IsWord(definition[k + 1].token, "NULL")) {
        constraints += " NOT NULL";
        ++k;
      } else if (IsWord(word, "NULL")) {
      } else if (IsWord(word, "UNIQUE")) {
        constraints += " UNIQUE";
      } else if (IsWord(word, "DEFAULT") && k + 1 < definition.size()) {
        constraints += " DEFAULT " + (definition[k + 1].group ? Render({Group(definition[k + 1])})
                                                              : Render(Level({definition[k + 1]})));
        ++k;
      } else {
        throw TranslationError("column option " + word.text + " is not supported");
      }
    }
    if (identity && !primaryKey) {
      throw TranslationError("IDENTITY is supported only on the PRIMARY KEY column");
    }
    sql += QuoteName(definition[0].token.text) + " ";
    if (identity) {
      sql += "INTEGER PRIMARY KEY AUTOINCREMENT";
    } else {
      sql += type.declared;
      if (type.family == Family::Text) {
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
  for (; i < nodes.size() && !IsWord(nodes[i].token, "INDEX"); ++i) {
    if (IsWord(nodes[i].token, "UNIQUE")) {
      unique = true;
    } else if (!IsWord(nodes[i].token, "CLUSTERED") && !IsWord(nodes[i].token, "NONCLUSTERED")) {
      throw TranslationError("CREATE " + nodes[i].token.text + " is not supported");
    }
  }
  if (i + 2 >= nodes.size() || !IsWord(nodes[i + 2].token, "ON")) {
    throw TranslationError("CREATE INDEX needs: name ON table (columns)");
  }
  const std::string indexName = nodes[i + 1].token.text;
  std::size_t k = i + 3;
  const auto table = ReadTableName(nodes, k);
  if (!table || k + 1 != nodes.size() || !nodes[k].group) {
    throw TranslationError("CREATE INDEX needs: name ON table (columns)");
  }
  // SQLite puts the schema on the index and names the table bare.
  Translation translation;
  translation.sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
                    (table->temp ? "tempdb." : "main.") + QuoteName(indexName) + " ON " +
                    QuoteName(table->name) + " (" + Expression(nodes[k].children) + ")";
  return translation;
}

Translation Translator::Translate(const std::vector<Node>& nodes) {
  if (nodes.empty() || nodes[0].group || nodes[0].token.kind != TokenKind::Word) {
    throw TranslationError("a statement must begin with a keyword");
  }
  const std::string first = Upper(nodes[0].token.text);
  if (first == "IF") {
    // IF OBJECT_ID('name') IS [NOT] NULL <statement>
    const bool shape = nodes.size() > 5 && IsWord(nodes[1].token, "OBJECT_ID") && nodes[2].group &&
                       nodes[2].children.size() == 1 &&
                       nodes[2].children[0].token.kind == TokenKind::String &&
                       IsWord(nodes[3].token, "IS");
    if (!shape) {
      throw TranslationError("IF is supported only as IF OBJECT_ID('table') IS [NOT] NULL");
    }
    const bool negated = IsWord(nodes[4].token, "NOT");
    const std::size_t nullAt = negated ? 5 : 4;
    if (nullAt >= nodes.size() || !IsWord(nodes[nullAt].token, "NULL") ||
        nullAt + 1 >= nodes.size()) {
      throw TranslationError("IF OBJECT_ID(...) IS [NOT] NULL needs a statement to guard");
    }
    const std::vector<Token> nameTokens = Tokenize(nodes[2].children[0].token.text);
    std::vector<Node> nameNodes;
    for (const Token& token : nameTokens) {
      nameNodes.push_back({token, false, {}});
    }
    std::size_t k = 0;
    auto table = ReadTableName(nameNodes, k);
    if (!table || k != nameNodes.size()) {
      throw TranslationError("OBJECT_ID needs a table name, not '" +
                             nodes[2].children[0].token.text + "'");
    }
    Translation translation =
        Translate({nodes.begin() + static_cast<std::ptrdiff_t>(nullAt) + 1, nodes.end()});
    translation.guardTable = *table;
    translation.guardWantsTable = negated;
    return translation;
  }
  if (first == "SELECT") {
    return Select(nodes);
  }
  if (first == "INSERT") {
    return Insert(nodes);
  }
  if (first == "CREATE") {
    if (nodes.size() > 1 && IsWord(nodes[1].token, "TABLE")) {
      return CreateTable(nodes);
    }
    return CreateIndex(nodes);
  }
  if (first == "UPDATE" || first == "DELETE" || first == "DROP") {
    if (first == "DROP" && (nodes.size() < 2 || !IsWord(nodes[1].token, "TABLE"))) {
      throw TranslationError("only DROP TABLE is supported");
    }
    Translation translation;
    translation.sql = Expression(nodes);
    return translation;
  }
  throw TranslationError("the statement " + nodes[0].token.text + " is not supported");
}

// Builds the group tree of tokens[begin, end).
std::vector<Node> Tree(const std::vector<Token>& tokens, std::size_t& pos, bool inGroup) {
  std::vector<Node> nodes;
  while (pos < tokens.size()) {
    const Token& token = tokens[pos++];
    if (token.kind == TokenKind::RightParen) {
      if (!inGroup) {
        throw TranslationError("unbalanced ')' at offset " + std::to_string(token.offset));
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
