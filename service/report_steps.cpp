#include "service/report_steps.h"

#include <cstdlib>

#include "host/errors.h"
#include "host/platform.h"

namespace orla::service {

bool HasRows(const host::RecordsetRef& recordset) {
  const host::Value eof = host::Require(recordset.get(), "recordset").Eof();
  return !eof.IsNull() && !host::CurrentPlatform().Regional().ToBoolean(eof);
}

bool RowsRemain(const host::RecordsetRef& recordset, std::string_view what) {
  const host::Value eof = host::Require(recordset.get(), "recordset").Eof();
  if (eof.IsNull()) {
    throw host::HostError(host::error_number::kInvalidUseOfNull,
                          "The recordset of " + std::string(what) + " cannot tell its end");
  }
  return !host::CurrentPlatform().Regional().ToBoolean(eof);
}

int32_t DaysOfPeriod(std::string_view initialDate, std::string_view finalDate) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  const int64_t days = host::DaysBetween(regional.ToDate(host::Value(initialDate)),
                                         regional.ToDate(host::Value(finalDate)));
  return static_cast<int32_t>(std::llabs(days) + 1);
}

void ShiftForcesFinancialView(const std::string& shift, int32_t& view) {
  if (!shift.empty()) {
    view = 0;
  }
}

std::string QuotedShortDate(const host::DateTime& date) {
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on "'" + a temporary string.
  std::string text(1, '\'');
  text += host::CurrentPlatform().Regional().ShortDate(date);
  text += '\'';
  return text;
}

}  // namespace orla::service
