// UTF-8 text measured in characters, for the fixed-width text output; text made safe in markup.
#pragma once

#include <string>
#include <string_view>

namespace orla::engine {

size_t CharacterCount(std::string_view text);
// The first `count` characters of the text.
std::string_view LeadingCharacters(std::string_view text, size_t count);
// At most `width` characters: longer text keeps width - 1 of them and ends in "…".
std::string FitText(std::string_view text, size_t width);
std::string PadRight(std::string_view text, size_t width);
std::string PadLeft(std::string_view text, size_t width);
// & < > " as HTML and SVG entities, for text and attribute values alike.
std::string MarkupEscape(std::string_view text);

}  // namespace orla::engine
