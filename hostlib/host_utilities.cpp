#include "hostlib/host_utilities.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "host/errors.h"
#include "host/platform.h"

namespace orla::hostlib {

namespace {

const host::RegionalSettings& Regional() {
  return host::CurrentPlatform().Regional();
}

std::string TextOf(const host::Value& value) {
  return value.IsNull() ? std::string() : Regional().ToText(value);
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
      ++pos;
    }
    const size_t start = pos;
    while (pos < text.size() && !std::isspace(static_cast<unsigned char>(text[pos]))) {
      ++pos;
    }
    if (pos > start) {
      words.push_back(text.substr(start, pos - start));
    }
  }
  return words;
}

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The first `count` characters (not bytes) of a UTF-8 word.
std::string_view FirstCharacters(std::string_view word, size_t count) {
  size_t pos = 0;
  for (size_t n = 0; n < count && pos < word.size(); ++n) {
    ++pos;
    while (pos < word.size() && IsContinuationByte(word[pos])) {
      ++pos;
    }
  }
  return word.substr(0, pos);
}

size_t CharacterCount(std::string_view word) {
  size_t count = 0;
  for (char c : word) {
    count += IsContinuationByte(c) ? 0 : 1;
  }
  return count;
}

// Letters (any script), digits and hyphens; the rest (quotes, dots, slashes) would only get in
// the way of a label that is written into statements.
std::string LabelCharacters(std::string_view word) {
  std::string kept;
  for (char c : word) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || std::isalnum(byte) || c == '-') {
      kept += static_cast<char>(byte < 0x80 ? std::toupper(byte) : byte);
    }
  }
  return kept;
}

bool HasDigit(std::string_view word) {
  for (char c : word) {
    if (c >= '0' && c <= '9') {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string Abbreviate(std::string_view description) {
  std::vector<std::string> words;
  for (std::string_view raw : Words(description)) {
    if (std::string word = LabelCharacters(raw); !word.empty()) {
      words.push_back(std::move(word));
    }
  }
  // The first word keeps three letters and the others two, each marked with a dot, so
  // "GASOLINA ADITIVADA" reads "GAS.AD."; grades such as "S10" and short words stay whole.
  std::string label;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const size_t keep = i == 0 ? 3 : 2;
    if (HasDigit(word) || CharacterCount(word) <= keep) {
      label += word;
      if (i + 1 < words.size()) {
        label += '.';
      }
    } else {
      label += FirstCharacters(word, keep);
      label += '.';
    }
  }
  return label;
}

std::string HostUtilities::TextForSql(const host::Value& text) {
  std::string out;
  for (char c : TextOf(text)) {
    out += c;
    if (c == '\'') {
      out += '\'';
    }
  }
  return out;
}

std::string HostUtilities::AbbreviateText(const host::Value& text) {
  return Abbreviate(TextOf(text));
}

std::string HostUtilities::CompanyNameText(const host::Value& name) {
  const std::string text = TextOf(name);
  std::string out;
  for (std::string_view word : Words(text)) {
    out += out.empty() ? "" : " ";
    out += word;
  }
  return out;
}

std::string HostUtilities::DateForSql(const host::Value& date) {
  return Regional().FormatDate(Regional().ToDate(date), "yyyymmdd");
}

std::string HostUtilities::NumberForSql(const host::Value& number) {
  const double value = Regional().ToDouble(number);
  if (!std::isfinite(value)) {
    throw host::HostError(host::error_number::kInvalidProcedureCall,
                          "Not a number for a statement: " + number.Describe());
  }
  // Fixed notation at its shortest round trip: 1e16 and 5e-05 are written out in full, as a
  // statement reader that takes no exponent needs them. The longest double so written (the
  // smallest subnormal) has 327 digits after the point.
  char buffer[400];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc{}) {
    throw host::HostError(host::error_number::kInvalidProcedureCall,
                          "Number too long for a statement: " + number.Describe());
  }
  return std::string(buffer, end);
}

}  // namespace orla::hostlib
