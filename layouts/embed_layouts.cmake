# Writes a C++ header holding every layouts/*.json document as a string, so that the
# layouts travel inside the library. Run with -DLAYOUT_DIR=... -DOUTPUT=...
file(GLOB documents "${LAYOUT_DIR}/*.json")
list(SORT documents)
set(body "")
foreach(path IN LISTS documents)
  get_filename_component(name "${path}" NAME_WE)
  file(READ "${path}" text)
  string(FIND "${text}" ")orla_layout\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${path} contains the raw-string delimiter")
  endif()
  string(APPEND body "    {\"${name}\", R\"orla_layout(${text})orla_layout\"},\n")
endforeach()
file(WRITE "${OUTPUT}"
"// Generated from layouts/*.json by layouts/embed_layouts.cmake; do not edit.
#pragma once

#include <string_view>

namespace orla::layouts {

struct Document {
  std::string_view name;
  std::string_view text;
};

inline constexpr Document kDocuments[] = {
${body}};

}  // namespace orla::layouts
")
