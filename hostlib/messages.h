// The program's own messages in the language of the user's locale (GNU gettext, the
// "orla-vendas" catalogue), English where there is none. The library's texts (message
// boxes, captions) never pass here: they are the system's, in its language.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace orla::hostlib {

inline constexpr const char* kMessageDomain = "orla-vendas";

// `text` translated, each "%s" in it replaced by the next of `values`.
std::string Say(const char* text, std::initializer_list<std::string_view> values = {});

// Whether the messages are in Portuguese: what shows, where both languages are at hand, the
// Portuguese one (the reports' own labels for people) rather than the English.
bool SayingPortuguese();

}  // namespace orla::hostlib
