#include "cli/arguments.h"

#include "hostlib/messages.h"

namespace orla::cli {

std::optional<std::string> ArgumentReader::TakeOption(std::string_view name) {
  if (Done()) {
    return std::nullopt;
  }
  const std::string& word = Peek();
  if (word == name) {
    ++next_;
    if (Done()) {
      throw UsageError(hostlib::Say("%s needs a value", {name}));
    }
    return Take();
  }
  if (word.size() > name.size() && word.compare(0, name.size(), name) == 0 &&
      word[name.size()] == '=') {
    ++next_;
    return word.substr(name.size() + 1);
  }
  return std::nullopt;
}

bool ArgumentReader::TakeFlag(std::string_view name) {
  if (!Done() && Peek() == name) {
    ++next_;
    return true;
  }
  return false;
}

engine::CsvDialect ParseCsvDialectOption(const std::string& text) {
  if (auto dialect = engine::ParseCsvDialect(text)) {
    return *dialect;
  }
  throw UsageError(hostlib::Say("--csv-dialect expects plain or br, got '%s'", {text}));
}

}  // namespace orla::cli
