#include "engine/text_util.h"

namespace orla::engine {

namespace {

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  for (char c : text) {
    count += IsContinuation(c) ? 0 : 1;
  }
  return count;
}

std::string_view LeadingCharacters(std::string_view text, size_t count) {
  size_t kept = 0;
  size_t pos = 0;
  while (pos < text.size() && kept < count) {
    ++pos;
    while (pos < text.size() && IsContinuation(text[pos])) {
      ++pos;
    }
    ++kept;
  }
  return text.substr(0, pos);
}

std::string FitText(std::string_view text, size_t width) {
  if (CharacterCount(text) <= width) {
    return std::string(text);
  }
  if (width == 0) {
    return {};
  }
  return std::string(LeadingCharacters(text, width - 1)) + "…";
}

std::string PadRight(std::string_view text, size_t width) {
  const size_t n = CharacterCount(text);
  return std::string(text) + std::string(n < width ? width - n : 0, ' ');
}

std::string PadLeft(std::string_view text, size_t width) {
  const size_t n = CharacterCount(text);
  return std::string(n < width ? width - n : 0, ' ') + std::string(text);
}

std::string MarkupEscape(std::string_view text) {
  std::string result;
  for (char c : text) {
    switch (c) {
      case '&':
        result += "&amp;";
        break;
      case '<':
        result += "&lt;";
        break;
      case '>':
        result += "&gt;";
        break;
      case '"':
        result += "&quot;";
        break;
      default:
        result += c;
    }
  }
  return result;
}

}  // namespace orla::engine
