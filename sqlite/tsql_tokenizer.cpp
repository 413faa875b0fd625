#include "sqlite/tsql_tokenizer.h"

#include "host/errors.h"

namespace orla::sqlite::tsql {

namespace {

bool IsWordStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '#' || c >= 0x80;
}

bool IsWordPart(unsigned char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9') || c == '$';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

[[noreturn]] void Fail(std::string_view sql, std::size_t offset, const std::string& what) {
  throw host::DatabaseError("T-SQL adapter: " + what + " at offset " + std::to_string(offset),
                            std::string(sql));
}

// Reads a run delimited by `close`, where a doubled `close` stands for itself.
std::string ReadDelimited(std::string_view sql, std::size_t& pos, char close, const char* what) {
  const std::size_t start = pos;
  std::string value;
  ++pos;
  while (true) {
    if (pos >= sql.size()) {
      Fail(sql, start, std::string("unterminated ") + what);
    }
    if (sql[pos] == close) {
      if (pos + 1 < sql.size() && sql[pos + 1] == close) {
        value += close;
        pos += 2;
        continue;
      }
      ++pos;
      return value;
    }
    value += sql[pos++];
  }
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') {
      x = static_cast<char>(x - 'a' + 'A');
    }
    if (y >= 'a' && y <= 'z') {
      y = static_cast<char>(y - 'a' + 'A');
    }
    if (x != y) {
      return false;
    }
  }
  return true;
}

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  std::size_t pos = 0;
  while (pos < sql.size()) {
    const char c = sql[pos];
    const std::size_t start = pos;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
      ++pos;
      continue;
    }
    if (c == '-' && pos + 1 < sql.size() && sql[pos + 1] == '-') {
      while (pos < sql.size() && sql[pos] != '\n') {
        ++pos;
      }
      continue;
    }
    if (c == '/' && pos + 1 < sql.size() && sql[pos + 1] == '*') {
      const std::size_t end = sql.find("*/", pos + 2);
      if (end == std::string_view::npos) {
        Fail(sql, start, "unterminated comment");
      }
      pos = end + 2;
      continue;
    }
    // N'text' is a Unicode literal; every string here is already Unicode.
    if ((c == 'N' || c == 'n') && pos + 1 < sql.size() && sql[pos + 1] == '\'') {
      ++pos;
      tokens.push_back({TokenKind::String, ReadDelimited(sql, pos, '\'', "string"), start});
      continue;
    }
    if (c == '\'') {
      tokens.push_back({TokenKind::String, ReadDelimited(sql, pos, '\'', "string"), start});
      continue;
    }
    if (c == '[') {
      tokens.push_back({TokenKind::QuotedName, ReadDelimited(sql, pos, ']', "name"), start});
      continue;
    }
    if (c == '"') {
      tokens.push_back({TokenKind::QuotedName, ReadDelimited(sql, pos, '"', "name"), start});
      continue;
    }
    if (IsDigit(c) || (c == '.' && pos + 1 < sql.size() && IsDigit(sql[pos + 1]))) {
      while (pos < sql.size() && (IsDigit(sql[pos]) || sql[pos] == '.')) {
        ++pos;
      }
      if (pos < sql.size() && (sql[pos] == 'e' || sql[pos] == 'E')) {
        std::size_t exp = pos + 1;
        if (exp < sql.size() && (sql[exp] == '+' || sql[exp] == '-')) {
          ++exp;
        }
        if (exp < sql.size() && IsDigit(sql[exp])) {
          pos = exp;
          while (pos < sql.size() && IsDigit(sql[pos])) {
            ++pos;
          }
        }
      }
      if (pos < sql.size() && IsWordStart(static_cast<unsigned char>(sql[pos])) &&
          sql[pos] != '#') {
        Fail(sql, start,
             "malformed number '" + std::string(sql.substr(start, pos + 1 - start)) + "'");
      }
      tokens.push_back({TokenKind::Number, std::string(sql.substr(start, pos - start)), start});
      continue;
    }
    if (c == '@') {
      ++pos;
      while (pos < sql.size() &&
             (IsWordPart(static_cast<unsigned char>(sql[pos])) || sql[pos] == '@')) {
        ++pos;
      }
      tokens.push_back({TokenKind::Variable, std::string(sql.substr(start, pos - start)), start});
      continue;
    }
    if (IsWordStart(static_cast<unsigned char>(c))) {
      while (pos < sql.size() && IsWordPart(static_cast<unsigned char>(sql[pos]))) {
        ++pos;
      }
      tokens.push_back({TokenKind::Word, std::string(sql.substr(start, pos - start)), start});
      continue;
    }
    switch (c) {
      case '(':
        tokens.push_back({TokenKind::LeftParen, "(", start});
        ++pos;
        continue;
      case ')':
        tokens.push_back({TokenKind::RightParen, ")", start});
        ++pos;
        continue;
      case ',':
        tokens.push_back({TokenKind::Comma, ",", start});
        ++pos;
        continue;
      case '.':
        tokens.push_back({TokenKind::Dot, ".", start});
        ++pos;
        continue;
      case ';':
        tokens.push_back({TokenKind::Semicolon, ";", start});
        ++pos;
        continue;
      default:
        break;
    }
    const std::string_view rest = sql.substr(pos);
    for (std::string_view op : {"<>", "!=", "<=", ">=", "=", "<", ">", "+", "-", "*", "/", "%"}) {
      if (rest.starts_with(op)) {
        tokens.push_back({TokenKind::Operator, std::string(op), start});
        pos += op.size();
        break;
      }
    }
    if (pos == start) {
      Fail(sql, start, std::string("unexpected character '") + c + "'");
    }
  }
  return tokens;
}

}  // namespace orla::sqlite::tsql
