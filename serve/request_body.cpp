#include "serve/request_body.h"

#include <string>

#include "cli/arguments.h"
#include "serve/reply.h"

namespace orla::serve {

namespace {

constexpr size_t kMaxParameters = 64;
constexpr size_t kMaxNameLength = 64;
constexpr size_t kMaxValueLength = 4096;

}  // namespace

std::vector<cli::Assignment> ParameterAssignments(std::string_view contentType,
                                                  std::string_view body) {
  std::vector<cli::Assignment> assignments;
  if (body.empty()) {
    return assignments;
  }
  if (!contentType.starts_with("application/json")) {
    throw HttpError{415, "send the parameters as a JSON object (Content-Type: application/json)"};
  }
  try {
    assignments = cli::ParseJsonParameters(body, cli::JsonValues::Text);
  } catch (const cli::JsonParametersError& e) {
    throw HttpError{400, e.what()};
  } catch (const cli::UsageError& e) {
    throw HttpError{400, e.what()};
  }
  if (assignments.size() > kMaxParameters) {
    throw HttpError{400, "more than " + std::to_string(kMaxParameters) + " parameters"};
  }
  for (const auto& [name, text] : assignments) {
    if (name.size() > kMaxNameLength) {
      throw HttpError{
          400, "a parameter name is longer than " + std::to_string(kMaxNameLength) + " characters"};
    }
    if (text.size() > kMaxValueLength) {
      throw HttpError{400, "parameter " + name + " is longer than " +
                               std::to_string(kMaxValueLength) + " characters"};
    }
  }
  return assignments;
}

}  // namespace orla::serve
