#include "service/request_frame.h"

#include "host/errors.h"
#include "host/platform.h"
#include "service/caption.h"
#include "service/messages.h"
#include "service/present_report.h"

namespace orla::service {

namespace {

std::string TrimSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Concatenating a null gives nothing, as the host's string operator does.
std::string TextOf(const host::Value& value) {
  return value.IsNull() ? std::string() : host::CurrentPlatform().Regional().ToText(value);
}

void ReportTrappedError(std::string_view operation) {
  host::ErrorInfo error = host::ErrorInfoFrom(std::current_exception());
  host::SharedErrorReporter().ReportError(error, std::string(kApplicationName),
                                          "Reports." + std::string(operation) + "()", true, true);
}

}  // namespace

std::string PeriodCaption(std::string_view initialDate, std::string_view finalDate) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  auto format = [&](std::string_view date) {
    return regional.FormatDate(regional.ToDate(host::Value(date)), "dd/mm/yy");
  };
  return "De " + format(initialDate) + " até " + format(finalDate);
}

std::string ViewAndPeriodCaption(int32_t view, std::string_view initialDate,
                                 std::string_view finalDate) {
  return caption::View(view) + " / " + PeriodCaption(initialDate, finalDate);
}

bool RunRequest(std::string_view operation, const HostObjects& host, host::ReportRef& heldReport,
                host::ReportRef& oRPT, std::string_view initialDate, std::string_view finalDate,
                const RequestSteps& steps) {
  host::Platform& platform = host::CurrentPlatform();
  const host::RegionalSettings& regional = platform.Regional();

  // A refused period: no trap is active, so a failing closing step reaches the caller.
  if (!regional.IsDate(finalDate) || !regional.IsDate(initialDate)) {
    platform.MsgBox(std::string(kPeriodRefused), host::kInformationStyle,
                    std::string(kAttentionTitle));
    oRPT = heldReport;
    if (steps.closesConnection) {
      host::Require(host.oDB, "oDB").DB_Close();
    }
    return false;
  }

  bool result = false;
  host::RecordsetRef recordset;
  try {
    if (steps.adjustFilters) {
      steps.adjustFilters();
    }
    heldReport = platform.CreateReport(steps.layout);
    const std::string caption = steps.caption ? steps.caption() : std::string();

    host::Company& company = host::Require(host.oEmpresa, "oEmpresa");
    const host::Value cnpj = company.CNPJ();
    const host::Value companyName = company.RazaoSocial();
    host::ReportHelper& helper = host::SharedReportHelper();
    std::string companyLine(1, '[');
    companyLine += TextOf(cnpj);
    companyLine += "] - ";
    companyLine += host::SharedHostUtilities().CompanyNameText(companyName);
    helper.SetHeaderLine(0, companyLine, heldReport);
    helper.SetHeaderLine(1, TrimSpaces(caption), heldReport);

    if (steps.beforeQuery) {
      steps.beforeQuery(heldReport);
    }
    host::Database& db = host::Require(host.oDB, "oDB");
    if (steps.query) {
      recordset = steps.query(db);
    }
    if (steps.afterQuery) {
      steps.afterQuery(recordset, heldReport);
    }
    bool presentationFailed = false;  // PresentReport reports its own failures.
    PresentReport(recordset, host.oParentForm, host.oRPTViewer, heldReport, 0, 0, steps.bind, false,
                  presentationFailed);
    result = true;
  } catch (...) {
    ReportTrappedError(operation);  // An error raised by the reporter itself is not trapped.
    result = false;
  }

  // The closing steps run once: a failure here is reported, never retried, and only when
  // nothing was reported before it: on a lost connection the close fails as the query did,
  // and the user is told of the request's failure once.
  try {
    oRPT = heldReport;
    if (steps.closesConnection) {
      host::Require(host.oDB, "oDB").DB_Close();
    }
  } catch (...) {
    if (result) {
      ReportTrappedError(operation);
    }
    result = false;
  }
  return result;
}

}  // namespace orla::service
