#include "layouts/layouts.h"

#include "layouts/layout_documents.h"

namespace orla::layouts {

std::optional<std::string_view> Find(std::string_view name) {
  for (const Document& d : kDocuments) {
    if (d.name == name) {
      return d.text;
    }
  }
  return std::nullopt;
}

std::vector<std::string_view> Names() {
  std::vector<std::string_view> names;
  for (const Document& d : kDocuments) {
    names.push_back(d.name);
  }
  return names;
}

}  // namespace orla::layouts
