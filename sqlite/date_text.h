// How dates live in the embedded database: as text 'YYYY-MM-DD HH:MM:SS', which sorts in
// time order. A time of day alone is stored on 1900-01-01, SQL Server's day zero.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/date_time.h"

namespace orla::sqlite {

// 'YYYY-MM-DD HH:MM:SS', always with the time.
std::string StoredDateText(const host::DateTime& moment);

// The year-first forms the library writes, which SQL Server reads year, month, day: 'YYYYMMDD',
// 'YYYY-MM-DD', 'YYYY/MM/DD', 'YYYY.MM.DD', each with an optional ' HH:MM[:SS[.fff]]' (or 'T'
// before the time); and 'HH:MM[:SS]' alone, on 1900-01-01. Fractions of a second are
// dropped. Nothing when the text has another shape (a day-first '01/03/2024', which SQL
// Server reads by the language's date order) or names no real moment.
std::optional<host::DateTime> ReadDateText(std::string_view text);

}  // namespace orla::sqlite
