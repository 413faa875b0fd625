#include "service/class_registry.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "host/errors.h"

namespace orla::service {

namespace {

std::string Normalized(std::string_view name) {
  if (name.size() >= 2 && name.front() == '{' && name.back() == '}') {
    name = name.substr(1, name.size() - 2);
  }
  std::string text(name);
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

}  // namespace

std::unique_ptr<Reports> CreateObject(std::string_view progIdOrClassId) {
  const std::string name = Normalized(progIdOrClassId);
  if (name == Normalized(kProgId) || name == Normalized(kClassId)) {
    return std::make_unique<Reports>();
  }
  throw host::HostError(host::error_number::kCannotCreateObject,
                        "Cannot create object " + std::string(progIdOrClassId));
}

}  // namespace orla::service
