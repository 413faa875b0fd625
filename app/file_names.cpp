#include "app/file_names.h"

#include <cstdio>

namespace orla::app {

namespace {

// The letters of Latin-1 Supplement (U+00C0 to U+00FF) without their accents, lower case;
// '\0' for the signs there (×, ÷), which separate words.
constexpr char kLatin1Letters[] =
    "aaaaaaaceeeeiiii"    // ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏ (Æ as a)
    "dnooooo\0ouuuuyts"   // ÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞß (Þ as t, ß as s)
    "aaaaaaaceeeeiiii"    // àáâãäåæçèéêëìíîï
    "dnooooo\0ouuuuyty";  // ðñòóôõö÷øùúûüýþÿ

// The ASCII letter or digit a character of `text` at `i` stands for, lower case, and how many
// bytes it took; '\0' for anything else.
std::pair<char, size_t> Plain(std::string_view text, size_t i) {
  const auto byte = static_cast<unsigned char>(text[i]);
  if (byte < 0x80) {
    if ((byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')) {
      return {static_cast<char>(byte), 1};
    }
    if (byte >= 'A' && byte <= 'Z') {
      return {static_cast<char>(byte - 'A' + 'a'), 1};
    }
    return {'\0', 1};
  }
  size_t length = 1;
  while (i + length < text.size() &&
         (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80) {
    ++length;
  }
  if (length == 2 && byte == 0xC3) {
    return {kLatin1Letters[static_cast<unsigned char>(text[i + 1]) & 0x3F], 2};
  }
  return {'\0', length};
}

std::string IsoDay(const host::DateTime& day) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", day.Year(), day.Month(), day.Day());
  return buffer;
}

}  // namespace

std::string KebabCase(std::string_view title) {
  std::string stem;
  bool gap = false;
  for (size_t i = 0; i < title.size();) {
    const auto [letter, length] = Plain(title, i);
    i += length;
    if (letter == '\0') {
      gap = !stem.empty();
      continue;
    }
    if (gap) {
      stem += '-';
      gap = false;
    }
    stem += letter;
  }
  return stem;
}

std::string ReportFileStem(std::string_view title, const Period& period) {
  std::string stem = KebabCase(title);
  const bool wholeMonth = period.first.Day() == 1 && period.first.Year() == period.last.Year() &&
                          period.first.Month() == period.last.Month() &&
                          period.last.AddDays(1).Day() == 1;
  if (!stem.empty()) {
    stem += '-';
  }
  if (wholeMonth) {
    return stem + IsoDay(period.first).substr(0, 7);
  }
  return stem + IsoDay(period.first) + "_" + IsoDay(period.last);
}

std::string ReportFileName(std::string_view title, const Period& period,
                           std::string_view extension) {
  return ReportFileStem(title, period) + "." + std::string(extension);
}

}  // namespace orla::app
