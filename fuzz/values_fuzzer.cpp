// Dates and numbers read from text: the regional reading of the host's variants and the
// year-first forms the embedded database reads in statements. Whatever is read must come
// back the same when written out and read again.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/errors.h"
#include "host/regional_settings.h"
#include "sqlite/date_text.h"

namespace {

using orla::host::DateTime;
using orla::host::RegionalSettings;
using orla::host::Value;

[[noreturn]] void Fail(const char* what, std::string_view input, const std::string& detail) {
  std::fprintf(stderr, "%s\ninput: \"%.*s\"\n%s\n", what, static_cast<int>(input.size()),
               input.data(), detail.c_str());
  std::abort();
}

void CheckDate(const RegionalSettings& rs, std::string_view text) {
  const auto date = rs.ReadDate(text);
  if (!date) {
    return;
  }
  const std::string written = rs.FormatDate(*date, "dd/mm/yyyy hh:nn:ss");
  const auto again = rs.ReadDate(written);
  if (!again || *again != *date) {
    Fail("a date read from text does not read back from its own writing", text,
         date->ToIso() + " written as " + written);
  }
  const auto shortDate = rs.ReadDate(rs.ShortDate(*date));
  if (!shortDate || *shortDate != date->DateOnly()) {
    Fail("the short date of a date read from text does not read back", text, date->ToIso());
  }
}

void CheckNumber(const RegionalSettings& rs, std::string_view text) {
  const auto number = rs.ReadNumber(text);
  // Near the largest double, 15 significant digits round beyond it and the runtime itself
  // refuses to read them back (overflow).
  if (!number || std::fabs(*number) > 1e307) {
    return;
  }
  // Writing keeps 15 significant digits, so one more round must change nothing.
  const std::string written = rs.FormatNumber(*number);
  const auto again = rs.ReadNumber(written);
  if (!again) {
    Fail("a number read from text does not read back from its own writing", text, written);
  }
  if (rs.FormatNumber(*again) != written) {
    Fail("writing a number read back from its own writing changes it", text,
         written + " then " + rs.FormatNumber(*again));
  }
}

void CheckStoredDate(std::string_view text) {
  const auto date = orla::sqlite::ReadDateText(text);
  if (!date) {
    return;
  }
  const std::string stored = orla::sqlite::StoredDateText(*date);
  const auto again = orla::sqlite::ReadDateText(stored);
  if (!again || *again != *date) {
    Fail("a statement date does not read back from its stored form", text,
         date->ToIso() + " stored as " + stored);
  }
}

// The coercions either give a value or raise the runtime's error; nothing else escapes.
template <typename F>
void Coerce(F coercion) {
  try {
    coercion();
  } catch (const orla::host::HostError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const RegionalSettings rs = RegionalSettings::Brazilian();
  CheckDate(rs, text);
  CheckNumber(rs, text);
  CheckStoredDate(text);

  const Value value{text};
  Coerce([&] { rs.ToBoolean(value); });
  Coerce([&] { rs.ToInt16(value); });
  Coerce([&] { rs.ToInt32(value); });
  Coerce([&] { rs.ToDouble(value); });
  Coerce([&] { rs.ToDate(value); });
  // A number read from text goes on through the other coercions as the double it became.
  if (const auto number = rs.ReadNumber(text)) {
    const Value asDouble{*number};
    Coerce([&] { rs.ToText(asDouble); });
    Coerce([&] { rs.ToInt16(asDouble); });
    Coerce([&] { rs.ToInt32(asDouble); });
    Coerce([&] { rs.ToDate(asDouble); });
  }
  return 0;
}
