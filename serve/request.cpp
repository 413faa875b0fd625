#include "serve/request.h"

#include <algorithm>

namespace orla::serve {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

}  // namespace

bool DecodeUrl(std::string_view text, std::string& decoded, bool plusIsSpace) {
  decoded.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%') {
      if (i + 2 >= text.size()) {
        return false;
      }
      const int high = HexDigit(text[i + 1]);
      const int low = HexDigit(text[i + 2]);
      if (high < 0 || low < 0) {
        return false;
      }
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else if (text[i] == '+' && plusIsSpace) {
      decoded += ' ';
    } else {
      decoded += text[i];
    }
  }
  return true;
}

bool DecodeForm(std::string_view text, std::map<std::string, std::string>& values) {
  while (!text.empty()) {
    const size_t end = std::min(text.find('&'), text.size());
    const std::string_view pair = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (pair.empty()) {
      continue;
    }
    const size_t equals = std::min(pair.find('='), pair.size());
    std::string name;
    std::string value;
    if (!DecodeUrl(pair.substr(0, equals), name, true) ||
        !DecodeUrl(pair.substr(std::min(equals + 1, pair.size())), value, true)) {
      return false;
    }
    values.emplace(std::move(name), std::move(value));
  }
  return true;
}

}  // namespace orla::serve
