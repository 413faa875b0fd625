// A report's NAME=VALUE texts as `run` and the viewer take them: the first line names the
// operation, each following line is one NAME=VALUE, or the rest is the JSON object of
// parameters the C interface and the server take when it begins with '{'. Whatever the check
// lets through must coerce to the operation's arguments or raise the runtime's error, and a
// payment-form list it accepts must stay a list of string literals inside the statement's
// IN ( ... ), whatever the quotes in it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/parameters.h"
#include "app/value_texts.h"
#include "host/errors.h"
#include "reports/by_name.h"
#include "reports/report_list.h"
#include "sqlite/tsql_tokenizer.h"

namespace {

using orla::sqlite::tsql::TokenKind;

[[noreturn]] void Fail(const char* what, const std::string& value) {
  std::fprintf(stderr, "%s: \"%s\"\n", what, value.c_str());
  std::abort();
}

void CheckInList(const std::string& list) {
  std::vector<orla::sqlite::tsql::Token> tokens;
  try {
    tokens = orla::sqlite::tsql::Tokenize("IN (" + list + ")");
  } catch (const orla::host::DatabaseError&) {
    Fail("an accepted payment-form list does not tokenize", list);
  }
  // IN ( 'a' , 'b' ... ): an even count, strings at the even places between the parentheses.
  bool wellFormed = tokens.size() >= 4 && tokens[1].kind == TokenKind::LeftParen &&
                    tokens.back().kind == TokenKind::RightParen && tokens.size() % 2 == 0;
  for (size_t i = 2; wellFormed && i + 1 < tokens.size(); ++i) {
    wellFormed = tokens[i].kind == (i % 2 == 0 ? TokenKind::String : TokenKind::Comma);
  }
  if (!wellFormed) {
    Fail("an accepted payment-form list changes the statement's structure", list);
  }
}

std::vector<orla::app::Assignment> Lines(std::string_view text) {
  std::vector<orla::app::Assignment> assignments;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    const std::string_view line = text.substr(start, end - start);
    const size_t equals = line.find('=');
    if (equals != std::string_view::npos && equals != 0) {
      assignments.emplace_back(std::string(line.substr(0, equals)),
                               std::string(line.substr(equals + 1)));
    }
    start = end + 1;
  }
  return assignments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t firstLine = std::min(input.find('\n'), input.size());
  const orla::reports::ReportDescriptor* operation = nullptr;
  try {
    operation = &orla::app::CheckOperation(input.substr(0, firstLine));
  } catch (const orla::app::UsageError&) {
    return 0;
  }
  const std::string_view rest = input.substr(std::min(firstLine + 1, input.size()));

  std::vector<orla::app::Assignment> assignments;
  try {
    assignments = rest.starts_with('{') ? orla::app::ParseJsonParameters(rest) : Lines(rest);
  } catch (const orla::app::JsonParametersError&) {
    return 0;
  } catch (const orla::app::UsageError&) {
    return 0;
  }

  std::vector<orla::reports::NamedValue> values;
  try {
    values = orla::app::CheckParameters(*operation, assignments);
  } catch (const orla::app::UsageError&) {
    return 0;
  }
  for (const auto& value : values) {
    for (const orla::reports::Parameter& parameter : operation->parameters) {
      if (parameter.name == value.name &&
          parameter.check.kind == orla::reports::Check::Kind::QuotedNames &&
          !value.value.AsText().empty()) {
        CheckInList(value.value.AsText());
      }
    }
  }
  try {
    const auto today = orla::host::DateTime::FromParts(2024, 2, 15).value();
    orla::reports::ResolveArguments(*operation, values, today);
  } catch (const orla::host::HostError&) {
  }
  return 0;
}
