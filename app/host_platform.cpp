#include "app/host_platform.h"

#include "app/named_calls.h"
#include "app/trace.h"
#include "engine/report.h"
#include "hostlib/error_reporter.h"
#include "hostlib/host_utilities.h"
#include "hostlib/report_helper.h"
#include "sqlite/command.h"

namespace orla::app {

RunPlatform::RunPlatform(std::shared_ptr<const host::Clock> clock, hostlib::Session& session,
                         SqlTrace* trace)
    : host::Platform(host::RegionalSettings::Brazilian(), std::move(clock)),
      session_(session),
      trace_(trace) {}

int32_t RunPlatform::MsgBox(const std::string& prompt, int32_t style, const std::string& title) {
  session_.AddMessage({prompt, title, style, {}});
  return 1;  // OK
}

std::unique_ptr<host::Command> RunPlatform::CreateCommand(std::string_view progId) {
  std::unique_ptr<host::Command> command = sqlite::CreateCommand(progId);
  return NameFailedCalls(trace_ != nullptr ? trace_->Wrap(std::move(command)) : std::move(command));
}

host::ReportRef RunPlatform::CreateReport(std::string_view layoutName) {
  return engine::CreateReport(layoutName);
}

std::unique_ptr<host::ReportHelper> RunPlatform::CreateReportHelper() {
  return std::make_unique<hostlib::ReportHelper>();
}

std::unique_ptr<host::HostUtilities> RunPlatform::CreateHostUtilities() {
  return std::make_unique<hostlib::HostUtilities>();
}

std::unique_ptr<host::ErrorReporter> RunPlatform::CreateErrorReporter() {
  return std::make_unique<hostlib::ErrorReporter>(session_);
}

}  // namespace orla::app
