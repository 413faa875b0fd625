#include "hostlib/messages.h"

#include <libintl.h>

namespace orla::hostlib {

std::string Say(const char* text, std::initializer_list<std::string_view> values) {
  const std::string_view translated = dgettext(kMessageDomain, text);
  std::string said;
  auto value = values.begin();
  for (size_t i = 0; i < translated.size(); ++i) {
    if (translated.substr(i, 2) == "%s" && value != values.end()) {
      said += *value++;
      ++i;
    } else {
      said += translated[i];
    }
  }
  return said;
}

bool SayingPortuguese() {
  // The catalogue in use answers the empty text with its header, which names its language.
  const std::string_view header = dgettext(kMessageDomain, "");
  return header.find("\nLanguage: pt") != std::string_view::npos ||
         header.starts_with("Language: pt");
}

}  // namespace orla::hostlib
