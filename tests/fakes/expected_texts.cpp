#include "tests/fakes/expected_texts.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include <gtest/gtest.h>

namespace orla::testing {

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    out += c == '\\' ? "\\\\" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  }
  return out;
}

std::string Unescape(const std::string& line) {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      const char next = line[++i];
      out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
    } else {
      out += line[i];
    }
  }
  return out;
}

std::string Shown(const std::string& text) {
  return "-->|" + text + "|<--";
}

// Where two texts part, with a little of what comes before, so a long statement's fault shows
// without reading both whole.
std::string WhereTheyPart(const std::string& a, const std::string& b) {
  const auto part = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  const auto at = static_cast<std::size_t>(part.first - a.begin());
  const std::size_t from = at > 40 ? at - 40 : 0;
  return "they part at character " + std::to_string(at) + ", after \"" + a.substr(from, at - from) +
         "\"";
}

}  // namespace

ExpectedTexts::ExpectedTexts(const std::string& file)
    : path_(std::filesystem::path(ORLA_TESTS_DIR) / file),
      update_(std::getenv("ORLA_UPDATE_EXPECTED") != nullptr &&
              std::string(std::getenv("ORLA_UPDATE_EXPECTED")) == "1") {
  std::ifstream in(path_, std::ios::binary);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.starts_with("== ")) {
      sections_.push_back({line.substr(3), number, {}, false});
    } else if (!sections_.empty()) {
      sections_.back().texts.push_back(Unescape(line));
    } else if (line.starts_with("#")) {
      notes_.push_back(line);
    } else if (!line.empty()) {
      ADD_FAILURE_AT(path_.c_str(), number) << "a text before the first section";
    }
  }
  if (!in.eof() && !update_) {
    ADD_FAILURE() << "cannot read " << path_;
  }
}

ExpectedTexts::~ExpectedTexts() {
  if (update_) {
    std::filesystem::create_directories(path_.parent_path());
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    for (const std::string& note : notes_) {
      out << note << "\n";
    }
    for (const Section& section : seen_) {
      out << "== " << section.name << "\n";
      for (const std::string& text : section.texts) {
        out << Escape(text) << "\n";
      }
    }
    out.close();
    if (!out) {
      ADD_FAILURE() << "cannot write " << path_;
    } else {
      std::cerr << "wrote " << path_.string() << "\n";
    }
    return;
  }
  for (const Section& section : sections_) {
    if (!section.checked) {
      ADD_FAILURE_AT(path_.c_str(), section.line) << "no case checks \"" << section.name << "\"";
    }
  }
}

void ExpectedTexts::Check(const std::string& name, const std::vector<std::string>& texts) {
  const auto named = [&](const Section& s) { return s.name == name; };
  if (std::any_of(seen_.begin(), seen_.end(), named)) {
    ADD_FAILURE() << "two cases are named \"" << name << "\"";
  }
  seen_.push_back({name, 0, texts, true});
  if (update_) {
    return;
  }
  const auto section = std::find_if(sections_.begin(), sections_.end(), named);
  if (section == sections_.end()) {
    ADD_FAILURE() << path_.string() << " has no section \"" << name
                  << "\"; ORLA_UPDATE_EXPECTED=1 writes it";
    return;
  }
  section->checked = true;
  const std::vector<std::string>& expected = section->texts;
  const std::size_t common = std::min(texts.size(), expected.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (texts[i] != expected[i]) {
      ADD_FAILURE_AT(path_.c_str(), section->line + 1 + static_cast<int>(i))
          << "\"" << name << "\", text " << i + 1 << " of " << expected.size() << ": "
          << WhereTheyPart(texts[i], expected[i]) << "\n  gave     " << Shown(texts[i])
          << "\n  expected " << Shown(expected[i]);
      return;
    }
  }
  if (texts.size() != expected.size()) {
    std::string rest;
    for (std::size_t i = common; i < std::max(texts.size(), expected.size()); ++i) {
      rest += "\n  " + Shown(i < texts.size() ? texts[i] : expected[i]);
    }
    ADD_FAILURE_AT(path_.c_str(), section->line)
        << "\"" << name << "\" expects " << expected.size() << " texts, the case gave "
        << texts.size() << "; the " << (texts.size() > expected.size() ? "extra" : "missing")
        << " ones:" << rest;
  }
}

}  // namespace orla::testing
