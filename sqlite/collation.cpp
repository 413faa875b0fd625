#include "sqlite/collation.h"

#include <cstddef>
#include <utility>

namespace orla::sqlite {

namespace {

// Decodes one UTF-8 code point at text[pos]; a malformed byte stands for itself.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  int length = lead < 0x80           ? 1
               : (lead >> 5) == 0x6  ? 2
               : (lead >> 4) == 0xE  ? 3
               : (lead >> 3) == 0x1E ? 4
                                     : 1;
  if (pos + static_cast<std::size_t>(length) > text.size()) {
    length = 1;
  }
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if ((byte(pos + static_cast<std::size_t>(i)) & 0xC0) != 0x80) {
      ++pos;
      return lead;
    }
    code = (code << 6) | (byte(pos + static_cast<std::size_t>(i)) & 0x3F);
  }
  pos += static_cast<std::size_t>(length);
  return code;
}

// (primary, secondary): the letter without case or accent, then the accent.
std::pair<char32_t, char32_t> SortKeys(char32_t code) {
  if (code >= 'a' && code <= 'z') {
    return {code - 'a' + 'A', 0};
  }
  if (code < 0xC0 || code > 0xFF || code == 0xD7 || code == 0xF7) {
    return {code, 0};
  }
  // Latin-1 letters, lower case folded onto upper case.
  const char32_t upper = code >= 0xE0 && code != 0xFF ? code - 0x20 : code;
  static constexpr char kBase[] = "AAAAAA?CEEEEIIIIDNOOOOO?OUUUUY??";  // U+00C0..U+00DF
  char32_t base = code == 0xFF ? 'Y' : static_cast<char32_t>(kBase[upper - 0xC0]);
  if (base == '?') {
    base = upper;
  }
  return {base, upper};
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

int CompareTsqlText(std::string_view a, std::string_view b) {
  a = TrimTrailingBlanks(a);
  b = TrimTrailingBlanks(b);
  std::size_t i = 0;
  std::size_t j = 0;
  int accents = 0;  // the first accent difference, used only when the letters tie
  while (i < a.size() && j < b.size()) {
    const auto [primaryA, secondaryA] = SortKeys(NextCodePoint(a, i));
    const auto [primaryB, secondaryB] = SortKeys(NextCodePoint(b, j));
    if (primaryA != primaryB) {
      return primaryA < primaryB ? -1 : 1;
    }
    if (accents == 0 && secondaryA != secondaryB) {
      accents = secondaryA < secondaryB ? -1 : 1;
    }
  }
  if (i < a.size()) {
    return 1;
  }
  if (j < b.size()) {
    return -1;
  }
  return accents;
}

}  // namespace orla::sqlite
