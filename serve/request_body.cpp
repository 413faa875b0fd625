#include "serve/request_body.h"

#include <string>

#include <nlohmann/json.hpp>

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
  const nlohmann::ordered_json object = nlohmann::ordered_json::parse(body, nullptr, false);
  if (object.is_discarded() || !object.is_object()) {
    throw HttpError{400, "the body is not a JSON object of parameters"};
  }
  if (object.size() > kMaxParameters) {
    throw HttpError{400, "more than " + std::to_string(kMaxParameters) + " parameters"};
  }
  for (const auto& [name, value] : object.items()) {
    if (name.size() > kMaxNameLength) {
      throw HttpError{
          400, "a parameter name is longer than " + std::to_string(kMaxNameLength) + " characters"};
    }
    if (!value.is_string()) {
      throw HttpError{400, "parameter " + name +
                               " must be given as text, as `orla-vendas run` takes it "
                               "(\"01/03/2024\", \"true\", \"1\")"};
    }
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() > kMaxValueLength) {
      throw HttpError{400, "parameter " + name + " is longer than " +
                               std::to_string(kMaxValueLength) + " characters"};
    }
    assignments.emplace_back(name, text);
  }
  return assignments;
}

}  // namespace orla::serve
