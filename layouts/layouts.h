// The report layouts carried inside the library: one JSON document per layout, compiled in
// from layouts/*.json (the layout format is described in engine/README.md).
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace orla::layouts {

// The document of the layout with exactly this name.
std::optional<std::string_view> Find(std::string_view name);
// Every layout name, in alphabetical order.
std::vector<std::string_view> Names();

}  // namespace orla::layouts
