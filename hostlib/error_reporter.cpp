#include "hostlib/error_reporter.h"

namespace orla::hostlib {

void ErrorReporter::ReportCurrentError(int32_t, bool) {
  const host::ErrorInfo error = host::ErrorInfoFrom(std::current_exception());
  // The current error carries no procedure; its source says where it was raised.
  session_.AddError({error.source.empty() ? std::string("(current error)") : error.source,
                     error.description, error.statement});
}

void ErrorReporter::ReportError(host::ErrorInfo& error, const std::string&,
                                const std::string& procedure, bool, bool) {
  session_.AddError({procedure, error.description, error.statement});
}

}  // namespace orla::hostlib
