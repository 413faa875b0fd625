#include "serve/request_body.h"

#include <string>

#include "app/value_texts.h"
#include "serve/reply.h"

namespace orla::serve {

namespace {

constexpr size_t kMaxParameters = 64;
constexpr size_t kMaxNameLength = 64;
constexpr size_t kMaxValueLength = 4096;

}  // namespace

std::vector<app::Assignment> ParameterAssignments(std::string_view contentType,
                                                  std::string_view body) {
  std::vector<app::Assignment> assignments;
  if (body.empty()) {
    return assignments;
  }
  if (!contentType.starts_with("application/json")) {
    throw HttpError{415, "send the parameters as a JSON object (Content-Type: application/json)"};
  }
  try {
    assignments = app::ParseJsonParameters(body, app::JsonValues::Text);
  } catch (const app::JsonParametersError& e) {
    throw HttpError{400, e.what()};
  } catch (const app::UsageError& e) {
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
