# Writes a C++ header holding the viewer's page, style sheet and script as strings, so that
# the program serves them with nothing to install. Run with -DASSET_DIR=... -DOUTPUT=...
set(assets index.html viewer.css viewer.js form.js pages.js start.js subscriptions.js)
set(body "")
foreach(name IN LISTS assets)
  file(READ "${ASSET_DIR}/${name}" text)
  string(FIND "${text}" ")orla_asset\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${name} contains the raw-string delimiter")
  endif()
  get_filename_component(extension "${name}" LAST_EXT)
  if(extension STREQUAL ".html")
    set(type "text/html; charset=utf-8")
  elseif(extension STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  else()
    set(type "text/javascript; charset=utf-8")
  endif()
  string(APPEND body "    {\"${name}\", \"${type}\", R\"orla_asset(${text})orla_asset\"},\n")
endforeach()
file(WRITE "${OUTPUT}"
"// Generated from serve/viewer/ by serve/viewer/embed_assets.cmake; do not edit.
#pragma once

#include <span>
#include <string_view>

namespace orla::serve {

struct Asset {
  std::string_view path;
  std::string_view contentType;
  std::string_view text;
};

inline constexpr Asset kViewerAssets[] = {
${body}};

inline std::span<const Asset> ViewerAssets() { return kViewerAssets; }

}  // namespace orla::serve
")
