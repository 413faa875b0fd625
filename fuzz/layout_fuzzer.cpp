// The report engine's layout loader: any text either becomes a layout or raises the
// engine's layout error naming what is wrong.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/layout.h"
#include "host/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    orla::engine::ParseLayout(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const orla::host::LayoutError&) {
  }
  return 0;
}
