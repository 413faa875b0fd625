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

// The forms SQL Server reads without a style under every language setting, and the stored
// form: 'YYYY-MM-DD', 'YYYY/MM/DD', 'YYYY.MM.DD', 'YYYYMMDD', each with an optional
// ' HH:MM[:SS[.fff]]'; and 'HH:MM[:SS]' alone, on 1900-01-01. Fractions of a second are
// dropped. Nothing when the text has another shape or names no real moment.
std::optional<host::DateTime> ReadDateText(std::string_view text);

// Whether `text` has the shape of a date literal the library writes into comparisons
// ('2024/03/01', '2024/03/01 00:00:00', '20240301 23:59:59', '2024-03-01 ...'), valid or
// not. An eight-digit form counts only with a time, so that codes such as '20240301' are
// left alone.
bool LooksLikeDateLiteral(std::string_view text);

}  // namespace orla::sqlite
