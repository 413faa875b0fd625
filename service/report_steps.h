// Small steps several operations share between the frame's steps.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/database.h"
#include "host/date_time.h"

namespace orla::service {

// True when the recordset has a current row; a null EOF reads as "no rows", as a host's
// `If Not rs.EOF` does.
bool HasRows(const host::RecordsetRef& recordset);

// For a loop over every row: true while there is a current row. A recordset that cannot tell
// (null EOF) raises, naming `what`, as such a loop would otherwise run on blindly.
bool RowsRemain(const host::RecordsetRef& recordset, std::string_view what);

// The days of the period, both ends counted, whichever order the dates come in.
int32_t DaysOfPeriod(std::string_view initialDate, std::string_view finalDate);

// Shifts exist only in the till readings: a shift filter forces the financial view (0).
void ShiftForcesFinancialView(const std::string& shift, int32_t& view);

// A date formula's text: the short date form between single quotes.
std::string QuotedShortDate(const host::DateTime& date);

}  // namespace orla::service
