// Reports the errors the library traps: a readable line on the console and an entry in the
// session, which the CLI writes into its JSON output.
#pragma once

#include "host/shared_objects.h"
#include "hostlib/session.h"

namespace orla::hostlib {

class ErrorReporter final : public host::ErrorReporter {
 public:
  explicit ErrorReporter(Session& session) : session_(session) {}

  // Must be called while an exception is being handled; it reports that exception.
  void ReportCurrentError(int32_t mode, bool show) override;
  void ReportError(host::ErrorInfo& error, const std::string& applicationName,
                   const std::string& procedure, bool show, bool log) override;

 private:
  Session& session_;
};

}  // namespace orla::hostlib
