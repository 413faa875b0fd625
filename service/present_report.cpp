#include "service/present_report.h"

#include "host/errors.h"
#include "host/platform.h"
#include "service/messages.h"

namespace orla::service {

namespace {

// The host's Booleans may come back null; a null reads as false.
bool IsTrue(const host::Value& value) {
  return !value.IsNull() && host::CurrentPlatform().Regional().ToBoolean(value);
}

// The number the ReportHelper receives in its third argument.
constexpr int32_t kShowMode = 1;

}  // namespace

void PresentReport(host::RecordsetRef& recordset, host::Object* parentForm, host::Viewer* viewer,
                   host::ReportRef& report, int32_t passThrough1, int32_t passThrough2, bool bind,
                   bool discard, bool& failed) {
  try {
    host::ReportHelper& helper = host::SharedReportHelper();
    if (!recordset) {
      if (discard) {
        host::Require(report.get(), "report").DiscardSavedData();
      }
      host::RecordsetRef none;
      helper.ShowReport(none, parentForm, kShowMode, viewer, report, passThrough1, passThrough2,
                        bind);
      return;
    }
    if (IsTrue(recordset->Eof())) {
      if (IsTrue(host::Require(viewer, "oRPTViewer").Visible())) {
        host::CurrentPlatform().MsgBox(std::string(kNothingToPrint), host::kInformationStyle,
                                       std::string(kAttentionTitle));
      }
      return;
    }
    if (discard) {
      host::Require(report.get(), "report").DiscardSavedData();
    }
    host::RecordsetRef source = bind ? recordset : nullptr;
    helper.ShowReport(source, parentForm, kShowMode, viewer, report, passThrough1, passThrough2,
                      bind);
  } catch (...) {
    host::SharedErrorReporter().ReportCurrentError(1, true);
    failed = true;
  }
}

}  // namespace orla::service
