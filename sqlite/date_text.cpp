#include "sqlite/date_text.h"

#include <cstdio>

namespace orla::sqlite {

namespace {

bool Digits(std::string_view text, std::size_t pos, std::size_t count, int& value) {
  if (pos + count > text.size()) {
    return false;
  }
  value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return false;
    }
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// Reads 1 or 2 digits.
bool ShortNumber(std::string_view text, std::size_t& pos, int& value) {
  if (!Digits(text, pos, 1, value)) {
    return false;
  }
  ++pos;
  int second = 0;
  if (Digits(text, pos, 1, second)) {
    value = value * 10 + second;
    ++pos;
  }
  return true;
}

struct Shape {
  int year = 1900, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// 'HH:MM[:SS[.fff]]' from pos to the end.
bool ReadTime(std::string_view text, std::size_t pos, Shape& shape) {
  if (!ShortNumber(text, pos, shape.hour) || pos >= text.size() || text[pos] != ':') {
    return false;
  }
  ++pos;
  if (!Digits(text, pos, 2, shape.minute)) {
    return false;
  }
  pos += 2;
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    if (!Digits(text, pos, 2, shape.second)) {
      return false;
    }
    pos += 2;
    if (pos < text.size() && text[pos] == '.') {
      ++pos;
      int ignored = 0;
      while (pos < text.size() && Digits(text, pos, 1, ignored)) {
        ++pos;
      }
    }
  }
  return pos == text.size();
}

// Fills `shape` when `text` has one of the read forms; `hasTime` tells whether a time came.
bool ReadShape(std::string_view text, Shape& shape, bool& hasTime) {
  hasTime = false;
  if (!Digits(text, 0, 4, shape.year)) {
    return ReadTime(text, 0, shape) && (hasTime = true);
  }
  std::size_t pos = 4;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '/' || text[pos] == '.')) {
    const char separator = text[pos++];
    if (!ShortNumber(text, pos, shape.month) || pos >= text.size() || text[pos] != separator) {
      return false;
    }
    ++pos;
    if (!ShortNumber(text, pos, shape.day)) {
      return false;
    }
  } else {
    if (!Digits(text, 4, 2, shape.month) || !Digits(text, 6, 2, shape.day)) {
      return false;
    }
    pos = 8;
  }
  if (pos == text.size()) {
    return true;
  }
  if (text[pos] != ' ' && text[pos] != 'T') {
    return false;
  }
  hasTime = true;
  return ReadTime(text, pos + 1, shape);
}

}  // namespace

std::string StoredDateText(const host::DateTime& moment) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", moment.Year(),
                moment.Month(), moment.Day(), moment.Hour(), moment.Minute(), moment.Second());
  return buffer;
}

std::optional<host::DateTime> ReadDateText(std::string_view text) {
  Shape shape;
  bool hasTime = false;
  if (!ReadShape(text, shape, hasTime)) {
    return std::nullopt;
  }
  return host::DateTime::FromParts(shape.year, shape.month, shape.day, shape.hour, shape.minute,
                                   shape.second);
}

}  // namespace orla::sqlite
