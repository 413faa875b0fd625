#include "hostlib/report_helper.h"

#include "host/errors.h"
#include "host/platform.h"

namespace orla::hostlib {

namespace {

std::string And(const std::string& condition) {
  return condition.empty() ? "" : " AND ";
}

}  // namespace

std::string ReportHelper::BuildPeriodFilter(const std::string& initialDate,
                                            const std::string& finalDate,
                                            const std::string& condition, std::string& caption) {
  const host::RegionalSettings& regional = host::CurrentPlatform().Regional();
  const host::DateTime initial = regional.ToDate(host::Value(initialDate));
  const host::DateTime final = regional.ToDate(host::Value(finalDate));
  caption += (caption.empty() ? "" : " / ") + std::string("De ") +
             regional.FormatDate(initial, "dd/mm/yy") + " até " +
             regional.FormatDate(final, "dd/mm/yy");
  return condition + And(condition) + "({c} BETWEEN '" + regional.FormatDate(initial, "yyyymmdd") +
         " 00:00:00' AND '" + regional.FormatDate(final, "yyyymmdd") + " 23:59:59')";
}

std::string ReportHelper::BuildIdFilter(const std::string& id, const std::string& condition,
                                        const host::Value& label, std::string& caption) {
  if (id.empty()) {
    return condition;
  }
  std::string quoted;
  for (char c : id) {
    quoted += c;
    if (c == '\'') {
      quoted += '\'';
    }
  }
  if (label.GetKind() == host::Value::Kind::Text && !label.AsText().empty()) {
    caption += (caption.empty() ? "" : " / ") + label.AsText() + " " + id;
  }
  return condition + And(condition) + "({c} = '" + quoted + "')";
}

void ReportHelper::SetHeaderLine(int32_t line, const std::string& text, host::ReportRef& report) {
  host::Require(report.get(), "report").SetHeaderLine(line, text);
}

void ReportHelper::SetReportFormula(const std::string& name, const std::string& text,
                                    host::ReportRef& report) {
  host::Require(report.get(), "report").SetFormula(name, text);
}

void ReportHelper::ShowReport(host::RecordsetRef& dataSource, host::Object*, int32_t,
                              host::Viewer* viewer, host::ReportRef& report, int32_t, int32_t,
                              bool bind) {
  host::Report& shown = host::Require(report.get(), "report");
  if (bind && dataSource) {
    shown.Database().SetDataSource(dataSource);
  }
  host::Viewer& target = host::Require(viewer, "viewer");
  target.SetReportSource(report);
  target.ViewReport();
}

}  // namespace orla::hostlib
