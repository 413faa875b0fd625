// The last step of every operation: refuse an empty result with a message, or hand the
// report (and the data, when wanted) to the host's ReportHelper to be shown.
#pragma once

#include <cstdint>

#include "host/database.h"
#include "host/objects.h"
#include "host/report_engine.h"

namespace orla::service {

// An error raised in here, also by the ReportHelper or the engine, is reported through the
// error reporter's current-error call and sets `failed`; it never reaches the caller.
void PresentReport(host::RecordsetRef& recordset, host::Object* parentForm, host::Viewer* viewer,
                   host::ReportRef& report, int32_t passThrough1, int32_t passThrough2, bool bind,
                   bool discard, bool& failed);

}  // namespace orla::service
