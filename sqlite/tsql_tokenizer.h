// The first stage of the T-SQL adapter: statement text cut into tokens. The translator works
// on these tokens only, so a quote inside a string or a bracket inside a name can never be
// mistaken for syntax.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orla::sqlite::tsql {

enum class TokenKind {
  Word,        // identifier or keyword as written: Código_Venda, SELECT, ##VendasNosBicos
  QuotedName,  // [Movimentações em Vendas] or "name"; text holds the bare name
  String,      // 'text'; text holds the value with '' undoubled
  Number,      // 12, 7.5, 1e3
  Variable,    // @name
  Operator,    // + - * / % = <> != < > <= >=
  LeftParen,
  RightParen,
  Comma,
  Dot,
  Semicolon,
};

struct Token {
  TokenKind kind;
  std::string text;
  std::size_t offset = 0;  // where the token starts in the statement, for messages
};

// Whitespace and comments (-- and /* */) separate tokens and are dropped. Letters outside
// ASCII (UTF-8 bytes) belong to words, as accented column names need. Raises
// host::DatabaseError for an unterminated string, name or comment and for a character that
// starts no token.
std::vector<Token> Tokenize(std::string_view sql);

// ASCII letters compared without case; other bytes exactly.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

inline bool IsWord(const Token& token, std::string_view word) {
  return token.kind == TokenKind::Word && EqualsIgnoreCase(token.text, word);
}

}  // namespace orla::sqlite::tsql
